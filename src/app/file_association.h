// The association of plain text files with Tamber, as the Linux desktop keeps
// it: `xdg-mime default tamber.desktop text/plain` makes Tamber the default
// application, after the previous default has been remembered in the
// settings file so that it can be given back.
//
// The programs run behind TProgramRunner, so tests put a fake in its place.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace tamber {

class TRegManager;

// What a run of a program gave.
struct TProgramResult {
  bool Started = false;   // false: the program is missing or cannot be run
  bool Finished = false;  // false: it was stopped after waiting too long
  int ExitCode = -1;
  QString Output;  // standard output, trimmed
  QString Errors;  // standard error, trimmed
};

class TProgramRunner {
 public:
  virtual ~TProgramRunner() = default;
  virtual TProgramResult Run(const QString& program, const QStringList& arguments) = 0;
};

// Runs the program found on PATH and waits for it (kWaitMs at most).
class TProcessRunner : public TProgramRunner {
 public:
  static constexpr int kWaitMs = 15000;
  TProgramResult Run(const QString& program, const QStringList& arguments) override;
};

struct TAssociationResult {
  enum TKind { arDone, arNothingToRestore, arFailed };
  TKind Kind = arFailed;
  QString Message;  // for arNothingToRestore and arFailed
};

class TTextAssociation {
 public:
  static constexpr const char* kMimeType = "text/plain";
  static constexpr const char* kDesktopFile = "tamber.desktop";

  // programPath is the executable a desktop entry written here starts.
  TTextAssociation(TRegManager& settings, TProgramRunner& runner, QString programPath);

  // Remembers the current default (unless it is Tamber already), makes sure
  // the desktop finds a tamber.desktop, makes it the default and checks that
  // the desktop now answers with it.
  TAssociationResult Associate();
  // Gives the remembered default back and forgets it.
  TAssociationResult Restore();

  // Where the desktop looks for tamber.desktop ($XDG_DATA_HOME or
  // ~/.local/share, then $XDG_DATA_DIRS or /usr/local/share:/usr/share), each
  // followed by "/applications"; the first is where one is written.
  static QStringList ApplicationDirs();

 private:
  // Runs xdg-mime; on failure fills result with the message.
  bool XdgMime(const QStringList& arguments, QString* output, TAssociationResult* result);
  bool EnsureDesktopEntry(TAssociationResult* result);

  TRegManager& settings_;
  TProgramRunner& runner_;
  QString programPath_;
};

// The desktop entry written when none is installed: it starts programPath.
QString DesktopEntryText(const QString& programPath);

}  // namespace tamber
