// The view's furniture options, its layout and the display lists it paints.
#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "highlight/language_fountains.h"
#include "support/bytes.h"
#include "view/bracket_match.h"
#include "view/repaint_plan.h"
#include "view/row_painter.h"
#include "view_support.h"

namespace tamber::test {
namespace {

// A font of 8 x 16 pixel cells; a window of 100 columns and 30 rows of text.
struct Painted {
  TTextEditor editor;
  TTextEditorFurniture f{editor};
  Painted() {
    f.SetFontMetrics({16, 13, 0, 8});
    f.Margin().SetLeft(0);
    f.Margin().SetTop(0);
    f.Imagebar().SetVisible(false);
    f.SetClientSize(8 * 100 + 4, 16 * 30 + 5);
  }
  void Text(std::string_view s) {
    SetText(editor, s);
    f.UpdateNumberDigits();
  }
  TDisplayList Row(int r) { return TViewPainter(f).TextRow(r); }
};

// What one cell of a row shows after its list is drawn in order.
struct CellLook {
  TColor bk = clNone;
  TColor fg = clNone;  // clNone: no text drawn over the cell
  TFontStyles style = 0;
  char byte = 0;
};

CellLook LookAt(const TDisplayList& list, const TTextEditorFurniture& f, int row, int col) {
  const TViewLayout& l = f.Layout();
  const int x = l.TextLeft + (col - f.Editor().TopCol()) * l.CharWidth + l.CharWidth / 2;
  const int y = l.TextTop + (row - f.Editor().TopRow()) * l.RowPitch + 1;
  CellLook look;
  for (const TDisplayOp& op : list) {
    if (op.Kind == dkFill && op.Rect.Left <= x && x < op.Rect.Right && op.Rect.Top <= y && y < op.Rect.Bottom) {
      look.bk = op.Color;
      look.fg = clNone;
    }
    if (op.Kind == dkText && op.Y <= y && y < op.Y + l.RowPitch && op.X <= x &&
        x < op.X + static_cast<int>(op.Text.size()) * op.CellWidth) {
      const char b = op.Text[static_cast<std::size_t>((x - op.X) / op.CellWidth)];
      if (b != ' ') {
        look.fg = op.Color;
        look.style = op.Style;
        look.byte = b;
      }
    }
  }
  return look;
}

// The text of the first text op starting at x (the end-of-row marks, numbers).
std::optional<TDisplayOp> TextOpAt(const TDisplayList& list, int x) {
  for (const TDisplayOp& op : list)
    if (op.Kind == dkText && op.X == x) return op;
  return std::nullopt;
}

int CountLinesAt(const TDisplayList& list, int x0, int x1) {
  int n = 0;
  for (const TDisplayOp& op : list)
    if (op.Kind == dkLine && op.X >= x0 && op.X < x1) ++n;
  return n;
}

// ---- option objects ----

TEST(FurnitureOptions, SettersClampAndReportOnlyRealChanges) {
  TTextEditorMargin m;
  int reports = 0;
  m.SetOnChange([&](TObject&) { ++reports; });
  m.SetLeft(-5);
  EXPECT_EQ(m.Left(), 0);
  m.SetLeft(150);
  EXPECT_EQ(m.Left(), 100);
  m.SetLeft(100);
  EXPECT_EQ(reports, 2);

  TTextEditorRuler r;
  const std::pair<int, int> gauges[] = {{9, 8}, {11, 10}, {7, 8}, {10, 10}, {8, 8}};
  for (auto [in, out] : gauges) {
    r.SetGaugeRange(in);
    EXPECT_EQ(r.GaugeRange(), out) << in;
  }
  TTextEditorLeftbar b;
  b.SetColumn(9);
  EXPECT_EQ(b.Column(), 8);
  b.SetColumn(0);
  EXPECT_EQ(b.Column(), 1);
  TTextEditorImagebar i;
  i.SetDigitWidth(500);
  EXPECT_EQ(i.DigitWidth(), 100);
}

TEST(FurnitureOptions, DefaultsAndOneReportPerAssign) {
  TTextEditorLeftbar b;
  EXPECT_FALSE(b.Visible());
  EXPECT_EQ(b.Column(), 4);
  EXPECT_EQ(b.BkColor(), clSilver);
  EXPECT_EQ(b.ShowNumberMode(), nmRow);
  TTextEditorMarks marks;
  EXPECT_EQ(marks.EofMark().Color(), clGray);
  EXPECT_FALSE(marks.EofMark().Visible());
  int reports = 0;
  marks.SetOnChange([&](TObject&) { ++reports; });
  marks.RetMark().SetVisible(true);  // a mark reports through its owner
  EXPECT_EQ(reports, 1);
  TTextEditorMarks other;
  other.EofMark().SetVisible(true);
  other.WrapMark().SetColor(clRed);
  marks.Assign(other);
  EXPECT_EQ(reports, 2);
  EXPECT_TRUE(marks.EofMark().Visible());
  EXPECT_FALSE(marks.RetMark().Visible());

  TTextEditorFxMarks fx;
  EXPECT_FALSE(fx.Indicated());
  fx.ImgLine(5).SetVisible(true);
  EXPECT_TRUE(fx.Indicated());
}

// ---- layout ----

TEST(Layout, FollowsTheFurniture) {
  TTextEditorMargin margin;
  TTextEditorImagebar imagebar;
  TTextEditorLeftbar leftbar;
  TTextEditorRuler ruler;
  TTextEditorMarks marks;
  leftbar.SetVisible(true);
  ruler.SetVisible(true);
  marks.Underline().SetVisible(true);
  margin.SetCharacter(1);
  TLayoutInput in{{16, 13, 2, 7}, &margin, &imagebar, &leftbar, &ruler, &marks, 5, 800, 600, 0, 0};
  const TViewLayout l = ComputeLayout(in);
  EXPECT_EQ(l.FontHeight, 18);
  EXPECT_EQ(l.CharWidth, 8);
  EXPECT_EQ(l.RowPitch, 19);
  EXPECT_EQ(l.TextTop, 2 + 11);
  EXPECT_EQ(l.ImagebarWidth, 2 + 8 + 0 + 2);
  EXPECT_EQ(l.LeftbarWidth, 8 + 5 * 8 + 4 + 2);
  EXPECT_EQ(l.TextLeft, 19 + 12 + 54);
  EXPECT_EQ(l.VisibleRows, (600 - 13 - 5) / 19);
  EXPECT_EQ(l.VisibleCols, (800 - 85 - 4) / 8);
}

TEST(Layout, NeverDividesByZeroOrShowsNothing) {
  TLayoutInput in;
  in.Font = {0, 0, 0, 0};
  in.ClientWidth = 3;
  in.ClientHeight = 2;
  const TViewLayout l = ComputeLayout(in);
  EXPECT_GE(l.CharWidth, 1);
  EXPECT_GE(l.RowPitch, 1);
  EXPECT_EQ(l.VisibleRows, 1);
  EXPECT_EQ(l.VisibleCols, 1);
}

TEST(Layout, TheLineNumberBarGrowsWithTheDigitsNeeded) {
  Painted p;
  p.f.Leftbar().SetVisible(true);
  std::string text;
  for (int i = 0; i < 9998; ++i) text += "x\r\n";
  p.Text(text);  // 9998 rows and the position after the final break: 4 digits
  EXPECT_EQ(p.f.NumberDigits(), 4);
  const int left = p.f.Layout().TextLeft;
  p.editor.Text().ReplaceRows(0, 0, "y\r\ny\r\n");
  EXPECT_TRUE(p.f.UpdateNumberDigits());
  EXPECT_EQ(p.f.NumberDigits(), 5);
  EXPECT_EQ(p.f.Layout().TextLeft, left + 8);
  p.f.Leftbar().SetColumn(9);
  EXPECT_EQ(p.f.Leftbar().Column(), 8);
  EXPECT_EQ(p.f.WantedNumberDigits(), 8);
}

// ---- rows ----

TEST(RowPainting, TheEofMarkHasThreePlaces) {
  struct Case {
    const char* text;
    int row, col;
  } cases[] = {{"", 0, 0}, {"ab\r\ncd", 1, 2}, {"ab\r\ncd\r\n", 2, 0}};
  for (const Case& c : cases) {
    Painted p;
    p.f.Marks().EofMark().SetVisible(true);
    p.f.Marks().RetMark().SetVisible(true);
    p.Text(c.text);
    int found = 0;
    for (int r = 0; r < 4; ++r) {
      for (const TDisplayOp& op : p.Row(r)) {
        if (op.Kind != dkText || op.Text != "[EOF]") continue;
        ++found;
        EXPECT_EQ(r, c.row) << c.text;
        EXPECT_EQ(op.X, p.f.Layout().TextLeft + c.col * 8) << c.text;
        EXPECT_EQ(op.Color, clGray);
      }
    }
    EXPECT_EQ(found, 1) << c.text;
  }
}

TEST(RowPainting, ALongRowShowsTheHideMarkAtColumn1000) {
  Painted p;
  p.f.Marks().RetMark().SetVisible(true);
  p.f.Marks().HideMark().SetVisible(true);
  p.Text(std::string(1200, 'a') + "\r\nb\r\n");
  p.editor.SetTopCol(1000 - 50);
  const int x1000 = p.f.Layout().TextLeft + 50 * 8;
  const TDisplayList row0 = p.Row(0);
  EXPECT_GT(CountLinesAt(row0, x1000, x1000 + 8), 0);
  EXPECT_EQ(LookAt(row0, p.f, 0, 999).byte, 'a');
  EXPECT_EQ(LookAt(row0, p.f, 0, 1000).fg, clNone);  // nothing drawn past column 1000
  // A short row shows its return mark instead.
  p.editor.SetTopCol(0);
  const int x1 = p.f.Layout().TextLeft + 8;
  EXPECT_GT(CountLinesAt(p.Row(1), x1, x1 + 8), 0);
  p.f.Marks().RetMark().SetVisible(false);
  EXPECT_EQ(CountLinesAt(p.Row(1), x1, x1 + 8), 0);
}

TEST(RowPainting, TokensTakeTheFountainsColoursAndDefaultsForClNone) {
  Painted p;
  TCFountain c;
  c.Comment().SetColor(clGreen);
  c.Str().SetColor(clRed);
  c.Str().SetBkColor(clYellow);
  c.Reserve().SetStyle(fsBold);
  c.Reserve().SetColor(clNavy);
  c.ReserveWordList().Add("int");
  p.f.SetFountain(&c);
  p.Text("int s = \"x\"; // note\r\n");
  const TDisplayList row = p.Row(0);
  EXPECT_EQ(LookAt(row, p.f, 0, 0).fg, clNavy);
  EXPECT_EQ(LookAt(row, p.f, 0, 0).style, fsBold);
  EXPECT_EQ(LookAt(row, p.f, 0, 4).fg, clBlack);  // no colour of its own: Font.Color
  EXPECT_EQ(LookAt(row, p.f, 0, 9).fg, clRed);
  EXPECT_EQ(LookAt(row, p.f, 0, 9).bk, clYellow);
  EXPECT_EQ(LookAt(row, p.f, 0, 4).bk, clWhite);
  EXPECT_EQ(LookAt(row, p.f, 0, 16).fg, clGreen);
}

TEST(RowPainting, AFoldedRowIsTokenisedWithTheNextRow) {
  Painted p;
  TCFountain c;
  c.Str().SetColor(clRed);
  p.f.SetFountain(&c);
  p.Text("abcdefgh \"01234567890123\" x\r\n");
  p.editor.Text().WrapOption().SetWrapByte(20);
  p.editor.Text().SetWordWrap(true);
  ASSERT_EQ(p.editor.Text().RowAttributeAt(0), raFolded);
  ASSERT_EQ(p.editor.Text().RowView(1).substr(0, 4), "0123") << p.editor.Text().RowView(0);
  // The string starts on row 0 and ends on row 1: both parts are red.
  EXPECT_EQ(LookAt(p.Row(0), p.f, 0, 10).fg, clRed);
  EXPECT_EQ(LookAt(p.Row(1), p.f, 1, 0).fg, clRed);
}

TEST(RowPainting, ASelectionInThreeSegmentsWithClNoneColours) {
  Painted p;
  p.Text("abcdef\r\nghijkl\r\nmnopqr\r\n");
  p.f.View().Colors().Select().SetBkColor(clNone);
  p.f.View().Colors().Select().SetColor(clNone);
  p.editor.SetRowCol(0, 2);
  p.editor.StartSelection();
  p.editor.SetRowCol(2, 3);
  p.editor.UpdateSelection();
  ASSERT_TRUE(p.editor.Selected());
  // Select colours are clNone: Font.Color behind, Color in front.
  auto look = [&](int r, int c) { return LookAt(p.Row(r), p.f, r, c); };
  EXPECT_EQ(look(0, 1).bk, clWhite);
  EXPECT_EQ(look(0, 2).bk, clBlack);
  EXPECT_EQ(look(0, 2).fg, clWhite);
  EXPECT_EQ(look(1, 0).bk, clBlack);
  EXPECT_EQ(look(1, 5).bk, clBlack);
  EXPECT_EQ(look(1, 20).bk, clBlack);  // a row in between: to the window's edge
  EXPECT_EQ(look(2, 2).bk, clBlack);
  EXPECT_EQ(look(2, 3).bk, clWhite);
  EXPECT_EQ(look(2, 3).fg, clBlack);
  p.f.View().Colors().Select().SetBkColor(clNavy);
  EXPECT_EQ(look(1, 0).bk, clNavy);
  EXPECT_EQ(look(1, 0).fg, clWhite);
}

TEST(RowPainting, ABoxSelectionCoversItsColumns) {
  Painted p;
  p.Text("abcdef\r\nghijkl\r\n");
  p.f.View().Colors().Select().SetBkColor(clNone);
  p.editor.SetSelectionMode(smBox);
  p.editor.SetRowCol(0, 1);
  p.editor.StartSelection();
  p.editor.SetRowCol(1, 3);
  p.editor.UpdateSelection();
  for (int r = 0; r < 2; ++r) {
    EXPECT_EQ(LookAt(p.Row(r), p.f, r, 0).bk, clWhite);
    EXPECT_EQ(LookAt(p.Row(r), p.f, r, 1).bk, clBlack);
    EXPECT_EQ(LookAt(p.Row(r), p.f, r, 2).bk, clBlack);
    EXPECT_EQ(LookAt(p.Row(r), p.f, r, 3).bk, clWhite);
  }
}

TEST(RowPainting, LineColouringTakesTheFirstMarkThatApplies) {
  Painted p;
  p.Text("a\r\nb\r\nc\r\nd\r\ne\r\n");
  TTextEditorFxMarks& fx = p.f.FxMarks();
  fx.CurrentLine().SetVisible(true);
  fx.CurrentLine().SetColor(clAqua);
  fx.DigitLine().SetVisible(true);
  fx.DigitLine().SetColor(clLime);
  fx.ImgLine(2).SetVisible(true);
  fx.ImgLine(2).SetColor(clFuchsia);
  fx.ImageLine().SetVisible(true);
  fx.ImageLine().SetColor(clTeal);
  fx.EvenLine().SetVisible(true);
  fx.EvenLine().SetColor(clSilver);
  p.editor.Text().SetRowMarks(0, BookmarkBit(3));
  p.editor.Text().SetRowMarks(2, ImageMarkBit(2) | BookmarkBit(1));
  p.editor.Text().SetRowMarks(3, ImageMarkBit(4));
  p.editor.SetRowCol(0, 0);
  auto bk = [&](int r) { return LookAt(p.Row(r), p.f, r, 3).bk; };
  EXPECT_EQ(bk(0), clAqua);  // the caret row, although it has a bookmark
  EXPECT_EQ(bk(1), clSilver);  // row 2 of the numbers: even
  EXPECT_EQ(bk(2), clLime);  // a bookmark before an image mark
  EXPECT_EQ(bk(3), clTeal);  // image mark 4 has no line colour of its own
  EXPECT_EQ(bk(4), clWhite);
  p.f.Leftbar().SetZeroBase(true);
  EXPECT_EQ(bk(4), clSilver);
}

TEST(RowPainting, LineNumbersByRowAndByLineUnderWrap) {
  Painted p;
  p.f.Leftbar().SetVisible(true);
  p.f.Leftbar().SetColumn(2);
  p.Text(std::string(30, 'a') + "\r\nb\r\n");
  p.editor.Text().WrapOption().SetWrapByte(20);
  p.editor.Text().SetWordWrap(true);
  ASSERT_EQ(p.editor.Text().Count(), 3);
  TViewPainter painter(p.f);
  EXPECT_EQ(painter.NumberText(0), " 1");
  EXPECT_EQ(painter.NumberText(1), " 2");
  EXPECT_EQ(painter.NumberText(2), " 3");
  EXPECT_EQ(painter.NumberText(3), " 4");  // the position after the final break
  EXPECT_EQ(painter.NumberText(4), "");
  p.f.Leftbar().SetShowNumberMode(nmLine);
  p.f.Leftbar().SetZeroLead(true);
  EXPECT_EQ(painter.NumberText(0), "01");
  EXPECT_EQ(painter.NumberText(1), "");  // a continuation row
  EXPECT_EQ(painter.NumberText(2), "02");
  EXPECT_EQ(painter.NumberText(3), "03");
  // The digits are drawn opaque in the bar's colours after its left margin.
  const auto op = TextOpAt(p.Row(2), 8);
  ASSERT_TRUE(op);
  EXPECT_EQ(op->Text, "02");
  EXPECT_EQ(op->BkColor, clSilver);
}

TEST(RowPainting, TheImagebarShowsTheLowestMarks) {
  Painted p;
  p.f.Imagebar().SetVisible(true);
  p.Text("a\r\nb\r\n");
  p.editor.Text().SetRowMarks(1, BookmarkBit(7) | BookmarkBit(4) | ImageMarkBit(5) | ImageMarkBit(2));
  std::vector<std::pair<TPictureKind, int>> pictures;
  for (const TDisplayOp& op : p.Row(1))
    if (op.Kind == dkPicture) pictures.emplace_back(op.Picture, op.Index);
  EXPECT_EQ(pictures, (std::vector<std::pair<TPictureKind, int>>{{pkBookmarkDigit, 4}, {pkImageMark, 2}}));
  for (const TDisplayOp& op : p.Row(0)) EXPECT_NE(op.Kind, dkPicture);
}

TEST(RowPainting, BlankMarksFrameSpacesAndPointAtTabs) {
  Painted p;
  p.f.FxMarks().SpaceMark().SetVisible(true);
  p.f.FxMarks().DBSpaceMark().SetVisible(true);
  p.f.FxMarks().TabMark().SetVisible(true);
  p.Text("a b" + Hex("81 40") + "\tc\r\n");
  std::vector<TPixelRect> frames;
  for (const TDisplayOp& op : p.Row(0))
    if (op.Kind == dkFrame) frames.push_back(op.Rect);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0], (TPixelRect{8, 0, 16, 16}));
  EXPECT_EQ(frames[1], (TPixelRect{24, 0, 40, 16}));
  EXPECT_EQ(CountLinesAt(p.Row(0), 40, 48), 3);  // the tab's arrow in its first column
}

