// TTextEditorFurniture: everything a view needs to be painted beside its
// caret and selection — the furniture's option objects, the editor's own
// colours and fountain, the find marks' pattern, the bracket pair at the
// caret, the line-number digit count and the layout. It reads the editor
// only through TTextEditor's public interface.
//
// Every option object reports to OptionChanged, which redoes the layout,
// pushes the new metrics into the editor, scrolls the caret into view and
// asks for a full repaint (OnRepaintAll).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/color.h"
#include "base/coords.h"
#include "highlight/editor_fountain.h"
#include "search/awk_str.h"
#include "search/line_search.h"
#include "view/display_list.h"
#include "view/fountain_token_source.h"
#include "view/furniture_options.h"
#include "view/text_editor.h"
#include "view/view_layout.h"

namespace tamber {

// One end of a matched bracket pair: bytes [Byte, Byte + Length) of Row.
struct TBracketMark {
  int Row = 0;  // a screen row
  int Byte = 0;  // a byte in the row
  int Length = 1;
  bool operator==(const TBracketMark&) const = default;
};

struct TBracketPair {
  TBracketMark Open, Close;
  bool operator==(const TBracketPair&) const = default;
};

class TTextEditorFurniture {
 public:
  explicit TTextEditorFurniture(TTextEditor& editor);
  ~TTextEditorFurniture();
  TTextEditorFurniture(const TTextEditorFurniture&) = delete;
  TTextEditorFurniture& operator=(const TTextEditorFurniture&) = delete;

  TTextEditor& Editor() const { return editor_; }

  // ---- option objects ----
  TTextEditorMargin& Margin() { return margin_; }
  TTextEditorImagebar& Imagebar() { return imagebar_; }
  TTextEditorLeftbar& Leftbar() { return leftbar_; }
  TTextEditorRuler& Ruler() { return ruler_; }
  TTextEditorMarks& Marks() { return marks_; }
  TTextEditorFxMarks& FxMarks() { return fxMarks_; }
  TVerticalLines& VerticalLines() { return verticalLines_; }
  const TTextEditorMargin& Margin() const { return margin_; }
  const TTextEditorImagebar& Imagebar() const { return imagebar_; }
  const TTextEditorLeftbar& Leftbar() const { return leftbar_; }
  const TTextEditorRuler& Ruler() const { return ruler_; }
  const TTextEditorMarks& Marks() const { return marks_; }
  const TTextEditorFxMarks& FxMarks() const { return fxMarks_; }
  const TVerticalLines& VerticalLines() const { return verticalLines_; }
  TTextEditorViewInfo& View() { return view_; }

  // ---- colours and fonts ----
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  TColor FontColor() const { return fontColor_; }
  void SetFontColor(TColor v);
  // The font itself is italic (tokens are then drawn over a clear background).
  bool FontItalic() const { return fontItalic_; }
  void SetFontItalic(bool v);
  // Turns a system colour into RGB (the widget's palette); plain colours pass.
  std::function<TColor(TColor)> ResolveColor;
  TColor Resolved(TColor c) const { return ResolveColor ? ResolveColor(c) : c; }

  // ---- fountain ----
  // nullptr: the View's own fountain colours the text.
  TFountain* Fountain() const { return fountain_; }
  void SetFountain(TFountain* f);
  TFountain& ActiveFountain() { return fountain_ ? *fountain_ : view_.Fountain(); }

  // ---- find marks ----
  const std::string& FindString() const { return findString_; }
  TFxSearchOptions FxSearchOptions() const { return searchOptions_; }
  void SetFindString(std::string_view s);
  void SetFxSearchOptions(TFxSearchOptions o);
  // The pattern did not compile: no find marks are drawn. The message is kept.
  const std::string& FindError() const { return findError_; }
  // Matches of FindString in a logical line's text, as (byte, length).
  std::vector<std::pair<int, int>> FindMatches(std::string_view lineText);

  // ---- brackets and the caret row ----
  const std::optional<TBracketPair>& Brackets() const { return brackets_; }
  // Recomputes the pair at the caret; returns the rows whose marks changed.
  std::vector<Row> CaretMoved();

  // ---- layout ----
  void SetFontMetrics(const TFontMetricsInfo& m);
  const TFontMetricsInfo& FontMetrics() const { return font_; }
  void SetClientSize(int width, int height, int horzBarHeight = 0, int vertBarWidth = 0);
  const TViewLayout& Layout() const { return layout_; }
  // Recomputes the layout and hands it to the editor.
  void DoLayout();
  int NumberDigits() const { return numberDigits_; }
  // The digits the line numbers need now; when they changed the layout is
  // redone, the text scrolled sideways by the difference, and true returned.
  bool UpdateNumberDigits();
  int WantedNumberDigits() const;

  // Fired for each painted segment of a text row (the unselected row, then
  // its selected part if any): the row's text with tabs expanded, x of its
  // column 0, the row's top, its index, the segment and whether it is the
  // selected one. Ops appended to out are drawn over the segment.
  std::function<void(std::string_view rowText, int x, int y, Row index, const TPixelRect& segment,
                     bool selected, TDisplayList& out)>
      OnDrawLine;

  // The handler of every option object.
  void OptionChanged(TObject& sender);
  std::function<void()> OnRepaintAll;

 private:
  void Wire(TNotifyPersistent& option);
  void CompileFind();

  TTextEditor& editor_;
  TTextEditorMargin margin_;
  TTextEditorImagebar imagebar_;
  TTextEditorLeftbar leftbar_;
  TTextEditorRuler ruler_;
  TTextEditorMarks marks_;
  TTextEditorFxMarks fxMarks_;
  TVerticalLines verticalLines_;
  TTextEditorViewInfo view_;
  TColor color_ = clWhite, fontColor_ = clBlack;
  bool fontItalic_ = false;
  TFountain* fountain_ = nullptr;
  TFountainTokenSource tokens_;
  TNotifyConnection fountainConnection_;

  std::string findString_;
  TFxSearchOptions searchOptions_ = 0;
  std::string findError_;
  std::unique_ptr<TAWKStrEx> matcher_;
  bool findReady_ = false;

  std::optional<TBracketPair> brackets_;
  Row lastCaretRow_ = -1;

  TFontMetricsInfo font_;
  int clientWidth_ = 640, clientHeight_ = 480, horzBar_ = 0, vertBar_ = 0;
  TViewLayout layout_;
  int numberDigits_ = 4;
};

}  // namespace tamber
