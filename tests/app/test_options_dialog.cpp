// The options dialog over a real frame and settings home: what OK writes to
// tamber.ini and applies to open documents, what Cancel leaves, the values it
// refuses or brings into range, a keyword file that cannot be written, and a
// restart that shows every page as it was left.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <map>
#include <set>

#include "app/editor_settings.h"
#include "app/font_chooser.h"
#include "app/mdi_child.h"
#include "app/mdi_tab.h"
#include "app/option_list_pages.h"
#include "app/option_color_page.h"
#include "app/option_dialog.h"
#include "app/option_page.h"
#include "app/tamber_form.h"
#include "encoding/cp932_codec.h"
#include "view/row_painter.h"
#include "view/ui/text_editor_fx.h"

#include "frame_test_support.h"

using namespace tamber;
using tamber::test::Read;
using tamber::test::Write;

namespace {

struct Prompts : test::QuietPrompts {
  QStringList errors, failures;
  QFont font{QStringLiteral("IPAGothic"), 14};
  QString folder;
  void Error(const QString& t) override { errors << t; }
  void CommandFailed(const QString& t) override { failures << t; }
  bool ChooseFont(QFont& f) override {
    f = font;
    return true;
  }
  bool ChooseFolder(const QString&, QString& f) override {
    if (folder.isEmpty()) return false;
    f = folder;
    return true;
  }
};

// A frame on its own settings home.
struct Frame {
  std::unique_ptr<TTamberForm> form;
  Prompts* prompts = nullptr;
  explicit Frame(const QString& home) {
    qputenv("TAMBER_HOME", home.toUtf8());
    form = std::make_unique<TTamberForm>();
    prompts = test::InstallPrompts<Prompts>(*form);
  }
  TOptionDlg& Dlg() const { return form->OptionDlg(); }
  template <class W>
  W* Control(const char* name) const {
    W* w = Dlg().findChild<W*>(QString::fromLatin1(name));
    if (!w) qWarning("no control %s", name);
    return w;
  }
  TColorOptionPage& ColorPage() const { return *Dlg().findChild<TColorOptionPage*>(); }
};

// The lines of an ini file by "[section]key", values as written.
std::map<std::string, std::string> Entries(const std::string& bytes) {
  std::map<std::string, std::string> out;
  std::string section;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = end + 1;
    if (line.size() > 1 && line.front() == '[') {
      section = line.substr(1, line.find(']') - 1);
    } else if (const auto eq = line.find('='); eq != std::string::npos) {
      out["[" + section + "]" + line.substr(0, eq)] = line.substr(eq + 1);
    }
  }
  return out;
}

// The keys whose values differ between two files (also keys only one holds).
std::set<std::string> Changed(const std::string& before, const std::string& after) {
  const auto a = Entries(before), b = Entries(after);
  std::set<std::string> keys;
  for (const auto& [k, v] : a)
    if (!b.count(k) || b.at(k) != v) keys.insert(k);
  for (const auto& [k, v] : b)
    if (!a.count(k)) keys.insert(k);
  return keys;
}

// A left or right click with release on a cell of the colour grid.
void ClickCell(TColorGrid& grid, int index, Qt::MouseButton button) {
  const QPoint at = grid.CellRect(index).center();
  QTest::mousePress(&grid, button, {}, at);
  QTest::mouseRelease(&grid, button, {}, at);
}

// How the main pane of doc draws word on row: its colour, background and style.
struct Drawn {
  TColor color = clNone, bk = clNone;
  TFontStyles style = 0;
  bool operator==(const Drawn&) const = default;
};
Drawn DrawnAs(TMDIChild& doc, int row, const std::string& word) {
  const int col = static_cast<int>(doc.Edit().Editor().Text().RowTextAt(row).find(word));
  const TDisplayList ops = TViewPainter(doc.Edit().Furniture()).TextRow(row);
  Drawn d;
  int x = -1;
  for (const TDisplayOp& op : ops) {
    if (op.Kind == dkText && op.Column <= col && col < op.Column + static_cast<int>(op.Text.size())) {
      d.color = op.Color;
      d.style = op.Style;
      x = op.X + (col - op.Column) * op.CellWidth;
    }
  }
  // Backgrounds other than the row's are fills under the text.
  for (const TDisplayOp& op : ops)
    if (op.Kind == dkFill && op.Rect.Left <= x && x < op.Rect.Right && op.Rect.Left > 0) d.bk = op.Color;
  return d;
}

}  // namespace

