// The frame with its documents, driven offscreen: open, switch, edit, save,
// save as, close with each answer, and the enabling of the commands.
#include <QAction>
#include <QMdiArea>
#include <QMimeData>
#include <QWheelEvent>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>

#include "app/command_table.h"
#include "app/document_file.h"
#include "app/mdi_child.h"
#include "app/tamber_form.h"
#include "encoding/file_code.h"
#include "view/ui/text_editor_fx.h"

#include "frame_test_support.h"

using namespace tamber;

namespace {

using test::Read;
using test::Write;

// Answers the questions and dialogs from queues and counts what was shown.
struct TestPrompts : TShellPrompts {
  std::deque<TAnswer> answers;
  std::deque<TFileDialogRequest> dialogs;  // path and code of each run; none left: cancelled
  TFileDialogRequest lastRequest;
  int infos = 0, errors = 0, failures = 0, beeps = 0, questions = 0, fileDialogs = 0;
  QString lastText, lastQuestion;
  void Information(const QString& t) override { ++infos, lastText = t; }
  void Error(const QString& t) override { ++errors, lastText = t; }
  void CommandFailed(const QString& t) override { ++failures, lastText = t; }
  TAnswer Next() {
    ++questions;
    if (answers.empty()) return TAnswer::Cancel;
    const TAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  TAnswer AskYesNoCancel(const QString& t) override { lastText = lastQuestion = t; return Next(); }
  TAnswer AskOkCancel(const QString& t) override { lastText = lastQuestion = t; return Next(); }
  void Beep() override { ++beeps; }
  bool RunFileDialog(TFileDialogRequest& r) override {
    ++fileDialogs;
    lastRequest = r;
    if (dialogs.empty()) return false;
    r.path = dialogs.front().path;
    r.code = dialogs.front().code;
    dialogs.pop_front();
    return true;
  }
};

struct Frame {
  TTamberForm form;
  TestPrompts* prompts;
  Frame() {
    prompts = test::InstallPrompts<TestPrompts>(form);
  }
  bool Enabled(std::string_view name) {
    form.UpdateCommands();
    return form.Action(name)->isEnabled();
  }
};

const std::string kEuc = "\xC6\xFC\xCB\xDC\r\nabc\r\n";  // 日本 / abc
const std::string kSjisText = "\x93\xFA\x96\x7B\r\nabc\r\n";

}  // namespace

class TestDocuments : public QObject {
  Q_OBJECT

  QTemporaryDir home_;

 private slots:
  void initTestCase() { qputenv("TAMBER_HOME", home_.path().toUtf8()); }

  void OpensSeveralFilesInTheirCodesAndSwitchesBetweenThem() {
    QTemporaryDir dir;
    const QString euc = dir.path() + "/e.txt", sjis = dir.path() + "/s.c";
    Write(euc, kEuc);
    Write(sjis, kSjisText);
    Frame f;
    QVERIFY(f.form.OpenOrActivate(euc));
    QVERIFY(f.form.OpenOrActivate(sjis));
    QVERIFY(!f.form.OpenOrActivate(dir.path() + "/missing.txt"));
    QCOMPARE(f.form.Documents().size(), 2u);
    QCOMPARE(f.form.StatusText(3), QStringLiteral("S_JIS"));
    QCOMPARE(f.form.StatusText(0), QString::fromUtf8("1 行 : 1 桁"));
    // Opening an open path again activates it with a beep.
    QVERIFY(f.form.OpenOrActivate(euc));
    QCOMPARE(f.prompts->beeps, 1);
    QCOMPARE(f.form.Documents().size(), 2u);
    TMDIChild* e = f.form.ActiveDocument();
    QCOMPARE(e->Caption(), euc);
    QCOMPARE(f.form.StatusText(3), QStringLiteral("EUC"));
    // Held as Shift-JIS; the C file is coloured by the C rules.
    QCOMPARE(e->Edit().Editor().Text().RowTextAt(0), std::string("\x93\xFA\x96\x7B"));
    TMDIChild* c = f.form.Documents()[1];
    QCOMPARE(c->Edit().Furniture().View().Commenter(), std::string("//"));
    QCOMPARE(e->Edit().Furniture().View().Commenter(), std::string(">"));
    e->Edit().Editor().SetRowCol(1, 2);
    QCOMPARE(f.form.StatusText(0), QString::fromUtf8("2 行 : 3 桁"));
  }

