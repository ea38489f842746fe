// Bookmarks and image marks on a view's rows: a bookmark lives on one row,
// UsedMarks follows the rows, a jump brings the row into the window, and
// every view of the text repaints the row whose marks changed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "view/text_editor.h"

namespace tamber {
namespace {

std::string Rows(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "row " + std::to_string(i) + "\r\n";
  return s;
}

TEST(RowMarks, ABookmarkMovesAndImageMarksStayOnEveryRow) {
  TTextEditor e;
  e.Lines().SetTextStr(Rows(10));
  e.PutRowMark(3, 3);
  e.PutRowMark(7, 3);
  EXPECT_FALSE(e.HasRowMark(3, 3));
  EXPECT_TRUE(e.HasRowMark(7, 3));
  EXPECT_EQ(e.UsedMarks(), 1u << 3);

  const int img2 = kBookmarkCount + 2;
  e.PutRowMark(1, img2);
  e.PutRowMark(5, img2);
  EXPECT_TRUE(e.HasRowMark(1, img2));
  EXPECT_TRUE(e.HasRowMark(5, img2));
  e.DeleteRowMark(1, img2);
  EXPECT_TRUE(e.UsedMarks() & (1u << img2)) << "row 5 still holds it";
  e.DeleteRowMark(5, img2);
  e.DeleteRowMark(7, 3);
  EXPECT_EQ(e.UsedMarks(), 0u);

  // Outside the rows nothing is set, and the bookmark is not taken away either.
  e.PutRowMark(2, 4);
  e.PutRowMark(-1, 5);
  e.PutRowMark(10, 5);
  e.PutRowMark(4, 16);
  EXPECT_EQ(e.UsedMarks(), 1u << 4);
}

TEST(RowMarks, GotoFindsTheMarkWhereEditsCarriedItAndCentresTheRow) {
  TTextEditor e;
  e.SetVisibleSize(20, 80);
  e.Lines().SetTextStr(Rows(5000));  // many blocks of rows
  e.PutRowMark(4000, 1);
  // Rows put in above it carry the mark down with its text.
  e.SetRowCol(10, 0);
  e.SetSelTextBuf("one\r\ntwo\r\nthree\r\n");
  ASSERT_TRUE(e.HasRowMark(4003, 1));
  EXPECT_TRUE(e.GotoRowMark(1));
  EXPECT_EQ(e.Row(), 4003);
  EXPECT_EQ(e.TopRow(), 4003 - 10);
  // Inside the window the view does not scroll.
  e.PutRowMark(4008, 2);
  EXPECT_TRUE(e.GotoRowMark(2));
  EXPECT_EQ(e.Row(), 4008);
  EXPECT_EQ(e.TopRow(), 4003 - 10);
  EXPECT_FALSE(e.GotoRowMark(5));
  EXPECT_EQ(e.Row(), 4008);
}

TEST(RowMarks, EveryViewOfTheTextRepaintsTheRow) {
  TTextEditor a, b;
  a.Lines().SetTextStr(Rows(10));
  b.AttachText(a);
  a.SetVisibleSize(20, 80);
  b.SetVisibleSize(20, 80);
  std::vector<int> ra, rb;
  a.OnInvalidateRows = [&](int first, int last) { for (int r = first; r <= last; ++r) ra.push_back(r); };
  b.OnInvalidateRows = [&](int first, int last) { for (int r = first; r <= last; ++r) rb.push_back(r); };
  b.PutRowMark(2, 0);
  a.PutRowMark(6, 0);
  EXPECT_EQ(ra, (std::vector<int>{2, 2, 6}));
  EXPECT_EQ(rb, ra);
  EXPECT_TRUE(b.HasRowMark(6, 0));
}

}  // namespace
}  // namespace tamber