class TestOptionsDialog : public QObject {
  Q_OBJECT

 private slots:
  // One control on each of the first four pages, then OK: only the lines of
  // those settings change in tamber.ini (comments and unknown keys stay), and
  // the open documents show them.
  void OkWritesTheChangedSettingsAndAppliesThemToOpenDocuments() {
    QTemporaryDir home;
    const QString ini = home.path() + "/tamber.ini";
    Write(ini, "; kept comment\r\n[Config]\r\nUnknownKey=kept\r\n");
    Write(home.path() + "/PASCAL.Def", "begin\r\nend\r\n");
    const QString pas = home.path() + "/a.pas";
    Write(pas, "begin writeln end\r\nxxxxxxxxxx xxxxxxxxxx xxxxxxxxxx xxxxxxxxxx xxxxxxxxxx xxxxxxxxxx\r\n");
    Frame f(home.path());
    QVERIFY(f.form->OpenOrActivate(pas));
    TMDIChild& doc = *f.form->ActiveDocument();
    const Drawn reserved = DrawnAs(doc, 0, "begin");
    QCOMPARE(reserved.color, f.form->Settings().Slots[csReserve].Fg);
    QVERIFY(DrawnAs(doc, 0, "writeln") != reserved);
    const int rows = doc.Edit().Editor().Text().Count();

    // A first OK writes every setting; the second only changes what changed.
    QVERIFY(f.Dlg().Confirm());
    const std::string before = Read(ini);
    QVERIFY(before.find("; kept comment") != std::string::npos);

    f.Control<QCheckBox>("AutoIndent")->setChecked(true);   // 表示
    f.Control<QComboBox>("WordWrap")->setCurrentIndex(1);   // 行間
    f.Control<QSpinBox>("WordWrapByte")->setValue(40);
    f.Control<QCheckBox>("FileBackUp")->setChecked(false);  // ファイル
    TColorOptionPage& colors = f.ColorPage();                // 色: reserve words bold, red on yellow
    colors.SlotList()->setCurrentRow(clsReserve);
    ClickCell(*colors.Grid(), StandardColorIndex(clRed), Qt::LeftButton);
    ClickCell(*colors.Grid(), StandardColorIndex(clYellow), Qt::RightButton);
    colors.BoldCheck()->click();
    TFilterPage& filter = *f.Dlg().findChild<TFilterPage*>();  // 拡張子
    filter.StringGrid1->item(0, 0)->setText(QString::fromUtf8("文書(*.txt)"));
    TKeywordPage& keywords = *f.Dlg().findChild<TKeywordPage*>();  // 予約語: a word for Pascal
    keywords.Words[3]->Editor().SetText("begin\r\nend\r\nwriteln");
    TAppendixPage& appendix = *f.Dlg().findChild<TAppendixPage*>();  // 付録
    appendix.WallTileCheck->setChecked(!appendix.WallTileCheck->isChecked());
    appendix.Sign[0]->Editor().SetText(Utf8ToCp932("山田"));
    QVERIFY(f.Dlg().Confirm());

    const std::string after = Read(ini);
    const std::set<std::string> expected{
        "[Config]AutoIndent", "[Config]WordWrap",    "[Config]WordWrapByte", "[File]FileBackUp",
        "[Color]FgReserve",   "[Color]BgReserve",    "[Color]StyleReserve",  "[File]OptExt",
        "[Wall]WallTile",     "[Config]Sign1_ItemCount", "[Config]Sign1_Item0"};
    QCOMPARE(Changed(before, after), expected);
    const auto e = Entries(after);
    QCOMPARE(e.at("[Config]AutoIndent"), std::string("1"));
    QCOMPARE(e.at("[Config]WordWrapByte"), std::string("40"));
    QCOMPARE(e.at("[File]FileBackUp"), std::string("0"));
    QCOMPARE(e.at("[Color]FgReserve"), std::to_string(clRed));
    QCOMPARE(e.at("[Color]StyleReserve"), std::string("1"));
    QCOMPARE(e.at("[Config]UnknownKey"), std::string("kept"));
    QCOMPARE(e.at("[Config]Sign1_Item0"), Utf8ToCp932("山田"));
    QVERIFY(e.at("[File]OptExt").rfind(Utf8ToCp932("文書(*.txt)|*.txt;*.doc|"), 0) == 0);
    QVERIFY(after.find("; kept comment") != std::string::npos);
    QCOMPARE(Read(home.path() + "/PASCAL.Def"), std::string("begin\r\nend\r\nwriteln\r\n"));

    // The document: caret option, wrap width, reserve-word colours, keywords.
    TTextEditor& ed = doc.Edit().Editor();
    QVERIFY(ed.Caret().AutoIndent());
    QVERIFY(ed.Text().WordWrap());
    QCOMPARE(ed.Text().WrapOption().WrapByte(), 40);
    QCOMPARE(ed.Text().Count(), rows + 1);  // the long line folds once
    QVERIFY(ed.Text().RowTextAt(1).size() <= 40u);
    TTextEditorColors& c = doc.Edit().Furniture().View().Colors();
    QCOMPARE(c.Reserve().Color(), clRed);
    QCOMPARE(c.Reserve().BkColor(), clYellow);
    QCOMPARE(c.Reserve().Style(), fsBold);
    const Drawn red{clRed, clYellow, fsBold};
    QCOMPARE(DrawnAs(doc, 0, "begin"), red);
    QCOMPARE(DrawnAs(doc, 0, "writeln"), red);
    // The template editor carries them to documents made later.
    QCOMPARE(f.form->DefEdit().Furniture().View().Colors().Reserve().Color(), clRed);
    QVERIFY(!f.form->Settings().FileBackUp);
    // The dialog shows what was read back.
    QVERIFY(f.Control<QCheckBox>("AutoIndent")->isChecked());
    QCOMPARE(f.Control<QSpinBox>("WordWrapByte")->value(), 40);
  }