  // Typing and saving an EUC file changes exactly the typed bytes, in EUC,
  // and the backup holds the file as it was.
  void SavesInTheDocumentsOwnCodeWithABackup() {
    QTemporaryDir dir;
    const QString euc = dir.path() + "/e.txt";
    Write(euc, kEuc);
    Frame f;
    QVERIFY(f.form.OpenOrActivate(euc));
    TMDIChild* d = f.form.ActiveDocument();
    QVERIFY(!f.Enabled("AcFileSave"));
    d->Edit().Editor().SetRowCol(1, 3);
    d->Edit().Editor().InsertText("\x8C\xEA");  // 語
    QVERIFY(d->Modified());
    QCOMPARE(f.form.StatusText(1), QString::fromUtf8("変更"));
    QVERIFY(f.Enabled("AcFileSave"));
    f.form.Run("AcFileSave");
    QCOMPARE(Read(euc), std::string("\xC6\xFC\xCB\xDC\r\nabc\xB8\xEC\r\n"));
    QCOMPARE(Read(dir.path() + "/e.bak"), kEuc);
    QVERIFY(!d->Modified());
    QCOMPARE(f.form.StatusText(1), QString());
    // A second save keeps only the state before it in the backup.
    d->Edit().Editor().InsertText("x");
    QVERIFY(f.form.Save(*d));
    QCOMPARE(Read(dir.path() + "/e.bak"), std::string("\xC6\xFC\xCB\xDC\r\nabc\xB8\xEC\r\n"));
  }

  // The save replaces the file by a rename: the link, the mode and the
  // backup of the file as it was all survive, also when the backup exists.
  void ASaveKeepsTheLinkTheModeAndTheOldBytesInTheBackup() {
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/real");
    const QString target = dir.path() + "/real/t.txt", link = dir.path() + "/l.txt";
    Write(target, "old\n");
    Write(dir.path() + "/l.bak", "older\n");
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    QVERIFY(QFile::link(target, link));
    Frame f;
    QVERIFY(f.form.OpenOrActivate(link));
    TMDIChild* d = f.form.ActiveDocument();
    d->Edit().Editor().InsertText("n");
    QVERIFY(f.form.Save(*d));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(Read(target), std::string("nold\n"));
    QCOMPARE(QFile::permissions(target),
             QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser |
                 QFileDevice::ReadGroup);
    QCOMPARE(Read(dir.path() + "/l.bak"), std::string("old\n"));
    // Saving the backup itself with backups on keeps it.
    const QString bak = dir.path() + "/x.bak";
    Write(bak, "b\n");
    QVERIFY(f.form.OpenOrActivate(bak));
    f.form.ActiveDocument()->Edit().Editor().InsertText("c");
    QVERIFY(f.form.Save(*f.form.ActiveDocument()));
    QCOMPARE(Read(bak), std::string("cb\n"));
  }

