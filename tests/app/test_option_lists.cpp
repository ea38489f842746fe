// The options dialog's list pages offscreen: the filter grid, the keyword
// editors, the script grid and the appendix (wallpaper, signatures, file
// association through a fake xdg-mime), loaded from and stored into the
// settings, and through the settings file and back.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <deque>
#include <memory>

#include "app/file_association.h"
#include "app/option_dialog.h"
#include "app/option_list_pages.h"
#include "app/tamber_form.h"
#include "encoding/cp932_codec.h"
#include "settings/settings_model.h"
#include "view/ui/text_editor_fx.h"

#include "frame_test_support.h"

using namespace tamber;

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }
std::string Sjis(const char* utf8) { return Utf8ToCp932(utf8); }

// Answers the questions and file dialogs from queues and counts what was shown.
struct TestPrompts : TShellPrompts {
  std::deque<TAnswer> answers;
  std::deque<QString> paths;  // the file each dialog run chooses; none left: cancelled
  std::vector<TFileDialogRequest> requests;
  int infos = 0, errors = 0, beeps = 0;
  QStringList questions;
  QString lastText;
  void Information(const QString& t) override { ++infos, lastText = t; }
  void Error(const QString& t) override { ++errors, lastText = t; }
  void CommandFailed(const QString& t) override { ++errors, lastText = t; }
  TAnswer AskYesNoCancel(const QString& t) override { return AskOkCancel(t); }
  TAnswer AskOkCancel(const QString& t) override {
    questions << t;
    if (answers.empty()) return TAnswer::Cancel;
    const TAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  TAnswer Confirm(const QString& t, TPromptIcon icon) override {
    icons.push_back(icon);
    return AskOkCancel(t);
  }
  std::vector<TPromptIcon> icons;
  void Beep() override { ++beeps; }
  bool RunFileDialog(TFileDialogRequest& r) override {
    requests.push_back(r);
    if (paths.empty()) return false;
    r.path = paths.front();
    paths.pop_front();
    return true;
  }
};

// The desktop's default for plain text as xdg-mime would keep it.
struct FakeXdgMime : TProgramRunner {
  QString current = QStringLiteral("org.gnome.TextEditor.desktop");
  bool installed = true;
  QString failOn;          // the sub-command that fails with exit code 4
  bool keepsOld = false;   // "default" succeeds but the desktop keeps its old answer
  QStringList calls;
  TProgramResult Run(const QString& program, const QStringList& args) override {
    calls << program + QLatin1Char(' ') + args.join(QLatin1Char(' '));
    TProgramResult r;
    if (!installed) return r;
    r.Started = r.Finished = true;
    r.ExitCode = 0;
    if (args.value(0) == failOn) {
      r.ExitCode = 4;
      r.Errors = QStringLiteral("xdg-mime: no method available for setting the default");
    } else if (args.value(0) == QLatin1String("query")) {
      r.Output = current;
    } else if (args.value(0) == QLatin1String("default") && !keepsOld) {
      current = args.value(1);
    }
    return r;
  }
};

QStringList Column(const QTableWidget& g, int c) {
  QStringList out;
  for (int r = 0; r < g.rowCount(); ++r) out << (g.item(r, c) ? g.item(r, c)->text() : QString());
  return out;
}

void SetCell(QTableWidget& g, int r, int c, const QString& text) {
  if (!g.item(r, c)) g.setItem(r, c, new QTableWidgetItem);
  g.item(r, c)->setText(text);
}

void Type(TTextEditorFx& e, const QString& text) {
  QInputMethodEvent commit;
  commit.setCommitString(text);
  QCoreApplication::sendEvent(&e, &commit);
}

std::string Settings(const QString& home, const char* section, const char* key) {
  return TIniFile::Load((home + QStringLiteral("/tamber.ini")).toStdString()).ReadValue(section, key).value_or("<none>");
}

}  // namespace

class TestOptionLists : public QObject {
  Q_OBJECT

  QTemporaryDir root_;
  QString home_, dataHome_, dataDirs_;

  // A frame with test prompts and one page made by its factory.
  template <class Page>
  struct Fixture {
    TTamberForm form;
    TestPrompts* prompts;
    QWidget holder;
    Page* page;
    explicit Fixture(TOptionPage* (*factory)(TTamberForm&, QWidget*)) {
      prompts = test::InstallPrompts<TestPrompts>(form);
      page = dynamic_cast<Page*>(factory(form, &holder));
      Q_ASSERT(page);
      page->Load(form.Settings());
    }
  };