  // "画面幅で折り返す": the wrap width follows the pane's width, applied at once.
  void WrappingAtTheWindowWidthFollowsThePane() {
    QTemporaryDir home;
    Frame f(home.path());
    f.form->resize(900, 600);
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    f.form->Action("AcMaxWindow")->setChecked(false);
    f.form->Run("AcFileNew");
    TMDIChild& doc = *f.form->ActiveDocument();
    doc.showNormal();
    doc.resize(400, 300);
    f.Control<QComboBox>("WordWrap")->setCurrentIndex(2);
    QVERIFY(f.Dlg().Confirm());
    const TTextEditorWrapOption& wrap = doc.Edit().Editor().Text().WrapOption();
    QVERIFY(doc.Edit().Editor().Text().WordWrap());
    const int narrow = wrap.WrapByte();
    doc.resize(700, 300);
    QCoreApplication::processEvents();
    const int cell = doc.Edit().Furniture().Layout().CharWidth;
    QVERIFY(cell > 0);
    QVERIFY(narrow < 400 / cell);
    // 300 pixels more hold 300 / cell more bytes (give or take the rounding).
    QVERIFY2(std::abs(wrap.WrapByte() - narrow - 300 / cell) <= 1,
             qPrintable(QString("%1 -> %2, cell %3").arg(narrow).arg(wrap.WrapByte()).arg(cell)));
  }