TEST(RowPainting, FindMarksAndPatternsThatDoNotCompile) {
  Painted p;
  p.f.FxMarks().FindMark().SetVisible(true);
  p.f.FxMarks().FindMark().SetColor(clRed);
  p.f.FxMarks().SetHit({clYellow, clNone, 0});
  p.Text("one (two) ONE\r\n");
  p.f.SetFindString("one");
  auto look = [&](int c) { return LookAt(p.Row(0), p.f, 0, c); };
  EXPECT_EQ(look(0).bk, clYellow);
  EXPECT_EQ(look(10).bk, clYellow);  // the case is ignored
  EXPECT_EQ(look(4).bk, clWhite);
  p.f.SetFxSearchOptions(soMatchCase);
  EXPECT_EQ(look(10).bk, clWhite);
  p.f.SetFindString("(two)");  // literal: the brackets are text
  EXPECT_EQ(look(4).bk, clYellow);
  p.f.SetFxSearchOptions(soRegexp);
  p.f.SetFindString("(tw");  // does not compile: no marks, no throw, the error kept
  EXPECT_NO_THROW(p.Row(0));
  EXPECT_EQ(look(4).bk, clWhite);
  EXPECT_FALSE(p.f.FindError().empty());
  p.f.SetFindString("");
  EXPECT_EQ(look(0).bk, clWhite);
}