  void ClearSettings() {
    QFile::remove(home_ + QStringLiteral("/tamber.ini"));
    QDir(dataHome_).removeRecursively();
  }

 private slots:
  void initTestCase() {
    home_ = root_.filePath(QStringLiteral("home"));
    dataHome_ = root_.filePath(QStringLiteral("data"));
    dataDirs_ = root_.filePath(QStringLiteral("system"));
    QDir().mkpath(home_);
    qputenv("TAMBER_HOME", home_.toUtf8());
    qputenv("XDG_DATA_HOME", dataHome_.toUtf8());
    qputenv("XDG_DATA_DIRS", dataDirs_.toUtf8());
  }
  void init() { ClearSettings(); }

  // ---- "拡張子"

  void filterGridShowsTheBuiltInFilterAndStoresUpToTheFirstEmptyName() {
    Fixture<TFilterPage> f(CreateFilterPage);
    QTableWidget& g = *f.page->StringGrid1;
    QCOMPARE(g.horizontalHeaderItem(0)->text(), U("フイルタ名"));
    QCOMPARE(g.horizontalHeaderItem(1)->text(), U("フイルタ"));
    QCOMPARE(g.rowCount(), 15);
    QCOMPARE(Column(g, 0).front(), U("テキスト(*.txt;*.doc)"));
    QCOMPARE(Column(g, 1).back(), U("*.*"));

    struct Case {
      const char* optExt;
      int emptyRow;  // the row whose name is emptied before storing, or -1
      const char* stored;
    } cases[] = {
        {"", -1, nullptr},  // the built-in filter, stored with a "|" after every pair
        {"A|*.a|B|*.b|C|*.c|D|*.d|", 2, "A|*.a|B|*.b|"},
        {" 空白 | *.x |ポ|*.po|", -1, " 空白 | *.x |ポ|*.po|"},  // blanks and a trail byte 7C kept
        {"A|*.a|", 0, ""},  // no pair: the built-in filter serves
    };
    for (const Case& c : cases) {
      TSettings s = f.form.Settings();
      s.OptExt = Sjis(c.optExt);
      f.page->Load(s);
      if (c.emptyRow >= 0) SetCell(g, c.emptyRow, 0, QString());
      QString message;
      QVERIFY(f.page->Store(s, message));
      const std::string expected = c.stored ? Sjis(c.stored) : BuiltInFileFilter() + "|";
      QCOMPARE(QString::fromStdString(Cp932ToUtf8(s.OptExt)), QString::fromStdString(Cp932ToUtf8(expected)));
      QVERIFY(message.isEmpty());
    }
  }

  void filterCellsThatTheFilterCannotHoldAreRefusedByName() {
    Fixture<TFilterPage> f(CreateFilterPage);
    QTableWidget& g = *f.page->StringGrid1;
    const QString bad[] = {U("a|b"), U("二\n行"), U("絵文字😀")};
    for (const QString& text : bad) {
      TSettings s = f.form.Settings();
      s.OptExt = "A|*.a|B|*.b|";
      f.page->Load(s);
      SetCell(g, 1, 1, text);
      QString message;
      QVERIFY(!f.page->Store(s, message));
      QVERIFY2(message.contains(U("2 行目のフイルタ")), qPrintable(message));
      QCOMPARE(s.OptExt, std::string("A|*.a|B|*.b|"));
    }
  }

  void filterGridAddsInsertsAndDeletesRowsKeepingOne() {
    Fixture<TFilterPage> f(CreateFilterPage);
    QTableWidget& g = *f.page->StringGrid1;
    TSettings s = f.form.Settings();
    s.OptExt = "A|*.a|B|*.b|";
    f.page->Load(s);
    f.page->AddItem->click();
    QCOMPARE(Column(g, 0), (QStringList{"A", "B", ""}));
    QCOMPARE(g.currentRow(), 2);
    g.setCurrentCell(1, 0);
    f.page->InstItem->click();
    QCOMPARE(Column(g, 0), (QStringList{"A", "", "B", ""}));
    QCOMPARE(g.currentRow(), 1);
    SetCell(g, 1, 0, "N");
    SetCell(g, 1, 1, "*.n");
    g.setCurrentCell(0, 1);
    f.page->DelItem->click();
    QCOMPARE(Column(g, 0), (QStringList{"N", "B", ""}));
    QCOMPARE(Column(g, 1), (QStringList{"*.n", "*.b", ""}));
    QString message;
    QVERIFY(f.page->Store(s, message));
    QCOMPARE(s.OptExt, std::string("N|*.n|B|*.b|"));
    for (int i = 0; i < 5; ++i) f.page->DelItem->click();
    QCOMPARE(g.rowCount(), 1);
    QCOMPARE(Column(g, 0), QStringList{""});
    f.page->AddItem->click();
    QCOMPARE(g.rowCount(), 2);
  }