  // Cancel writes nothing and puts the controls back; the settings in force stay.
  void CancelLeavesTheFileTheSettingsAndTheControlsAsTheyWere() {
    QTemporaryDir home;
    Frame f(home.path());
    QVERIFY(f.Dlg().Confirm());
    const QString ini = home.path() + "/tamber.ini";
    const std::string before = Read(ini);
    f.Control<QCheckBox>("AutoIndent")->setChecked(true);
    f.Control<QSpinBox>("MarginLine")->setValue(7);
    f.Control<QLineEdit>("DefFoldaEdit")->setText("/tmp/elsewhere");
    f.ColorPage().ApplyPreset(true);
    f.Control<QPushButton>("CancelBtn")->click();
    QCOMPARE(Read(ini), before);
    QVERIFY(!f.form->Settings().AutoIndent);
    QVERIFY(!f.Control<QCheckBox>("AutoIndent")->isChecked());
    QCOMPARE(f.Control<QSpinBox>("MarginLine")->value(), 0);
    QCOMPARE(f.Control<QLineEdit>("DefFoldaEdit")->text(), QString());
    QCOMPARE(f.ColorPage().SlotBackground(clsBackground), f.form->Settings().Color);
    QVERIFY(f.prompts->errors.isEmpty() && f.prompts->failures.isEmpty());
  }

  void OkUnsplitsASplitDocument() {
    QTemporaryDir home;
    Frame f(home.path());
    f.form->Run("AcFileNew");
    TMDIChild& doc = *f.form->ActiveDocument();
    doc.Split();
    QVERIFY(doc.SplitView());
    QVERIFY(f.Dlg().Confirm());
    QVERIFY(!doc.SplitView());
    QVERIFY(doc.SplitEdit() == nullptr);
  }

  // A number typed outside its range is brought into it; a text CP932 cannot
  // hold is refused with a message naming the control, and nothing is written.
  void OutOfRangeNumbersAreClampedAndUnrepresentableTextIsRefused() {
    QTemporaryDir home;
    Frame f(home.path());
    QVERIFY(f.Dlg().Confirm());
    const QString ini = home.path() + "/tamber.ini";
    struct Case {
      const char* spin;
      const char* typed;
      int stored;
    };
    for (const Case& c : {Case{"WordWrapByte", "5", 20}, Case{"MouseWheel", "0", 1}, Case{"MarginLine", "", 0},
                          Case{"TabSpaceCount", "7", 6}}) {
      QSpinBox* spin = f.Control<QSpinBox>(c.spin);
      spin->findChild<QLineEdit*>()->setText(QString::fromLatin1(c.typed));
      QVERIFY(f.Dlg().Confirm());
      QCOMPARE(Entries(Read(ini)).at(std::string("[Config]") + c.spin), std::to_string(c.stored));
      QCOMPARE(spin->value(), c.stored);
    }
    const std::string before = Read(ini);
    f.Control<QLineEdit>("FollowStr")->setText(QString::fromUtf8("、。😀"));
    f.Control<QCheckBox>("AutoIndent")->setChecked(true);
    QVERIFY(!f.Dlg().Confirm());
    QCOMPARE(f.prompts->errors.size(), 1);
    QVERIFY(f.prompts->errors[0].contains(QString::fromUtf8("行頭禁則文字")));
    QCOMPARE(f.Dlg().Pages()->currentIndex(), 1);
    QCOMPARE(Read(ini), before);
    QVERIFY(!f.form->Settings().AutoIndent);
  }

  // A keyword file that cannot be written: the dialog stays open naming it,
  // tamber.ini is not written and the documents keep what they had.
  void AKeywordFileThatCannotBeWrittenLeavesEverythingAsItWas() {
    QTemporaryDir home;
    // A folder where the file should be refuses the write, also to root.
    QVERIFY(QDir(home.path()).mkdir("HTML.Def"));
    Frame f(home.path());
    f.form->Run("AcFileNew");
    TMDIChild& doc = *f.form->ActiveDocument();
    const QString ini = home.path() + "/tamber.ini";
    const std::string before = Read(ini);
    f.form->Settings().Keywords[0].Lines = {"body"};
    f.Dlg().LoadPages();
    f.Control<QComboBox>("WordWrap")->setCurrentIndex(1);
    f.Control<QSpinBox>("WordWrapByte")->setValue(33);
    f.ColorPage().ApplyPreset(true);
    QVERIFY(!f.Dlg().Confirm());
    QCOMPARE(f.prompts->failures.size(), 1);
    QVERIFY(f.prompts->failures[0].contains("HTML.Def"));
    QVERIFY(f.prompts->failures[0].contains(QString::fromUtf8("に書き込めません")));
    QCOMPARE(Read(ini), before);
    QVERIFY(!doc.Edit().Editor().Text().WordWrap());
    QVERIFY(doc.Edit().Furniture().Color() != 0x800000u);
    QCOMPARE(f.form->Settings().WordWrap, 0);
    // The controls still hold what was typed, for another try.
    QCOMPARE(f.Control<QSpinBox>("WordWrapByte")->value(), 33);
  }

