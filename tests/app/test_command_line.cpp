#include <QtTest>

#include "app/command_line.h"

using tamber::ParseCommandLine;

class TestCommandLine : public QObject {
  Q_OBJECT

 private slots:
  void theVersionIsBuiltFromTheTag() {
    QCOMPARE(tamber::VersionText(), QString("Ver7.00"));
    QCOMPARE(tamber::VersionText(812), QString("Ver8.12"));
    QCOMPARE(tamber::VersionText(7), QString("Ver7"));
  }

  void optionsAndFiles() {
    auto line = ParseCommandLine({"a.txt", "--version", "b.c"});
    QVERIFY(line.version);
    QVERIFY(!line.help);
    QCOMPARE(line.files, QStringList({"a.txt", "b.c"}));
    QVERIFY(line.error.isEmpty());
    line = ParseCommandLine({"-h"});
    QVERIFY(line.help);
    // After "--" everything is a file; "-" is one anyway.
    line = ParseCommandLine({"--", "--help", "-x.txt", "-"});
    QVERIFY(!line.help);
    QCOMPARE(line.files, QStringList({"--help", "-x.txt", "-"}));
    line = ParseCommandLine({"--frobnicate", "a", "-q"});
    QCOMPARE(line.error, QString("unknown option: --frobnicate"));
  }
};

QTEST_MAIN(TestCommandLine)
#include "test_command_line.moc"