TEST(RowPainting, TheCaretRowUnderlineAndVerticalLines) {
  Painted p;
  p.f.Marks().Underline().SetVisible(true);
  p.f.Marks().Underline().SetColor(clBlue);
  p.f.VerticalLines().Add({10, clRed, true});
  p.f.VerticalLines().Add({-3, clRed, true});
  p.Text("abc\r\ndef\r\n");
  p.editor.SetRowCol(1, 0);
  EXPECT_EQ(p.f.Layout().RowPitch, 17);
  auto underlines = [&](int r) {
    int n = 0;
    for (const TDisplayOp& op : p.Row(r))
      if (op.Kind == dkLine && op.Color == clBlue && op.Y == r * 17 + 16) ++n;
    return n;
  };
  EXPECT_EQ(underlines(0), 0);
  EXPECT_EQ(underlines(1), 1);
  int vertical = 0;
  for (const TDisplayOp& op : p.Row(0))
    if (op.Kind == dkLine && op.Color == clRed) {
      ++vertical;
      EXPECT_EQ(op.X, 80);
    }
  EXPECT_EQ(vertical, 1);
}

TEST(RowPainting, TheDrawLineHookSeesEachSegmentAndDrawsOverIt) {
  Painted p;
  p.Text("a\tb\r\ncdef\r\n");
  p.editor.SetRowCol(1, 1);
  p.editor.StartSelection();
  p.editor.SetRowCol(1, 3);
  p.editor.UpdateSelection();
  std::vector<std::tuple<std::string, int, bool, TPixelRect>> calls;
  p.f.OnDrawLine = [&](std::string_view text, int, int, int index, const TPixelRect& seg, bool selected,
                       TDisplayList& out) {
    calls.emplace_back(std::string(text), index, selected, seg);
    out.push_back(TDisplayOp{dkFill, {0, 0, 1, 1}});
  };
  const TDisplayList row0 = p.Row(0), row1 = p.Row(1);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(std::get<0>(calls[0]), "a       b");  // the tab expanded
  EXPECT_FALSE(std::get<2>(calls[0]));
  EXPECT_EQ(std::get<1>(calls[1]), 1);
  EXPECT_TRUE(std::get<2>(calls[2]));
  EXPECT_EQ(std::get<3>(calls[2]), (TPixelRect{8, 16, 24, 32}));
  EXPECT_EQ(row1.back().Rect, (TPixelRect{0, 0, 1, 1}));
}