  void SavesAsIntoEachCode() {
    struct Case {
      ChrCodeEnum code;
      FileCode expected;
    };
    const Case cases[] = {{SJIS, FileCode::ShiftJis}, {JIS, FileCode::Jis}, {EUC, FileCode::Euc},
                          {UTF8, FileCode::Utf8}, {AUTO, FileCode::Euc}};
    for (const Case& c : cases) {
      QTemporaryDir dir;
      const QString src = dir.path() + "/e.txt", dst = dir.path() + "/out.txt";
      Write(src, kEuc);
      Frame f;
      QVERIFY(f.form.OpenOrActivate(src));
      TMDIChild* d = f.form.ActiveDocument();
      f.prompts->dialogs.push_back(TFileDialogRequest{.path = dst, .code = c.code});
      f.form.Run("AcFileSaveAs");
      QCOMPARE(f.prompts->lastRequest.title, QString::fromUtf8("名前を付けて保存"));
      QCOMPARE(f.prompts->lastRequest.defaultSuffix, QStringLiteral("txt"));
      QCOMPARE(d->Caption(), dst);
      QCOMPARE(d->Code(), c.expected);
      const std::string bytes = Read(dst);
      const ClassifiedText back = ClassifyOpenedFile(ProbeBytes(bytes), ".txt", bytes, true);
      QCOMPARE(back.code, c.expected);
      QCOMPARE(back.text, kSjisText);
      QCOMPARE(Read(src), kEuc);  // the old file is not touched
    }
  }

  void SaveAsAskesBeforeReplacingAndKeepsTheReplacedFile() {
    QTemporaryDir dir;
    const QString src = dir.path() + "/a.txt", dst = dir.path() + "/b.txt";
    Write(src, "new\r\n");
    Write(dst, "old\r\n");
    Frame f;
    QVERIFY(f.form.OpenOrActivate(src));
    TMDIChild* d = f.form.ActiveDocument();
    f.prompts->dialogs.push_back(TFileDialogRequest{.path = dst});
    f.prompts->answers.push_back(TAnswer::Cancel);
    QVERIFY(!f.form.SaveAs(*d));
    QCOMPARE(f.prompts->lastQuestion, dst + QString::fromUtf8(" 上書きしますか。"));
    QCOMPARE(Read(dst), std::string("old\r\n"));
    f.prompts->dialogs.push_back(TFileDialogRequest{.path = dst});
    f.prompts->answers.push_back(TAnswer::Ok);
    QVERIFY(f.form.SaveAs(*d));
    QCOMPARE(Read(dst), std::string("new\r\n"));
    QCOMPARE(Read(dir.path() + "/b.bak"), std::string("old\r\n"));
  }

  void CloseQueryAnswersDecideWhatHappens() {
    struct Case {
      TAnswer answer;
      bool folderExists;  // false: the save fails
      bool closed;
      std::string file;
    };
    const Case cases[] = {
        {TAnswer::Yes, true, true, "xabc\n"},
        {TAnswer::No, true, true, "abc\n"},
        {TAnswer::Cancel, true, false, "abc\n"},
        {TAnswer::Yes, false, false, ""},
    };
    for (const Case& c : cases) {
      QTemporaryDir dir;
      const QString path = dir.path() + "/sub/t.txt";
      QDir().mkpath(dir.path() + "/sub");
      Write(path, "abc\n");
      Frame f;
      QVERIFY(f.form.OpenOrActivate(path));
      TMDIChild* d = f.form.ActiveDocument();
      d->Edit().Editor().InsertText("x");
      if (!c.folderExists) QDir(dir.path() + "/sub").removeRecursively();
      f.prompts->answers.push_back(c.answer);
      QPointer<TMDIChild> alive(d);
      f.form.Run("AcFileClose");
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      QCOMPARE(f.prompts->lastQuestion, path + QString::fromUtf8(" 変更内容を保存しますか。"));
      QCOMPARE(alive.isNull(), c.closed);
      if (c.folderExists) QCOMPARE(Read(path), c.file);
      if (!c.folderExists) {
        QCOMPARE(f.prompts->failures, 1);  // the failed save says why
        QVERIFY(d->Modified());
      }
    }
  }

