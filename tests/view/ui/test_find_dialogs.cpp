// The find and replace dialogs and commands offscreen: their controls, what
// each button does to an editor, the beeps and messages, an error of a
// pattern on every path, a stopped replace-all, and the histories kept in a
// settings file.
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "encoding/cp932_codec.h"
#include "settings/reg_manager.h"
#include "settings/settings_schema.h"
#include "view/ui/find_dialogs.h"
#include "view/ui/text_editor_fx.h"

using namespace tamber;

namespace {

struct Counts {
  int beeps = 0;
  QStringList info, errors;
  bool stop = false;  // the progress asks to stop
  int progressCalls = 0;
};

TSearchFeedback Counting(Counts& c) {
  TSearchFeedback f;
  f.Beep = [&c] { ++c.beeps; };
  f.Information = [&c](QWidget*, const QString& t) { c.info << t; };
  f.Error = [&c](QWidget*, const QString& t) {
    // The buttons and the pointer are back before the message shows.
    QVERIFY(QApplication::overrideCursor() == nullptr);
    c.errors << t;
  };
  f.Progress = [&c](QWidget*) -> std::function<bool(std::size_t, std::size_t)> {
    return [&c](std::size_t, std::size_t) {
      ++c.progressCalls;
      return !c.stop;
    };
  };
  return f;
}

QStringList Texts(QWidget& w) {
  QStringList out;
  for (QLabel* l : w.findChildren<QLabel*>()) out << l->text();
  for (QAbstractButton* b : w.findChildren<QAbstractButton*>()) out << b->text();
  return out;
}

std::string Sjis(const char* utf8) { return Utf8ToCp932(utf8); }

}  // namespace

