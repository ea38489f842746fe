#include <QApplication>
#include <QFont>
#include <QFontDatabase>

#include "app/file_viewer.h"
#include "app/tamber_form.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(tamber::kApplicationTitle));
  QApplication::setOrganizationName("Tamber");
  const tamber::TViewerFountains fountains;
  tamber::TTamberForm form;
  form.show();
  const QStringList args = QApplication::arguments();
  for (qsizetype i = 1; i < args.size(); ++i) tamber::OpenInViewer(form, args[i], fountains);
  return QApplication::exec();
}