  void EnablingFollowsTheDocumentAndTheScriptState() {
    Frame f;
    QVERIFY(f.Enabled("AcFileNew"));
    QVERIFY(f.Enabled("AcFileOpen"));
    QVERIFY(!f.Enabled("AcFileClose"));
    QVERIFY(!f.Enabled("AcFileSaveAs"));
    QVERIFY(f.Enabled("HelpAbout"));
    f.form.Run("AcFileNew");
    f.form.Run("AcFileNew");
    QCOMPARE(f.form.ActiveDocument()->Caption(), QStringLiteral("NONAME2.TXT"));
    QVERIFY(f.Enabled("AcFileClose"));
    QVERIFY(f.Enabled("AcFileSaveAs"));
    QVERIFY(!f.Enabled("AcFileSave"));  // not modified
    // Commands whose feature is not here yet never pretend to work.
    QVERIFY(!f.Enabled("AcPrint"));
    QVERIFY(f.Enabled("AcSetUp"));
    QVERIFY(f.Enabled("AcFind"));
    QVERIFY(f.Enabled("AcReplace"));
    f.form.SetScriptRunning(true);
    QVERIFY(!f.Enabled("AcFileNew"));
    QVERIFY(!f.Enabled("AcFileClose"));
    QVERIFY(!f.Enabled("AcSetUp"));
    // Closing is refused with a beep while a script runs.
    f.form.ActiveDocument()->close();
    QCOMPARE(f.form.Documents().size(), 2u);
    QCOMPARE(f.prompts->beeps, 1);
    f.form.SetScriptRunning(false);

    struct Rule {
      TEnableRule rule;
      TCommandState state;
      bool allowed;
    };
    const Rule rules[] = {
        {TEnableRule::erHtml, {.documents = 1, .caption = "/x/a.Html"}, true},
        {TEnableRule::erHtml, {.documents = 1, .caption = "/x/a.txt"}, false},
        {TEnableRule::erModified, {.documents = 1, .readOnly = true, .modified = true}, false},
        {TEnableRule::erAnyDocument, {.documents = 1, .scriptRunning = true}, true},
        {TEnableRule::erSelection, {.documents = 1, .selected = false}, false},
        {TEnableRule::erSaveAs, {.documents = 1, .readOnly = true, .saveAsAllowed = true}, true},
    };
    for (const Rule& r : rules) QCOMPARE(RuleAllows(r.rule, r.state), r.allowed);
  }

  void UntitledSaveBecomesSaveAsAndSaveAllSkipsIt() {
    QTemporaryDir dir;
    const QString a = dir.path() + "/a.txt";
    Write(a, "a\r\n");
    Frame f;
    QVERIFY(f.form.OpenOrActivate(a));
    f.form.Run("AcFileNew");
    TMDIChild* n = f.form.ActiveDocument();
    n->Edit().Editor().InsertText("n");
    f.form.Run("AcFileSaveAll");
    QCOMPARE(f.prompts->fileDialogs, 0);
    QCOMPARE(Read(dir.path() + "/a.bak"), std::string("a\r\n"));  // unchanged ones are written too
    f.prompts->dialogs.push_back(TFileDialogRequest{.path = dir.path() + "/n.txt"});
    f.form.Run("AcFileSave");
    QCOMPARE(f.prompts->fileDialogs, 1);
    QCOMPARE(Read(dir.path() + "/n.txt"), std::string("n"));
    QVERIFY(!n->Untitled());
  }

