#include "view/editor_search.h"

#include <algorithm>
#include <limits>

#include "editor/screen_strings.h"
#include "view/furniture.h"
#include "view/text_editor.h"

namespace tamber {

TEditorSearch::TEditorSearch(TTextEditor& editor, TTextEditorFurniture& furniture)
    : editor_(editor), furniture_(furniture) {
  matcher_.SetLineSeparator(mcls_CRLF);
}

const std::string& TEditorSearch::FindString() const { return furniture_.FindString(); }

void TEditorSearch::SetFindString(std::string_view s) {
  if (s != furniture_.FindString()) furniture_.SetFindString(s);
}

TFxSearchOptions TEditorSearch::FxSearchOptions() const { return furniture_.FxSearchOptions(); }

void TEditorSearch::SetFxSearchOptions(TFxSearchOptions value) {
  const TFxSearchOptions v = NormalizeSearchOptions(value);
  if (v == furniture_.FxSearchOptions()) return;
  matcher_.SetUseFuzzyCharDic((v & soFuzzy) != 0);
  furniture_.SetFxSearchOptions(v);
}

std::string TEditorSearch::LogicalLineText(int row) const {
  const TTextEditorScreenStrings& text = editor_.Text();
  if (row < 0 || row >= text.Count()) return {};
  TJoinedRows joined = text.JoinRows(text.LineFirstRow(row), -1);
  if (joined.LastAttribute == raBreak) joined.Text.resize(joined.Text.size() - 2);
  return std::move(joined.Text);
}

std::size_t TEditorSearch::FindInLine(int row) {
  matchList_.clear();
  const TTextEditorScreenStrings& text = editor_.Text();
  if (row < 0 || row >= text.Count()) return 0;
  const bool last = text.RowAttributeAt(text.LineLastRow(row)) != raBreak;
  return tamber::FindInLine(matcher_, LogicalLineText(row), last, FindString(), FxSearchOptions(), matchList_);
}

std::size_t TEditorSearch::SearchLimit() const {
  return editor_.Text().WordWrap() ? std::numeric_limits<std::size_t>::max() : kNoWrapSearchLimit;
}

std::int64_t TEditorSearch::CaretOffset() const {
  const TTextEditorScreenStrings& text = editor_.Text();
  const int row = editor_.Row();
  if (row >= text.Count()) return text.TextLength();
  const int byte = std::min(editor_.ColToByte(row, editor_.Col()), static_cast<int>(text.RowView(row).size()));
  return text.RowByteToOffset(row, byte);
}

namespace {

// Rows first.. joined as the text holds them (CR LF after each break) until
// at least piece bytes and a line end; returns the row after the last taken.
int GatherRows(const TTextEditorScreenStrings& text, int first, std::size_t piece, std::string& out) {
  out.clear();
  const int count = text.Count();
  int r = first;
  while (r < count) {
    out.append(text.RowView(r));
    const TRowAttribute a = text.RowAttribute(r);
    ++r;
    if (a == raBreak) {
      out.append("\r\n");
      if (out.size() >= piece) break;
    }
  }
  return r;
}

// A hit never splits a CR LF: one that takes the LF takes the CR with it,
// one that ends after the CR leaves it out (a lone CR stands for the break).
void WholeBreaks(std::string_view text, TTextHit& hit) {
  if (hit.offset > 0 && hit.offset < text.size() && text[hit.offset] == '\n' && text[hit.offset - 1] == '\r') {
    --hit.offset;
    ++hit.length;
  }
  const std::size_t end = hit.offset + hit.length;
  if (end > 0 && end < text.size() && text[end - 1] == '\r' && text[end] == '\n') {
    if (hit.length > 1) {
      --hit.length;
    } else {
      ++hit.length;
    }
  }
}

}  // namespace

bool TEditorSearch::SearchNext() {
  const TTextEditorScreenStrings& text = editor_.Text();
  if (text.Count() == 0) return false;
  std::int64_t from = CaretOffset();
  if (editor_.HitStyle() == hsCaret && editor_.SelectionState() == sstHit) from += editor_.HitLength();
  const int caretRow = std::min(editor_.Row(), text.Count() - 1);
  int first = text.LineFirstRow(caretRow);
  std::int64_t base = text.RowByteToOffset(first, 0);
  std::string piece;
  TTextHit hit;
  while (first < text.Count()) {
    const int next = GatherRows(text, first, kSearchPiece, piece);
    const auto at = static_cast<std::size_t>(std::max<std::int64_t>(from - base, 0));
    if (at <= piece.size() &&
        FindNextInText(matcher_, piece, at, FindString(), FxSearchOptions(), SearchLimit(), &hit)) {
      WholeBreaks(piece, hit);
      ShowMatch(base + static_cast<std::int64_t>(hit.offset), static_cast<std::int64_t>(hit.length), false);
      return true;
    }
    base += static_cast<std::int64_t>(piece.size());
    first = next;
  }
  return false;
}

bool TEditorSearch::SearchPrev() {
  const TTextEditorScreenStrings& text = editor_.Text();
  if (text.Count() == 0) return false;
  std::int64_t from = CaretOffset();
  int end = text.LineLastRow(std::min(editor_.Row(), text.Count() - 1)) + 1;  // rows [start, end) searched
  std::string piece;
  TTextHit hit;
  while (end > 0) {
    // Back by about a piece to the start of a line.
    int start = end;
    std::size_t bytes = 0;
    while (start > 0 && bytes < kSearchPiece) {
      --start;
      bytes += text.RowView(start).size() + 2;
    }
    if (start > 0) start = text.LineFirstRow(start);
    const std::int64_t base = text.RowByteToOffset(start, 0);
    piece.clear();
    for (int r = start; r < end; ++r) {
      piece.append(text.RowView(r));
      if (text.RowAttribute(r) == raBreak) piece.append("\r\n");
    }
    const auto at = static_cast<std::size_t>(std::clamp<std::int64_t>(from - base, 0, static_cast<std::int64_t>(piece.size())));
    if (FindPrevInText(matcher_, piece, at, FindString(), FxSearchOptions(), SearchLimit(), &hit)) {
      WholeBreaks(piece, hit);
      ShowMatch(base + static_cast<std::int64_t>(hit.offset), static_cast<std::int64_t>(hit.length), true);
      return true;
    }
    // The earlier piece is searched from its end: every match of its last
    // line that starts within the line and its break counts.
    from = base;
    end = start;
  }
  return false;
}

void TEditorSearch::ShowMatch(std::int64_t offset, std::int64_t length, bool backward) {
  TTextEditorScreenStrings& text = editor_.Text();
  const TCaretUpdate hold(editor_);
  editor_.CleanSelection();
  auto caretTo = [&](std::int64_t o) {
    const auto [r, b] = text.OffsetToRowCol(o);
    editor_.SetRowCol(r, editor_.ByteToCol(r, b));
  };
  if (backward && editor_.HitStyle() == hsSelect) {
    // Selected from the end back to the start, the caret at the start.
    editor_.SetSelStart(offset + length);
    editor_.StartSelection();
    caretTo(offset);
    editor_.UpdateSelection();
  } else {
    editor_.SetSelStart(offset);
    editor_.ShowHit(static_cast<int>(length));
    if (backward && editor_.HitStyle() == hsDraw) caretTo(offset);
  }
}

bool TEditorSearch::SelectionIsMatch() {
  if (editor_.SelectionState() != sstSelected && editor_.SelectionState() != sstHit) return false;
  if (editor_.SelectionMode() == smBox) return false;
  const TTextEditorScreenStrings& text = editor_.Text();
  const int top = editor_.SelTopRow();
  const int first = text.LineFirstRow(top);
  const std::int64_t lineStart = text.RowByteToOffset(first, 0);
  const std::int64_t start = text.RowByteToOffset(top, editor_.SelStartByte());
  const std::int64_t end = text.RowByteToOffset(editor_.SelBottomRow(), editor_.SelEndByte());
  FindInLine(top);
  for (const TSearchInfo& m : matchList_) {
    if (static_cast<std::int64_t>(m.MatchPos) - 1 == start - lineStart &&
        static_cast<std::int64_t>(m.MatchLen) == end - start)
      return true;
  }
  return false;
}

bool TEditorSearch::ReplaceSelection(std::string_view s) {
  if (editor_.ReadOnly()) return false;
  if (editor_.SelectionState() == sstHit) editor_.HitToSelection();
  if (!editor_.Selected()) return false;
  editor_.SetSelTextBuf(s);
  return true;
}

std::size_t TEditorSearch::ReplaceInLine(TReplaceInfo& info) {
  const TTextEditorScreenStrings& text = editor_.Text();
  info.NewText.clear();
  info.JoinsNext = false;
  if (info.Row < 0 || info.Row >= text.Count()) return 0;
  const bool last = text.RowAttributeAt(text.LineLastRow(info.Row)) != raBreak;
  const std::string line = LogicalLineText(info.Row);
  TLineReplacement r = tamber::ReplaceInLine(matcher_, line, last, FindString(), FxSearchOptions(), info.Replacement);
  FindInLine(info.Row);  // MatchList tells the line searched last
  info.NewText = std::move(r.NewText);
  info.JoinsNext = r.JoinsNext;
  return r.count;
}

std::size_t TEditorSearch::ReplaceAll(std::string_view replacement, bool bulk, const TReplaceProgress& progress) {
  cancelled_ = false;
  if (editor_.ReadOnly()) return 0;
  TTextEditorScreenStrings& text = editor_.Text();
  if (text.Count() == 0) return 0;
  const std::string old = text.GetTextStr();
  TTextReplacement r = FindReplacements(matcher_, old, FindString(), FxSearchOptions(), replacement, progress);
  if (r.cancelled) {
    cancelled_ = true;
    return 0;
  }
  if (r.count == 0) return 0;

  if (r.joinedBreaks.empty() && replacement.find_first_of("\r\n") == std::string_view::npos) {
    // No line comes or goes: the matches are replaced in place in one pass,
    // marks stay on their rows, and the undo step keeps only what went.
    std::vector<TSpanEdit> spans;
    spans.reserve(r.matches.size());
    for (const auto& [a, b] : r.matches)
      spans.push_back({static_cast<std::int64_t>(a), static_cast<std::int64_t>(b - a), replacement});
    {
      const TScopedUpdate holdText(text);
      const TCaretUpdate hold(editor_);
      editor_.CleanSelection();
      text.ReplaceSpans(spans);
      const std::int64_t caret = bulk ? text.TextLength() : static_cast<std::int64_t>(r.lastEnd);
      const auto [row, byte] = text.OffsetToRowCol(caret);
      editor_.SetRowCol(row, editor_.ByteToCol(row, byte));
    }
    editor_.SetModified(true);
    return r.count;
  }

  // The marks by logical line, so they can be put back on the same lines
  // when joins or refolding move rows.
  struct LineMarks {
    int line;
    std::uint16_t marks;
  };
  std::vector<LineMarks> marks;
  const bool moveMarks = text.UsedMarks() != 0 && (!r.joinedBreaks.empty() || text.WordWrap());
  if (moveMarks) {
    for (int row = 0; row < text.Count(); ++row) {
      if (const std::uint16_t m = text.RowMarks(row)) marks.push_back({text.RowToLine(row), m});
    }
  }

  r.text = ApplyReplacements(old, r.matches, replacement);
  {
    const TScopedUpdate holdText(text);
    const TCaretUpdate hold(editor_);
    editor_.CleanSelection();
    text.ReplaceRows(0, text.Count(), r.text);
    if (moveMarks) {
      for (int row = 0; row < text.Count(); ++row) {
        if (text.RowMarks(row)) text.SetRowMarks(row, 0);
      }
      // A mark moves up one line for each joined break that ends a line above it.
      std::vector<std::size_t> breakLines;  // the old line each joined break ends
      breakLines.reserve(r.joinedBreaks.size());
      {
        std::size_t line = 0, at = 0;
        for (const std::size_t pos : r.joinedBreaks) {
          line += static_cast<std::size_t>(
              std::count(old.begin() + static_cast<std::ptrdiff_t>(at),
                         old.begin() + static_cast<std::ptrdiff_t>(pos), '\n'));
          at = pos;
          breakLines.push_back(line);
        }
      }
      for (const LineMarks& m : marks) {
        const auto shift = static_cast<int>(std::lower_bound(breakLines.begin(), breakLines.end(),
                                                             static_cast<std::size_t>(m.line)) -
                                            breakLines.begin());
        const int row = std::min(text.LineToRow(m.line - shift), text.Count() - 1);
        if (row >= 0) text.SetRowMarks(row, text.RowMarks(row) | m.marks);
      }
    }
    const std::int64_t caret = bulk ? text.TextLength() : static_cast<std::int64_t>(r.lastEnd);
    const auto [row, byte] = text.OffsetToRowCol(caret);
    editor_.SetRowCol(row, editor_.ByteToCol(row, byte));
  }
  editor_.SetModified(true);
  return r.count;
}

}  // namespace tamber