  void restoringTheBuiltInFilterAsksThenWritesItAtOnce() {
    Fixture<TFilterPage> f(CreateFilterPage);
    QTableWidget& g = *f.page->StringGrid1;
    TSettings s = f.form.Settings();
    s.OptExt = "A|*.a|";
    f.page->Load(s);
    f.page->DefOptExt->click();  // answered Cancel
    QCOMPARE(f.prompts->questions, QStringList{U(kRestoreFilterQuestion)});
    QVERIFY(f.prompts->icons == std::vector<TPromptIcon>{TPromptIcon::Information});
    QCOMPARE(g.rowCount(), 1);
    QCOMPARE(Settings(home_, "File", "OptExt"), std::string("<none>"));

    f.prompts->answers = {TAnswer::Ok};
    f.page->DefOptExt->click();
    QCOMPARE(Settings(home_, "File", "OptExt"), BuiltInFileFilter());
    QCOMPARE(f.form.Settings().OptExt, BuiltInFileFilter());
    QCOMPARE(g.rowCount(), 15);
    QCOMPARE(f.prompts->errors, 0);
  }

  void showingReloadsTheGridFromTheCurrentFilter() {
    Fixture<TFilterPage> f(CreateFilterPage);
    QTableWidget& g = *f.page->StringGrid1;
    SetCell(g, 0, 0, U("書きかけ"));
    TSettings s = f.form.Settings();
    s.OptExt = Sjis("表|*.hyo|");
    f.page->Showing(s);
    QCOMPARE(Column(g, 0), QStringList{U("表")});
  }

  // ---- "予約語"

  void keywordEditorsHoldTheKeywordFilesLineByLine() {
    Fixture<TKeywordPage> f(CreateKeywordPage);
    QTabWidget& tabs = *f.page->Pages;
    const QStringList tabNames{"HTML", "SQL", "CPP", "PASCAL", "BASIC", "PERL", "JAVA", "ASM", "TEXT"};
    const QStringList editors{"HtmlWord", "SqlWord", "CppWord", "PascalWord", "BasicWord",
                              "PerlWord", "JavaWord", "AsmWord", "TextWord"};
    QCOMPARE(tabs.count(), 9);
    TSettings s = f.form.Settings();
    for (int i = 0; i < 9; ++i) {
      QCOMPARE(tabs.tabText(i), tabNames[i]);
      QCOMPARE(tabs.widget(i)->objectName(), editors[i]);
      s.Keywords[static_cast<std::size_t>(i)].Lines = {"kw" + std::to_string(i), Sjis("表ソ"), "  indented", ""};
    }
    f.page->Load(s);
    TSettings out = f.form.Settings();
    QString message;
    QVERIFY(f.page->Store(out, message));
    for (std::size_t i = 0; i < kKeywordFileCount; ++i) QCOMPARE(out.Keywords[i].Lines, s.Keywords[i].Lines);

    // A keyword typed into the SQL editor reaches its file.
    TTextEditorFx& sql = *f.page->Words[1];
    sql.Editor().SetRow(0);
    Type(sql, U("漢字"));
    QVERIFY(f.page->Store(out, message));
    QCOMPARE(out.Keywords[1].Lines.front(), Sjis("漢字kw1"));
    WriteAllSettings(f.form.RegManager(), f.form.SettingsHomeDir(), out);
    QCOMPARE(test::Read(home_ + QStringLiteral("/SQL.Def")), Sjis("漢字kw1\r\n表ソ\r\n  indented\r\n\r\n"));
    // Read back, nothing grows: no line is added or lost by the editor.
    TSettings back;
    ReadAllSettings(f.form.RegManager(), f.form.SettingsHomeDir(), back);
    f.page->Load(back);
    QVERIFY(f.page->Store(out, message));
    QCOMPARE(out.Keywords[1].Lines, back.Keywords[1].Lines);
    QCOMPARE(out.Keywords[1].Lines.size(), std::size_t(4));
  }