  void BinaryFilesShowReadOnlyAndAreNeverWritten() {
    QTemporaryDir dir;
    const QString bin = dir.path() + "/b.dat";
    std::string bytes(200, 'A');
    bytes[5] = '\0';
    bytes[6] = '\x0D';
    bytes[100] = '\x90';
    Write(bin, bytes);
    Frame f;
    QVERIFY(f.form.OpenOrActivate(bin));
    TMDIChild* d = f.form.ActiveDocument();
    QCOMPARE(f.prompts->infos, 1);
    QVERIFY(d->ReadOnly());
    QCOMPARE(d->Code(), FileCode::Binary);
    QCOMPARE(f.form.StatusText(1), QString::fromUtf8("書禁"));
    QCOMPARE(f.form.StatusText(3), QStringLiteral("BIN"));
    const TTextEditorScreenStrings& t = d->Edit().Editor().Text();
    QCOMPARE(t.Count(), 3);
    QCOMPARE(t.RowTextAt(0).size(), kBinaryLineBytes);
    QCOMPARE(t.RowTextAt(0).substr(4, 3), std::string("A  "));
    QCOMPARE(t.RowTextAt(1)[20], ' ');
    QCOMPARE(t.RowTextAt(2).size(), 40u);
    QVERIFY(!f.Enabled("AcFileSave"));
    QVERIFY(!f.Enabled("AcFileSaveAs"));
    QVERIFY(!f.form.Save(*d));
    f.form.Run("AcFileSaveAll");
    QCOMPARE(Read(bin), bytes);
    QVERIFY(!QFileInfo::exists(dir.path() + "/b.bak"));
  }

  void OnlyRegularFilesAreOpened() {
    QTemporaryDir dir;
    Frame f;
    for (const QString& path : {QStringLiteral("/dev/zero"), dir.path()}) {
      const int before = f.prompts->errors;
      QVERIFY(!f.form.OpenOrActivate(path));
      QCOMPARE(f.prompts->errors, before + 1);
      QCOMPARE(f.form.Documents().size(), 0u);  // nothing left on the path
    }
  }

  void AFileWithANulPastItsHeadOpensWholeAndSavesBackByteForByte() {
    QTemporaryDir dir;
    const QString path = dir.path() + "/t.txt";
    std::string bytes;
    for (int i = 0; i < 40; ++i) bytes += "line of text\n";
    bytes += std::string("a\0b\x1A" "c\ntail\n", 11);
    Write(path, bytes);
    Frame f;
    QVERIFY(f.form.OpenOrActivate(path));
    TMDIChild* d = f.form.ActiveDocument();
    QVERIFY(!d->ReadOnly());
    QVERIFY(f.form.Save(*d));
    QCOMPARE(Read(path), bytes);
  }

  void TextTheEditorCannotHoldOpensReadOnlyAndIsSavedOnlyUnderAnotherName() {
    QTemporaryDir dir;
    const QString path = dir.path() + "/u.txt";
    const std::string utf8 = "\xE6\x97\xA5\xF0\x9F\x98\x80\xEA\xB0\x80\n";  // 日, an emoji, a hangul
    Write(path, utf8);
    Frame f;
    QVERIFY(f.form.OpenOrActivate(path));
    TMDIChild* d = f.form.ActiveDocument();
    QVERIFY(d->ReadOnly());
    QCOMPARE(d->Lost(), 2u);
    QVERIFY(f.prompts->lastText.contains(QStringLiteral("2")));
    QVERIFY(!f.form.Save(*d));
    QVERIFY(f.Enabled("AcFileSaveAs"));
    // Under its own name: refused even after the warning.
    f.prompts->answers.push_back(TAnswer::Ok);
    f.prompts->dialogs.push_back(TFileDialogRequest{.path = path});
    QVERIFY(!f.form.SaveAs(*d));
    QCOMPARE(Read(path), utf8);
    f.prompts->answers.push_back(TAnswer::Ok);
    f.prompts->dialogs.push_back(TFileDialogRequest{.path = dir.path() + "/v.txt"});
    QVERIFY(f.form.SaveAs(*d));
    QVERIFY(QFileInfo::exists(dir.path() + "/v.txt"));
  }

