// The macro menu of the frame, driven offscreen: record keys and an input
// method commit in a document, save, load, play into another document, quick
// start from the Macro folder, and a macro that closes its own document.
#include <QAction>
#include <QDir>
#include <QInputMethodEvent>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>

#include "app/macro_commands.h"
#include "app/mdi_child.h"
#include "encoding/cp932_codec.h"
#include "app/tamber_form.h"
#include "view/key_macro.h"
#include "view/ui/text_editor_fx.h"

#include "frame_test_support.h"

using namespace tamber;

namespace {

using test::Read;
using test::Write;

// Answers the file dialogs from a queue and counts what was shown.
struct TestPrompts : TShellPrompts {
  std::deque<QString> paths;  // the path chosen in each dialog; none left: cancelled
  TFileDialogRequest lastRequest;
  int infos = 0, errors = 0, beeps = 0;
  QString lastText;
  void Information(const QString& t) override { ++infos, lastText = t; }
  void Error(const QString& t) override { ++errors, lastText = t; }
  void CommandFailed(const QString& t) override { ++errors, lastText = t; }
  TAnswer AskYesNoCancel(const QString&) override { return TAnswer::No; }
  TAnswer AskOkCancel(const QString&) override { return TAnswer::Ok; }
  void Beep() override { ++beeps; }
  bool RunFileDialog(TFileDialogRequest& r) override {
    lastRequest = r;
    if (paths.empty()) return false;
    r.path = paths.front();
    paths.pop_front();
    return true;
  }
};

struct Frame {
  TTamberForm form;
  TestPrompts* prompts;
  Frame() {
    prompts = test::InstallPrompts<TestPrompts>(form);
    form.resize(800, 600);
    form.show();
  }
  TKeyMacro& Recorder() { return form.Macros().Recorder(); }
  TTextEditorFx& NewDocument() {
    form.Run("AcFileNew");
    TTextEditorFx& pane = form.ActiveDocument()->Edit();
    pane.setFocus();
    return pane;
  }
  static std::string Text(TTextEditorFx& pane) { return pane.Editor().Lines().GetTextStr(); }
};

// Deletes a document when its pane gets the key x, as a command bound to a
// key of the macro could.
class CloserOnX : public QObject {
 public:
  explicit CloserOnX(TMDIChild* doc) : doc_(doc) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->text() == QLatin1String("x")) {
      delete doc_;
      ++closed;
      return true;
    }
    return false;
  }
  int closed = 0;

 private:
  TMDIChild* doc_;
};

}  // namespace

class TestMacroCommands : public QObject {
  Q_OBJECT

  QTemporaryDir home_;

 private slots:
  void initTestCase() { qputenv("TAMBER_HOME", home_.path().toUtf8()); }