  // ---- "登録スクリプト"

  void scriptGridRegistersChosenScriptsByName() {
    Fixture<TScriptPage> f(CreateScriptPage);
    QTableWidget& g = *f.page->StringGrid2;
    QCOMPARE(Column(g, 0).size(), 5);  // the five default scripts
    QCOMPARE(Column(g, 0).front(), U("行番号.pas"));

    f.prompts->paths = {U("/elsewhere/Script/新しい.pas")};
    f.page->ComAddBtn->click();
    QCOMPARE(Column(g, 0).back(), U("新しい.pas"));
    const TFileDialogRequest& r = f.prompts->requests.back();
    QCOMPARE(r.filter, U("Pascal(*.pas) (*.pas)"));
    QCOMPARE(r.folder, home_ + QStringLiteral("/Script"));
    QVERIFY(!r.save);

    g.setCurrentCell(1, 0);
    f.prompts->paths = {U("/s/a.pas")};
    f.page->ComInstBtn->click();
    QCOMPARE(Column(g, 0).mid(0, 3), (QStringList{U("行番号.pas"), "a.pas", U("省資源印刷.pas")}));
    f.prompts->paths = {U("/s/b.pas")};
    f.page->ComAltBtn->click();  // the inserted row is current
    QCOMPARE(Column(g, 0)[1], QString("b.pas"));
    f.page->ComAltBtn->click();  // cancelled: nothing changes
    QCOMPARE(Column(g, 0)[1], QString("b.pas"));
    f.page->ComDelBtn->click();
    QCOMPARE(Column(g, 0).size(), 6);
    QVERIFY(!Column(g, 0).contains("b.pas"));

    SetCell(g, 2, 0, QString());  // an emptied row is not stored
    TSettings s;
    QString message;
    QVERIFY(f.page->Store(s, message));
    QCOMPARE(s.Command, (std::vector<std::string>{Sjis("行番号.pas"), Sjis("省資源印刷.pas"), Sjis("整形.pas"),
                                                  Sjis("全置き換え.pas"), Sjis("新しい.pas")}));
  }

  void aScriptChosenElsewhereIsCopiedIntoTheScriptFolder() {
    Fixture<TScriptPage> f(CreateScriptPage);
    const QString script = home_ + QStringLiteral("/Script");
    const QString other = root_.filePath(QStringLiteral("mine"));
    QDir().mkpath(other);
    test::Write(other + U("/整列.pas"), "begin end.\r\n");
    test::Write(other + U("/Grep.pas"), "{ not the shipped one }\r\n");
    test::Write(script + U("/既存.pas"), "begin end.\r\n");
    f.prompts->paths = {other + U("/整列.pas"), other + U("/Grep.pas"), script + U("/既存.pas")};
    f.page->ComAddBtn->click();
    QCOMPARE(test::Read(script + U("/整列.pas")), std::string("begin end.\r\n"));
    QCOMPARE(Column(*f.page->StringGrid2, 0).back(), U("整列.pas"));
    QCOMPARE(f.prompts->errors, 0);
    f.page->ComAddBtn->click();  // another Grep.pas is there already: not registered, nothing replaced
    QCOMPARE(f.prompts->errors, 1);
    QVERIFY(f.prompts->lastText.contains(QStringLiteral("Grep.pas")));
    QCOMPARE(Column(*f.page->StringGrid2, 0).count(QStringLiteral("Grep.pas")), 1);
    QVERIFY(test::Read(script + QStringLiteral("/Grep.pas")) != "{ not the shipped one }\r\n");
    f.page->ComAddBtn->click();  // chosen in the Script folder itself
    QCOMPARE(Column(*f.page->StringGrid2, 0).back(), U("既存.pas"));
    QCOMPARE(f.prompts->errors, 1);
  }

  void scriptGridStopsAtSixteenRowsWithABeepAndNoDialog() {
    Fixture<TScriptPage> f(CreateScriptPage);
    TSettings s = f.form.Settings();
    s.Command.clear();
    for (int i = 0; i < kMaxRegisteredScripts - 1; ++i) s.Command.push_back("s" + std::to_string(i) + ".pas");
    f.page->Load(s);
    f.prompts->paths = {"/x/last.pas", "/x/more.pas", "/x/more.pas"};
    f.page->ComAddBtn->click();
    QCOMPARE(f.page->StringGrid2->rowCount(), kMaxRegisteredScripts);
    QCOMPARE(f.prompts->beeps, 0);
    f.page->ComAddBtn->click();
    f.page->ComInstBtn->click();
    QCOMPARE(f.prompts->beeps, 2);
    QCOMPARE(f.prompts->requests.size(), std::size_t(1));
    QCOMPARE(f.page->StringGrid2->rowCount(), kMaxRegisteredScripts);
  }

