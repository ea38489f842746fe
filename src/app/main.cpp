#include <QApplication>
#include <QFont>
#include <QFontDatabase>

#include "app/tamber_form.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(tamber::kApplicationTitle));
  QApplication::setOrganizationName("Tamber");
  tamber::TTamberForm form;
  form.show();
  return QApplication::exec();
}