  void RecordsSavesLoadsAndPlaysIntoTheFocusedDocument() {
    Frame f;
    TTextEditorFx& first = f.NewDocument();
    QVERIFY(f.form.Action("AcMacroRec")->isEnabled());
    f.form.Run("AcMacroRec");
    QCOMPARE(f.Recorder().MacroState(), kmRecording);
    QCOMPARE(f.form.StatusText(4), QString::fromUtf8("マクロ記録中"));
    // A second record keeps the first recording running.
    QTest::keyClick(&first, 'a');
    f.form.Run("AcMacroRec");
    QTest::keyClick(&first, Qt::Key_Left);
    QTest::keyClick(&first, 'b');
    f.form.Run("AcMacroRecStop");
    QCOMPARE(f.Recorder().MacroState(), kmRecorded);
    QCOMPARE(f.form.StatusText(4), QString());
    QCOMPARE(Frame::Text(first), std::string("ba"));
    QCOMPARE(f.Recorder().Entries().size(), std::size_t(5));

    const QString path = home_.path() + "/Macro/abc";
    f.prompts->paths.push_back(path);
    f.form.Run("MacroSaveItem");
    QCOMPARE(f.prompts->lastRequest.defaultSuffix, QString("mac"));
    QCOMPARE(QDir::cleanPath(f.prompts->lastRequest.folder), QDir::cleanPath(home_.path() + "/Macro"));
    const std::string saved = Read(path + ".mac");
    QVERIFY2(saved.find("CN_KEYDOWN: 48384, CharCode: 65, KeyData: ") != std::string::npos, saved.c_str());
    QVERIFY(saved.find("CN_KEYDOWN: 48384, CharCode: 37, ") != std::string::npos);
    const auto ch = saved.find("CN_CHAR: 48386, CharCode: 97, KeyData: ");
    QVERIFY(ch != std::string::npos);
    QVERIFY(saved.compare(saved.find("\r\n", ch) - 6, 8, "0 // a\r\n") == 0);

    // Loaded again and played into another document, the one with the focus.
    f.Recorder().Clear();
    f.prompts->paths.push_back(path + ".mac");
    f.form.Run("MacroLoadItem");
    QCOMPARE(f.Recorder().MacroState(), kmRecorded);
    TTextEditorFx& second = f.NewDocument();
    f.form.Run("AcMacroPlay");
    QCOMPARE(Frame::Text(second), std::string("ba"));
    QCOMPARE(Frame::Text(first), std::string("ba"));
    QCOMPARE(f.Recorder().MacroState(), kmRecorded);
    QCOMPARE(f.prompts->errors, 0);
  }

