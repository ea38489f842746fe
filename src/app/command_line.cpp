#include "app/command_line.h"

namespace tamber {

QString VersionText(int tag) {
  QString digits = QString::number(tag);
  if (digits.size() > 1) digits.insert(1, QLatin1Char('.'));
  return QStringLiteral("Ver") + digits;
}

CommandLine ParseCommandLine(const QStringList& args) {
  CommandLine line;
  bool options = true;
  for (const QString& a : args) {
    if (options && a == QLatin1String("--")) {
      options = false;
    } else if (options && (a == QLatin1String("--help") || a == QLatin1String("-h"))) {
      line.help = true;
    } else if (options && (a == QLatin1String("--version") || a == QLatin1String("-v"))) {
      line.version = true;
    } else if (options && a.size() > 1 && a.startsWith(QLatin1Char('-'))) {
      if (line.error.isEmpty()) line.error = QStringLiteral("unknown option: ") + a;
    } else {
      line.files << a;
    }
  }
  return line;
}

QString HelpText() {
  return QStringLiteral(
      "Usage: tamber [OPTION]... [FILE]...\n"
      "Tamber, a text editor for Japanese text and program sources.\n"
      "\n"
      "Opens each FILE in a window of its own, reading it in the character code it\n"
      "is written in (Shift-JIS, JIS, EUC-JP or UTF-8). When Tamber runs already,\n"
      "the files are handed to the running editor, which opens them and comes to\n"
      "the front; a start without files only brings it forward.\n"
      "\n"
      "  -h, --help     show this help and exit\n"
      "  -v, --version  show the version and exit\n"
      "  --             end of options: later arguments are files\n");
}

}  // namespace tamber
