// Word wrap of the shared text: switching it, rewrapping every row, and the
// rows a text makes.
#include <optional>
#include <vector>

#include "base/notify.h"
#include "editor/refolder.h"
#include "editor/screen_strings.h"

namespace tamber {

TTextEditorScreenStrings::TTextEditorScreenStrings() {
  wrapOption_.SetOnChange([this](TObject&) {
    if (wordWrap_) Rewrap(true);
  });
}

ColumnRules TTextEditorScreenStrings::CurrentColumnRules() const {
  ColumnRules r;
  r.tabSpaceCount = tabSpaceCount_;
  r.wordWrap = wordWrap_;
  r.wrapByte = wrapOption_.WrapByte();
  r.delimiters = &delimiters_;
  return r;
}

FoldRules TTextEditorScreenStrings::CurrentFoldRules() const {
  return MakeFoldRules(wrapOption_, tabSpaceCount_, delimiters_);
}

void TTextEditorScreenStrings::WrapText(std::string_view text, TTextEditorStringList& list) const {
  list.Clear();
  TRefolder refolder(wordWrap_ ? std::optional<FoldRules>(CurrentFoldRules()) : std::nullopt);
  refolder.Run(text, [](std::size_t, std::string_view&, bool&) { return false; },
               [&list](std::string_view t, bool folded) {
                 list.SetRowAttribute(list.Add(t), folded ? raFolded : raBreak);
               });
}

int TTextEditorScreenStrings::WrappedRowCount(std::string_view line) const {
  if (!wordWrap_) return 1;
  return static_cast<int>(tamber::WrappedRowCount(line, CurrentFoldRules()));
}

void TTextEditorScreenStrings::SetWordWrap(bool on) {
  if (on == wordWrap_) return;
  if (!views_.empty() && views_.front()->IsLoadingOrDestroying()) {
    wordWrap_ = on;  // the text is folded when the form has been read
    return;
  }
  wordWrap_ = on;
  Rewrap(on);
}

// What follows a switch or a wrap setting change: row indices change, so the
// undo history (which refers to rows) goes.
void TTextEditorScreenStrings::Rewrap(bool on) {
  if (!views_.empty() && views_.front()->IsLoadingOrDestroying()) return;
  ClearUndo();
  if (on) WrapAll();
  else UnwrapAll();
  ReparseAll();
  const int maxRow = MaxCaretRow();
  for (TTextEditorView* v : views_) {
    v->Relayout();
    v->PullInsideRows(maxRow);
    v->SetCaretRowCol(v->CaretRow(), 0);
  }
}

namespace {

std::uint32_t ExtraWithMarks(std::uint16_t marks) {
  return static_cast<std::uint32_t>(marks) << rowbits::kRowMarksShift;
}

}  // namespace

// Builds every row anew aside and puts them in at once, with the rows' change
// notification held back (the caller relayouts the views).
void TTextEditorScreenStrings::WrapAll() {
  if (Count() == 0 || (!views_.empty() && views_.front()->IsLoadingOrDestroying())) return;
  for (TTextEditorView* v : views_) v->DropSelection();
  const FoldRules rules = CurrentFoldRules();
  const auto w = static_cast<std::size_t>(rules.columns.wrapByte);
  const ColumnRules columns = CurrentColumnRules();
  TLineFolder folder(rules);
  const RowStore& old = Rows();
  const std::size_t n = old.Count();
  const TRowAttribute lastAttribute = rowbits::AttributeOf(old.Attr(n - 1));
  RowBlockBuilder builder;
  std::string line;
  std::vector<std::uint16_t> marks;  // of the line's old rows
  std::vector<FoldedRow> folded;
  for (std::size_t r = 0; r < n;) {
    // One logical line: rows r..e.
    std::size_t e = r;
    while (e + 1 < n && rowbits::AttributeOf(old.Attr(e)) == raFolded) ++e;
    std::uint16_t all = 0;
    marks.clear();
    for (std::size_t k = r; k <= e; ++k) {
      marks.push_back(rowbits::MarksOf(old.Extra(k)));
      all |= marks.back();
    }
    std::string_view text = old.Text(r);
    if (e > r) {
      line.clear();
      for (std::size_t k = r; k <= e; ++k) line += old.Text(k);
      text = line;
    }
    if (text.size() < w && DisplayWidth(text, columns) < w) {
      builder.Add(text, raBreak, ExtraWithMarks(all));
    } else {
      folded.clear();
      folder.Start(text);
      for (FoldedRow row; folder.Next(row);) folded.push_back(row);
      // New row i keeps old row i's marks; fewer rows than before take the
      // surplus rows' marks on the line's last row.
      const std::size_t k = folded.size();
      for (std::size_t i = 0; i < k; ++i) {
        std::uint16_t m = i < marks.size() ? marks[i] : 0;
        if (i + 1 == k)
          for (std::size_t j = k; j < marks.size(); ++j) m |= marks[j];
        const FoldedRow& row = folded[i];
        builder.Add(text.substr(row.begin, row.end - row.begin), row.folded ? raFolded : raBreak,
                    ExtraWithMarks(m));
      }
    }
    r = e + 1;
  }
  builder.SetLastAttr(lastAttribute);
  rewrapping_ = true;
  {
    const TScopedUpdate hold(*this);
    SetRows(RowStore(builder.Finish()));
  }
  rewrapping_ = false;
}

void TTextEditorScreenStrings::UnwrapAll() {
  if (Count() == 0) return;
  for (TTextEditorView* v : views_) v->DropSelection();
  const RowStore& old = Rows();
  const std::size_t n = old.Count();
  const TRowAttribute lastOld = rowbits::AttributeOf(old.Attr(n - 1));
  const TRowAttribute keep = lastOld == raFolded ? raLast : lastOld;
  RowBlockBuilder builder;
  std::string line;
  for (std::size_t r = 0; r < n;) {
    std::size_t e = r;
    std::uint16_t all = rowbits::MarksOf(old.Extra(r));
    while (e + 1 < n && rowbits::AttributeOf(old.Attr(e)) == raFolded) {
      ++e;
      all |= rowbits::MarksOf(old.Extra(e));
    }
    std::string_view text = old.Text(r);
    if (e > r) {
      line.clear();
      for (std::size_t k = r; k <= e; ++k) line += old.Text(k);
      text = line;
    }
    builder.Add(text, raBreak, ExtraWithMarks(all));
    r = e + 1;
  }
  builder.SetLastAttr(keep);
  rewrapping_ = true;
  {
    const TScopedUpdate hold(*this);
    SetRows(RowStore(builder.Finish()));
  }
  rewrapping_ = false;
}

}  // namespace tamber
