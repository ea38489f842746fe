#include "print/strings_printer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "encoding/dbcs.h"

namespace tamber {
namespace {

TStringsPrinter& Self(TStoreComponent& c) { return static_cast<TStringsPrinter&>(c); }
const TStringsPrinter& Self(const TStoreComponent& c) { return static_cast<const TStringsPrinter&>(c); }

int ToInt(const TPropValue& v) {
  return static_cast<int>(std::clamp<std::int64_t>(std::get<std::int64_t>(v), INT32_MIN, INT32_MAX));
}

TPropInfo IntProp(std::string name, int (TStringsPrinter::*get)() const, void (TStringsPrinter::*set)(int)) {
  return {std::move(name), TPropKind::pkInteger,
          [get](const TStoreComponent& c) -> TPropValue { return std::int64_t{(Self(c).*get)()}; },
          [set](TStoreComponent& c, const TPropValue& v) { (Self(c).*set)(ToInt(v)); }};
}

TPropInfo StringProp(std::string name, const std::string& (TStringsPrinter::*get)() const,
                     void (TStringsPrinter::*set)(std::string)) {
  return {std::move(name), TPropKind::pkString,
          [get](const TStoreComponent& c) -> TPropValue { return (Self(c).*get)(); },
          [set](TStoreComponent& c, const TPropValue& v) { (Self(c).*set)(std::get<std::string>(v)); }};
}

template <typename E>
TPropInfo EnumProp(std::string name, E (TStringsPrinter::*get)() const, void (TStringsPrinter::*set)(E),
                   std::vector<std::string> names) {
  const auto count = static_cast<std::int64_t>(names.size());
  return {std::move(name), TPropKind::pkEnum,
          [get](const TStoreComponent& c) -> TPropValue { return std::int64_t{(Self(c).*get)()}; },
          [set, count](TStoreComponent& c, const TPropValue& v) {
            const std::int64_t i = std::get<std::int64_t>(v);
            if (i >= 0 && i < count) (Self(c).*set)(static_cast<E>(i));
          },
          std::move(names)};
}

const std::vector<std::string> kAlignNames{"haNone", "haLeft", "haCenter", "haRight"};
const std::vector<std::string> kRangeNames{"roWhole", "roLimited"};
const std::vector<std::string> kPageNames{"poBoth", "poOdd", "poEven"};

}  // namespace

TStringsPrinter::TStringsPrinter() {
  SetName("StringsPrinter");
  font_ = TFontData{"IPAGothic", 9, clBlack, 0, 128};
}

const std::vector<TPropInfo>& TStringsPrinter::Properties() const {
  using P = TStringsPrinter;
  static const std::vector<TPropInfo> table{
      IntProp("ColumnCount", &P::ColumnCount, &P::SetColumnCount),
      IntProp("ColumnSpace", &P::ColumnSpace, &P::SetColumnSpace),
      StringProp("FileName", &P::FileName, &P::SetFileName),
      IntProp("FirstLineNumber", &P::FirstLineNumber, &P::SetFirstLineNumber),
      IntProp("FirstPageNumber", &P::FirstPageNumber, &P::SetFirstPageNumber),
      {"Font", TPropKind::pkFont, [](const TStoreComponent& c) -> TPropValue { return Self(c).Font(); },
       [](TStoreComponent& c, const TPropValue& v) { Self(c).SetFont(std::get<TFontData>(v)); }},
      StringProp("Footer", &P::Footer, &P::SetFooter),
      EnumProp("FooterAlign", &P::FooterAlign, &P::SetFooterAlign, kAlignNames),
      StringProp("Header", &P::Header, &P::SetHeader),
      EnumProp("HeaderAlign", &P::HeaderAlign, &P::SetHeaderAlign, kAlignNames),
      IntProp("LastLine", &P::LastLine, &P::SetLastLine),
      IntProp("LastPage", &P::LastPage, &P::SetLastPage),
      {"LineNumber", TPropKind::pkBoolean, [](const TStoreComponent& c) -> TPropValue { return Self(c).LineNumber(); },
       [](TStoreComponent& c, const TPropValue& v) { Self(c).SetLineNumber(std::get<bool>(v)); }},
      EnumProp("LineRangeOption", &P::LineRangeOption, &P::SetLineRangeOption, kRangeNames),
      IntProp("MarginBottom", &P::MarginBottom, &P::SetMarginBottom),
      IntProp("MarginLeft", &P::MarginLeft, &P::SetMarginLeft),
      IntProp("MarginLine", &P::MarginLine, &P::SetMarginLine),
      IntProp("MarginRight", &P::MarginRight, &P::SetMarginRight),
      IntProp("MarginTop", &P::MarginTop, &P::SetMarginTop),
      EnumProp("PageOption", &P::PageOption, &P::SetPageOption, kPageNames),
      EnumProp("RangeOption", &P::RangeOption, &P::SetRangeOption, kRangeNames),
      IntProp("StartLine", &P::StartLine, &P::SetStartLine),
      IntProp("StartPage", &P::StartPage, &P::SetStartPage),
  };
  return table;
}

void TStringsPrinter::SetClamped(int& field, int v, int lo, int hi) {
  if (v == field) return;
  field = std::min(std::max(v, lo), hi);
}

void TStringsPrinter::Assign(const TStringsPrinter& s) {
  if (&s == this) return;
  columnCount_ = s.columnCount_;
  columnSpace_ = s.columnSpace_;
  fileName_ = s.fileName_;
  firstLineNumber_ = s.firstLineNumber_;
  firstPageNumber_ = s.firstPageNumber_;
  font_ = s.font_;
  footer_ = s.footer_;
  footerAlign_ = s.footerAlign_;
  header_ = s.header_;
  headerAlign_ = s.headerAlign_;
  lastLine_ = s.lastLine_;
  lastPage_ = s.lastPage_;
  lineNumber_ = s.lineNumber_;
  lineRangeOption_ = s.lineRangeOption_;
  marginBottom_ = s.marginBottom_;
  marginLeft_ = s.marginLeft_;
  marginLine_ = s.marginLine_;
  marginRight_ = s.marginRight_;
  marginTop_ = s.marginTop_;
  pageOption_ = s.pageOption_;
  rangeOption_ = s.rangeOption_;
  startLine_ = s.startLine_;
  startPage_ = s.startPage_;
}

bool TStringsPrinter::PrinterAvailable() const {
  const TPrinterServices* p = info_.Printer();
  return p && p->PrinterAvailable();
}

int TStringsPrinter::Dpi() const {
  const TPrinterServices* p = info_.Printer();
  if (!p) return 96;
  return p->PrinterAvailable() ? p->PrinterDpi() : p->ScreenDpi();
}

int TStringsPrinter::MmToPixels(int mm) const {
  // mm × dpi × 10 / 254: both exact, so the division is rounded once.
  return static_cast<int>(std::nearbyint(static_cast<double>(mm) * Dpi() * 10.0 / 254.0));
}

double TStringsPrinter::ScreenToPrinterRatio() const {
  if (!PrinterAvailable()) return 1.0;
  const TPrinterServices* p = info_.Printer();
  return p->PrinterDpi() > 0 ? static_cast<double>(p->ScreenDpi()) / p->PrinterDpi() : 1.0;
}

TPrintOffsets TStringsPrinter::PrintableOffsets() const {
  if (!PrinterAvailable()) return {};
  const TPrintOffsets o = info_.Printer()->Offsets();
  return {std::max(0, o.Left), std::max(0, o.Top), std::max(0, o.Right), std::max(0, o.Bottom)};
}

std::string TStringsPrinter::ExpandHeaderText(std::string_view tmpl) const {
  std::tm now{};
  bool haveNow = false;
  const auto time = [&]() -> const std::tm& {
    if (!haveNow) {
      if (clock_) {
        now = clock_();
      } else {
        const std::time_t t = std::time(nullptr);
        localtime_r(&t, &now);
      }
      haveNow = true;
    }
    return now;
  };
  std::string out;
  out.reserve(tmpl.size() + 16);
  for (std::size_t i = 0; i < tmpl.size(); ++i) {
    const char c = tmpl[i];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i + 1 == tmpl.size()) {  // a "%" that ends the template prints as itself
      out += '%';
      break;
    }
    const char k = tmpl[++i];
    switch (k) {
      case 'F': {
        // The name after the last separator, found by characters so that the
        // trail byte of 表 (95 5C) is no separator.
        std::size_t start = 0;
        for (std::size_t j = 0; j < fileName_.size();) {
          const std::size_t len = CharLength(fileName_, j);
          if (len == 1 && (fileName_[j] == '\\' || fileName_[j] == '/')) start = j + 1;
          j += len;
        }
        out += fileName_.substr(start);
        break;
      }
      case 'f': out += fileName_; break;
      case 'p': out += std::to_string(pageNumber_); break;
      case 'y': out += std::to_string(time().tm_year + 1900); break;
      case 'm': out += std::to_string(time().tm_mon + 1); break;
      case 'd': out += std::to_string(time().tm_mday); break;
      case 't': {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%d:%02d:%02d", time().tm_hour, time().tm_min, time().tm_sec);
        out += buf;
        break;
      }
      default: out += k; break;
    }
  }
  return out;
}