  void InsertPutsTheFileBeforeTheCaretLineWithoutABlankLine() {
    QTemporaryDir dir;
    const QString a = dir.path() + "/a.txt", ins = dir.path() + "/i.txt";
    Write(a, "one\r\ntwo\r\n");
    Write(ins, "x\ny\n");
    Frame f;
    QVERIFY(f.form.OpenOrActivate(a));
    TMDIChild* d = f.form.ActiveDocument();
    d->Edit().Editor().SetRowCol(1, 0);
    f.prompts->dialogs.push_back(TFileDialogRequest{.path = ins});
    f.form.Run("AcFileInsert");
    QCOMPARE(d->Edit().Editor().Lines().GetTextStr(), std::string("one\r\nx\r\ny\r\ntwo\r\n"));
    QCOMPARE(f.form.RecentFiles().front(), ins.toStdString());
  }

  void SplitPanesShareTheText() {
    QTemporaryDir dir;
    const QString a = dir.path() + "/a.txt";
    Write(a, "one\r\ntwo\r\n");
    Frame f;
    f.form.resize(800, 600);
    f.form.show();
    QVERIFY(f.form.OpenOrActivate(a));
    TMDIChild* d = f.form.ActiveDocument();
    f.form.Run("AcEditSplit");
    QVERIFY(d->SplitView());
    d->SplitEdit()->Editor().InsertText("z");
    QCOMPARE(d->Edit().Editor().Text().RowTextAt(0), std::string("zone"));
    QVERIFY(d->Modified());
    d->Edit().Editor().Undo();
    QCOMPARE(d->SplitEdit()->Editor().Text().RowTextAt(0), std::string("one"));
    f.form.Run("AcEditSplit");
    QVERIFY(!d->SplitView());
  }

  void EachWheelNotchScrollsAndDroppedFilesOpen() {
    QTemporaryDir dir;
    const QString a = dir.path() + "/a.txt", b = dir.path() + "/b.txt";
    std::string many;
    for (int i = 0; i < 200; ++i) many += "line\r\n";
    Write(a, many);
    Write(b, "b\r\n");
    Frame f;
    f.form.Settings().MouseWheel = 3;
    f.form.resize(800, 600);
    f.form.show();
    QVERIFY(f.form.OpenOrActivate(a));
    TEditorWidget& pane = f.form.ActiveDocument()->Edit();
    QWidget* vp = pane.viewport();
    auto wheel = [&](int dy) {
      QWheelEvent ev(QPointF(10, 10), vp->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, dy), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
      QCoreApplication::sendEvent(vp, &ev);
    };
    wheel(-120);
    QCOMPARE(pane.Editor().TopRow(), 3);
    wheel(-240);  // two notches at once
    QCOMPARE(pane.Editor().TopRow(), 9);
    wheel(120);
    QCOMPARE(pane.Editor().TopRow(), 6);

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(b)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &drop);
    QCOMPARE(f.form.Documents().size(), 2u);
    QCOMPARE(f.form.ActiveDocument()->Caption(), b);
  }

  // The placement is written at exit unless maximised and read at the next start.
  void WindowPlacementIsKeptBetweenStarts() {
    {
      Frame f;
      f.form.show();
      f.form.setGeometry(60, 70, 700, 500);
      QVERIFY(f.form.close());
    }
    Frame g;
    QCOMPARE(g.form.Settings().Width, 700);
    QCOMPARE(g.form.Settings().Height, 500);
    QCOMPARE(g.form.geometry().size(), QSize(700, 500));
  }

  void FilterIndexFindsTheEntryThatNamesTheExtension() {
    const std::string filter = "Text (*.txt)|*.txt|C (*.c;*.h)|*.c;*.h|HTML (*.htm)|*.htm|";
    QCOMPARE(FilterIndexFor(filter, ".TXT"), 1);
    QCOMPARE(FilterIndexFor(filter, ".c"), 2);
    QCOMPARE(FilterIndexFor(filter, ".h"), 2);  // before ".htm"
    QCOMPARE(FilterIndexFor(filter, ".htm"), 3);
    QCOMPARE(FilterIndexFor(filter, ".xyz"), 1);
    QCOMPARE(FilterIndexFor(filter, ""), 1);
  }
};

QTEST_MAIN(TestDocuments)
#include "test_documents.moc"
