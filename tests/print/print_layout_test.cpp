#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fake_print_device.h"
#include "print/strings_printer.h"

namespace tamber {
namespace {

// The fake page is 1000 × 1000 px at 10 px a mm; rows are 20 px, the
// baseline 16 px below the row top; a single byte is 10 px wide.
struct Fixture {
  test::FakePrinter printer;
  test::FakeMeasurer measurer;
  TStringsPrinter p;
  TMetaFileList pages;
  Fixture() { p.SetPrinter(&printer); }
  bool Layout(const std::vector<std::string>& lines, TPrintProgress* progress = nullptr) {
    return p.LayoutPages(lines, pages, kPrintingStatus, measurer, progress);
  }
};

std::vector<std::string> Lines(int n) {
  std::vector<std::string> lines;
  for (int i = 1; i <= n; ++i) lines.push_back("L" + std::to_string(i));
  return lines;
}

// "x,baseline:text" for each text record of a page, in drawing order.
std::vector<std::string> Records(const TMetaFile& page) {
  std::vector<std::string> out;
  for (const TMetaRecord& r : page.Records()) {
    if (r.Kind == TMetaKind::mkText) out.push_back(std::to_string(r.X) + "," + std::to_string(r.Y) + ":" + r.Text);
  }
  return out;
}

// The text of each row of the body (records on one baseline joined), in order.
std::vector<std::string> BodyRows(const TMetaFileList& pages) {
  std::vector<std::string> rows;
  for (int i = 0; i < pages.Count(); ++i) {
    std::map<std::pair<int, int>, std::string> byRow;  // (column left, baseline)
    std::vector<std::pair<int, int>> order;
    for (const TMetaRecord& r : pages[i].Records()) {
      const auto key = std::make_pair(r.Box.Left, r.Y);
      if (!byRow.count(key)) order.push_back(key);
      byRow[key] += r.Text;
    }
    for (const auto& k : order) rows.push_back(byRow[k]);
  }
  return rows;
}

TEST(PrintLayoutTest, AnEmptyListGivesOnePageWithOnlyItsHeaderAndFooter) {
  Fixture f;
  f.p.SetHeader("H%p");
  f.p.SetHeaderAlign(haLeft);
  f.p.SetFooter("F");
  f.p.SetFooterAlign(haRight);
  ASSERT_TRUE(f.Layout({}));
  ASSERT_EQ(f.pages.Count(), 1);
  EXPECT_EQ(f.pages[0].Width(), 1000);
  EXPECT_EQ(f.pages[0].Height(), 1000);
  // Header band 0..30, footer band 970..1000 (one and a half rows).
  EXPECT_EQ(Records(f.pages[0]), (std::vector<std::string>{"0,16:H1", "990,986:F"}));
  EXPECT_EQ(f.measurer.pixelSize, 32);  // 9 pt at 254 dpi
}

TEST(PrintLayoutTest, EachPageGetsOneHeaderWithItsOwnNumber) {
  Fixture f;
  f.p.SetMarginBottom(90);  // body 0..100: a 30 px header and three rows
  f.p.SetHeader("%p / %F");
  f.p.SetHeaderAlign(haCenter);
  f.p.SetFileName("C:\\doc\\a.txt");
  ASSERT_TRUE(f.Layout(Lines(7)));
  ASSERT_EQ(f.pages.Count(), 3);
  const std::vector<std::string> second = Records(f.pages[1]);
  ASSERT_EQ(second.size(), 4u);
  EXPECT_EQ(second[0], "455,16:2 / a.txt");  // centred: (1000 - 90) / 2
  EXPECT_EQ(second[1], "0,46:L4");
  EXPECT_EQ(Records(f.pages[2]), (std::vector<std::string>{"455,16:3 / a.txt", "0,46:L7"}));
}

TEST(PrintLayoutTest, ThreeColumnsFillColumnByColumnUnderABodyWideHeader) {
  Fixture f;
  f.p.SetColumnCount(3);
  f.p.SetColumnSpace(0);
  f.p.SetHeader("R");
  f.p.SetHeaderAlign(haRight);
  f.p.SetMarginBottom(80);  // body 0..200: header 30, eight rows
  ASSERT_TRUE(f.Layout(Lines(25)));
  ASSERT_EQ(f.pages.Count(), 2);
  const std::vector<std::string> first = Records(f.pages[0]);
  ASSERT_EQ(first.size(), 25u);
  EXPECT_EQ(first[0], "990,16:R");
  EXPECT_EQ(first[1], "0,46:L1");
  EXPECT_EQ(first[8], "0,186:L8");
  EXPECT_EQ(first[9], "333,46:L9");
  EXPECT_EQ(first[17], "666,46:L17");
  EXPECT_EQ(Records(f.pages[1]), (std::vector<std::string>{"990,16:R", "0,46:L25"}));
}

TEST(PrintLayoutTest, LineNumbersAreRightAlignedInABoxForTheLargestNumber) {
  Fixture f;
  f.p.SetLineNumber(true);
  f.p.SetMarginRight(80);  // body 0..200
  std::vector<std::string> lines = Lines(250);
  lines[0] = "abcdefghijklmnopqrstuvwxyz";  // wraps in the 150 px text box
  ASSERT_TRUE(f.Layout(lines));
  const std::vector<std::string> first = Records(f.pages[0]);
  // Three digits: the box is (3 + 2) × 10 px wide; every piece repeats the
  // number, which runs on into the text.
  EXPECT_EQ(first[0], "30,16:1:abcdefghijklmno");
  EXPECT_EQ(first[1], "30,36:1:pqrstuvwxyz");
  EXPECT_EQ(first[2], "30,56:2:L2");

  Fixture g;
  g.p.SetLineNumber(true);
  g.p.SetFirstLineNumber(998);
  ASSERT_TRUE(g.Layout(Lines(4)));
  const std::vector<std::string> r = Records(g.pages[0]);
  EXPECT_EQ(r[0], "20,16:998:L1");  // four digits for 1001: a box of 60 px
  EXPECT_EQ(r[3], "10,76:1001:L4");
  for (const TMetaRecord& rec : g.pages[0].Records()) {
    EXPECT_FALSE(rec.Clipped);
    EXPECT_EQ(rec.Box.Left, 0);
  }

  // A tab keeps the text in its own box, where the stops are counted from
  // (one line: three digits again).
  ASSERT_TRUE(g.Layout({"a\tb"}));
  EXPECT_EQ(Records(g.pages[0]), (std::vector<std::string>{"10,16:998:", "50,16:a", "130,16:b"}));
}

TEST(PrintLayoutTest, LinesBreakAfterBlanksAndDoubleByteCharactersAndKeepWholeCharacters) {
  const struct {
    int marginRight;  // mm: the text box is 1000 - 10 × marginRight px
    bool italic;
    std::string line;
    std::vector<std::string> rows;
  } cases[] = {
      {95, false, "\x82\xa0\x82\xa2\x82\xa4\x82\xa6\x82\xa8",  // あいうえお
       {"\x82\xa0\x82\xa2", "\x82\xa4\x82\xa6", "\x82\xa8"}},
      {95, false, "aaa bbb ccc", {"aaa ", "bbb ", "ccc"}},
      {95, false, "abcdefghijkl", {"abcde", "fghij", "kl"}},
      {95, false, "ab cdefgh", {"ab ", "cdefg", "h"}},
      {95, false, "ab\x82\xa0\x82\xa2\x82\xa4", {"ab\x82\xa0", "\x82\xa2\x82\xa4"}},
      {95, false, "aaa bb cc", {"aaa ", "bb cc"}},           // the last piece stays whole
      {99, false, "\x82\xa0\x82\xa2", {"\x82\xa0", "\x82\xa2"}},  // a box narrower than one character
      {99, false, "\x82\x9F" "a", {"\x82\x9F", "a"}},       // ぁa: 9F is a trail byte here
      {95, true, "abcdefgh", {"abcd", "efgh"}},             // italic leaves one average width free
  };
  for (const auto& c : cases) {
    Fixture f;
    f.p.SetMarginRight(c.marginRight);
    TFontData font = f.p.Font();
    if (c.italic) font.Style = fsItalic;
    f.p.SetFont(font);
    ASSERT_TRUE(f.Layout({c.line}));
    EXPECT_EQ(BodyRows(f.pages), c.rows) << c.line;
  }
}

TEST(PrintLayoutTest, TabsAdvanceToStopsAndArePartOfTheMeasuredWidth) {
  Fixture f;
  f.p.SetMarginRight(90);  // a 100 px box; stops every 80 px
  ASSERT_TRUE(f.Layout({"a\tb", "", "ab\tcdefgh"}));
  // "ab\tcdefgh" is 140 px as drawn (90 if a tab were one character); the
  // empty line takes a row.
  EXPECT_EQ(Records(f.pages[0]),
            (std::vector<std::string>{"0,16:a", "80,16:b", "0,56:ab", "0,76:cdefgh"}));
}

TEST(PrintLayoutTest, ALimitedLineRangeNumbersOnlyTheLinesItPrints) {
  Fixture f;
  f.p.SetLineNumber(true);
  f.p.SetLineRangeOption(roLimited);
  f.p.SetStartLine(2);
  f.p.SetLastLine(3);
  ASSERT_TRUE(f.Layout(Lines(12)));
  EXPECT_EQ(Records(f.pages[0]), (std::vector<std::string>{"10,16:1:L2", "10,36:2:L3"}));
  f.p.SetStartLine(20);
  f.p.SetLastLine(30);
  ASSERT_TRUE(f.Layout(Lines(12)));
  EXPECT_EQ(f.pages.Count(), 1);
  EXPECT_TRUE(Records(f.pages[0]).empty());
}

TEST(PrintLayoutTest, MarginsAreMeasuredFromThePaperEdgeAndStopAtThePrintableArea) {
  Fixture f;
  f.printer.offsets = {30, 40, 30, 0};
  f.p.SetMarginLeft(2);    // 20 px: inside the unprintable edge
  f.p.SetMarginTop(10);    // 100 px from the paper edge, 60 into the page
  f.p.SetMarginRight(10);  // 100 px: right = 1000 + 30 - 100
  f.p.SetFooter("F");
  f.p.SetFooterAlign(haRight);
  ASSERT_TRUE(f.Layout({"x"}));
  EXPECT_EQ(Records(f.pages[0]), (std::vector<std::string>{"0,76:x", "920,986:F"}));
}

TEST(PrintLayoutTest, APageThatCannotHoldTextIsRefused) {
  Fixture narrow;
  narrow.p.SetMarginLeft(60);
  narrow.p.SetMarginRight(40);
  EXPECT_THROW(narrow.Layout({"x"}), TPrintError);

  Fixture low;
  low.p.SetMarginTop(50);
  low.p.SetMarginBottom(49);  // 10 px between them, rows need 20
  EXPECT_THROW(low.Layout({"x"}), TPrintError);

  Fixture columns;
  columns.p.SetColumnCount(3);
  columns.p.SetColumnSpace(50);  // two gaps of 500 px
  test::RecordingCanvas canvas;
  std::string error;
  EXPECT_EQ(columns.p.Print({"x"}, columns.measurer, canvas, nullptr, &error), TPrintResult::prFailed);
  EXPECT_NE(error.find("no width"), std::string::npos);
  EXPECT_TRUE(canvas.calls.empty());
}

TEST(PrintLayoutTest, WithoutAPrinterThePageIsThePaper) {
  Fixture f;
  f.printer.available = false;  // 96 dpi, A4
  ASSERT_TRUE(f.Layout({"x"}));
  EXPECT_EQ(f.pages[0].Width(), 794);
  EXPECT_EQ(f.pages[0].Height(), 1123);
  EXPECT_EQ(f.measurer.pixelSize, 12);
}

// Pages of five rows under a header "%p".
void FiveRowPages(Fixture& f) {
  f.p.SetHeader("%p");
  f.p.SetHeaderAlign(haLeft);
  f.p.SetMarginBottom(87);  // body 0..130: header 30, rows at 30 … 110
}

TEST(PrintPagesTest, EvenPagesPrintWithOneBreakBetweenThem) {
  Fixture f;
  FiveRowPages(f);
  ASSERT_TRUE(f.Layout(Lines(25)));
  ASSERT_EQ(f.pages.Count(), 5);
  f.p.SetPageOption(poEven);
  test::RecordingCanvas canvas;
  EXPECT_EQ(f.p.PrintPages(f.pages, canvas), TPrintResult::prPrinted);
  EXPECT_EQ(canvas.calls, (std::vector<std::string>{"begin", "page", "newpage", "page", "end"}));
  ASSERT_EQ(canvas.headers.size(), 2u);
  EXPECT_EQ(canvas.headers[0], "2");
  EXPECT_EQ(canvas.headers[1], "4");
}

TEST(PrintPagesTest, ALimitedPageRangeNumbersItsFirstPageWithTheFirstPageNumber) {
  Fixture f;
  FiveRowPages(f);
  f.p.SetRangeOption(roLimited);
  f.p.SetStartPage(3);
  f.p.SetPageOption(poOdd);
  test::RecordingCanvas canvas;
  EXPECT_EQ(f.p.Print(Lines(25), f.measurer, canvas), TPrintResult::prPrinted);
  ASSERT_EQ(canvas.headers.size(), 2u);
  EXPECT_EQ(canvas.headers[0], "1");  // position 3
  EXPECT_EQ(canvas.headers[1], "3");  // position 5
  EXPECT_EQ(f.p.PageNumberAt(0), -1);
  EXPECT_FALSE(f.p.PageSelected(1));
}

TEST(PrintPagesTest, NoSelectedPageSendsNothingToThePrinter) {
  Fixture f;
  FiveRowPages(f);
  f.p.SetRangeOption(roLimited);
  f.p.SetStartPage(7);
  test::RecordingCanvas canvas;
  EXPECT_EQ(f.p.Print(Lines(25), f.measurer, canvas), TPrintResult::prNothingSelected);
  EXPECT_TRUE(canvas.calls.empty());
}

TEST(PrintPagesTest, AFailingPrinterIsReportedAndItsJobEnded) {
  Fixture f;
  FiveRowPages(f);
  test::RecordingCanvas canvas;
  canvas.failOnDraw = 1;
  std::string error;
  EXPECT_EQ(f.p.Print(Lines(25), f.measurer, canvas, nullptr, &error), TPrintResult::prFailed);
  EXPECT_EQ(error, "paper jam");
  EXPECT_EQ(canvas.calls, (std::vector<std::string>{"begin", "page", "newpage", "end"}));
}

TEST(PrintPagesTest, CancellingTheLayoutPrintsNothing) {
  Fixture f;
  FiveRowPages(f);
  test::FakeProgress progress;
  progress.cancelAt = 3;
  test::RecordingCanvas canvas;
  EXPECT_EQ(f.p.Print(Lines(25), f.measurer, canvas, &progress), TPrintResult::prCancelled);
  EXPECT_TRUE(canvas.calls.empty());
  EXPECT_EQ(progress.status, kPrintingStatus);
  EXPECT_EQ(progress.updates, 4);
  EXPECT_TRUE(progress.closed);

  test::FakeProgress quiet;
  EXPECT_EQ(f.p.Print(Lines(25), f.measurer, canvas, &quiet), TPrintResult::prPrinted);
  EXPECT_EQ(quiet.updates, 25);
  EXPECT_TRUE(quiet.shown && quiet.closed);
}

TEST(PreviewLayoutTest, ALimitedRangeIsTrimmedAndStoredBack) {
  Fixture f;
  FiveRowPages(f);
  f.p.SetRangeOption(roLimited);
  f.p.SetStartPage(9);
  f.p.SetLastPage(4);
  ASSERT_TRUE(f.p.LayoutPreview(Lines(30), f.pages, f.measurer));
  ASSERT_EQ(f.pages.Count(), 1);
  EXPECT_EQ(Records(f.pages[0]).back(), "0,126:L30");
  EXPECT_EQ(f.p.StartPage(), 6);
  EXPECT_EQ(f.p.LastPage(), 6);

  ASSERT_TRUE(f.p.LayoutPreview(Lines(2), f.pages, f.measurer));
  EXPECT_EQ(f.pages.Count(), 1);  // one page is shown whatever the range
}

}  // namespace
}  // namespace tamber