int TStringsPrinter::PageNumberAt(int i) const {
  return rangeOption_ == roLimited ? i + firstPageNumber_ - startPage_ + 1 : i + firstPageNumber_;
}

bool TStringsPrinter::PageSelected(int i) const {
  if (rangeOption_ == roLimited && (i + 1 < startPage_ || i + 1 > lastPage_)) return false;
  const int number = PageNumberAt(i);
  if (number <= 0) return false;
  if (pageOption_ == poOdd && number % 2 == 0) return false;
  if (pageOption_ == poEven && number % 2 != 0) return false;
  return true;
}

TPrintResult TStringsPrinter::PrintPages(const TMetaFileList& pages, TPrintCanvas& canvas, std::string* error) {
  std::vector<int> selected;
  for (int i = 0; i < pages.Count(); ++i) {
    if (PageSelected(i)) selected.push_back(i);
  }
  if (selected.empty()) return TPrintResult::prNothingSelected;
  bool begun = false;
  try {
    canvas.BeginDoc();
    begun = true;
    for (std::size_t k = 0; k < selected.size(); ++k) {
      if (k > 0) canvas.NewPage();
      const TMetaFile& page = pages[selected[k]];
      canvas.DrawPage(page, {0, 0, page.Width(), page.Height()});
    }
    canvas.EndDoc();
  } catch (const TPrintError& e) {
    if (error) *error = e.what();
    if (begun) {
      try {
        canvas.EndDoc();
      } catch (const TPrintError&) {
        // The first failure is the one reported.
      }
    }
    return TPrintResult::prFailed;
  }
  return TPrintResult::prPrinted;
}

TPrintResult TStringsPrinter::Print(const std::vector<std::string>& lines, TTextMeasurer& measurer,
                                    TPrintCanvas& canvas, TPrintProgress* progress, std::string* error) {
  TMetaFileList pages;
  try {
    if (!LayoutPages(lines, pages, kPrintingStatus, measurer, progress)) return TPrintResult::prCancelled;
  } catch (const TPrintError& e) {
    if (error) *error = e.what();
    return TPrintResult::prFailed;
  }
  return PrintPages(pages, canvas, error);
}

bool TStringsPrinter::LayoutPreview(const std::vector<std::string>& lines, TMetaFileList& pages,
                                    TTextMeasurer& measurer, TPrintProgress* progress) {
  if (!LayoutPages(lines, pages, kPreviewStatus, measurer, progress)) return false;
  if (rangeOption_ == roLimited && pages.Count() > 1) {
    startPage_ = std::min(startPage_, pages.Count());
    lastPage_ = std::max(lastPage_, startPage_);
    pages.Keep(startPage_ - 1, lastPage_ - 1);
  }
  return true;
}

}  // namespace tamber
