// The recent-files list: its order and bounds, the settings file it is kept
// in, and the menu items it shows in the frame's file menu.
#include <QAction>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/mru_files.h"
#include "app/mdi_child.h"
#include "app/tamber_form.h"

#include "frame_test_support.h"

using namespace tamber;
using Paths = std::vector<std::string>;

namespace {

using test::Read;
using test::Write;

QStringList Texts(const QMenu& m) {
  QStringList out;
  for (QAction* a : m.actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
  return out;
}

using Prompts = test::QuietPrompts;

}  // namespace

class TestMRUFiles : public QObject {
  Q_OBJECT

  QTemporaryDir home_;

 private slots:
  void initTestCase() { qputenv("TAMBER_HOME", home_.path().toUtf8()); }

  void AddKeepsTheNewestNineExactly() {
    TMRUFiles m;
    for (int i = 0; i < 10; ++i) m.Add("/f" + std::to_string(i));
    QCOMPARE(m.Entries().size(), 9u);
    QCOMPARE(m.Entries().front(), std::string("/f9"));
    QCOMPARE(m.Entries().back(), std::string("/f1"));
    // Again: to the head, once. Another case is another file here.
    m.Add("/f5");
    m.Add("/F5");
    m.Add("");
    QCOMPARE(m.Entries()[0], std::string("/F5"));
    QCOMPARE(m.Entries()[1], std::string("/f5"));
    QCOMPARE(std::count(m.Entries().begin(), m.Entries().end(), "/f5"), 1);
    QCOMPARE(m.Entries().size(), 9u);
    TMRUFiles none;
    none.MaxEntries = 0;
    none.Add("/a");
    QVERIFY(none.Entries().empty());
  }

  void LoadStopsAtTheFirstGapAndSaveRewritesTheSection() {
    QTemporaryDir dir;
    const QString ini = dir.path() + "/tamber.ini";
    Write(ini, "[Other]\r\nKey=1\r\n[History]\r\nFile1=/a\r\nFile2=/b\r\nFile3=/a\r\nFile4=\r\nFile5=/e\r\n");
    TMRUFiles m;
    m.Load(ini.toStdString(), "History");
    QCOMPARE(m.Entries(), (Paths{"/a", "/b"}));
    Write(ini, "[History]\r\nFile1=/a\r\nFile3=/c\r\n[Other]\r\nKey=1\r\n");
    m.Load(ini.toStdString(), "History");
    QCOMPARE(m.Entries(), (Paths{"/a"}));
    m.Add("/z");
    m.Save(ini.toStdString(), "History");
    const std::string text = Read(ini);
    QVERIFY(text.find("File3") == std::string::npos);
    QVERIFY(text.find("Key=1") != std::string::npos);
    TMRUFiles back;
    back.Load(ini.toStdString(), "History");
    QCOMPARE(back.Entries(), (Paths{"/z", "/a"}));
    // A missing file loads nothing.
    back.Load((dir.path() + "/none.ini").toStdString(), "History");
    QVERIFY(back.Entries().empty());
  }

  void MenuItemsFollowTheSeparatorAndOpenTheStoredPath() {
    QMenu menu;
    menu.addAction("Print");
    QAction* sep = menu.addSeparator();
    menu.addAction("Exit");
    TMRUFiles m;
    std::string clicked;
    m.OnClick = [&](const std::string& p) { clicked = p; };
    m.SetMenuItem(sep);
    QCOMPARE(Texts(menu), (QStringList{"Print", "-", "Exit"}));
    m.Add("/x/a&b.txt");
    m.Add("/y/c.txt");
    QCOMPARE(Texts(menu), (QStringList{"Print", "-", "-", "&1 /y/c.txt", "&2 /x/a&&b.txt", "Exit"}));
    QCOMPARE(m.Items()[2]->statusTip(), QStringLiteral("Opens /x/a&b.txt"));
    m.Items()[2]->trigger();
    QCOMPARE(clicked, std::string("/x/a&b.txt"));
    m.Clear();
    QCOMPARE(Texts(menu), (QStringList{"Print", "-", "Exit"}));
    QCOMPARE(TMRUFiles::Caption(9, "/p", true, true), QStringLiteral("  /p"));
    QCOMPARE(TMRUFiles::Caption(0, "/d/p&q", false, false), QStringLiteral("p&&q"));
  }

  void TheFrameListsOpenedFilesInItsFileMenu() {
    QTemporaryDir dir;
    const QString a = dir.path() + "/a.txt", b = dir.path() + "/b.txt";
    Write(a, "a\r\n");
    Write(b, "b\r\n");
    TTamberForm form;
    Prompts* prompts = test::InstallPrompts<Prompts>(form);
    QVERIFY(form.OpenOrActivate(a));
    QVERIFY(form.OpenOrActivate(b));
    TMRUFiles& m = form.MRUFiles();
    QCOMPARE(m.Items().size(), 3u);
    QCOMPARE(m.Items()[1]->text(), "&1 " + b);
    // An open one is focused; a closed one opens again without moving.
    m.Items()[2]->trigger();
    QCOMPARE(form.ActiveDocument()->Caption(), a);
    QCOMPARE(form.Documents().size(), 2u);
    for (auto* d : form.Documents()) delete d;
    m.Items()[2]->trigger();
    QCOMPARE(form.Documents().size(), 1u);
    QCOMPARE(m.Entries().front(), b.toStdString());
    QFile::remove(b);
    m.Items()[1]->trigger();
    QCOMPARE(prompts->beeps, 1);
  }
};

QTEST_MAIN(TestMRUFiles)
#include "test_mru_files.moc"
