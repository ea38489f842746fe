// tamber-print: prints text files with the editor's print layout and its
// stored print settings, to PDF files or a system printer, for printing and
// archiving NC programs in batches.
//
//   tamber-print [--ini FILE] -o OUT.pdf FILE
//   tamber-print [--ini FILE] --out-dir DIR FILE…
//   tamber-print [--ini FILE] --printer NAME FILE…
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "encoding/cp932_codec.h"
#include "encoding/file_code.h"
#include "encoding/file_io.h"
#include "print/strings_printer.h"
#include "print/ui/qt_print_device.h"
#include "settings/settings_home.h"

namespace {

using namespace tamber;

const char* kUsage =
    "usage: tamber-print [--ini FILE] -o OUT.pdf FILE\n"
    "       tamber-print [--ini FILE] --out-dir DIR FILE...\n"
    "       tamber-print [--ini FILE] --printer NAME FILE...\n"
    "\n"
    "Lays each FILE out as the editor prints it (read in its own character code) with the\n"
    "print settings stored in the settings file (section Printer), and prints it:\n"
    "-o         to the PDF file OUT.pdf (one FILE)\n"
    "--out-dir  to DIR/NAME.pdf for each FILE named NAME\n"
    "--printer  to the system printer NAME\n"
    "--ini      read the print settings from FILE instead of the settings home's tamber.ini\n"
    "Exit status: 0 when every file was printed, 1 when one was not, 2 for a usage error.\n";

struct Options {
  std::string out, outDir, printer, ini;
  std::vector<std::string> files;
};

bool ParseArgs(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const auto value = [&](std::string& into) {
      if (i + 1 >= argc) return false;
      into = argv[++i];
      return true;
    };
    if (a == "-o") {
      if (!value(o.out)) return false;
    } else if (a == "--out-dir") {
      if (!value(o.outDir)) return false;
    } else if (a == "--printer") {
      if (!value(o.printer)) return false;
    } else if (a == "--ini") {
      if (!value(o.ini)) return false;
    } else if (a == "--") {
      for (++i; i < argc; ++i) o.files.push_back(argv[i]);
    } else if (a.size() > 1 && a[0] == '-') {
      return false;
    } else {
      o.files.push_back(a);
    }
  }
  const int targets = !o.out.empty() + !o.outDir.empty() + !o.printer.empty();
  if (targets != 1 || o.files.empty()) return false;
  return o.out.empty() || o.files.size() == 1;
}

// The file as the editor holds it, one string per logical line.
std::vector<std::string> ReadLines(const std::string& path) {
  const std::string bytes = ReadWholeFile(path);
  const int probe = ProbeBytes(bytes);
  if (probe == pfBinary) throw std::runtime_error("a binary file is not printed");
  const std::string text = ClassifyOpenedFile(probe, FileExtension(path), bytes, /*kanjiAuto=*/true).text;
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t br = text.find("\r\n", start);
    if (br == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, br - start));
    start = br + 2;
  }
  return lines;
}

// The print settings of the editor's main window, then the stored ones.
void LoadSettings(TStringsPrinter& p, const std::string& ini) {
  p.SetMarginTop(20);
  p.SetMarginBottom(20);
  p.SetMarginLeft(20);
  p.SetMarginRight(20);
  if (!ini.empty() && std::filesystem::exists(ini)) p.ReadComponentFromIni(ini, "Printer", "Property");
}

std::string DefaultIni() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return SettingsFilePath(SettingsHome(ec ? std::string(".") : exe.parent_path().string()));
}

std::string FileNameForKeywords(const std::string& path) {
  return IsValidUtf8(path) ? Utf8ToCp932(path) : path;
}

// Prints one file; false (with the reason on standard error) when it was not printed.
bool PrintFile(const Options& o, const TStringsPrinter& settings, const std::string& file,
               const std::string& pdf) {
  const auto fail = [&](const std::string& why) {
    std::cerr << "tamber-print: " << file << ": " << why << '\n';
    return false;
  };
  std::vector<std::string> lines;
  try {
    lines = ReadLines(file);
  } catch (const std::system_error& e) {
    return fail(e.code().message());
  } catch (const std::exception& e) {
    return fail(e.what());
  }
  TStringsPrinter p;
  p.Assign(settings);
  p.SetFileName(FileNameForKeywords(file));

  QPrinter printer(QPrinter::HighResolution);
  const QString part = QString::fromStdString(pdf + ".part");
  if (o.printer.empty()) {
    TQtPrintDevice::SetUpPdf(printer, part);
    printer.setPageSize(QPageSize(QPageSize::A4));
  } else {
    const QString name = QString::fromStdString(o.printer);
    if (QPrinterInfo::printerInfo(name).isNull()) return fail("no printer named " + o.printer);
    printer.setPrinterName(name);
    if (!printer.isValid() || printer.printerName() != name) return fail("cannot use the printer " + o.printer);
  }
  printer.setDocName(QFileInfo(QString::fromStdString(file)).fileName());
  TQtPrintDevice device(printer);
  p.SetPrinter(&device);
  std::string error;
  const TPrintResult result = p.Print(lines, device, device, nullptr, &error);
  if (result != TPrintResult::prPrinted) QFile::remove(part);
  switch (result) {
    case TPrintResult::prPrinted: break;
    case TPrintResult::prCancelled: return fail("cancelled");
    case TPrintResult::prNothingSelected: return fail("the page range selects no page");
    case TPrintResult::prFailed: return fail(error);
  }
  if (o.printer.empty()) {
    std::error_code ec;
    std::filesystem::rename(part.toStdString(), pdf, ec);
    if (ec) {
      QFile::remove(part);
      return fail(pdf + ": " + ec.message());
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseArgs(argc, argv, o)) {
    std::cerr << kUsage;
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);

  if (!o.ini.empty() && !std::filesystem::exists(o.ini)) {
    std::cerr << "tamber-print: " << o.ini << ": no such file\n";
    return 1;
  }
  TStringsPrinter settings;
  try {
    LoadSettings(settings, o.ini.empty() ? DefaultIni() : o.ini);
  } catch (const std::exception& e) {
    std::cerr << "tamber-print: " << o.ini << ": " << e.what() << '\n';
    return 1;
  }
  int status = 0;
  for (const std::string& file : o.files) {
    std::string pdf = o.out;
    if (!o.outDir.empty()) {
      pdf = (std::filesystem::path(o.outDir) / (std::filesystem::path(file).filename().string() + ".pdf")).string();
    }
    if (!PrintFile(o, settings, file, pdf)) status = 1;
  }
  return status;
}
