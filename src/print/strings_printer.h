// TStringsPrinter: lays a list of text lines out on printer pages (one font,
// margins in mm, one to three columns, optional line numbers, a one-line
// header and footer from templates) and prints the selected pages.
//
// The settings are published properties, streamed in the order of
// Properties(); every integer setter ignores an equal value and clamps
// (min first, then max). The layout measures through a TTextMeasurer and
// records each page into a TMetaFileList; printing replays the recordings on
// a TPrintCanvas, so a layout is never repeated for printing or preview.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "print/metafile.h"
#include "print/print_device.h"
#include "print/strings_printer_info.h"
#include "settings/store_component.h"

namespace tamber {

enum TStringsPrinterHeaderAlign { haNone, haLeft, haCenter, haRight };
enum TStringsPrinterPageOption { poBoth, poOdd, poEven };
enum TStringsPrinterRangeOption { roWhole, roLimited };

// How a print ended. prNothingSelected: the page range and odd/even choice
// left no page to print (nothing was sent to the printer).
enum class TPrintResult { prPrinted, prCancelled, prNothingSelected, prFailed };

inline constexpr int kPrintNumberMax = 999999;
inline constexpr int kMarginMaxMm = 100;
// Tab stops fall on every eighth average character width.
inline constexpr int kPrintTabWidth = 8;

// The status texts shown by the progress reporter (CP932).
inline constexpr std::string_view kPrintingStatus = "\x88\xf3\x8d\xfc\x92\x86";  // 印刷中
inline constexpr std::string_view kPreviewStatus =
    "\x83\x76\x83\x8c\x83\x72\x83\x85\x81\x5b\x82\xf0\x8d\xec\x90\xac\x92\x86";  // プレビューを作成中

// One character kind per byte: '4' lead byte, '5' its trail byte, '1' a
// byte above 32, '2' a blank or control byte. Lead bytes are recognised by
// position (a lead byte that ends the text counts as a single byte).
std::string CharKinds(std::string_view text);

class TStringsPrinter : public TStoreComponent {
 public:
  TStringsPrinter();

  std::string ClassName() const override { return "TStringsPrinter"; }
  const std::vector<TPropInfo>& Properties() const override;

  // Copies every published property unchanged (no clamping).
  void Assign(const TStringsPrinter& source);

  int ColumnCount() const { return columnCount_; }
  void SetColumnCount(int v) { SetClamped(columnCount_, v, 1, 3); }
  int ColumnSpace() const { return columnSpace_; }
  void SetColumnSpace(int v) { SetClamped(columnSpace_, v, 0, kMarginMaxMm); }
  const std::string& FileName() const { return fileName_; }
  void SetFileName(std::string v) { fileName_ = std::move(v); }
  int FirstLineNumber() const { return firstLineNumber_; }
  void SetFirstLineNumber(int v) { SetClamped(firstLineNumber_, v, 1, kPrintNumberMax); }
  int FirstPageNumber() const { return firstPageNumber_; }
  void SetFirstPageNumber(int v) { SetClamped(firstPageNumber_, v, 1, kPrintNumberMax); }
  const TFontData& Font() const { return font_; }
  void SetFont(const TFontData& v) { font_ = v; }
  const std::string& Footer() const { return footer_; }
  void SetFooter(std::string v) { footer_ = std::move(v); }
  TStringsPrinterHeaderAlign FooterAlign() const { return footerAlign_; }
  void SetFooterAlign(TStringsPrinterHeaderAlign v) { footerAlign_ = v; }
  const std::string& Header() const { return header_; }
  void SetHeader(std::string v) { header_ = std::move(v); }
  TStringsPrinterHeaderAlign HeaderAlign() const { return headerAlign_; }
  void SetHeaderAlign(TStringsPrinterHeaderAlign v) { headerAlign_ = v; }
  int LastLine() const { return lastLine_; }
  void SetLastLine(int v) { SetClamped(lastLine_, v, 1, kPrintNumberMax); }
  int LastPage() const { return lastPage_; }
  void SetLastPage(int v) { SetClamped(lastPage_, v, 1, kPrintNumberMax); }
  bool LineNumber() const { return lineNumber_; }
  void SetLineNumber(bool v) { lineNumber_ = v; }
  TStringsPrinterRangeOption LineRangeOption() const { return lineRangeOption_; }
  void SetLineRangeOption(TStringsPrinterRangeOption v) { lineRangeOption_ = v; }
  int MarginBottom() const { return marginBottom_; }
  void SetMarginBottom(int v) { SetClamped(marginBottom_, v, 0, kMarginMaxMm); }
  int MarginLeft() const { return marginLeft_; }
  void SetMarginLeft(int v) { SetClamped(marginLeft_, v, 0, kMarginMaxMm); }
  int MarginLine() const { return marginLine_; }
  void SetMarginLine(int v) { SetClamped(marginLine_, v, 0, kMarginMaxMm); }
  int MarginRight() const { return marginRight_; }
  void SetMarginRight(int v) { SetClamped(marginRight_, v, 0, kMarginMaxMm); }
  int MarginTop() const { return marginTop_; }
  void SetMarginTop(int v) { SetClamped(marginTop_, v, 0, kMarginMaxMm); }
  TStringsPrinterPageOption PageOption() const { return pageOption_; }
  void SetPageOption(TStringsPrinterPageOption v) { pageOption_ = v; }
  TStringsPrinterRangeOption RangeOption() const { return rangeOption_; }
  void SetRangeOption(TStringsPrinterRangeOption v) { rangeOption_ = v; }
  int StartLine() const { return startLine_; }
  void SetStartLine(int v) { SetClamped(startLine_, v, 1, kPrintNumberMax); }
  int StartPage() const { return startPage_; }
  void SetStartPage(int v) { SetClamped(startPage_, v, 1, kPrintNumberMax); }

