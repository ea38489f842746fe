#include "app/file_association.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

#include "encoding/cp932_codec.h"
#include "settings/reg_manager.h"

namespace tamber {

namespace {

const char* const kXdgMime = "xdg-mime";
const char* const kRememberedItem = "PreviousTextDefault";

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

TAssociationResult Failure(const QString& message) { return {TAssociationResult::arFailed, message}; }

QString EnvPath(const char* name, const QString& fallback) {
  const QString v = qEnvironmentVariable(name);
  return v.isEmpty() ? fallback : v;
}

// One argument of an Exec line: quoted, with the characters that are special
// inside quotes escaped; then the escapes of a desktop entry's string value.
QString ExecArgument(const QString& arg) {
  QString quoted = QStringLiteral("\"");
  for (const QChar c : arg) {
    if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
      quoted += QLatin1Char('\\');
    quoted += c;
  }
  quoted += QLatin1Char('"');
  quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
  quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
  return quoted;
}

}  // namespace

TProgramResult TProcessRunner::Run(const QString& program, const QStringList& arguments) {
  TProgramResult r;
  QProcess p;
  p.setStandardInputFile(QProcess::nullDevice());
  p.start(program, arguments);
  if (!p.waitForStarted(kWaitMs)) return r;
  r.Started = true;
  r.Finished = p.waitForFinished(kWaitMs);
  if (!r.Finished) {
    p.kill();
    p.waitForFinished(1000);
  }
  r.ExitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.Output = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
  r.Errors = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
  return r;
}

QString DesktopEntryText(const QString& programPath) {
  return QStringLiteral(
             "[Desktop Entry]\n"
             "Type=Application\n"
             "Name=Tamber\n"
             "Name[ja]=Tamberエディタ\n"
             "GenericName=Text Editor\n"
             "GenericName[ja]=テキストエディタ\n"
             "Exec=%1 %F\n"
             "Icon=tamber\n"
             "Terminal=false\n"
             "Categories=Utility;TextEditor;\n"
             "MimeType=text/plain;\n")
      .replace(QStringLiteral("%1"), ExecArgument(programPath));
}

TTextAssociation::TTextAssociation(TRegManager& settings, TProgramRunner& runner, QString programPath)
    : settings_(settings), runner_(runner), programPath_(std::move(programPath)) {}

QStringList TTextAssociation::ApplicationDirs() {
  QStringList dirs{EnvPath("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share"))};
  for (const QString& d : EnvPath("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"))
                              .split(QLatin1Char(':'), Qt::SkipEmptyParts))
    dirs << d;
  for (QString& d : dirs) d += QStringLiteral("/applications");
  return dirs;
}

bool TTextAssociation::XdgMime(const QStringList& arguments, QString* output, TAssociationResult* result) {
  const TProgramResult r = runner_.Run(QString::fromUtf8(kXdgMime), arguments);
  if (!r.Started) {
    *result = Failure(U("xdg-mime を起動できません。\r\n"
                        "関連付けには xdg-utils パッケージの xdg-mime が必要です。"));
    return false;
  }
  if (!r.Finished || r.ExitCode != 0) {
    QString text = r.Finished ? U("xdg-mime %1 が失敗しました（終了コード %2）。").arg(arguments.join(QLatin1Char(' '))).arg(r.ExitCode)
                              : U("xdg-mime %1 が終わりません。").arg(arguments.join(QLatin1Char(' ')));
    if (!r.Errors.isEmpty()) text += QStringLiteral("\r\n") + r.Errors;
    *result = Failure(text);
    return false;
  }
  if (output) *output = r.Output;
  return true;
}

bool TTextAssociation::EnsureDesktopEntry(TAssociationResult* result) {
  const QStringList dirs = ApplicationDirs();
  for (const QString& d : dirs) {
    if (QFileInfo::exists(d + QLatin1Char('/') + QString::fromUtf8(kDesktopFile))) return true;
  }
  // Not installed: the user's own entry starts this program, as the
  // association's command names it.
  const QString path = dirs.front() + QLatin1Char('/') + QString::fromUtf8(kDesktopFile);
  QSaveFile file(path);
  const bool ok = QDir().mkpath(dirs.front()) && file.open(QIODevice::WriteOnly) &&
                  file.write(DesktopEntryText(programPath_).toUtf8()) >= 0 && file.commit();
  if (!ok) *result = Failure(U("%1 に書き込めません").arg(path));
  return ok;
}

TAssociationResult TTextAssociation::Associate() {
  TAssociationResult result;
  const QString mime = QString::fromUtf8(kMimeType);
  const QString tamber = QString::fromUtf8(kDesktopFile);
  QString previous;
  if (!XdgMime({QStringLiteral("query"), QStringLiteral("default"), mime}, &previous, &result)) return result;
  // Associating twice keeps the default from before the first time.
  if (previous != tamber) {
    try {
      settings_.Filer(kRememberedItem).WriteString(Utf8ToCp932(previous.toStdString()));
    } catch (const std::exception& e) {
      return Failure(QString::fromUtf8(e.what()));
    }
  }
  if (!EnsureDesktopEntry(&result)) return result;
  if (!XdgMime({QStringLiteral("default"), tamber, mime}, nullptr, &result)) return result;
  QString now;
  if (!XdgMime({QStringLiteral("query"), QStringLiteral("default"), mime}, &now, &result)) return result;
  if (now != tamber)
    return Failure(U("関連付けを確認できません。テキストファイルの既定のアプリケーションは %1 のままです。")
                       .arg(now.isEmpty() ? U("未設定") : now));
  return {TAssociationResult::arDone, {}};
}

TAssociationResult TTextAssociation::Restore() {
  TAssociationResult result;
  const QString previous =
      QString::fromStdString(Cp932ToUtf8(settings_.Filer(kRememberedItem).ReadString())).trimmed();
  if (previous.isEmpty())
    return {TAssociationResult::arNothingToRestore,
            U("元に戻す既定のアプリケーションが記録されていません。")};
  if (!XdgMime({QStringLiteral("default"), previous, QString::fromUtf8(kMimeType)}, nullptr, &result))
    return result;
  try {
    settings_.Filer(kRememberedItem).WriteString("");
  } catch (const std::exception& e) {
    return Failure(QString::fromUtf8(e.what()));
  }
  return {TAssociationResult::arDone, {}};
}

}  // namespace tamber