  void RecordsAnInputMethodCommitAsDoubleByteCharacters() {
    Frame f;
    TTextEditorFx& pane = f.NewDocument();
    f.form.Run("AcMacroRec");
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf8("日本"));
    QCoreApplication::sendEvent(&pane, &commit);
    f.form.Run("AcMacroRecStop");
    const TKeyMacroDataList& e = f.Recorder().Entries();
    QCOMPARE(e.size(), std::size_t(2));
    QCOMPARE(e[0].Msg, kKeyMacroImeChar);
    QCOMPARE(e[0].CharCode, std::uint16_t(37882));
    QCOMPARE(e[1].Msg, kKeyMacroImeChar);
    QCOMPARE(e[1].CharCode, std::uint16_t(38523));
    TTextEditorFx& other = f.NewDocument();
    f.form.Run("AcMacroPlay");
    QCOMPARE(QString::fromStdString(Cp932ToUtf8(Frame::Text(other))), QString::fromUtf8("日本"));
  }

  void ABadFileClearsTheRecorderAndSaysSo() {
    Frame f;
    TTextEditorFx& pane = f.NewDocument();
    f.form.Run("AcMacroRec");
    QTest::keyClick(&pane, 'q');
    f.form.Run("AcMacroRecStop");
    QCOMPARE(f.Recorder().Entries().size(), std::size_t(2));
    const QString bad = home_.path() + "/bad.mac";
    Write(bad, "48384, 65, 1966081, 0, 0, 0\r\n48386, 97, 1966081, 0, 0\r\n");
    f.prompts->paths.push_back(bad);
    f.form.Run("MacroLoadItem");
    QVERIFY(f.Recorder().Entries().empty());
    QCOMPARE(f.Recorder().MacroState(), kmIdle);
    QCOMPARE(f.prompts->errors, 1);
    QVERIFY(f.prompts->lastText.startsWith("Invalid data loaded."));
    // Nothing to play: a beep, the text as it was.
    f.form.Run("AcMacroPlay");
    QCOMPARE(Frame::Text(pane), std::string("q"));
    QCOMPARE(f.prompts->beeps, 1);
    // A file that cannot be read is reported too.
    f.prompts->paths.push_back(home_.path() + "/none.mac");
    f.form.Run("MacroLoadItem");
    QCOMPARE(f.prompts->errors, 2);
    // Saving where no file can be made is reported.
    f.prompts->paths.push_back(home_.path() + "/no/such/dir/x.mac");
    f.form.Run("MacroSaveItem");
    QCOMPARE(f.prompts->errors, 3);
  }

  void RecordingNeedsADocumentAndEndsWithIt() {
    Frame f;
    // Without a document the command does nothing and nothing is shown.
    f.form.Run("AcMacroRec");
    QCOMPARE(f.Recorder().MacroState(), kmIdle);
    QCOMPARE(f.form.StatusText(4), QString());
    TTextEditorFx& pane = f.NewDocument();
    f.form.Run("AcMacroRec");
    QTest::keyClick(&pane, 'z');
    QCOMPARE(f.form.StatusText(4), QString::fromUtf8("マクロ記録中"));
    delete f.form.ActiveDocument();
    QCOMPARE(f.Recorder().MacroState(), kmIdle);
    QVERIFY(f.Recorder().Entries().empty());
    QCOMPARE(f.form.StatusText(4), QString());
    // Stop without a recording only clears the panel.
    f.form.SetStatusText(4, "dump");
    f.NewDocument();
    f.form.Run("AcMacroRecStop");
    QCOMPARE(f.form.StatusText(4), QString());
    QCOMPARE(f.Recorder().MacroState(), kmIdle);
  }

  void AMacroThatClosesItsOwnDocumentStops() {
    Frame f;
    TTextEditorFx& pane = f.NewDocument();
    f.form.Run("AcMacroRec");
    for (char c : std::string("xyz")) QTest::keyClick(&pane, c);
    f.form.Run("AcMacroRecStop");
    QCOMPARE(f.Recorder().Entries().size(), std::size_t(6));
    TTextEditorFx& victim = f.NewDocument();
    CloserOnX closer(f.form.ActiveDocument());
    victim.installEventFilter(&closer);
    f.form.Run("AcMacroPlay");
    QCOMPARE(closer.closed, 1);
    QCOMPARE(f.form.Documents().size(), std::size_t(1));
    QCOMPARE(f.Recorder().MacroState(), kmRecorded);
    QCOMPARE(Frame::Text(pane), std::string("xyz"));
  }

  void QuickStartListsTheMacroFolderAndPlaysTheChosenFile() {
    Frame f;
    const QString folder = home_.path() + "/Macro";
    QDir().mkpath(folder);
    for (const QString& n : QDir(folder).entryList(QDir::Files)) QFile::remove(folder + "/" + n);
    Write(folder + "/hi.MAC",
          "CN_CHAR: 48386, CharCode: 104, KeyData: 1, Shift: 0, Ctrl: 0, Alt: 0 // h\r\n"
          "CN_CHAR: 48386, CharCode: 105, KeyData: 1, Shift: 0, Ctrl: 0, Alt: 0 // i\r\n");
    Write(folder + "/gone.mac", "CN_CHAR: 48386, CharCode: 103, KeyData: 1, Shift: 0, Ctrl: 0, Alt: 0\r\n");
    Write(folder + "/notes.txt", "CN_CHAR: 48386, CharCode: 110, KeyData: 1, Shift: 0, Ctrl: 0, Alt: 0\r\n");
    auto* menu = f.form.findChild<QMenu*>("MacroQuickItem");
    QVERIFY(menu);
    emit menu->aboutToShow();
    QStringList names;
    for (QAction* a : menu->actions()) names << a->text();
    QCOMPARE(names, QStringList({"gone.mac", "hi.MAC"}));

    // Without a document: a beep.
    menu->actions().at(1)->trigger();
    QCOMPARE(f.prompts->beeps, 1);
    TTextEditorFx& pane = f.NewDocument();
    menu->actions().at(1)->trigger();
    QCOMPARE(Frame::Text(pane), std::string("hi"));
    // A file deleted after the menu was filled: a beep, nothing played.
    QFile::remove(folder + "/gone.mac");
    menu->actions().at(0)->trigger();
    QCOMPARE(f.prompts->beeps, 2);
    QCOMPARE(Frame::Text(pane), std::string("hi"));
    emit menu->aboutToShow();
    QCOMPARE(menu->actions().size(), 1);
  }
};

QTEST_MAIN(TestMacroCommands)
#include "test_macro_commands.moc"
