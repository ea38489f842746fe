#include "print/strings_printer.h"

#include <gtest/gtest.h>

#include "../settings/temp_dir.h"
#include "fake_print_device.h"
#include "print/strings_printer_info.h"
#include "settings/ini_file.h"

namespace tamber {
namespace {

TEST(StringsPrinterSettingsTest, PropertiesStreamInTheirPublishedOrder) {
  TStringsPrinter p;
  std::vector<std::string> names;
  for (const TPropInfo& prop : p.Properties()) names.push_back(prop.Name);
  const std::vector<std::string> expected{
      "ColumnCount", "ColumnSpace", "FileName", "FirstLineNumber", "FirstPageNumber", "Font",
      "Footer", "FooterAlign", "Header", "HeaderAlign", "LastLine", "LastPage", "LineNumber",
      "LineRangeOption", "MarginBottom", "MarginLeft", "MarginLine", "MarginRight", "MarginTop",
      "PageOption", "RangeOption", "StartLine", "StartPage"};
  EXPECT_EQ(names, expected);
}

TEST(StringsPrinterSettingsTest, StartsWithNumbersFromOneAndTheLastAtTheTop) {
  TStringsPrinter p;
  EXPECT_EQ(p.ColumnCount(), 1);
  EXPECT_EQ(p.ColumnSpace(), 4);
  EXPECT_EQ(p.FirstLineNumber(), 1);
  EXPECT_EQ(p.FirstPageNumber(), 1);
  EXPECT_EQ(p.StartLine(), 1);
  EXPECT_EQ(p.StartPage(), 1);
  EXPECT_EQ(p.LastLine(), kPrintNumberMax);
  EXPECT_EQ(p.LastPage(), kPrintNumberMax);
  EXPECT_EQ(p.Font().Name, "IPAGothic");
  EXPECT_EQ(p.Font().Size, 9);
  EXPECT_EQ(p.HeaderAlign(), haNone);
  EXPECT_EQ(p.PageOption(), poBoth);
}

TEST(StringsPrinterSettingsTest, IntegerSettersClampIntoTheirRanges) {
  struct Case {
    void (TStringsPrinter::*set)(int);
    int (TStringsPrinter::*get)() const;
    int value, stored;
  };
  using P = TStringsPrinter;
  const Case cases[] = {
      {&P::SetColumnCount, &P::ColumnCount, 5, 3},       {&P::SetColumnCount, &P::ColumnCount, 0, 1},
      {&P::SetColumnSpace, &P::ColumnSpace, 101, 100},   {&P::SetMarginTop, &P::MarginTop, -2, 0},
      {&P::SetMarginLine, &P::MarginLine, 7, 7},         {&P::SetLastPage, &P::LastPage, 0, 1},
      {&P::SetStartPage, &P::StartPage, 1000000, 999999}, {&P::SetFirstLineNumber, &P::FirstLineNumber, -5, 1},
      {&P::SetMarginRight, &P::MarginRight, 250, 100},
  };
  for (const Case& c : cases) {
    TStringsPrinter p;
    (p.*c.set)(c.value);
    EXPECT_EQ((p.*c.get)(), c.stored) << "value " << c.value;
  }
}

TStringsPrinter Changed() {
  TStringsPrinter p;
  p.SetColumnCount(2);
  p.SetColumnSpace(7);
  p.SetFileName("C:\\\x95\x5C\\a.txt");
  p.SetFirstLineNumber(10);
  p.SetFirstPageNumber(3);
  p.SetFont({"\x82\x6c\x82\x72 Mincho", 11, clNavy, fsBold | fsItalic, 128});
  p.SetFooter("- %p -");
  p.SetFooterAlign(haCenter);
  p.SetHeader("%F");
  p.SetHeaderAlign(haRight);
  p.SetLastLine(500);
  p.SetLastPage(9);
  p.SetLineNumber(true);
  p.SetLineRangeOption(roLimited);
  p.SetMarginBottom(11);
  p.SetMarginLeft(12);
  p.SetMarginLine(1);
  p.SetMarginRight(13);
  p.SetMarginTop(14);
  p.SetPageOption(poEven);
  p.SetRangeOption(roLimited);
  p.SetStartLine(5);
  p.SetStartPage(2);
  return p;
}

TEST(StringsPrinterSettingsTest, EveryPropertyRoundTripsThroughTheSettingsFile) {
  test::TempDir dir;
  const std::string ini = dir.Write("tamber.ini", "[Printer]\r\n");
  const TStringsPrinter written = Changed();
  written.WriteComponentToIni(ini, "Printer", "Property");
  TStringsPrinter read;
  read.ReadComponentFromIni(ini, "Printer", "Property");
  EXPECT_EQ(read.WriteComponentToStream(), written.WriteComponentToStream());
  EXPECT_EQ(read.Font(), written.Font());
  EXPECT_EQ(read.PageOption(), poEven);
  EXPECT_EQ(read.FileName(), "C:\\\x95\x5C\\a.txt");
}

TEST(StringsPrinterSettingsTest, AssignCopiesEveryProperty) {
  const TStringsPrinter source = Changed();
  TStringsPrinter copy;
  copy.Assign(source);
  EXPECT_EQ(copy.WriteComponentToStream(), source.WriteComponentToStream());
  EXPECT_NE(TStringsPrinter().WriteComponentToStream(), source.WriteComponentToStream());
}

TEST(StringsPrinterUnitsTest, MillimetresBecomePrinterPixelsRoundedHalfToEven) {
  test::FakePrinter printer;
  TStringsPrinter p;
  p.SetPrinter(&printer);
  EXPECT_EQ(p.MmToPixels(0), 0);
  EXPECT_EQ(p.MmToPixels(1), 10);
  EXPECT_EQ(p.MmToPixels(20), 200);
  printer.dpi = 600;
  EXPECT_EQ(p.MmToPixels(20), 472);  // 472.44
  EXPECT_EQ(p.MmToPixels(3), 71);    // 70.87
  EXPECT_DOUBLE_EQ(p.ScreenToPrinterRatio(), 96.0 / 600.0);
}

TEST(StringsPrinterUnitsTest, WithoutAPrinterTheScreenIsAskedAndNothingIsUnprintable) {
  test::FakePrinter printer;
  printer.available = false;
  printer.offsets = {5, 6, 7, 8};
  TStringsPrinter p;
  p.SetPrinter(&printer);
  EXPECT_EQ(p.MmToPixels(20), 76);  // 75.59 at 96 dpi
  EXPECT_DOUBLE_EQ(p.ScreenToPrinterRatio(), 1.0);
  EXPECT_EQ(p.PrintableOffsets(), (TPrintOffsets{0, 0, 0, 0}));
  printer.available = true;
  EXPECT_EQ(p.PrintableOffsets(), (TPrintOffsets{5, 6, 7, 8}));
}

TEST(ExpandHeaderTextTest, ReplacesEveryKeyword) {
  TStringsPrinter p;
  p.SetFileName("C:\\doc\\a.txt");
  p.SetClock([] {
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = 9;
    t.tm_min = 7;
    t.tm_sec = 8;
    return t;
  });
  const struct {
    std::string tmpl, expected;
  } cases[] = {
      {"%F", "a.txt"},
      {"%f", "C:\\doc\\a.txt"},
      {"%y/%m/%d %t", "2024/3/5 9:07:08"},
      {"100%%", "100%"},
      {"%x", "x"},
      {"end%", "end%"},
      {"%", "%"},
      {"\x95\x5C%F", "\x95\x5C" "a.txt"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(p.ExpandHeaderText(c.tmpl), c.expected) << c.tmpl;
}

TEST(ExpandHeaderTextTest, FileNameIsCutAtSeparatorsNotAtTrailBytes) {
  TStringsPrinter p;
  const struct {
    std::string path, name;
  } cases[] = {
      {"C:\\\x95\x5C.txt", "\x95\x5C.txt"},           // 表.txt: 5C is its trail byte
      {"/home/u/\x95\x5C\\b.txt", "b.txt"},
      {"/home/u/notes.txt", "notes.txt"},
      {"plain", "plain"},
      {"dir/", ""},
  };
  for (const auto& c : cases) {
    p.SetFileName(c.path);
    EXPECT_EQ(p.ExpandHeaderText("%F"), c.name) << c.path;
  }
}

TEST(CharKindsTest, ClassifiesLeadBytesByPosition) {
  const struct {
    std::string text, kinds;
  } cases[] = {
      {"\x82\x9F" "a", "451"},          // ぁa
      {"\x82\x9F\x9F\x40", "4545"},     // a trail byte 9F, then 9F as a lead byte
      {" \t\x01x", "2221"},
      {"a\x82", "11"},                  // a lead byte at the end stands alone
      {"\x81\x40 ", "452"},
  };
  for (const auto& c : cases) EXPECT_EQ(CharKinds(c.text), c.kinds);
}

TEST(StringsPrinterInfoTest, BuiltInTableHoldsTheRealSizesUnderTheOldNames) {
  const struct {
    int code;
    std::string name;
    int w, h;
  } cases[] = {
      {1, "DMPAPER_LETTER", 216, 279},  {9, "DMPAPER_A4", 210, 297},     {14, "DMPAPER_FOLIO", 216, 330},
      {48, "DMPAPER_RESERVED_48", 100, 100}, {49, "DMPAPER_RESERVED_49", 100, 100},
      {68, "DMPAPER_A3_EXTRA_TRANSVERSE", 322, 445},
  };
  for (const auto& c : cases) {
    const TPaperTableEntry* e = BuiltInPaper(c.code);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Name, c.name);
    EXPECT_EQ(e->Width, c.w) << c.code;
    EXPECT_EQ(e->Height, c.h) << c.code;
  }
  EXPECT_EQ(BuiltInPaper(0), nullptr);
  EXPECT_EQ(BuiltInPaper(69), nullptr);
}

TEST(StringsPrinterInfoTest, DriverPapersComeFirstThenTheTable) {
  test::FakePrinter printer;
  printer.papers = {{"A4 (driver)", 2100, 2975, 9}, {"Custom", 1234, 1000, 300}};
  TStringsPrinterInfo info(&printer);
  EXPECT_EQ(info.PaperName(), "A4 (driver)");
  EXPECT_EQ(info.PaperSize(), (TPaperSize{210, 298}));
  printer.paperCode = 300;
  EXPECT_EQ(info.PaperSize(), (TPaperSize{123, 100}));
  printer.paperCode = 11;
  EXPECT_EQ(info.PaperName(), "DMPAPER_A5");
  EXPECT_EQ(info.PaperSize(), (TPaperSize{148, 210}));
  printer.paperCode = 500;
  EXPECT_EQ(info.PaperName(), "");
  EXPECT_EQ(info.PaperSize(), (TPaperSize{0, 0}));
  EXPECT_EQ(printer.paperQueries, 1);  // the list is rebuilt only for another printer
  printer.index = 1;
  printer.papers = {};
  printer.paperCode = 9;
  EXPECT_EQ(info.PaperName(), "DMPAPER_A4");
  EXPECT_EQ(printer.paperQueries, 2);
}

TEST(StringsPrinterInfoTest, AFailingDriverKeepsThePapersReadBeforeIt) {
  test::FakePrinter printer;
  printer.papers = {{"Letter (driver)", 2159, 2794, 1}};
  printer.failAfterPapers = true;
  TStringsPrinterInfo info(&printer);
  info.RefreshPapers();
  ASSERT_EQ(info.Papers().size(), 1u);
  printer.paperCode = 1;
  EXPECT_EQ(info.PaperName(), "Letter (driver)");
}

TEST(StringsPrinterInfoTest, WithoutAPrinterTheNameIsUnknownAndThePaperA4) {
  TStringsPrinterInfo none;
  EXPECT_EQ(none.PrinterName(), "\x95\x73\x96\xbe");
  EXPECT_EQ(none.PaperCode(), kDefaultPaperCode);
  EXPECT_EQ(none.PaperName(), "DMPAPER_A4");
  EXPECT_TRUE(none.Papers().empty());
  test::FakePrinter printer;
  printer.available = false;
  TStringsPrinterInfo unavailable(&printer);
  EXPECT_EQ(unavailable.PrinterName(), "\x95\x73\x96\xbe");
  EXPECT_EQ(unavailable.PaperSize(), (TPaperSize{210, 297}));
  EXPECT_EQ(printer.paperQueries, 0);
}

TEST(MetaFileTest, StretchesAPageIntoAnyRectangle) {
  TMetaFileList list;
  TMetaFile& page = list.Add(100, 200);
  const TMetaStretch s = page.StretchInto({10, 20, 60, 120});
  EXPECT_DOUBLE_EQ(s.MapX(0), 10);
  EXPECT_DOUBLE_EQ(s.MapX(100), 60);
  EXPECT_DOUBLE_EQ(s.MapY(200), 120);
  EXPECT_DOUBLE_EQ(s.MapY(100), 70);
}

TEST(MetaFileTest, KeepsARangeOfPagesAndSharesFonts) {
  TMetaFileList list;
  for (int i = 0; i < 6; ++i) list.Add(10 + i, 10);
  list.Keep(2, 3);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[0].Width(), 12);
  EXPECT_EQ(list[1].Width(), 13);
  TMetaFile& page = list[0];
  const TMetaFont f{{"IPAGothic", 9, clBlack, 0, 128}, 32};
  EXPECT_EQ(page.AddFont(f), 0);
  EXPECT_EQ(page.AddFont({{"IPAGothic", 9, clBlack, fsBold, 128}, 32}), 1);
  EXPECT_EQ(page.AddFont(f), 0);
  page.AddFill({1, 2, 3, 4}, clRed);
  page.AddLine(0, 0, 5, 5, 1, clBlue);
  page.AddText(0, clBlack, 1, 9, {0, 0, 10, 10}, "ab");
  ASSERT_EQ(page.Records().size(), 3u);
  EXPECT_EQ(page.Records()[0].Kind, TMetaKind::mkFill);
  EXPECT_EQ(page.Records()[2].Text, "ab");
}

}  // namespace
}  // namespace tamber
