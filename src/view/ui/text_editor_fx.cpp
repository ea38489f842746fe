#include "view/ui/text_editor_fx.h"

#include <QApplication>

namespace tamber {

namespace {

// Runs the widget's own handler, then the program's.
template <class Inner, class Outer, class... Args>
auto Chain(Inner inner, Outer outer) {
  return [inner = std::move(inner), outer](TTextEditor& e, Args... args) {
    if (inner) inner(e, args...);
    outer(args...);
  };
}

}  // namespace

TTextEditorFx::TTextEditorFx(QWidget* parent) : TOleddEditor(parent) {
  Editor().Caret().SetSelDragMode(dmManual);
  TTextEditor& e = Editor();
  e.OnChange = Chain(std::move(e.OnChange), [this] {
    if (OnChange) OnChange(*this);
  });
  e.OnCaretMoved = Chain(std::move(e.OnCaretMoved), [this] {
    if (OnCaretMoved) OnCaretMoved(*this);
  });
  e.OnTopRowChange = Chain(std::move(e.OnTopRowChange), [this] {
    if (OnTopRowChange) OnTopRowChange(*this);
  });
  e.OnTopColChange = Chain(std::move(e.OnTopColChange), [this] {
    if (OnTopColChange) OnTopColChange(*this);
  });
  e.OnSelectionModeChange = Chain(std::move(e.OnSelectionModeChange), [this] {
    if (OnSelectionModeChange) OnSelectionModeChange(*this);
  });
  auto selInner = std::move(e.OnSelectionChange);
  e.OnSelectionChange = [this, selInner](TTextEditor& ed, bool selected) {
    if (selInner) selInner(ed, selected);
    if (OnSelectionChange) OnSelectionChange(*this, selected);
  };
}

TTextEditorFx::~TTextEditorFx() {
  TTextEditor& e = Editor();
  e.OnChange = nullptr;
  e.OnCaretMoved = nullptr;
  e.OnTopRowChange = nullptr;
  e.OnTopColChange = nullptr;
  e.OnSelectionModeChange = nullptr;
  e.OnSelectionChange = nullptr;
}

void TTextEditorFx::QuoteLines() {
  if (!Editor().QuoteLines()) QApplication::beep();
}

void TTextEditorFx::UnquoteLines() {
  if (!Editor().UnquoteLines()) QApplication::beep();
}

}  // namespace tamber
