// TTextEditorFx: the editor control the program builds on (document
// windows, commands, search, macros and scripts). A TOleddEditor whose
// selection drags use system drag and drop, with the quoting commands, the
// line numbers of the selection, the caret's logical column and the search
// state (FindString, FxSearchOptions) the find marks are drawn from.
#pragma once

#include <functional>

#include "view/editor_search.h"
#include "view/ui/oledd_editor.h"

namespace tamber {

class TTextEditorFx : public TOleddEditor {
  Q_OBJECT

 public:
  explicit TTextEditorFx(QWidget* parent = nullptr);
  ~TTextEditorFx() override;

  // ---- search (see TEditorSearch) ----
  const std::string& FindString() const { return search_.FindString(); }
  void SetFindString(std::string_view s) { search_.SetFindString(s); }
  TFxSearchOptions FxSearchOptions() const { return search_.FxSearchOptions(); }
  void SetFxSearchOptions(TFxSearchOptions o) { search_.SetFxSearchOptions(o); }
  TEditorSearch& Search() { return search_; }
  std::size_t FindInLine(int row) { return search_.FindInLine(row); }
  const std::vector<TSearchInfo>& MatchList() const { return search_.MatchList(); }
  std::string LogicalLineText(int row) const { return search_.LogicalLineText(row); }
  bool SearchNext() { return search_.SearchNext(); }
  bool SearchPrev() { return search_.SearchPrev(); }
  bool ReplaceSelection(std::string_view s) { return search_.ReplaceSelection(s); }
  std::size_t ReplaceAll(std::string_view replacement, bool bulk, const TReplaceProgress& progress = nullptr) {
    return search_.ReplaceAll(replacement, bulk, progress);
  }

  // ---- line commands ----
  // ">" before each line of the selection (see TTextEditor::QuoteLines); a beep in box mode.
  void QuoteLines();
  void UnquoteLines();
  int SelFirstLine() const { return Editor().SelFirstLine(); }
  int SelLastLine() const { return Editor().SelLastLine(); }
  int LogicalColumn(int row, int col) const { return Editor().LogicalColumn(row, col); }

  // ---- events (after the control's own handling) ----
  std::function<void(TTextEditorFx&)> OnChange;
  std::function<void(TTextEditorFx&)> OnCaretMoved;
  std::function<void(TTextEditorFx&, bool selected)> OnSelectionChange;
  std::function<void(TTextEditorFx&)> OnSelectionModeChange;
  std::function<void(TTextEditorFx&)> OnTopRowChange;
  std::function<void(TTextEditorFx&)> OnTopColChange;

  TTextEditor& Editor() { return TEditorWidget::Editor(); }
  const TTextEditor& Editor() const { return const_cast<TTextEditorFx*>(this)->TEditorWidget::Editor(); }
  TTextEditorFurniture& Furniture() { return TEditorWidget::Furniture(); }
  const TTextEditorFurniture& Furniture() const {
    return const_cast<TTextEditorFx*>(this)->TEditorWidget::Furniture();
  }

 private:
  TEditorSearch search_{TEditorWidget::Editor(), TEditorWidget::Furniture()};
};

}  // namespace tamber