  // The font button: only families whose full-width characters are twice
  // their half-width ones are offered; the chosen one reaches the documents
  // and the settings file.
  void TheFontChoiceKeepsTheGridAndReachesTheDocuments() {
    QVERIFY(IsDualWidthFixedPitch("IPAGothic"));
    QVERIFY(!IsDualWidthFixedPitch("IPAPGothic"));       // proportional
    QVERIFY(!IsDualWidthFixedPitch("DejaVu Sans Mono"));  // no Japanese glyphs of its own
    QVERIFY(FixedPitchFamilies().contains("IPAGothic"));
    QVERIFY(!FixedPitchFamilies().contains("DejaVu Sans"));

    QTemporaryDir home;
    Frame f(home.path());
    f.form->Run("AcFileNew");
    TMDIChild& doc = *f.form->ActiveDocument();
    f.Control<QPushButton>("FontBtn")->click();
    QCOMPARE(f.Control<QLabel>("FontSample")->font().family(), QStringLiteral("IPAGothic"));
    QCOMPARE(f.Control<QLabel>("FontSample")->text(), QString::fromUtf8("123 abc ABC あいうえお"));
    QVERIFY(f.Dlg().Confirm());
    const auto e = Entries(Read(home.path() + "/tamber.ini"));
    QCOMPARE(e.at("[Config]Font_FontName"), std::string("IPAGothic"));
    QCOMPARE(e.at("[Config]Font_FontSize"), std::string("14"));
    QCOMPARE(doc.Edit().EditorFont().family(), QStringLiteral("IPAGothic"));
    QCOMPARE(doc.Edit().EditorFont().pointSize(), 14);
    QCOMPARE(f.form->DefEdit().EditorFont().pointSize(), 14);

    TFontChooser chooser;
    chooser.SetChosen(QFont("IPAGothic", 20));
    QCOMPARE(chooser.Chosen().family(), QStringLiteral("IPAGothic"));
    QCOMPARE(chooser.Chosen().pointSize(), 20);
    QCOMPARE(chooser.Families()->count(), FixedPitchFamilies().size());
  }