  void anEmptyScriptListTakesTheFirstScriptInItsOneRow() {
    Fixture<TScriptPage> f(CreateScriptPage);
    TSettings s = f.form.Settings();
    s.Command.clear();
    f.page->Load(s);
    QCOMPARE(f.page->StringGrid2->rowCount(), 1);
    f.prompts->paths = {"/x/one.pas"};
    f.page->ComAddBtn->click();
    QCOMPARE(Column(*f.page->StringGrid2, 0), QStringList{"one.pas"});
    f.page->ComDelBtn->click();
    QCOMPARE(Column(*f.page->StringGrid2, 0), QStringList{""});
    QString message;
    QVERIFY(f.page->Store(s, message));
    QVERIFY(s.Command.empty());
  }

  // ---- "付録"

  void appendixControlsRoundTripThroughTheSettingsFile() {
    Fixture<TAppendixPage> f(CreateAppendixPage);
    QCOMPARE(f.page->WallPaperFile->text(), U("標準"));
    QVERIFY(f.page->WallTileCheck->isChecked());
    QCOMPARE(f.page->Signs->count(), 5);
    QCOMPARE(f.page->Signs->tabText(4), U("署名５"));
    QCOMPARE(f.page->Signs->widget(0)->objectName(), QString("Sign1"));

    TSettings s = f.form.Settings();
    s.WallPaper = Sjis(" /壁紙/ソ.jpg ");
    s.WallTile = false;
    s.Sign[0] = {"-- ", Sjis("　山田　太郎"), "", "\\~x", "\t"};
    s.Sign[2] = {""};
    f.page->Load(s);
    QCOMPARE(f.page->WallPaperFile->text(), U(" /壁紙/ソ.jpg "));
    QVERIFY(!f.page->WallTileCheck->isChecked());
    Type(*f.page->Sign[1], U("二番"));

    TSettings out = f.form.Settings();
    QString message;
    QVERIFY(f.page->Store(out, message));
    QCOMPARE(out.WallPaper, s.WallPaper);
    QVERIFY(!out.WallTile);
    QCOMPARE(out.Sign[0], s.Sign[0]);
    QCOMPARE(out.Sign[1], std::vector<std::string>{Sjis("二番")});
    QCOMPARE(out.Sign[2], s.Sign[2]);
    QVERIFY(out.Sign[3].empty());  // an empty signature stays empty, not one empty line
    WriteAllSettings(f.form.RegManager(), f.form.SettingsHomeDir(), out);
    TSettings back;
    ReadAllSettings(f.form.RegManager(), f.form.SettingsHomeDir(), back);
    f.page->Load(back);
    TSettings again;
    QVERIFY(f.page->Store(again, message));
    QCOMPARE(again.WallPaper, s.WallPaper);
    for (std::size_t i = 0; i < 5; ++i) QCOMPARE(again.Sign[i], out.Sign[i]);

    f.page->WallPaperFile->setText(U("/絵😀.jpg"));
    QVERIFY(!f.page->Store(again, message));
    QVERIFY(message.contains(U("壁紙")));
  }

  void wallpaperBrowseOffersPicturesAndTakesThePath() {
    Fixture<TAppendixPage> f(CreateAppendixPage);
    f.prompts->paths = {U("/home/u/写真.jpg")};
    f.page->WallPaperBrowse->click();
    QCOMPARE(f.page->WallPaperFile->text(), U("/home/u/写真.jpg"));
    const TFileDialogRequest& r = f.prompts->requests.back();
    QVERIFY(r.plain);
    QCOMPARE(r.filter, U("すべてのファイル (*.jpg;*.jpeg;*.bmp) (*.jpg *.jpeg *.bmp);;JPEG イメージファイル (*.jpg) (*.jpg);;"
                         "JPEG イメージファイル (*.jpeg) (*.jpeg);;ビットマップ (*.bmp) (*.bmp)"));
    f.page->WallPaperBrowse->click();  // cancelled
    QCOMPARE(f.page->WallPaperFile->text(), U("/home/u/写真.jpg"));
  }

