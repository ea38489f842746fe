#include "editor/screen_strings.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "base/notify.h"
#include "editor/refolder.h"
#include "editor/row_saver.h"

namespace tamber {

namespace {

// With no fountain the state passes through every row unchanged.
class PassThroughParser : public TRowParser {
 public:
  void ParseRow(int, const TRowAttributeStringList&, TRowAttributeData&) override {}
};

bool EndsWithBreak(std::string_view s) {
  return !s.empty() && (s.back() == '\n' || s.back() == '\r');
}

// Fills rec with the bytes that differ between the old and new text of a
// stretch that starts at text offset `at`: the common head and tail are
// left out, so the record grows with the change, not with the line.
void RecordDifference(TUndoData& rec, std::int64_t at, std::string_view oldText,
                      std::string_view newText) {
  const std::size_t limit = std::min(oldText.size(), newText.size());
  std::size_t head = 0;
  while (head < limit && oldText[head] == newText[head]) ++head;
  std::size_t tail = 0;
  while (tail < limit - head && oldText[oldText.size() - 1 - tail] == newText[newText.size() - 1 - tail])
    ++tail;
  rec.Offset = at + static_cast<std::int64_t>(head);
  rec.RemovedText.assign(oldText.substr(head, oldText.size() - head - tail));
  rec.InsertedLength = static_cast<std::int64_t>(newText.size() - head - tail);
}

bool SameStoredState(const TRowAttributeData& stored, const TRowAttributeData& s) {
  return stored.PrevRowAttribute == s.PrevRowAttribute && stored.OpenBracket == s.OpenBracket &&
         stored.ParseState == s.ParseState && stored.SplitBytes == s.SplitBytes &&
         stored.ParseExtra == s.ParseExtra && stored.OpenTokenKind == s.OpenTokenKind &&
         stored.ParseByte == s.ParseByte && stored.CarryText == s.CarryText;
}

}  // namespace

// ---- views ----

void TTextEditorScreenStrings::AttachView(TTextEditorView* view) {
  if (view && std::find(views_.begin(), views_.end(), view) == views_.end()) views_.push_back(view);
}

int TTextEditorScreenStrings::DetachView(TTextEditorView* view) {
  views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
  return static_cast<int>(views_.size());
}

TTextEditorView* TTextEditorScreenStrings::ActiveView() const {
  for (TTextEditorView* v : views_)
    if (v->HasFocus()) return v;
  return views_.empty() ? nullptr : views_.front();
}

// ---- wrapping ----


// ---- rows of logical lines ----

int TTextEditorScreenStrings::LineFirstRow(int row) const {
  while (row > 0 && row - 1 < Count() && RowAttribute(row - 1) == raFolded) --row;
  return row;
}

int TTextEditorScreenStrings::LineLastRow(int row) const {
  while (row >= 0 && row < Count() - 1 && RowAttribute(row) == raFolded) ++row;
  return row;
}

TJoinedRows TTextEditorScreenStrings::JoinRows(int row, int count) const {
  TJoinedRows j;
  if (row < 0 || row >= Count()) return j;
  const int last = count < 0 ? LineLastRow(row) : std::min(row + count, Count()) - 1;
  for (int r = row; r <= last; ++r) {
    j.Text += RowView(r);
    j.LastAttribute = RowAttribute(r);
    if (j.LastAttribute == raBreak) j.Text += "\r\n";
  }
  j.Rows = std::max(0, last - row + 1);
  return j;
}

// ---- editing ----

void TTextEditorScreenStrings::ReplaceRows(int row, int count, std::string_view text) {
  const int rows = Count();
  if (row < 0 || count < 0 || row + count > rows || (count == 0 && text.empty())) return;

  // A change can pull text back into the row above only when that row folds into it.
  int first = row > 0 && row <= rows && RowAttribute(row - 1) == raFolded ? row - 1 : row;
  // Appending after a final row without a break continues that row: the new
  // text joins it instead of leaving raLast in the middle of the text.
  if (count == 0 && row == rows && rows > 0 && RowAttribute(rows - 1) == raLast) first = rows - 1;
  const int last = row + count - 1;
  // The range ends its logical line (no walk to the line's end: that is long in a long line).
  const bool endsLine = last < 0 || last == rows - 1 || RowAttribute(last) != raFolded;
  const TScopedUpdate hold(*this);
  const TTextEditorView* active = ActiveView();
  TUndoData& rec = undo_.NewRecord(active ? active->CaretRow() : 0, active ? active->CaretCol() : 0);
  int removed = 0, inserted = 0, reparsed = 0;
  TTextEdit edit;

  const std::int64_t firstOffset = RowByteToOffset(first, 0);
  if (row == first && endsLine && text.empty() && count > 0) {
    // Whole lines go.
    const TJoinedRows old = JoinRows(row, count);
    rec.StartRow = row;
    RecordDifference(rec, firstOffset, old.Text, {});
    edit = {rec.Offset, static_cast<std::int64_t>(rec.RemovedText.size()), {}};
    removed = old.Rows;
    const std::uint16_t marks = DeleteRows(row, count);
    if (Count() > 0 && marks) {
      const int heir = std::min(row, Count() - 1);
      SetRowMarks(heir, RowMarks(heir) | marks);
    }
    reparsed = ReparseAfterEdit(row);
  } else {
    // The rows after the edit that belong to the stretch to refold: the rest
    // of the edited line, or the following line when the edit reaches the end
    // of its line (the new text may lack a final break and join it). They are
    // read only as far as refolding needs them.
    auto tail = [this, last, rows](std::size_t i, std::string_view& t, bool& lineBreak) {
      const int r = last + 1 + static_cast<int>(i);
      if (r >= rows || (i > 0 && RowAttribute(r - 1) != raFolded)) return false;
      t = RowView(r);
      lineBreak = RowAttribute(r) == raBreak;
      return true;
    };
    std::string edited;
    for (int r = first; r < row; ++r) {
      edited += RowView(r);
      if (RowAttribute(r) == raBreak) edited += "\r\n";
    }
    edited += text;
    TTextEditorStringList list;
    std::string newText;  // the replaced stretch as the new rows hold it
    TRefolder refolder(wordWrap_ ? std::optional<FoldRules>(CurrentFoldRules()) : std::nullopt);
    const TRefolder::Result fold = refolder.Run(edited, tail, [&](std::string_view t, bool folded) {
      const int i = list.Add(t);
      list.SetRowAttribute(i, folded ? raFolded : raBreak);
      newText += t;
      if (!folded) newText += "\r\n";
    });
    const int replaced = row + count - first + static_cast<int>(fold.consumedTail);
    if (!fold.stopped && list.Count() > 0) {
      // The stretch runs to the end of its line: the last row ends as the old line ended.
      const TRowAttribute endAttr = fold.consumedTail > 0 ? RowAttribute(first + replaced - 1)
                                    : EndsWithBreak(text)  ? raBreak
                                                           : raLast;
      list.SetRowAttribute(list.Count() - 1, endAttr);
      if (endAttr != raBreak) newText.resize(newText.size() - 2);
    }
    const TJoinedRows old = JoinRows(first, replaced);
    removed = old.Rows;
    inserted = list.Count();
    // Text inserted in front of the old rows pushes their first row down.
    const bool pushedDown = newText.size() > old.Text.size() && !old.Text.empty() &&
                            std::string_view(newText).ends_with(old.Text);

    rec.StartRow = first;
    RecordDifference(rec, firstOffset, old.Text, newText);
    edit = {rec.Offset, static_cast<std::int64_t>(rec.RemovedText.size()),
            newText.substr(static_cast<std::size_t>(rec.Offset - firstOffset),
                           static_cast<std::size_t>(rec.InsertedLength))};
    if (inserted == 0) {
      // Whole rows went from the start of a line; the rest of it stays as it
      // was folded, and takes their marks.
      const std::uint16_t marks = DeleteRows(first, replaced);
      if (marks && first < Count()) SetRowMarks(first, RowMarks(first) | marks);
    } else {
      PutRows(first, replaced, list, pushedDown);
    }
    reparsed = ReparseAfterEdit(first);
  }
  RecordChange(first, removed, reparsed, inserted, std::move(edit));
}

void TTextEditorScreenStrings::Splice(const TTextEdit& edit) {
  const std::int64_t total = TextLength();
  const std::int64_t at = std::clamp<std::int64_t>(edit.At, 0, total);
  const std::int64_t length = std::clamp<std::int64_t>(edit.RemovedLength, 0, total - at);
  if (length == 0 && edit.Inserted.empty()) return;
  const bool addsBreak = edit.Inserted.find_first_of("\r\n") != std::string::npos;
  const auto [row, col] = OffsetToRowCol(at);
  const std::size_t rowSize = row < Count() ? RowView(row).size() : 0;
  // A final row without a break that would be left empty goes as a whole row.
  const bool emptiesLastRow = row < Count() && RowAttribute(row) != raBreak &&
                              rowSize - static_cast<std::size_t>(length) + edit.Inserted.size() == 0;
  if (wordWrap_ || addsBreak || row >= Count() || emptiesLastRow ||
      static_cast<std::size_t>(col) + static_cast<std::size_t>(length) > rowSize) {
    ReplaceRange(at, length, edit.Inserted);
    return;
  }
  const TScopedUpdate hold(*this);
  const TTextEditorView* active = ActiveView();
  TUndoData& rec = undo_.NewRecord(active ? active->CaretRow() : 0, active ? active->CaretCol() : 0);
  rec.StartRow = row;
  rec.Offset = at;
  rec.RemovedText.assign(RowView(row).substr(static_cast<std::size_t>(col), static_cast<std::size_t>(length)));
  rec.InsertedLength = static_cast<std::int64_t>(edit.Inserted.size());
  Changing();
  MutableRows().SpliceText(static_cast<std::size_t>(row), static_cast<std::size_t>(col),
                           static_cast<std::size_t>(length), edit.Inserted);
  Changed();
  const int reparsed = ReparseAfterEdit(row);
  RecordChange(row, 1, reparsed, 1, {at, length, edit.Inserted});
}

void TTextEditorScreenStrings::ReplaceRange(std::int64_t offset, std::int64_t length,
                                            std::string_view text) {
  const std::int64_t total = TextLength();
  offset = std::clamp<std::int64_t>(offset, 0, total);
  length = std::clamp<std::int64_t>(length, 0, total - offset);
  const auto [r1, c1] = OffsetToRowCol(offset);
  if (r1 >= Count()) {  // on the empty position after a final break
    ReplaceRows(Count(), 0, text);
    return;
  }
  const auto [r2, c2] = OffsetToRowCol(offset + length);
  const std::string_view firstRow = RowView(r1);
  std::string s(firstRow.substr(0, std::min<std::size_t>(c1, firstRow.size())));
  s += text;
  int lastRow = Count() - 1;  // the range reaches past the final break
  if (r2 < Count()) {
    const std::string_view endRow = RowView(r2);
    s += endRow.substr(std::min<std::size_t>(c2, endRow.size()));
    if (RowAttribute(r2) == raBreak) s += "\r\n";
    lastRow = r2;
  }
  ReplaceRows(r1, lastRow - r1 + 1, s);
}

// ---- many separate changes ----

namespace {

void PutVarint(std::string& out, std::uint64_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<char>((v & 0x7F) | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<char>(v));
}

std::uint64_t GetVarint(std::string_view in, std::size_t& at) {
  std::uint64_t v = 0;
  for (int shift = 0; at < in.size(); shift += 7) {
    const auto c = static_cast<unsigned char>(in[at++]);
    v |= static_cast<std::uint64_t>(c & 0x7F) << shift;
    if (!(c & 0x80)) break;
  }
  return v;
}

bool HasBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

std::string TTextEditorScreenStrings::TextRange(std::int64_t offset, std::int64_t length) const {
  std::string s;
  if (length <= 0) return s;
  auto [row, col] = OffsetToRowCol(offset);
  const auto want = static_cast<std::size_t>(length);
  std::size_t skip = static_cast<std::size_t>(col);
  for (int r = row; r < Count() && s.size() < want; ++r) {
    std::string_view t = RowView(r);
    std::string piece(t);
    if (RowAttribute(r) == raBreak) piece += "\r\n";
    s.append(std::string_view(piece).substr(std::min(skip, piece.size())));
    skip = 0;
  }
  s.resize(std::min(s.size(), want));
  return s;
}

void TTextEditorScreenStrings::ReplaceSpansAsRange(const std::vector<TSpanEdit>& spans) {
  const std::int64_t from = spans.front().At;
  const std::int64_t to = spans.back().At + spans.back().RemovedLength;
  const std::string old = TextRange(from, to - from);
  std::string s;
  std::int64_t kept = from;
  for (const TSpanEdit& e : spans) {
    s.append(old, static_cast<std::size_t>(kept - from), static_cast<std::size_t>(e.At - kept));
    s += e.Inserted;
    kept = e.At + e.RemovedLength;
  }
  ReplaceRange(from, to - from, s);
}

void TTextEditorScreenStrings::ReplaceSpans(const std::vector<TSpanEdit>& input) {
  const std::int64_t total = TextLength();
  std::vector<TSpanEdit> spans;
  spans.reserve(input.size());
  std::int64_t floor = 0;
  for (const TSpanEdit& e : input) {
    if (e.At < floor || e.RemovedLength < 0 || e.At + e.RemovedLength > total) return;
    floor = e.At + e.RemovedLength;
    if (e.RemovedLength > 0 || !e.Inserted.empty()) spans.push_back(e);
  }
  if (spans.empty()) return;

  // Pass one, aside: the new rows of the lines from the first changed one to
  // the last, the undo step's spans and removed bytes.
  const int n = Count();
  std::optional<TLineFolder> folder;
  std::optional<FoldRules> rules;
  if (wordWrap_) {
    rules = CurrentFoldRules();
    folder.emplace(*rules);
  }
  RowBlockBuilder builder;
  std::string layout, removedBytes, newLine, joined, prevRemoved;
  std::size_t prevInserted = 0;
  std::vector<std::uint16_t> marks;
  std::vector<FoldedRow> folded;
  struct RowRead {
    std::string_view text;
    std::uint32_t attr, extra;
    std::string_view carry;
    std::intptr_t tag;
  };
  std::vector<RowRead> lineRows;  // the rows of the line at hand
  std::int64_t delta = 0, prevNewEnd = 0, insertedTotal = 0;
  // The walk goes line by line in order from the line of the first span.
  const int firstRow = LineFirstRow(OffsetToRowCol(spans.front().At).first);
  if (firstRow >= n) return ReplaceSpansAsRange(spans);
  std::int64_t lineStart = RowByteToOffset(firstRow, 0);
  RowStore::Reader reader(Rows(), static_cast<std::size_t>(firstRow));
  int lastRow = firstRow;  // rows firstRow..lastRow-1 are in builder
  for (std::size_t i = 0; i < spans.size();) {
    // The logical line the reader stands on.
    if (reader.AtEnd()) return ReplaceSpansAsRange(spans);  // a new line after a final break
    lineRows.clear();
    do {
      lineRows.push_back({reader.Text(), reader.Attr(), reader.Extra(), reader.Carry(), reader.Tag()});
      reader.Next();
    } while (rowbits::AttributeOf(lineRows.back().attr) == raFolded && !reader.AtEnd());
    std::string_view line = lineRows.front().text;
    if (lineRows.size() > 1) {
      joined.clear();
      for (const RowRead& r : lineRows) joined += r.text;
      line = joined;
    }
    const std::uint32_t endAttr = lineRows.back().attr;
    const TRowAttribute endAttribute = rowbits::AttributeOf(endAttr);
    const std::int64_t lineEnd = lineStart + static_cast<std::int64_t>(line.size());
    const std::int64_t nextLine = lineEnd + (endAttribute == raBreak ? 2 : 0);
    lastRow += static_cast<int>(lineRows.size());
    if (spans[i].At > lineEnd) {
      if (spans[i].At < nextLine) return ReplaceSpansAsRange(spans);  // inside the break
      for (const RowRead& r : lineRows) builder.Add(r.text, r.attr, r.extra, r.carry, r.tag);
      lineStart = nextLine;
      continue;
    }
    // Its spans, built into the new line.
    newLine.clear();
    std::size_t kept = 0;
    for (; i < spans.size() && spans[i].At <= lineEnd; ++i) {
      const TSpanEdit& e = spans[i];
      if (e.At + e.RemovedLength > lineEnd || HasBreak(e.Inserted)) return ReplaceSpansAsRange(spans);
      const auto at = static_cast<std::size_t>(e.At - lineStart);
      const std::string_view removed = line.substr(at, static_cast<std::size_t>(e.RemovedLength));
      newLine.append(line.substr(kept, at - kept));
      newLine.append(e.Inserted);
      kept = at + removed.size();
      const std::int64_t newAt = e.At + delta;
      // A span like the one before (a literal replaced) keeps no lengths and no bytes.
      const bool repeat = !layout.empty() && e.Inserted.size() == prevInserted && removed == prevRemoved;
      PutVarint(layout, static_cast<std::uint64_t>(newAt - prevNewEnd) << 1 | (repeat ? 1 : 0));
      if (!repeat) {
        PutVarint(layout, e.Inserted.size());
        PutVarint(layout, removed.size());
        removedBytes += removed;
        prevInserted = e.Inserted.size();
        prevRemoved.assign(removed);
      }
      const auto ins = static_cast<std::int64_t>(e.Inserted.size());
      prevNewEnd = newAt + ins;
      insertedTotal += ins;
      delta += ins - e.RemovedLength;
    }
    newLine.append(line.substr(kept));
    lineStart = nextLine;
    // A final line without a break may not be left empty.
    if (newLine.empty() && endAttribute != raBreak) return ReplaceSpansAsRange(spans);
    if (!wordWrap_) {
      const RowRead& r = lineRows.front();
      builder.Add(newLine, endAttr, r.extra, r.carry, r.tag);
      continue;
    }
    marks.clear();
    for (const RowRead& r : lineRows) marks.push_back(rowbits::MarksOf(r.extra));
    folded.clear();
    folder->Start(newLine);
    for (FoldedRow row; folder->Next(row);) folded.push_back(row);
    if (folded.empty()) folded.push_back({0, 0, false});
    // New row i keeps old row i's marks; the surplus rows' go to the last.
    const std::size_t k = folded.size();
    for (std::size_t j = 0; j < k; ++j) {
      std::uint16_t m = j < marks.size() ? marks[j] : 0;
      if (j + 1 == k)
        for (std::size_t x = k; x < marks.size(); ++x) m |= marks[x];
      const FoldedRow& row = folded[j];
      builder.Add(std::string_view(newLine).substr(row.begin, row.end - row.begin),
                  j + 1 < k ? static_cast<std::uint32_t>(raFolded) : static_cast<std::uint32_t>(endAttribute),
                  static_cast<std::uint32_t>(m) << rowbits::kRowMarksShift);
    }
  }

  // Pass two: the rows go in at once, as one undo step.
  const TScopedUpdate hold(*this);
  const TTextEditorView* active = ActiveView();
  TUndoData& rec = undo_.NewRecord(active ? active->CaretRow() : 0, active ? active->CaretCol() : 0);
  rec.StartRow = firstRow;
  rec.Offset = spans.front().At;
  rec.InsertedLength = insertedTotal;
  rec.RemovedText = std::move(removedBytes);
  rec.RemovedText.shrink_to_fit();
  rec.Spans = std::move(layout);
  rec.Spans.shrink_to_fit();
  const int removedRows = lastRow - firstRow;
  const auto insertedRows = static_cast<int>(builder.Rows());
  Changing();
  MutableRows().ReplaceRows(static_cast<std::size_t>(firstRow), static_cast<std::size_t>(removedRows),
                            builder.Finish());
  // Rows after the first changed one may hold states parsed from the old text.
  MutableRows().MarkUnparsedFrom(static_cast<std::size_t>(firstRow) + 1);
  Changed();
  const int reparsed = ReparseAfterEdit(firstRow);
  RecordChange(firstRow, removedRows, reparsed, insertedRows, {});
}

bool TTextEditorScreenStrings::Undo() { return ApplyRecord(true); }
bool TTextEditorScreenStrings::Redo() { return ApplyRecord(false); }

bool TTextEditorScreenStrings::ApplyRecord(bool undo) {
  std::deque<TUndoData>& from = undo ? undo_.UndoList() : undo_.RedoList();
  if (from.empty()) return false;
  // A copy: the inverse step is recorded before the caret is put back.
  const TUndoData rec = std::move(from.back());
  from.pop_back();
  TTextEditorView* active = ActiveView();
  if (active) active->DropSelection();
  {
    const TScopedUpdate hold(*this);
    const std::uint64_t before = undo_.Recorded();
    undo_.SetUndoing(true);
    if (!rec.Spans.empty()) {
      // Each span's inserted bytes go back to its removed ones.
      std::vector<TSpanEdit> spans;
      std::size_t at = 0, removedAt = 0;
      std::int64_t end = 0, inserted = 0;
      std::string_view bytes;  // removed bytes of the span before, for a repeat
      while (at < rec.Spans.size()) {
        const std::uint64_t head = GetVarint(rec.Spans, at);
        const auto gap = static_cast<std::int64_t>(head >> 1);
        if (!(head & 1) || spans.empty()) {
          inserted = static_cast<std::int64_t>(GetVarint(rec.Spans, at));
          const auto removed = static_cast<std::size_t>(GetVarint(rec.Spans, at));
          bytes = std::string_view(rec.RemovedText).substr(removedAt, removed);
          removedAt += removed;
        }
        spans.push_back({end + gap, inserted, bytes});
        end += gap + inserted;
      }
      ReplaceSpans(spans);
    } else {
      Splice({rec.Offset, rec.InsertedLength, rec.RemovedText});
    }
    if (undo_.Recorded() == before) {
      // A step that changed nothing (ReplaceRows ignores an empty insertion):
      // its inverse changes nothing either.
      TUndoData& same =
          undo_.NewRecord(active ? active->CaretRow() : 0, active ? active->CaretCol() : 0);
      same.StartRow = rec.StartRow;
      same.Offset = rec.Offset;
    }
    undo_.SetUndoing(false);
    if (undo) {
      // The inverse belongs to RedoList; recording it with Undoing set kept RedoList.
      undo_.RedoList().push_back(std::move(undo_.UndoList().back()));
      undo_.UndoList().pop_back();
    }
  }
  if (active) active->SetCaretRowCol(rec.CaretRow, rec.CaretCol);
  return true;
}

namespace {
constexpr int kRowByRowPutLimit = 8;
}  // namespace

void TTextEditorScreenStrings::PutRows(int row, int n, const TTextEditorStringList& list,
                                       bool textInsertedBefore) {
  if (row < 0 || n < 0 || row + n > Count()) throw EListError();
  const int k = list.Count();
  std::vector<std::uint16_t> marks(static_cast<std::size_t>(k), 0);
  const TScopedUpdate hold(*this);
  if (k < n) {
    const std::uint16_t gone = DeleteRows(row, n - k);
    for (int i = 0; i < k; ++i) marks[i] = RowMarks(row + i);
    if (k > 0) marks[0] |= gone;
    n = k;
  } else if (k > n) {
    if (n > 0) {
      for (int j = 1; j < n; ++j) marks[j + k - n] = RowMarks(row + j);
      marks[textInsertedBefore ? k - n : 0] |= RowMarks(row);
    }
  } else {
    for (int i = 0; i < k; ++i) marks[i] = RowMarks(row + i);
  }

  RowStore& rows = MutableRows();
  const RowStore& src = list.Rows();
  const auto at = static_cast<std::size_t>(row);
  // Row by row for the few rows of a keystroke; a longer run (a refold that
  // moved every fold after an edit) is spliced in whole blocks, since each
  // single-row change recounts its block.
  if (k == n && k <= kRowByRowPutLimit) {
    for (std::size_t i = 0; i < static_cast<std::size_t>(k); ++i) {
      rows.SetText(at + i, src.Text(i));
      rows.SetAttr(at + i, src.Attr(i));
      rows.SetExtra(at + i, src.Extra(i));
      rows.SetCarry(at + i, src.Carry(i));
      rows.SetTag(at + i, src.Tag(i));
    }
  } else {
    rows.Erase(at, static_cast<std::size_t>(n));
    rows.Insert(at, src, 0, static_cast<std::size_t>(k));
  }
  for (int i = 0; i < k; ++i) {
    const std::size_t r = at + static_cast<std::size_t>(i);
    rows.SetExtra(r, (rows.Extra(r) & ~rowbits::kExtraKeptBits) |
                         static_cast<std::uint32_t>(marks[i]) << rowbits::kRowMarksShift);
  }
}

std::uint16_t TTextEditorScreenStrings::DeleteRows(int row, int count) {
  if (row < 0 || count <= 0 || row + count > Count()) return 0;
  std::uint16_t marks = 0;
  for (int r = row; r < row + count; ++r) marks |= RowMarks(r);
  Changing();
  MutableRows().Erase(static_cast<std::size_t>(row), static_cast<std::size_t>(count));
  Changed();
  return marks;
}

// ---- parser state ----

std::unique_ptr<TRowParser> TTextEditorScreenStrings::CreateParser() const {
  std::unique_ptr<TRowParser> p;
  if (!views_.empty()) p = views_.front()->CreateRowParser();
  if (!p) p = std::make_unique<PassThroughParser>();
  return p;
}

int TTextEditorScreenStrings::ReparseLimit(int row) const {
  const int screen = views_.empty() ? 0 : views_.front()->ScreenRows();
  return std::min(row + 2 * screen, Count() - 1);
}

int TTextEditorScreenStrings::ReparseAfterEdit(int row) {
  // An edit inside the unparsed tail leaves nothing parsed to keep consistent:
  // the rows from the edit on are unparsed too, and painting parses them when
  // they come into view. Parsing the untouched rows before the edit now would
  // make the first keystroke at the end of a large, unviewed text parse it all.
  if (row > 0 && static_cast<std::size_t>(row - 1) >= Rows().UnparsedFrom()) return 0;
  return ReparseFrom(row, true);
}

int TTextEditorScreenStrings::ReparseFrom(int row, bool notify) {
  auto parser = CreateParser();
  const int unparsedFrom = static_cast<int>(std::min<std::size_t>(Rows().UnparsedFrom(), Count()));
  TRowAttributeData state;
  int r = 0;
  int p = std::min(row, Count()) - 1;
  while (p >= 0) {
    if (p >= unparsedFrom) p = unparsedFrom - 1;  // the unparsed tail, at once
    else if (OpenBracket(p) == -2) --p;
    else break;
  }
  if (p >= 0) {
    state = LoadRowData(p);
    parser->ParseRow(p, *this, state);
    r = p + 1;
  }
  const int limit = ReparseLimit(row);
  int changed = 0;
  bool agreed = false;
  for (; r <= limit; ++r) {
    if (SameStoredState(LoadRowData(r), state)) {
      agreed = true;
      break;
    }
    state.RowAttribute = RowAttribute(r);
    StoreRowData(r, state);
    if (notify) {
      ++changed;
      for (TTextEditorView* v : views_) v->InvalidateRow(r);
    }
    parser->ParseRow(r, *this, state);
    state.PrevRowAttribute = RowAttribute(r);
  }
  if (!agreed) MutableRows().MarkUnparsedFrom(static_cast<std::size_t>(std::max(limit + 1, 0)));
  return changed;
}

void TTextEditorScreenStrings::ReparseAll() {
  if (!views_.empty() && views_.front()->IsLoadingOrDestroying()) return;
  MutableRows().MarkUnparsedFrom(0);
  int limit = Count() - 1;
  if (!views_.empty() && !views_.front()->InitBracketsFull()) {
    const TTextEditorView* v = views_.front();
    limit = std::min(limit, v->TopRow() + 2 * v->ScreenRows());
  } else if (views_.empty()) {
    limit = std::min(limit, 0);
  }
  auto parser = CreateParser();
  TRowAttributeData state;
  for (int r = 0; r <= limit; ++r) {
    state.RowAttribute = RowAttribute(r);
    StoreRowData(r, state);
    parser->ParseRow(r, *this, state);
    state.PrevRowAttribute = RowAttribute(r);
  }
}

// ---- change report ----

void TTextEditorScreenStrings::RecordChange(int row, int removed, int reparsed, int inserted,
                                            TTextEdit edit) {
  lastChange_ = TLastChange{row, removed, inserted, reparsed, true, std::move(edit)};
}

void TTextEditorScreenStrings::Changed() {
  if (UpdateCount() != 0 || rewrapping_) return;
  TTextEditorStringList::Changed();
  const TLastChange change = lastChange_;
  for (TTextEditorView* v : views_) v->TextChanged(change);
  lastChange_ = {};
  const int maxRow = MaxCaretRow();
  for (TTextEditorView* v : views_) v->PullInsideRows(maxRow);
}

void TTextEditorScreenStrings::Clear() {
  const TScopedUpdate hold(*this);
  for (TTextEditorView* v : views_) v->DropSelection();
  undo_.Clear();
  TTextEditorStringList::Clear();
  lastChange_ = {};
  for (TTextEditorView* v : views_) v->SetCaretRowCol(0, 0);
}

void TTextEditorScreenStrings::SetAllRows(RowStore rows) {
  const TScopedUpdate hold(*this);
  Clear();
  SetRows(std::move(rows));
  if (wordWrap_) WrapAll();
  ReparseAll();
}

// ---- logical lines and offsets ----

int TTextEditorScreenStrings::LineCount() const {
  const int ends = static_cast<int>(Rows().LineEnds());
  return Count() > 0 && RowAttribute(Count() - 1) == raFolded ? ends + 1 : ends;
}

int TTextEditorScreenStrings::LineToRow(int line) const {
  if (line <= 0) return 0;
  const std::size_t end = Rows().RowOfLineEnd(static_cast<std::size_t>(line - 1));
  return end >= Rows().Count() ? Count() : static_cast<int>(end) + 1;
}

int TTextEditorScreenStrings::RowToLine(int row) const {
  if (row <= 0) return 0;
  return static_cast<int>(Rows().LineEndsBefore(static_cast<std::size_t>(row)));
}

std::int64_t TTextEditorScreenStrings::TextLength() const {
  return static_cast<std::int64_t>(Rows().Bytes() + 2 * Rows().Breaks());
}

Offset TTextEditorScreenStrings::RowByteToOffset(Row row, ByteCol byte) const {
  row = std::clamp(row, 0, Count());
  return static_cast<Offset>(Rows().OffsetOfRow(static_cast<std::size_t>(row))) + std::max(byte, 0);
}

std::pair<int, int> TTextEditorScreenStrings::OffsetToRowCol(std::int64_t offset) const {
  const auto [r, c] = Rows().RowAtOffset(static_cast<std::size_t>(std::max<std::int64_t>(offset, 0)));
  return {static_cast<int>(r), static_cast<int>(c)};
}

std::pair<int, int> TTextEditorScreenStrings::OffsetToRowColFrom(int row, std::int64_t n) const {
  return OffsetToRowCol(RowByteToOffset(row, 0) + std::max<std::int64_t>(n, 0));
}

int TTextEditorScreenStrings::MaxCaretRow() const {
  const int n = Count();
  return n > 0 && RowAttribute(n - 1) == raLast ? n - 1 : n;
}

// ---- editor-level queries ----

std::string TTextEditorScreenStrings::RowTextAt(int i) const {
  return i >= 0 && i < Count() ? Get(i) : std::string();
}

TRowAttribute TTextEditorScreenStrings::RowAttributeAt(int i) const {
  return i >= 0 && i < Count() ? RowAttribute(i) : raLast;
}

std::uint16_t TTextEditorScreenStrings::RowMarksAt(int i) const {
  return i >= 0 && i < Count() ? RowMarks(i) : 0;
}

void TTextEditorScreenStrings::WriteText(LineEnd lineEnd,
                                         const std::function<void(std::string_view)>& sink) const {
  constexpr std::size_t kPiece = 1 << 20;
  const std::string_view brk = lineEnd == LineEnd::CrLf ? "\r\n" : lineEnd == LineEnd::Lf ? "\n" : "\r";
  std::string buf;
  buf.reserve(kPiece + 4096);
  // Block by block: no row is looked up.
  const RowStore& rows = Rows();
  for (std::size_t b = 0; b < rows.BlockCount(); ++b) {
    const RowBlock& blk = rows.Block(b);
    for (std::size_t k = 0; k < blk.Rows(); ++k) {
      const std::string_view t = blk.Text(k);
      if (t.size() >= kPiece) {
        sink(buf);
        buf.clear();
        sink(t);
      } else {
        buf += t;
      }
      if (rowbits::AttributeOf(blk.attr[k]) == raBreak) buf += brk;
      if (buf.size() >= kPiece) {
        sink(buf);
        buf.clear();
      }
    }
  }
  if (!buf.empty()) sink(buf);
}

void TTextEditorScreenStrings::SaveToFile(const std::string& path, const TextFormat& format) {
  SaveRows(MutableRows(), path, format);
}

void TTextEditorScreenStrings::CheckInvariants() const {
  const auto require = [](bool ok, const char* what) {
    if (!ok) throw std::logic_error(std::string("text invariant broken: ") + what);
  };
  TTextEditorStringList::CheckInvariants();
  const int n = Count();
  for (int r = 0; r + 1 < n; ++r) require(RowAttribute(r) != raLast, "raLast before the final row");
  require(wordWrap_ || static_cast<int>(Rows().LineEnds()) == n, "raFolded with word wrap off");
  require(MaxCaretRow() <= n, "caret row bound");
  if (!wordWrap_) return;
  TTextEditorStringList fold;
  for (int first = 0; first < n;) {
    const int last = LineLastRow(first);
    std::string line;
    for (int r = first; r <= last; ++r) line += RowView(r);
    WrapText(line, fold);
    require(fold.Count() == last - first + 1, "a line holds other rows than a fresh fold");
    for (int i = 0; i < fold.Count(); ++i)
      require(fold.RowView(i) == RowView(first + i), "a line folds otherwise than a fresh fold");
    first = last + 1;
  }
}

std::string TTextEditorScreenStrings::GetTextStr() const {
  std::string s;
  s.reserve(static_cast<std::size_t>(TextLength()));
  WriteText(LineEnd::CrLf, [&s](std::string_view piece) { s += piece; });
  return s;
}

}  // namespace tamber