  // The colour page: markers follow the slot, the grid sets both colours,
  // the style boxes the style, the presets every slot.
  void TheColourPageEditsTheSampleSlotBySlot() {
    QTemporaryDir home;
    Frame f(home.path());
    TColorOptionPage& p = f.ColorPage();
    // The sample selects the word that opens it.
    TTextEditor& sample = p.ColorEdit().Editor();
    QCOMPARE(sample.SelText(), Utf8ToCp932("選択領域"));
    QVERIFY(sample.ReadOnly());
    // The default background is the window's system colour: the marker sits on white.
    p.SlotList()->setCurrentRow(clsBackground);
    QCOMPARE(p.Grid()->BackgroundIndex(), 15);
    QCOMPARE(p.Grid()->ForegroundIndex(), 0);
    QVERIFY(!p.BoldCheck()->isEnabled());
    p.SlotList()->setCurrentRow(clsComment);  // 008080 on white by default
    QCOMPARE(p.Grid()->ForegroundIndex(), StandardColorIndex(clOlive));
    QCOMPARE(p.Grid()->BackgroundIndex(), 15);
    ClickCell(*p.Grid(), StandardColorIndex(clGreen), Qt::LeftButton);
    QCOMPARE(p.SlotForeground(clsComment), clGreen);
    QCOMPARE(p.SlotBackground(clsComment), clWhite);
    p.ItalicCheck()->click();
    p.UnderCheck()->click();
    QCOMPARE(p.ColorEdit().Furniture().View().Colors().Comment().Style(), TFontStyles(fsItalic | fsUnderline));
    // The ruler's colours go to the line-number bar too.
    p.SlotList()->setCurrentRow(clsRuler);
    ClickCell(*p.Grid(), StandardColorIndex(clTeal), Qt::RightButton);
    QCOMPARE(p.ColorEdit().Furniture().Leftbar().BkColor(), clTeal);
    // Presets change colours, not styles.
    p.ApplyPreset(true);
    QCOMPARE(p.SlotBackground(clsBackground), 0x800000u);
    QCOMPARE(p.SlotForeground(clsStr), 0x0000FFu);
    QCOMPARE(p.SlotForeground(clsRuler), 0xFFFFFFu);
    QCOMPARE(p.ColorEdit().Furniture().View().Colors().Comment().Style(), TFontStyles(fsItalic | fsUnderline));
    p.ApplyPreset(false);
    QCOMPARE(p.SlotBackground(clsBackground), clWindow);
    QCOMPARE(p.SlotForeground(clsAnk), clWindowText);
    QCOMPARE(p.SlotForeground(clsReserve), 0x000080u);
    // OK takes the sample's colours.
    QVERIFY(f.Dlg().Confirm());
    QCOMPARE(f.form->Settings().Slots[csComment].Style, fsItalic | fsUnderline);
    QCOMPARE(f.form->Settings().Slots[csReserve].Fg, 0x000080u);
    QCOMPARE(f.form->DefEdit().Furniture().Ruler().Color(), 0x800000u);
  }

  // Switching the tab strip and the tooltips off, and the start folder.
  void WindowOptionsTakeEffectOnOk() {
    QTemporaryDir home, other;
    Frame f(home.path());
    f.form->Run("AcFileNew");
    f.Control<QCheckBox>("TaskBar")->setChecked(false);
    f.Control<QCheckBox>("ShowHintChk")->setChecked(false);
    f.prompts->folder = other.path();
    f.Control<QPushButton>("DefFoldaBtn")->click();
    QCOMPARE(f.Control<QLineEdit>("DefFoldaEdit")->text(), other.path());
    QVERIFY(f.form->HintsShown());
    QVERIFY(f.Dlg().Confirm());
    QVERIFY(!f.form->HintsShown());
    QVERIFY(!f.form->MDITab().parentWidget()->isVisibleTo(f.form.get()));
    QCOMPARE(QString::fromStdString(Cp932ToUtf8(f.form->Settings().DefFolda)), other.path());
  }