  void associationAsksFirstAndRemembersThePreviousDefault() {
    Fixture<TAppendixPage> f(CreateAppendixPage);
    auto fake = std::make_unique<FakeXdgMime>();
    FakeXdgMime& xdg = *fake;
    f.page->SetProgramRunner(std::move(fake));

    f.page->TextToExt->click();  // Cancel
    QCOMPARE(f.prompts->beeps, 1);
    QCOMPARE(f.prompts->questions, QStringList{U(kAssociateQuestion)});
    QVERIFY(f.prompts->icons == std::vector<TPromptIcon>{TPromptIcon::Warning});
    QVERIFY(xdg.calls.isEmpty());

    f.prompts->answers = {TAnswer::Ok, TAnswer::Ok};
    f.page->TextToExt->click();
    QCOMPARE(xdg.calls, (QStringList{"xdg-mime query default text/plain", "xdg-mime default tamber.desktop text/plain",
                                     "xdg-mime query default text/plain"}));
    QCOMPARE(xdg.current, QString("tamber.desktop"));
    QCOMPARE(Settings(home_, "Association", "PreviousTextDefault"), std::string("org.gnome.TextEditor.desktop"));
    QCOMPARE(f.prompts->errors, 0);
    // The desktop had no tamber.desktop: one is written that starts this program.
    const QString entry = QString::fromUtf8(test::Read(dataHome_ + QStringLiteral("/applications/tamber.desktop")));
    QVERIFY2(entry.contains(QStringLiteral("Exec=\"%1\" %F").arg(QCoreApplication::applicationFilePath())),
             qPrintable(entry));
    QVERIFY(entry.contains(QStringLiteral("MimeType=text/plain;")));
    // Associating again keeps the default from before.
    f.page->TextToExt->click();
    QCOMPARE(Settings(home_, "Association", "PreviousTextDefault"), std::string("org.gnome.TextEditor.desktop"));

    xdg.calls.clear();
    f.page->TextMemoRet->click();  // Cancel
    QVERIFY(xdg.calls.isEmpty());
    QCOMPARE(f.prompts->questions.back(), U(kRestoreAssociationQuestion));
    f.prompts->answers = {TAnswer::Ok, TAnswer::Ok};
    f.page->TextMemoRet->click();
    QCOMPARE(xdg.calls, QStringList{"xdg-mime default org.gnome.TextEditor.desktop text/plain"});
    QCOMPARE(xdg.current, QString("org.gnome.TextEditor.desktop"));
    QCOMPARE(Settings(home_, "Association", "PreviousTextDefault"), std::string(""));
    QCOMPARE(f.prompts->infos, 0);
    f.page->TextMemoRet->click();  // nothing left to give back
    QCOMPARE(f.prompts->infos, 1);
    QVERIFY(f.prompts->lastText.contains(U("記録されていません")));
    QCOMPARE(xdg.calls.size(), 1);
    QCOMPARE(f.prompts->beeps, 6);  // every press beeps, whatever the answer
  }

  void associationFailuresAreReportedAndLeaveTheOldDefault() {
    struct Case {
      const char* name;
      bool installed;
      const char* failOn;
      bool keepsOld;
      const char* says;
      const char* remembered;
    } cases[] = {
        {"missing xdg-mime", false, "", false, "xdg-utils", "<none>"},
        {"query fails", true, "query", false, "no method available", "<none>"},
        {"default fails", true, "default", false, "終了コード 4", "org.gnome.TextEditor.desktop"},
        {"default not taken", true, "", true, "org.gnome.TextEditor.desktop のまま", "org.gnome.TextEditor.desktop"},
    };
    for (const Case& c : cases) {
      ClearSettings();
      Fixture<TAppendixPage> f(CreateAppendixPage);
      auto fake = std::make_unique<FakeXdgMime>();
      fake->installed = c.installed;
      fake->failOn = QString::fromLatin1(c.failOn);
      fake->keepsOld = c.keepsOld;
      FakeXdgMime& xdg = *fake;
      f.page->SetProgramRunner(std::move(fake));
      f.prompts->answers = {TAnswer::Ok};
      f.page->TextToExt->click();
      QVERIFY2(f.prompts->errors == 1, c.name);
      QVERIFY2(f.prompts->lastText.contains(U(c.says)), qPrintable(f.prompts->lastText));
      if (!c.keepsOld) QVERIFY2(xdg.current == QString("org.gnome.TextEditor.desktop"), c.name);
      QCOMPARE(Settings(home_, "Association", "PreviousTextDefault"), std::string(c.remembered));
    }
  }

