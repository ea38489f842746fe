#include "print/ui/qt_print_device.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>

#include "encoding/cp932_codec.h"
#include "print/metafile.h"

namespace tamber {
namespace {

QString FromCp932(std::string_view s) {
  const std::u16string u = Cp932ToUtf16(s);
  return QString(reinterpret_cast<const QChar*>(u.data()), static_cast<qsizetype>(u.size()));
}

std::string ToCp932(const QString& s) { return Utf8ToCp932(s.toStdString()); }

QColor ToQColor(TColor c) {
  if (IsSystemColor(c) || c == clNone || c == clDefault) return Qt::black;  // paper is white
  return QColor(static_cast<int>(RedOf(c)), static_cast<int>(GreenOf(c)), static_cast<int>(BlueOf(c)));
}

}  // namespace

QFont PrintFont(const TFontData& f, int pixelSize) {
  QFont font(QString::fromStdString(Cp932ToUtf8(f.Name)));
  font.setPixelSize(std::max(1, pixelSize));
  font.setBold(f.Style & fsBold);
  font.setItalic(f.Style & fsItalic);
  font.setUnderline(f.Style & fsUnderline);
  font.setStrikeOut(f.Style & fsStrikeOut);
  font.setKerning(false);
  font.setStyleStrategy(QFont::PreferNoShaping);
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

TQtPrintDevice::TQtPrintDevice(QPrinter& printer) : printer_(printer) {}
TQtPrintDevice::~TQtPrintDevice() {
  if (painter_ && painter_->isActive()) painter_->end();
}

void TQtPrintDevice::SetUpPdf(QPrinter& printer, const QString& outFile) {
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(outFile);
  printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

bool TQtPrintDevice::IsPdf() const { return printer_.outputFormat() == QPrinter::PdfFormat; }

bool TQtPrintDevice::PrinterAvailable() const { return IsPdf() || printer_.isValid(); }

int TQtPrintDevice::ScreenDpi() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? static_cast<int>(std::lround(screen->logicalDotsPerInchX())) : 96;
}

int TQtPrintDevice::PrinterDpi() const { return printer_.logicalDpiX(); }

bool TQtPrintDevice::Landscape() const { return printer_.pageLayout().orientation() == QPageLayout::Landscape; }

int TQtPrintDevice::PageWidth() const { return printer_.width(); }
int TQtPrintDevice::PageHeight() const { return printer_.height(); }

TPrintOffsets TQtPrintDevice::Offsets() const {
  const QRectF paper = printer_.paperRect(QPrinter::DevicePixel);
  const QRectF page = printer_.pageRect(QPrinter::DevicePixel);
  return {static_cast<int>(std::lround(page.left() - paper.left())),
          static_cast<int>(std::lround(page.top() - paper.top())),
          static_cast<int>(std::lround(paper.right() - page.right())),
          static_cast<int>(std::lround(paper.bottom() - page.bottom()))};
}

int TQtPrintDevice::PrinterIndex() const {
  if (IsPdf()) return 0;
  const int i = static_cast<int>(QPrinterInfo::availablePrinterNames().indexOf(printer_.printerName()));
  return i;
}

std::string TQtPrintDevice::PrinterName() const {
  return IsPdf() ? std::string("PDF") : ToCp932(printer_.printerName());
}

int TQtPrintDevice::PaperCode() const {
  return QPageSize::windowsId(printer_.pageLayout().pageSize().id());
}

void TQtPrintDevice::DriverPapers(std::vector<TPaperItem>& out) const {
  if (IsPdf()) return;
  const QPrinterInfo info(printer_);
  if (info.isNull()) throw TPrintError("The printer does not answer.");
  for (const QPageSize& size : info.supportedPageSizes()) {
    const QSizeF mm = size.size(QPageSize::Millimeter);
    out.push_back({ToCp932(size.name().left(64)), static_cast<int>(std::lround(mm.width() * 10)),
                   static_cast<int>(std::lround(mm.height() * 10)), size.windowsId()});
  }
}

TFontMetrics TQtPrintDevice::SelectFont(const TFontData& font, int pixelSize) {
  metrics_ = std::make_unique<QFontMetrics>(PrintFont(font, pixelSize), &printer_);
  return {metrics_->height(), metrics_->ascent(), metrics_->leading(), metrics_->averageCharWidth()};
}

int TQtPrintDevice::CharWidth(std::string_view ch) {
  return metrics_ ? metrics_->horizontalAdvance(FromCp932(ch)) : 0;
}

void TQtPrintDevice::BeginDoc() {
  painter_ = std::make_unique<QPainter>();
  if (!painter_->begin(&printer_)) {
    painter_.reset();
    const QString where = IsPdf() ? printer_.outputFileName() : printer_.printerName();
    throw TPrintError("Cannot start printing on " + where.toStdString() + ".");
  }
}

void TQtPrintDevice::NewPage() {
  if (!printer_.newPage()) throw TPrintError("The printer refused a new page.");
}

void TQtPrintDevice::DrawPage(const TMetaFile& page, const TPrintRect& target) {
  if (!painter_) throw TPrintError("No print job is open.");
  QPainter& p = *painter_;
  p.save();
  const TMetaStretch s = page.StretchInto(target);
  p.setTransform(QTransform(s.ScaleX, 0, 0, s.ScaleY, s.OffsetX, s.OffsetY));
  std::vector<QFont> fonts;
  for (const TMetaFont& f : page.Fonts()) fonts.push_back(PrintFont(f.Font, f.PixelSize));
  int currentFont = -1;
  TColor currentColor = clNone;
  TPrintRect currentClip{-1, -1, -1, -1};
  for (const TMetaRecord& r : page.Records()) {
    switch (r.Kind) {
      case TMetaKind::mkText: {
        if (r.Font != currentFont && r.Font >= 0 && r.Font < static_cast<int>(fonts.size())) {
          p.setFont(fonts[static_cast<std::size_t>(r.Font)]);
          currentFont = r.Font;
        }
        if (r.Color != currentColor) {
          p.setPen(ToQColor(r.Color));
          currentColor = r.Color;
        }
        if (!r.Clipped) {
          if (p.hasClipping()) p.setClipping(false);
          currentClip = {-1, -1, -1, -1};
        } else if (!(r.Box == currentClip)) {
          p.setClipRect(QRect(r.Box.Left, r.Box.Top, r.Box.Width(), r.Box.Height()));
          currentClip = r.Box;
        }
        p.drawText(QPoint(r.X, r.Y), FromCp932(r.Text));
        break;
      }
      case TMetaKind::mkLine:
        if (p.hasClipping()) p.setClipping(false);
        currentClip = {-1, -1, -1, -1};
        p.setPen(QPen(ToQColor(r.Color), r.Font));
        currentColor = clNone;
        p.drawLine(r.X, r.Y, r.X2, r.Y2);
        break;
      case TMetaKind::mkFill:
        if (p.hasClipping()) p.setClipping(false);
        currentClip = {-1, -1, -1, -1};
        p.fillRect(QRect(r.Box.Left, r.Box.Top, r.Box.Width(), r.Box.Height()), ToQColor(r.Color));
        break;
    }
  }
  p.restore();
}

void TQtPrintDevice::EndDoc() {
  if (!painter_) return;
  const bool ok = painter_->end();
  painter_.reset();
  if (!ok) throw TPrintError("The printer did not finish the job.");
}

}  // namespace tamber