namespace tamber {
namespace {

TEST(PrintLayoutTest, OnlyRunsThatLeaveTheirBoxNeedAClip) {
  Fixture f;
  f.p.SetHeader("wide header");
  f.p.SetHeaderAlign(haLeft);
  f.p.SetMarginRight(98);  // a 20 px box
  ASSERT_TRUE(f.Layout({"ab", "abc"}));
  std::vector<std::pair<std::string, bool>> clipped;
  for (const TMetaRecord& r : f.pages[0].Records()) clipped.emplace_back(r.Text, r.Clipped);
  EXPECT_EQ(clipped, (std::vector<std::pair<std::string, bool>>{
                         {"wide header", true}, {"ab", false}, {"ab", false}, {"c", false}}));
}

}  // namespace
}  // namespace tamber

namespace tamber {
namespace {

// Random lines (ASCII, blanks, tabs, double-byte characters, lead bytes at
// the end) in random column widths: the pieces give back every byte of
// every line in order, cut only between characters, and a row is wider than
// its box only when it holds one character.
TEST(PrintLayoutTest, RandomLinesAreCutBetweenCharactersWithoutLosingBytes) {
  std::uint32_t x = 2024;
  const auto next = [&x] {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x;
  };
  const std::string alphabet[] = {"a", "Z", " ", "\t", "\x82\xa0", "\x95\x5C", "\x82\x9F", "\x81\x40", "-"};
  for (int round = 0; round < 40; ++round) {
    Fixture f;
    f.p.SetMarginRight(static_cast<int>(next() % 100));  // boxes of 10 .. 1000 px
    std::vector<std::string> lines;
    for (int i = 0; i < 30; ++i) {
      std::string line;
      const int n = static_cast<int>(next() % 60);
      for (int k = 0; k < n; ++k) line += alphabet[next() % std::size(alphabet)];
      if (next() % 5 == 0) line += '\x88';  // a lead byte that ends the line
      lines.push_back(line);
    }
    ASSERT_TRUE(f.Layout(lines));
    std::string all;
    for (const std::string& l : lines) {
      for (char c : l) {
        if (c != '\t') all += c;
      }
    }
    std::string printed;
    const int box = 1000 - 10 * f.p.MarginRight();
    for (int pg = 0; pg < f.pages.Count(); ++pg) {
      for (const TMetaRecord& r : f.pages[pg].Records()) {
        ASSERT_FALSE(r.Text.empty());
        const std::string kinds = CharKinds(all.substr(printed.size(), r.Text.size() + 1));
        EXPECT_NE(kinds[0], '5') << "a run starts on a trail byte";
        printed += r.Text;
        const int width = static_cast<int>(r.Text.size()) * 10;
        if (r.X + width > box) EXPECT_EQ(CharKinds(r.Text).substr(0, 1) + std::to_string(r.Text.size()), "42");
      }
    }
    EXPECT_EQ(printed, all) << "margin " << f.p.MarginRight();
  }
}

}  // namespace
}  // namespace tamber
