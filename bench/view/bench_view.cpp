// Building the display lists of one screen: 60 rows of 160 columns of mixed
// Japanese text and C source, every mark on, a selection across the screen.
#include <benchmark/benchmark.h>

#include "highlight/language_fountains.h"
#include "support/screen_text.h"
#include "view/row_painter.h"

namespace tamber {
namespace {

constexpr int kRows = 60, kCols = 160;

void AllMarksOn(TTextEditorFurniture& f) {
  TTextEditorMarks& m = f.Marks();
  for (TTextEditorMark* k : {&m.EofMark(), &m.RetMark(), &m.WrapMark(), &m.HideMark()}) k->SetVisible(true);
  TTextEditorFxMarks& fx = f.FxMarks();
  for (TTextEditorMark* k : {&fx.DBSpaceMark(), &fx.SpaceMark(), &fx.TabMark(), &fx.FindMark(), &fx.ParenMark(),
                             &fx.CurrentLine(), &fx.DigitLine(), &fx.ImageLine(), &fx.EvenLine()})
    k->SetVisible(true);
  fx.EvenLine().SetColor(0xF0F0F0);
  fx.SetHit({clYellow, clNone, 0});
  f.SetFindString("count");
  f.Leftbar().SetVisible(true);
  f.Ruler().SetVisible(true);
  f.VerticalLines().Add({80, clRed, true});
}

void BM_DisplayListsOfOneScreen(benchmark::State& state) {
  TTextEditor editor;
  TTextEditorFurniture f(editor);
  TCFountain c;
  c.Comment().SetColor(clGreen);
  c.Str().SetColor(clMaroon);
  c.Int().SetColor(clPurple);
  c.ReserveWordList().Add("int");
  c.ReserveWordList().Add("for");
  c.ReserveWordList().Add("return");
  c.Reserve().SetColor(clNavy);
  for (int i = 0; i < c.Brackets().Count(); ++i) c.Brackets().Items(i).ItemColor().SetColor(clGreen);
  f.SetFountain(&c);
  AllMarksOn(f);
  editor.Lines().SetTextStr(bench::MakeScreenText(kRows));
  f.UpdateNumberDigits();
  f.SetFontMetrics({16, 13, 0, 8});
  const TViewLayout& probe = f.Layout();
  f.SetClientSize(probe.TextLeft + kCols * 8 + 4 + 8, probe.TextTop + kRows * probe.RowPitch + 5);
  editor.SetRowCol(3, 10);
  editor.StartSelection();
  editor.SetRowCol(55, 40);
  editor.UpdateSelection();
  f.CaretMoved();
  if (f.Layout().VisibleRows != kRows || f.Layout().VisibleCols < kCols) state.SkipWithError("layout");
  std::size_t ops = 0;
  for (auto _ : state) {
    TViewPainter painter(f);
    TDisplayList list = painter.Screen();
    ops = list.size();
    benchmark::DoNotOptimize(list.data());
  }
  state.counters["ops"] = static_cast<double>(ops);
}
BENCHMARK(BM_DisplayListsOfOneScreen)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tamber

BENCHMARK_MAIN();
