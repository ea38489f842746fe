#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <cstdio>

#include "app/command_line.h"
#include "app/single_instance.h"
#include "app/tamber_form.h"

namespace {

// How long a second start waits for the running instance to take its files.
constexpr int kHandOverTimeoutMs = 2000;

void Raise(tamber::TTamberForm& form, const QByteArray& token) {
  // The platform reads the token from the environment when it activates.
  if (!token.isEmpty()) qputenv("XDG_ACTIVATION_TOKEN", token);
  form.setWindowState(form.windowState() & ~Qt::WindowMinimized);
  form.show();
  form.raise();
  form.activateWindow();
}

}  // namespace

int main(int argc, char** argv) {
  // Read before the application object takes it from the environment.
  const QByteArray token = tamber::ActivationTokenFromEnvironment();
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QFile::decodeName(argv[i]);
  const tamber::CommandLine line = tamber::ParseCommandLine(args);
  if (!line.error.isEmpty()) {
    std::fprintf(stderr, "tamber: %s\nTry 'tamber --help' for more information.\n", line.error.toLocal8Bit().constData());
    return 2;
  }
  if (line.help) {
    std::fputs(tamber::HelpText().toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (line.version) {
    std::printf("%s %s\n", tamber::kApplicationTitle, tamber::VersionText().toUtf8().constData());
    return 0;
  }
  const QStringList& files = line.files;

  tamber::TSingleInstance instance;
  if (instance.Start() == tamber::TSingleInstance::Role::kSecond) {
    if (instance.HandOver(files, token, kHandOverTimeoutMs)) return 0;
    // The running instance does not answer: work on our own.
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(tamber::kApplicationTitle));
  QApplication::setOrganizationName("Tamber");
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tamber")));
  tamber::TTamberForm form;
  form.show();
  instance.Listen();
  // Queued: opening may show a message box, whose event loop must not run
  // inside the socket's read.
  QObject::connect(
      &instance, &tamber::TSingleInstance::OpenRequested, &form,
      [&](const QString& path, const QByteArray& handedToken) {
        Raise(form, handedToken);
        if (!path.isEmpty()) form.OpenOrActivate(path);
      },
      Qt::QueuedConnection);
  // Files that do not exist are skipped.
  for (const QString& f : files) form.OpenOrActivate(QDir::current().absoluteFilePath(f));
  // After the files, so that a picture that cannot be read is told over the frame.
  form.ApplyWallpaper();
  return QApplication::exec();
}
