// The current printer's name and paper, for the layout (where the printable
// area lies on the sheet) and the print dialog.
//
// The built-in paper table holds the standard paper codes 1..68 with their
// names; its sizes are the papers' real sizes (as the platform's page-size
// list gives them), used when the driver does not list the paper.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "print/print_device.h"

namespace tamber {

inline constexpr int kFirstPaperCode = 1;
inline constexpr int kLastPaperCode = 68;
// The paper code assumed when the printer cannot be asked (A4).
inline constexpr int kDefaultPaperCode = 9;

struct TPaperTableEntry {
  std::string_view Name;
  int Width;   // mm
  int Height;  // mm
};

// The table entry for code, or nullptr outside 1..68.
const TPaperTableEntry* BuiltInPaper(int code);

using TPaperItemList = std::vector<TPaperItem>;

struct TPaperSize {
  int Width = 0;   // mm
  int Height = 0;  // mm
  bool operator==(const TPaperSize&) const = default;
};

class TStringsPrinterInfo {
 public:
  explicit TStringsPrinterInfo(const TPrinterServices* printer = nullptr) : printer_(printer) {}
  virtual ~TStringsPrinterInfo() = default;

  void SetPrinter(const TPrinterServices* printer) { printer_ = printer; }
  const TPrinterServices* Printer() const { return printer_; }

  // "不明" (CP932) without a printer.
  std::string PrinterName() const;
  // The device's paper code; 9 without a printer.
  int PaperCode() const;
  // The driver's name for the paper, else the table's; empty for an unknown code.
  std::string PaperName();
  // The driver's size, else the table's; 0 × 0 for an unknown code.
  TPaperSize PaperSize();
  // Rebuilds the paper list when the printer changed since the last call.
  virtual void RefreshPapers();

  const TPaperItemList& Papers() const { return papers_; }
  int LastPrinterIndex() const { return lastIndex_; }

 private:
  const TPaperItem* FindPaper(int code) const;

  const TPrinterServices* printer_;
  int lastIndex_ = -1;
  TPaperItemList papers_;
};

}  // namespace tamber