  void actionsWhoseSettingCannotBeWrittenChangeNothing() {
    QDir().mkpath(home_ + QStringLiteral("/tamber.ini"));  // a settings file that cannot be written
    {
      Fixture<TFilterPage> f(CreateFilterPage);
      TSettings s = f.form.Settings();
      s.OptExt = "A|*.a|";
      f.form.Settings().OptExt = s.OptExt;
      f.page->Load(s);
      f.prompts->answers = {TAnswer::Ok};
      f.page->DefOptExt->click();
      QCOMPARE(f.prompts->errors, 1);
      QCOMPARE(f.page->StringGrid1->rowCount(), 1);
      QCOMPARE(f.form.Settings().OptExt, std::string("A|*.a|"));
    }
    {  // the previous default cannot be remembered, so it is not replaced
      Fixture<TAppendixPage> f(CreateAppendixPage);
      auto fake = std::make_unique<FakeXdgMime>();
      FakeXdgMime& xdg = *fake;
      f.page->SetProgramRunner(std::move(fake));
      f.prompts->answers = {TAnswer::Ok};
      f.page->TextToExt->click();
      QCOMPARE(f.prompts->errors, 1);
      QVERIFY2(f.prompts->lastText.contains(U("に書き込めません")), qPrintable(f.prompts->lastText));
      QCOMPARE(xdg.calls, QStringList{"xdg-mime query default text/plain"});
      QCOMPARE(xdg.current, QString("org.gnome.TextEditor.desktop"));
    }
    QDir(home_ + QStringLiteral("/tamber.ini")).removeRecursively();
  }

  void anInstalledDesktopEntryIsUsedAsItIs() {
    Fixture<TAppendixPage> f(CreateAppendixPage);
    QDir().mkpath(dataDirs_ + QStringLiteral("/applications"));
    test::Write(dataDirs_ + QStringLiteral("/applications/tamber.desktop"), "[Desktop Entry]\nExec=tamber %F\n");
    f.page->SetProgramRunner(std::make_unique<FakeXdgMime>());
    f.prompts->answers = {TAnswer::Ok};
    f.page->TextToExt->click();
    QCOMPARE(f.prompts->errors, 0);
    QVERIFY(!QFile::exists(dataHome_ + QStringLiteral("/applications/tamber.desktop")));
    QFile::remove(dataDirs_ + QStringLiteral("/applications/tamber.desktop"));
  }