// ---- brackets ----

TEST(Brackets, PairsAcrossRowsFullWidthAndLoneLeadBytes) {
  TTextEditor e;
  const std::string kakko = Hex("81 75"), kokka = Hex("81 76");  // 「 」
  SetText(e, "x (a\r\n" + kakko + "b[\r\n]\r\nc)" + kokka + "\r\n" + Hex("81"));
  const TTextEditorScreenStrings& t = e.Text();
  auto pair = MatchBracketAt(t, 0, 2);
  ASSERT_TRUE(pair);
  EXPECT_EQ(pair->Close, (TBracketMark{3, 1, 1}));
  // After the bracket: the one before the caret.
  EXPECT_EQ(MatchBracketAt(t, 0, 3), pair);
  pair = MatchBracketAt(t, 3, 2);
  ASSERT_TRUE(pair);
  EXPECT_EQ(pair->Open, (TBracketMark{1, 0, 2}));
  EXPECT_EQ(pair->Close, (TBracketMark{3, 2, 2}));
  // The trail byte of 」 never starts a character.
  EXPECT_EQ(MatchBracketAt(t, 3, 3), pair);
  EXPECT_FALSE(MatchBracketAt(t, 4, 0));  // a lone lead byte at the end
  EXPECT_FALSE(MatchBracketAt(t, 0, 0));
}