  // After OK, a new frame on the same settings home shows every page as it was left.
  void ARestartShowsEveryPageAsItWasLeft() {
    QTemporaryDir home;
    std::map<QString, QVariant> left;
    auto controls = [](Frame& f) {
      std::map<QString, QVariant> v;
      auto each = [&](auto list, auto value) {
        int i = 0;
        for (auto* c : list)
          if (!c->objectName().startsWith("qt_")) v[QString("%1#%2").arg(c->objectName()).arg(i++)] = value(c);
      };
      each(f.Dlg().findChildren<QCheckBox*>(), [](QCheckBox* c) { return QVariant(c->isChecked()); });
      each(f.Dlg().findChildren<QRadioButton*>(), [](QRadioButton* c) { return QVariant(c->isChecked()); });
      each(f.Dlg().findChildren<QSpinBox*>(), [](QSpinBox* c) { return QVariant(c->value()); });
      each(f.Dlg().findChildren<QComboBox*>(), [](QComboBox* c) { return QVariant(c->currentIndex()); });
      each(f.Dlg().findChildren<QLineEdit*>(), [](QLineEdit* c) { return QVariant(c->text()); });
      each(f.Dlg().findChildren<QTableWidget*>(), [](QTableWidget* t) {
        QStringList cells;
        for (int r = 0; r < t->rowCount(); ++r)
          for (int c = 0; c < t->columnCount(); ++c) cells << (t->item(r, c) ? t->item(r, c)->text() : QString());
        return QVariant(cells);
      });
      each(f.Dlg().findChildren<TTextEditorFx*>(),
           [](TTextEditorFx* e) { return QVariant(QByteArray::fromStdString(e->Editor().GetText())); });
      TColorOptionPage& p = f.ColorPage();
      for (int i = 0; i < kColorListSlotCount; ++i) {
        v[QString("fg%1").arg(i)] = p.SlotForeground(i);
        v[QString("bg%1").arg(i)] = p.SlotBackground(i);
      }
      v["font"] = f.Control<QLabel>("FontSample")->font().toString();
      return v;
    };
    {
      Frame f(home.path());
      for (auto* c : f.Dlg().findChildren<QCheckBox*>())
        if (c->isEnabled()) c->setChecked(!c->isChecked());
      f.Control<QRadioButton>("DefFolda")->setChecked(true);
      f.Control<QSpinBox>("TabSpaceCount")->setValue(8);
      f.Control<QSpinBox>("WordWrapByte")->setValue(123);
      f.Control<QSpinBox>("MarginLine")->setValue(5);
      f.Control<QSpinBox>("MarginCharacter")->setValue(3);
      f.Control<QSpinBox>("MouseWheel")->setValue(4);
      f.Control<QComboBox>("ScrollBar")->setCurrentIndex(3);
      f.Control<QComboBox>("WordWrap")->setCurrentIndex(2);
      f.Control<QComboBox>("Brouser")->setCurrentIndex(2);
      f.Control<QLineEdit>("FollowStr")->setText(QString::fromUtf8("、。"));
      f.Control<QLineEdit>("LeadStr")->setText(QString::fromUtf8("（「"));
      f.Control<QLineEdit>("PunctuationStr")->setText(QString::fromUtf8("。"));
      f.Control<QLineEdit>("DefFoldaEdit")->setText(QString::fromUtf8("/tmp/フォルダ"));
      f.ColorPage().ApplyPreset(true);
      f.Control<QPushButton>("FontBtn")->click();
      TFilterPage& filter = *f.Dlg().findChild<TFilterPage*>();
      filter.StringGrid1->item(1, 1)->setText("*.c;*.h");
      TKeywordPage& keywords = *f.Dlg().findChild<TKeywordPage*>();
      for (std::size_t i = 0; i < keywords.Words.size(); ++i)
        keywords.Words[i]->Editor().SetText("word" + std::to_string(i) + "\r\nother");
      TScriptPage& scripts = *f.Dlg().findChild<TScriptPage*>();
      scripts.StringGrid2->setCurrentCell(1, 0);
      scripts.ComDelBtn->click();
      TAppendixPage& appendix = *f.Dlg().findChild<TAppendixPage*>();
      appendix.WallPaperFile->setText(QString::fromUtf8("いらない"));
      for (std::size_t i = 0; i < appendix.Sign.size(); ++i)
        appendix.Sign[i]->Editor().SetText(Utf8ToCp932("署名") + std::to_string(i) + "\r\n--");
      QVERIFY(f.Dlg().Confirm());
      left = controls(f);
    }
    Frame g(home.path());
    const auto shown = controls(g);
    for (const auto& [name, value] : left) QCOMPARE(shown.at(name), value);
    QCOMPARE(left.size(), shown.size());
    // The changes themselves came back, not only the same defaults twice.
    QVERIFY(g.Control<QCheckBox>("AutoIndent")->isChecked());
    QCOMPARE(g.Control<QSpinBox>("WordWrapByte")->value(), 123);
    QCOMPARE(g.Dlg().findChild<TKeywordPage*>()->Words[8]->Editor().GetText(), std::string("word8\r\nother\r\n"));
    QCOMPARE(g.Dlg().findChild<TAppendixPage*>()->WallPaperFile->text(), QString::fromUtf8("いらない"));
  }
};

QTEST_MAIN(TestOptionsDialog)
#include "test_options_dialog.moc"