class TestFindDialogs : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  std::unique_ptr<TRegManager> settings_;

  void SetText(TTextEditorFx& fx, const std::string& text) {
    fx.Editor().Lines().SetTextStr(text);
    fx.Editor().SetSelStart(0);
  }

 private slots:
  void init() {
    settings_ = std::make_unique<TRegManager>();
    settings_->SetIniFileName(dir_.filePath("tamber.ini").toStdString());
    DeclareSettingsItems(settings_->RegItems());
    QFile::remove(dir_.filePath("tamber.ini"));
  }

  void dialogsShowTheirControlsAndCaptions() {
    Counts c;
    TFindDlg find(nullptr, nullptr, Counting(c));
    QCOMPARE(find.windowTitle(), QStringLiteral("検索"));
    for (const char* t : {"検索文字列(&F):", "大文字小文字を区別(&I)", "正規表現(&R)", "あいまい検索(&U)", "検索(&S)",
                          "閉じる(&C)"})
      QVERIFY2(Texts(find).contains(QString::fromUtf8(t)), t);
    QVERIFY(find.FindBtn->isDefault());
    TReplaceDlg replace(nullptr, nullptr, Counting(c));
    QCOMPARE(replace.windowTitle(), QStringLiteral("置換"));
    for (const char* t : {"検索文字列(&F):", "置換文字列(&T):", "カーソル位置から(&C)", "次を検索(&S)", "置換後次に(&N)",
                          "全て置換える(&A)", "閉じる(&C)", "あいまい検索(&U)"})
      QVERIFY2(Texts(replace).contains(QString::fromUtf8(t)), t);
    QVERIFY(replace.FindBtn->isDefault());
    // On show the replacement is cleared and the find box has the focus.
    replace.ReplaceComboBox->setEditText("old");
    replace.show();
    QVERIFY(QTest::qWaitForWindowExposed(&replace));
    QCOMPARE(replace.ReplaceComboBox->currentText(), QString());
    QTRY_VERIFY(replace.FindComboBox->hasFocus() || replace.FindComboBox->lineEdit()->hasFocus());
  }

  void findButtonSearchesRemembersAndCloses() {
    Counts c;
    TTextEditorFx fx;
    SetText(fx, Sjis("漢字と漢字\r\nend"));
    TFindDlg dlg(nullptr, nullptr, Counting(c));
    dlg.SetTarget(&fx);
    dlg.show();
    dlg.FindBtnClick();  // empty: a beep and nothing else
    QCOMPARE(c.beeps, 1);
    QVERIFY(dlg.isVisible());
    dlg.FindComboBox->SetText(Sjis("漢字"));
    dlg.FuzzyCheckBox->setChecked(true);  // no effect without the regular expressions
    dlg.FindBtnClick();
    QCOMPARE(c.beeps, 1);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(fx.Editor().SelStart(), 0);
    QCOMPARE(fx.Editor().SelLength(), 4);
    QCOMPARE(fx.FindString(), Sjis("漢字"));
    QCOMPARE(fx.FxSearchOptions(), 0u);
    QCOMPARE(dlg.FindComboBox->History(), std::vector<std::string>{Sjis("漢字")});
    dlg.FindBtnClick();  // the next one, from the hit's end
    QCOMPARE(fx.Editor().SelStart(), 6);
    dlg.FindBtnClick();  // no more: a beep, the hit stays
    QCOMPARE(c.beeps, 2);
    QCOMPARE(fx.Editor().SelStart(), 6);
    QCOMPARE(dlg.FindComboBox->count(), 1);
  }

  void replaceNextReplacesOnlyAMatchAndSearchesOn() {
    Counts c;
    TTextEditorFx fx;
    SetText(fx, "cat dog cat cat");
    TReplaceDlg dlg(nullptr, nullptr, Counting(c));
    dlg.SetTarget(&fx);
    dlg.FindComboBox->SetText("cat");
    dlg.ReplaceComboBox->SetText("cow");
    fx.Editor().SetSel(4, 7);  // "dog": no match, so nothing is replaced
    dlg.ReplaceBtnClick();
    QCOMPARE(fx.Editor().GetText(), std::string("cat dog cat cat"));
    QCOMPARE(fx.Editor().SelStart(), 8);  // it searched on
    dlg.ReplaceBtnClick();                // now the hit is replaced and the next one found
    QCOMPARE(fx.Editor().GetText(), std::string("cat dog cow cat"));
    QCOMPARE(fx.Editor().SelStart(), 12);
    dlg.ReplaceBtnClick();
    QCOMPARE(fx.Editor().GetText(), std::string("cat dog cow cow"));
    QCOMPARE(c.beeps, 1);  // nothing after the last
    QCOMPARE(dlg.ReplaceComboBox->History(), std::vector<std::string>{"cow"});
    QVERIFY(c.info.isEmpty());
  }

  void replaceAllReportsTheCountAndClosesOrLeavesAReadOnlyTextAlone() {
    Counts c;
    TTextEditorFx fx;
    SetText(fx, Sjis("漢字\r\nかな漢字"));
    TReplaceDlg dlg(nullptr, nullptr, Counting(c));
    dlg.SetTarget(&fx);
    dlg.show();
    dlg.FindComboBox->SetText(Sjis("漢字"));
    dlg.ReplaceComboBox->SetText(Sjis("かんじ"));
    dlg.AllBtnClick();
    QCOMPARE(Cp932ToUtf8(fx.Editor().GetText()), std::string("かんじ\r\nかなかんじ"));
    QCOMPARE(c.info, QStringList{QStringLiteral("全部で 2 件置換しました。")});
    QCOMPARE(c.beeps, 1);
    QVERIFY(!dlg.isVisible());
    QVERIFY(dlg.AllBtn->isEnabled() && dlg.FindBtn->isEnabled() && dlg.ReplaceBtn->isEnabled());
    QVERIFY(fx.Editor().Undo());
    fx.Editor().SetReadOnly(true);
    dlg.AllBtnClick();
    QCOMPARE(c.info.last(), QStringLiteral("全部で 0 件置換しました。"));
    QCOMPARE(Cp932ToUtf8(fx.Editor().GetText()), std::string("漢字\r\nかな漢字"));
  }

  void aBadPatternShowsItsErrorAndRestoresButtonsAndPointerOnEveryPath() {
    Counts c;
    TTextEditorFx fx;
    SetText(fx, "abc");
    TReplaceDlg dlg(nullptr, nullptr, Counting(c));
    dlg.SetTarget(&fx);
    dlg.show();
    dlg.FindComboBox->SetText("[a-");
    dlg.RegexpCheckBox->setChecked(true);
    dlg.FindBtnClick();
    dlg.ReplaceBtnClick();
    dlg.AllBtnClick();
    QCOMPARE(c.errors.size(), 3);
    for (const QString& e : c.errors) QVERIFY(!e.isEmpty());
    QVERIFY(dlg.isVisible());
    QVERIFY(dlg.AllBtn->isEnabled() && dlg.FindBtn->isEnabled() && dlg.ReplaceBtn->isEnabled());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(c.info.isEmpty());
    QCOMPARE(fx.Editor().GetText(), std::string("abc"));
    // The command path too.
    TSearchCommands commands(nullptr, nullptr, Counting(c));
    commands.FindDlg().FindComboBox->SetText("[a-");
    fx.SetFxSearchOptions(soRegexp);
    commands.AcFindNext(fx);
    QCOMPARE(c.errors.size(), 4);
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

  void aStoppedReplaceAllLeavesTheTextAsItWas() {
    Counts c;
    c.stop = true;
    TTextEditorFx fx;
    std::string text;
    for (int i = 0; i < 30000; ++i) text += "a line with a word\r\n";
    SetText(fx, text);
    TReplaceDlg dlg(nullptr, nullptr, Counting(c));
    dlg.SetTarget(&fx);
    dlg.show();
    dlg.FindComboBox->SetText("word");
    dlg.ReplaceComboBox->SetText("WORD");
    dlg.AllBtnClick();
    QVERIFY(c.progressCalls > 0);
    QCOMPARE(fx.Editor().GetText(), text);
    QVERIFY(!fx.Editor().CanUndo());
    QVERIFY(c.info.isEmpty());
    QVERIFY(dlg.isVisible());
    QVERIFY(dlg.AllBtn->isEnabled());
  }

  void historiesKeepTheirFirstTenAndMultiLineEntriesInTheSettingsFile() {
    Counts c;
    {
      TReplaceDlg dlg(nullptr, settings_.get(), Counting(c));
      for (int i = 0; i < 12; ++i) {
        dlg.FindComboBox->SetText("find" + std::to_string(i));
        dlg.FindComboBox->Remember();
      }
      dlg.ReplaceComboBox->SetText(Sjis("二行の\r\n置換"));
      dlg.ReplaceComboBox->Remember();
      dlg.FindComboBox->SetText("find5");  // an equal entry moves to the top
      dlg.FindComboBox->Remember();
      QCOMPARE(dlg.FindComboBox->count(), 12);
    }
    {
      TReplaceDlg dlg(nullptr, settings_.get(), Counting(c));
      const std::vector<std::string> find = dlg.FindComboBox->History();
      QCOMPARE(find.size(), std::size_t{10});
      QCOMPARE(find[0], std::string("find5"));
      QCOMPARE(find[1], std::string("find11"));
      QCOMPARE(find[9], std::string("find2"));
      QCOMPARE(dlg.ReplaceComboBox->History(), std::vector<std::string>{Sjis("二行の\r\n置換")});
    }
    // The break is stored escaped: every line of the file is a key or a section.
    QFile file(dir_.filePath("tamber.ini"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    for (const QByteArray& line : file.readAll().split('\n')) {
      const QByteArray l = line.trimmed();
      QVERIFY2(l.isEmpty() || l.startsWith('[') || l.contains('='), l.constData());
    }
    // The find dialog keeps its own list.
    TFindDlg find(nullptr, settings_.get(), Counting(c));
    QCOMPARE(find.FindComboBox->count(), 0);
  }

  void typingCompletesFromTheHistoryUnlessDeleting() {
    THistoryComboBox box;
    box.SetHistory({"alpha", "Abcdef"});
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.lineEdit()->setFocus();
    QTest::keyClicks(box.lineEdit(), "ab");
    QCOMPARE(box.currentText(), QStringLiteral("abcdef"));
    QCOMPARE(box.lineEdit()->selectedText(), QStringLiteral("cdef"));
    QTest::keyClick(box.lineEdit(), Qt::Key_Backspace);  // takes the completion away, adds none
    QCOMPARE(box.currentText(), QStringLiteral("ab"));
  }

  void findCommandsFillTheFindTextAndSearchAgainBothWays() {
    Counts c;
    TTextEditorFx fx;
    SetText(fx, "one two one two");
    fx.Editor().SetSelStart(5);  // in "two"
    TSearchCommands commands(nullptr, nullptr, Counting(c));
    commands.Modal = false;
    commands.AcFindNext(fx);  // no find text yet: the dialog, filled with the word at the caret
    QVERIFY(commands.FindDlg().isVisible());
    QCOMPARE(commands.FindDlg().FindComboBox->Text(), std::string("two"));
    QCOMPARE(fx.Editor().SelectionState(), sstNone);  // caret and empty selection as they were
    QCOMPARE(fx.Editor().SelStart(), 5);
    commands.FindDlg().FindBtnClick();
    QCOMPARE(fx.Editor().SelStart(), 12);  // from the caret on
    commands.AcFindNext(fx);
    QCOMPARE(c.beeps, 1);  // no further match
    // Backwards from the caret at the hit's end: the hit itself, then the
    // one before (the caret now at each hit's start).
    commands.AcFindPrev(fx);
    QCOMPARE(fx.Editor().SelStart(), 12);
    commands.AcFindPrev(fx);
    QCOMPARE(fx.Editor().SelStart(), 4);
    QCOMPARE(fx.Editor().SelLength(), 3);
    commands.AcFindPrev(fx);
    QCOMPARE(c.beeps, 2);
    // A selection is taken as it is.
    fx.Editor().SetSel(0, 7);
    commands.AcReplace(fx);
    QCOMPARE(commands.ReplaceDlg().FindComboBox->Text(), std::string("one two"));
  }
};

QTEST_MAIN(TestFindDialogs)
#include "test_find_dialogs.moc"