TEST(Brackets, ACaretMoveMarksBothEndsAndRepaintsTheirRows) {
  Painted p;
  p.f.FxMarks().ParenMark().SetVisible(true);
  p.f.FxMarks().ParenMark().SetColor(clBlue);
  p.Text("f(\r\n\r\n\r\n)\r\n");
  p.editor.SetRowCol(0, 1);
  EXPECT_EQ(p.f.CaretMoved(), (std::vector<int>{0, 3}));
  const CellLook open = LookAt(p.Row(0), p.f, 0, 1);
  EXPECT_EQ(open.bk, clBlue);
  EXPECT_EQ(open.fg, clYellow);  // the complement
  EXPECT_TRUE(open.style & fsBold);
  EXPECT_EQ(LookAt(p.Row(3), p.f, 3, 0).bk, clBlue);
  p.editor.SetRowCol(1, 0);
  EXPECT_EQ(p.f.CaretMoved(), (std::vector<int>{0, 3}));
  EXPECT_EQ(LookAt(p.Row(0), p.f, 0, 1).bk, clWhite);
}

// ---- repaint plans ----

TEST(RepaintPlan, AfterAnEdit) {
  struct Case {
    TLastChange change;
    int rowCount;
    TRepaintPlan plan;
  } cases[] = {
      // One row typed into: that row and the next.
      {{5, 1, 1, 1, true}, 100, {false, 5, 6, 0, 0, -1}},
      // A break typed: the rows below scroll down by one.
      {{5, 1, 2, 2, true}, 101, {false, 5, 6, 6, 1, 5}},
      // Two rows joined.
      {{5, 2, 1, 1, true}, 99, {false, 5, 5, 7, -1, 5}},
      // More rows than the window: all.
      {{0, 1, 40, 40, true}, 140, {true, 0, -1, 0, 0, 0}},
      // At the end the rows after the text follow.
      {{9, 1, 1, 1, true}, 10, {false, 9, 11, 0, 0, -1}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PlanAfterEdit(c.change, 30, 0, c.rowCount, true, false), c.plan) << c.change.ChangeRow;
  // Line mode repaints the numbers even when no row came or went.
  EXPECT_EQ(PlanAfterEdit({5, 1, 1, 1, true}, 30, 0, 100, true, true).NumbersFrom, 5);
}

TEST(RepaintPlan, AfterACaretMove) {
  const TCaretRepaint r = PlanAfterCaretMove(3, 1, 7, 1, {7, 2}, true, true);
  EXPECT_EQ(r.Rows, (std::vector<int>{2, 3, 7}));
  EXPECT_FALSE(r.RulerMark);
  EXPECT_TRUE(PlanAfterCaretMove(3, 1, 3, 2, {}, true, true).RulerMark);
  EXPECT_TRUE(PlanAfterCaretMove(3, 1, 3, 2, {}, true, true).Rows.empty());
}

}  // namespace
}  // namespace tamber::test
