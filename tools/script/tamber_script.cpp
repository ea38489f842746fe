// tamber-script: runs a script program on the command line with the engine the
// script window uses.
//
//   tamber-script FILE.pas     run FILE (Shift-JIS or UTF-8 text)
//   tamber-script -            read the script from standard input
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>

#include "encoding/cp932_codec.h"
#include "encoding/file_code.h"
#include "encoding/file_io.h"
#include "script/script_engine.h"
#include "script/script_system.h"
#ifdef TAMBER_SCRIPT_WINDOWS
#include "script/ui/qt_script_window_host.h"
#endif

namespace {

using namespace tamber;
using namespace tamber::script;

const char* kUsage =
    "usage: tamber-script FILE.pas\n"
    "       tamber-script -\n"
    "\n"
    "Loads FILE (or standard input for -) as a script program, read as the editor\n"
    "reads a file (Shift-JIS or UTF-8, its code recognised), and runs it with the\n"
    "built-in library and a procedure Writeln(s: string) that writes s and a line\n"
    "feed to standard output in UTF-8. Nesting is limited to 1000 levels, as in the\n"
    "script window. A unit named in a uses clause is read from NAME.IFS beside FILE.\n"
    "The window classes (TForm, TBUTTON, ...) open real windows: they need a display,\n"
    "or QT_QPA_PLATFORM=offscreen.\n"
    "\n"
    "Exit status 0 when the run ends without an error. Otherwise the error is\n"
    "printed on standard error as: CODE LINE:COLUMN MESSAGE (MODULE), with LINE\n"
    "and COLUMN counted from 1 in the script's text, and the status is 1.\n";

// The text as the editor holds it: converted to Shift-JIS, breaks CR LF.
std::string AsEditorText(const std::string& bytes, const std::string& path) {
  const int probe = ProbeBytes(bytes);
  if (probe == pfBinary) return bytes;
  return ClassifyOpenedFile(probe, FileExtension(path), bytes, /*kanjiAuto=*/true).text;
}

struct Host {
#ifdef TAMBER_SCRIPT_WINDOWS
  // Made on the first window a script opens.
  std::unique_ptr<TQtScriptWindowHost> windows = std::make_unique<TQtScriptWindowHost>();
  ScriptWindowHost* Windows() { return windows.get(); }
#else
  ScriptWindowHost* Windows() { return nullptr; }
#endif
  std::string folder;
  struct Source {
    std::string module;
    std::string text;
  };
  std::vector<Source> sources;  // the main text first, then each unit's
  std::vector<std::string> loading;  // units being loaded, to refuse cycles
};

void Configure(TIfPasScript& engine, Host& host);

std::uint16_t Uses(TIfPasScript& engine, Host& host, const std::string& name) {
  if (name == "SYSTEM") {
    RegisterSystemLibrary(engine, host.Windows());
    engine.RegisterFunction(
        [](TIfPasScript&, void*, TProcedure&, Value*, std::span<Value> args) -> std::uint16_t {
          const std::string line = Cp932ToUtf8(ReadString(Deref(args[0]))) + "\n";
          std::fwrite(line.data(), 1, line.size(), stdout);
          return 0;
        },
        "procedure Writeln(s: string)");
    return 0;
  }
  for (const std::string& l : host.loading)
    if (l == name) return ecDuplicateIdentifier;  // a cycle of uses
  std::string bytes;
  std::string path;
  for (std::string file : {name + ".IFS", name + ".ifs"}) {
    // Unit files are looked up by the name as written too (lower case).
    try {
      path = host.folder + file;
      bytes = ReadWholeFile(path);
      break;
    } catch (const std::system_error&) {
      path.clear();
    }
  }
  if (path.empty()) {
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    try {
      path = host.folder + lower + ".ifs";
      bytes = ReadWholeFile(path);
    } catch (const std::system_error&) {
      return ecUnitNotFound;
    }
  }
  auto unit = std::make_unique<TIfPasScript>();
  Configure(*unit, host);
  unit->SetMaxDepth(engine.MaxDepth());
  host.loading.push_back(name);
  const std::string text = AsEditorText(bytes, path);
  unit->LoadScript(text);
  host.loading.pop_back();
  if (unit->ErrorCode() != 0) {
    host.sources.push_back({unit->ErrorModule(), text});
    engine.SetErrorAt(unit->ErrorCode(), unit->ErrorPosition(), unit->ErrorText());
    return unit->ErrorCode();
  }
  host.sources.push_back({unit->ModuleName(), text});
  if (!engine.AttachUnit(unit.get(), true)) return ecUnitNotFound;
  unit.release();
  return 0;
}

void Configure(TIfPasScript& engine, Host& host) {
  engine.SetOnUses([&host](TIfPasScript& e, void*, const std::string& name) { return Uses(e, host, name); });
}

void LineColumn(const std::string& text, std::int32_t pos, int* line, int* col) {
  *line = 1;
  *col = 1;
  if (pos < 0) return;
  for (std::int32_t k = 0; k < pos && k < static_cast<std::int32_t>(text.size()); ++k) {
    if (text[k] == '\n') {
      ++*line;
      *col = 1;
    } else if (text[k] != '\r') {
      ++*col;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    (argc == 2 ? std::cout : std::cerr) << kUsage;
    return argc == 2 ? 0 : 2;
  }
  const std::string path = argv[1];
  std::string bytes;
  Host host;
  if (path == "-") {
    bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else {
    try {
      bytes = ReadWholeFile(path);
    } catch (const std::system_error& e) {
      std::cerr << "tamber-script: " << path << ": " << e.code().message() << '\n';
      return 2;
    }
    const std::size_t slash = path.rfind('/');
    host.folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  }
  const std::string text = AsEditorText(bytes, path == "-" ? std::string(".pas") : path);
  host.sources.push_back({"", text});
  TIfPasScript engine;
  engine.SetMaxDepth(1000);
  Configure(engine, host);
  engine.LoadScript(text);
  if (engine.ErrorCode() == 0) {
    host.sources[0].module = engine.ModuleName();
    engine.RunMain();
  }
  std::fflush(stdout);
  const std::uint16_t code = engine.ErrorCode();
  engine.ClearScript();
  if (code == 0) return 0;
  // The position is in the text of the module that failed.
  const std::string* where = &host.sources[0].text;
  for (const auto& s : host.sources)
    if (!s.module.empty() && s.module == engine.ErrorModule()) where = &s.text;
  int line, col;
  LineColumn(*where, engine.ErrorPosition(), &line, &col);
  std::cerr << code << ' ' << line << ':' << col << ' ' << ErrorMessage(code, Cp932ToUtf8(engine.ErrorText())) << " ("
            << engine.ErrorModule() << ")\n";
  return 1;
}