  void associationRunsTheXdgMimeFoundOnThePath() {
    // A stand-in for xdg-mime that keeps the default in a file beside it.
    const QString bin = root_.filePath(QStringLiteral("bin"));
    QDir().mkpath(bin);
    const QString script = bin + QStringLiteral("/xdg-mime");
    test::Write(script,
                "#!/bin/sh\n"
                "state=\"$(dirname \"$0\")/default\"\n"
                "case \"$1 $2\" in\n"
                "  'query default') [ \"$3\" = text/plain ] || exit 2; cat \"$state\" 2>/dev/null || echo vim.desktop ;;\n"
                "  'default '*) [ \"$3\" = text/plain ] || exit 2; echo \"$2\" > \"$state\" ;;\n"
                "  *) echo \"bad arguments: $*\" >&2; exit 1 ;;\n"
                "esac\n");
    QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.toUtf8() + ':' + oldPath);
    {
      Fixture<TAppendixPage> f(CreateAppendixPage);  // the page's own runner
      f.prompts->answers = {TAnswer::Ok, TAnswer::Ok};
      f.page->TextToExt->click();
      QCOMPARE(f.prompts->errors, 0);
      QCOMPARE(test::Read(bin + QStringLiteral("/default")), std::string("tamber.desktop\n"));
      QCOMPARE(Settings(home_, "Association", "PreviousTextDefault"), std::string("vim.desktop"));
      f.page->TextMemoRet->click();
      QCOMPARE(f.prompts->errors, 0);
      QCOMPARE(test::Read(bin + QStringLiteral("/default")), std::string("vim.desktop\n"));
    }
    qputenv("PATH", bin.toUtf8() + "/none");  // no xdg-mime anywhere
    {
      Fixture<TAppendixPage> f(CreateAppendixPage);
      f.prompts->answers = {TAnswer::Ok};
      f.page->TextToExt->click();
      QCOMPARE(f.prompts->errors, 1);
      QVERIFY(f.prompts->lastText.contains(U("xdg-mime を起動できません")));
    }
    qputenv("PATH", oldPath);
  }

  void associationWorksWithTheDesktopsOwnXdgMime() {
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty()) QSKIP("xdg-mime is not installed");
    // A desktop of our own: vim is the default for plain text, tamber.desktop is not installed.
    const QString config = root_.filePath(QStringLiteral("config"));
    QDir().mkpath(config);
    QDir().mkpath(dataDirs_ + QStringLiteral("/applications"));
    test::Write(dataDirs_ + QStringLiteral("/applications/vim.desktop"),
                "[Desktop Entry]\nType=Application\nName=Vim\nExec=vim %F\nMimeType=text/plain;\n");
    test::Write(config + QStringLiteral("/mimeapps.list"), "[Default Applications]\ntext/plain=vim.desktop\n");
    const QByteArray saved[] = {qgetenv("XDG_CURRENT_DESKTOP"), qgetenv("DESKTOP_SESSION")};
    qunsetenv("XDG_CURRENT_DESKTOP");
    qunsetenv("DESKTOP_SESSION");
    qputenv("XDG_CONFIG_HOME", config.toUtf8());
    qputenv("XDG_CONFIG_DIRS", config.toUtf8());
    auto query = [] {
      return TProcessRunner().Run(QStringLiteral("xdg-mime"), {"query", "default", "text/plain"}).Output;
    };
    QCOMPARE(query(), QString("vim.desktop"));
    {
      Fixture<TAppendixPage> f(CreateAppendixPage);
      f.prompts->answers = {TAnswer::Ok, TAnswer::Ok};
      f.page->TextToExt->click();
      QVERIFY2(f.prompts->errors == 0, qPrintable(f.prompts->lastText));
      QCOMPARE(query(), QString("tamber.desktop"));
      QCOMPARE(Settings(home_, "Association", "PreviousTextDefault"), std::string("vim.desktop"));
      f.page->TextMemoRet->click();
      QVERIFY2(f.prompts->errors == 0, qPrintable(f.prompts->lastText));
      QCOMPARE(query(), QString("vim.desktop"));
    }
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CONFIG_DIRS");
    if (!saved[0].isEmpty()) qputenv("XDG_CURRENT_DESKTOP", saved[0]);
    if (!saved[1].isEmpty()) qputenv("DESKTOP_SESSION", saved[1]);
    QFile::remove(dataDirs_ + QStringLiteral("/applications/vim.desktop"));
  }

  void desktopEntryQuotesTheProgramPath() {
    const QString text = DesktopEntryText(U("/opt/my apps/tam\"ber$x%"));
    QVERIFY2(text.contains(QStringLiteral("Exec=\"/opt/my apps/tam\\\\\"ber\\\\$x%%\" %F\n")), qPrintable(text));
  }

  // ---- the four pages in the options dialog; TAMBER_SHOTS=<folder> saves a picture of each.
  void pagesLayOutTheirJapaneseLabelsInFull() {
    TTamberForm form;
    form.SetPrompts(std::make_unique<test::QuietPrompts>());
    TOptionDlg& dialog = form.OptionDlg();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTabWidget& tabs = *dialog.Pages();
    const QString captions[] = {U("拡張子"), U("予約語"), U("登録スクリプト"), U("付録")};
    const QByteArray shots = qgetenv("TAMBER_SHOTS");
    for (int i = 0; i < 4; ++i) {
      const int at = 4 + i;
      QCOMPARE(tabs.tabText(at), captions[i]);
      tabs.setCurrentIndex(at);
      QCoreApplication::processEvents();
      for (QAbstractButton* b : tabs.widget(at)->findChildren<QAbstractButton*>()) {
        if (!b->isVisible() || b->text().isEmpty()) continue;
        QVERIFY2(b->width() >= b->sizeHint().width(), qPrintable(b->text()));
      }
      if (!shots.isEmpty()) dialog.grab().save(QString::fromUtf8(shots) + QStringLiteral("/page%1.png").arg(at));
    }
    dialog.hide();
  }
};

QTEST_MAIN(TestOptionLists)
#include "test_option_lists.moc"
