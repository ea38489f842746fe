#include "print/strings_printer_info.h"

#include <array>
#include <cmath>

namespace tamber {
namespace {

// Sizes rounded to whole mm from the platform's page sizes for each code;
// Folio (8.5 × 13 in) and the two reserved codes have no page size there.
constexpr std::array<TPaperTableEntry, kLastPaperCode> kPaperTable{{
    {"DMPAPER_LETTER", 216, 279},
    {"DMPAPER_LETTERSMALL", 216, 279},
    {"DMPAPER_TABLOID", 279, 432},
    {"DMPAPER_LEDGER", 432, 279},
    {"DMPAPER_LEGAL", 216, 356},
    {"DMPAPER_STATEMENT", 140, 216},
    {"DMPAPER_EXECUTIVE", 184, 267},
    {"DMPAPER_A3", 297, 420},
    {"DMPAPER_A4", 210, 297},
    {"DMPAPER_A4SMALL", 210, 297},
    {"DMPAPER_A5", 148, 210},
    {"DMPAPER_B4", 257, 364},
    {"DMPAPER_B5", 182, 257},
    {"DMPAPER_FOLIO", 216, 330},
    {"DMPAPER_QUARTO", 216, 275},
    {"DMPAPER_10X14", 254, 356},
    {"DMPAPER_11X17", 279, 432},
    {"DMPAPER_NOTE", 216, 279},
    {"DMPAPER_ENV_9", 98, 225},
    {"DMPAPER_ENV_10", 105, 241},
    {"DMPAPER_ENV_11", 114, 264},
    {"DMPAPER_ENV_12", 121, 279},
    {"DMPAPER_ENV_14", 127, 292},
    {"DMPAPER_CSHEET", 457, 610},
    {"DMPAPER_DSHEET", 610, 914},
    {"DMPAPER_ESHEET", 914, 1219},
    {"DMPAPER_ENV_DL", 110, 220},
    {"DMPAPER_ENV_C5", 162, 229},
    {"DMPAPER_ENV_C3", 324, 458},
    {"DMPAPER_ENV_C4", 229, 324},
    {"DMPAPER_ENV_C6", 114, 162},
    {"DMPAPER_ENV_C65", 114, 229},
    {"DMPAPER_ENV_B4", 250, 353},
    {"DMPAPER_ENV_B5", 176, 250},
    {"DMPAPER_ENV_B6", 176, 125},
    {"DMPAPER_ENV_ITALY", 110, 230},
    {"DMPAPER_ENV_MONARCH", 98, 191},
    {"DMPAPER_ENV_PERSONAL", 92, 165},
    {"DMPAPER_FANFOLD_US", 378, 279},
    {"DMPAPER_FANFOLD_STD_GERMAN", 216, 305},
    {"DMPAPER_FANFOLD_LGL_GERMAN", 216, 330},
    {"DMPAPER_ISO_B4", 250, 353},
    {"DMPAPER_JAPANESE_POSTCARD", 100, 148},
    {"DMPAPER_9X11", 229, 279},
    {"DMPAPER_10X11", 254, 279},
    {"DMPAPER_15X11", 381, 279},
    {"DMPAPER_ENV_INVITE", 220, 220},
    {"DMPAPER_RESERVED_48", 100, 100},
    {"DMPAPER_RESERVED_49", 100, 100},
    {"DMPAPER_LETTER_EXTRA", 241, 305},
    {"DMPAPER_LEGAL_EXTRA", 241, 381},
    {"DMPAPER_TABLOID_EXTRA", 305, 457},
    {"DMPAPER_A4_EXTRA", 236, 322},
    {"DMPAPER_LETTER_TRANSVERSE", 216, 279},
    {"DMPAPER_A4_TRANSVERSE", 210, 297},
    {"DMPAPER_LETTER_EXTRA_TRANSVERSE", 241, 305},
    {"DMPAPER_A_PLUS", 227, 356},
    {"DMPAPER_B_PLUS", 305, 487},
    {"DMPAPER_LETTER_PLUS", 216, 322},
    {"DMPAPER_A4_PLUS", 210, 330},
    {"DMPAPER_A5_TRANSVERSE", 148, 210},
    {"DMPAPER_B5_TRANSVERSE", 182, 257},
    {"DMPAPER_A3_EXTRA", 322, 445},
    {"DMPAPER_A5_EXTRA", 174, 235},
    {"DMPAPER_B5_EXTRA", 201, 276},
    {"DMPAPER_A2", 420, 594},
    {"DMPAPER_A3_TRANSVERSE", 297, 420},
    {"DMPAPER_A3_EXTRA_TRANSVERSE", 322, 445},
}};

constexpr std::string_view kUnknownPrinter = "\x95\x73\x96\xbe";  // 不明

int TenthsToMm(int v) { return static_cast<int>(std::trunc(v / 10.0 + 0.5)); }

}  // namespace

const TPaperTableEntry* BuiltInPaper(int code) {
  if (code < kFirstPaperCode || code > kLastPaperCode) return nullptr;
  return &kPaperTable[static_cast<std::size_t>(code - 1)];
}

std::string TStringsPrinterInfo::PrinterName() const {
  if (!printer_ || !printer_->PrinterAvailable() || printer_->PrinterIndex() < 0) {
    return std::string(kUnknownPrinter);
  }
  return printer_->PrinterName();
}

int TStringsPrinterInfo::PaperCode() const {
  if (!printer_ || !printer_->PrinterAvailable()) return kDefaultPaperCode;
  return printer_->PaperCode();
}

void TStringsPrinterInfo::RefreshPapers() {
  const int index = printer_ && printer_->PrinterAvailable() ? printer_->PrinterIndex() : -1;
  if (index == lastIndex_) return;
  lastIndex_ = index;
  papers_.clear();
  if (index < 0) return;
  std::vector<TPaperItem> raw;
  try {
    printer_->DriverPapers(raw);
  } catch (const TPrintError&) {
    // The papers read before the failure stay.
  }
  for (TPaperItem& p : raw) {
    p.Width = TenthsToMm(p.Width);
    p.Height = TenthsToMm(p.Height);
    papers_.push_back(std::move(p));
  }
}

const TPaperItem* TStringsPrinterInfo::FindPaper(int code) const {
  for (const TPaperItem& p : papers_) {
    if (p.Code == code) return &p;
  }
  return nullptr;
}

std::string TStringsPrinterInfo::PaperName() {
  RefreshPapers();
  const int code = PaperCode();
  if (const TPaperItem* p = FindPaper(code)) return p->Name;
  if (const TPaperTableEntry* e = BuiltInPaper(code)) return std::string(e->Name);
  return {};
}

TPaperSize TStringsPrinterInfo::PaperSize() {
  RefreshPapers();
  const int code = PaperCode();
  if (const TPaperItem* p = FindPaper(code)) return {p->Width, p->Height};
  if (const TPaperTableEntry* e = BuiltInPaper(code)) return {e->Width, e->Height};
  return {};
}

}  // namespace tamber