  // The printer asked for units, page size and papers; none means "cannot
  // be asked" (screen resolution, paper size from the table).
  void SetPrinter(const TPrinterServices* printer) { info_.SetPrinter(printer); }
  TStringsPrinterInfo& Info() { return info_; }

  // The clock read by the date and time keywords (for tests); the local time by default.
  void SetClock(std::function<std::tm()> clock) { clock_ = std::move(clock); }

  // mm × dpi / 25.4, rounded to nearest (halves to even).
  int MmToPixels(int mm) const;
  double ScreenToPrinterRatio() const;
  // The unprintable edges of the sheet in printer pixels (all 0 without a printer).
  TPrintOffsets PrintableOffsets() const;
  // The template with its keywords replaced, at the current page number.
  std::string ExpandHeaderText(std::string_view tmpl) const;
  int PageNumber() const { return pageNumber_; }
  int LineNumberNow() const { return lineNumberNow_; }

  // Lays the lines out into pages (cleared first). False when the progress
  // reporter was cancelled. Throws TPrintError for a page that cannot hold
  // text (a text column of no width, no room for one row).
  bool LayoutPages(const std::vector<std::string>& lines, TMetaFileList& pages, std::string_view status,
                   TTextMeasurer& measurer, TPrintProgress* progress = nullptr);

  // The page number of the page at position i (0-based) and whether it is printed.
  int PageNumberAt(int i) const;
  bool PageSelected(int i) const;

  // Lays out and prints the selected pages. On prFailed, *error holds the reason.
  TPrintResult Print(const std::vector<std::string>& lines, TTextMeasurer& measurer, TPrintCanvas& canvas,
                     TPrintProgress* progress = nullptr, std::string* error = nullptr);
  // Prints the selected pages of an existing layout.
  TPrintResult PrintPages(const TMetaFileList& pages, TPrintCanvas& canvas, std::string* error = nullptr);
  // Lays out for the preview and trims to a limited page range (which is
  // stored back, as the preview shows it). False when cancelled.
  bool LayoutPreview(const std::vector<std::string>& lines, TMetaFileList& pages, TTextMeasurer& measurer,
                     TPrintProgress* progress = nullptr);

 private:
  static void SetClamped(int& field, int v, int lo, int hi);
  int Dpi() const;
  bool PrinterAvailable() const;

  int columnCount_ = 1;
  int columnSpace_ = 4;
  std::string fileName_;
  int firstLineNumber_ = 1;
  int firstPageNumber_ = 1;
  TFontData font_;
  std::string footer_;
  TStringsPrinterHeaderAlign footerAlign_ = haNone;
  std::string header_;
  TStringsPrinterHeaderAlign headerAlign_ = haNone;
  int lastLine_ = kPrintNumberMax;
  int lastPage_ = kPrintNumberMax;
  bool lineNumber_ = false;
  TStringsPrinterRangeOption lineRangeOption_ = roWhole;
  int marginBottom_ = 0;
  int marginLeft_ = 0;
  int marginLine_ = 0;
  int marginRight_ = 0;
  int marginTop_ = 0;
  TStringsPrinterPageOption pageOption_ = poBoth;
  TStringsPrinterRangeOption rangeOption_ = roWhole;
  int startLine_ = 1;
  int startPage_ = 1;

  TStringsPrinterInfo info_;
  std::function<std::tm()> clock_;
  int pageNumber_ = 0;
  int lineNumberNow_ = 0;
};

}  // namespace tamber
