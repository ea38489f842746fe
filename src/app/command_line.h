// The program's command line: options and the files to open.
#pragma once

#include <QString>
#include <QStringList>

namespace tamber {

// The main window's tag, from which the about box builds its version text.
inline constexpr int kVersionTag = 700;

// "Ver" and the tag's digits with a point after the first one: 700 -> "Ver7.00".
QString VersionText(int tag = kVersionTag);

struct CommandLine {
  bool help = false;
  bool version = false;
  QStringList files;  // as typed, in order
  QString error;      // an unknown option; empty when the line is good
};

// args without the program name. "--" ends the options, so that a file whose
// name starts with "-" can be named; a lone "-" is a file name.
CommandLine ParseCommandLine(const QStringList& args);

// The text of --help.
QString HelpText();

}  // namespace tamber
