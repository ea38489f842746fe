// Recording the keys and input-method commits that reach a widget, and
// playing them back into another, through the key macro recorder.
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPointer>
#include <QtTest>

#include "view/key_macro.h"
#include "view/ui/key_macro_widget.h"

using namespace tamber;

namespace {

void Commit(QWidget* w, const QString& text) {
  QInputMethodEvent ev;
  ev.setCommitString(text);
  QCoreApplication::sendEvent(w, &ev);
}

// Closes (destroys) the window of a line edit when it sees Escape.
class CloseOnEscape : public QObject {
 public:
  explicit CloseOnEscape(QWidget* window) : window_(window) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
      delete window_;
      return true;
    }
    return false;
  }

 private:
  QWidget* window_;
};

}  // namespace

class TestKeyMacroWidget : public QObject {
  Q_OBJECT

 private slots:
  void RecordsKeysAndCharactersAndPlaysThemIntoAnEmptyEdit() {
    QLineEdit source;
    auto* target = new TWidgetKeyMacroTarget(&source);
    TKeyMacro m;
    m.SetControl(target);
    m.StartRecording();
    QTest::keyClick(&source, 'a');
    QTest::keyClick(&source, Qt::Key_Left);
    QTest::keyClick(&source, 'b');
    m.StopRecording();
    QCOMPARE(source.text(), QString("ba"));

    const std::string saved = m.SaveToString();
    QVERIFY(saved.find("CN_KEYDOWN: 48384, CharCode: 65, KeyData: 1966081, Shift: 0, Ctrl: 0, "
                       "Alt: 0\r\n") != std::string::npos);
    QVERIFY(saved.find("CN_CHAR: 48386, CharCode: 97, KeyData: 1966081, Shift: 0, Ctrl: 0, "
                       "Alt: 0 // a\r\n") != std::string::npos);
    QVERIFY(saved.find("CN_KEYDOWN: 48384, CharCode: 37, KeyData: 21692417,") != std::string::npos);
    QCOMPARE(m.Entries().size(), std::size_t{5});

    QLineEdit empty;
    m.SetControl(new TWidgetKeyMacroTarget(&empty));
    m.Play();
    QCOMPARE(empty.text(), QString("ba"));
    QCOMPARE(m.MacroState(), kmRecorded);
  }

  void RecordsShiftedKeysWithTheirModifierBytes() {
    QLineEdit source;
    TKeyMacro m;
    m.SetControl(new TWidgetKeyMacroTarget(&source));
    m.StartRecording();
    QTest::keyClick(&source, 'A', Qt::ShiftModifier);
    QTest::keyClick(&source, Qt::Key_Backspace);
    QTest::keyClick(&source, 'x');
    m.StopRecording();
    // Shift goes down first, as a key of its own; Backspace also types its
    // control character.
    const TKeyMacroDataList want = {
        {48384, 16, 2752513, 128, 0, 0}, {48384, 65, 1966081, 128, 0, 0},
        {48386, 65, 1966081, 128, 0, 0}, {48384, 8, 917505, 0, 0, 0},
        {48386, 8, 917505, 0, 0, 0},     {48384, 88, 2949121, 0, 0, 0},
        {48386, 120, 2949121, 0, 0, 0},
    };
    QVERIFY(m.Entries() == want);

    QLineEdit empty;
    empty.setText("q");
    empty.end(false);
    m.SetControl(new TWidgetKeyMacroTarget(&empty));
    m.Play();
    QCOMPARE(empty.text(), QString("qx"));
  }

  void RecordsAnInputMethodCommitAsDoubleByteCharacters() {
    QLineEdit source;
    source.setAttribute(Qt::WA_InputMethodEnabled);
    TKeyMacro m;
    m.SetControl(new TWidgetKeyMacroTarget(&source));
    m.StartRecording();
    Commit(&source, QString::fromUtf8("日本"));
    m.StopRecording();
    QCOMPARE(source.text(), QString::fromUtf8("日本"));
    QCOMPARE(m.Entries().size(), std::size_t{2});
    QCOMPARE(m.Entries()[0], (TKeyMacroData{646, 37882, 1, 0, 0, 0}));
    QCOMPARE(m.Entries()[1], (TKeyMacroData{646, 38523, 1, 0, 0, 0}));

    QLineEdit empty;
    m.SetControl(new TWidgetKeyMacroTarget(&empty));
    m.Play();
    QCOMPARE(empty.text(), QString::fromUtf8("日本"));
  }

  void PlaysDoubleByteCharactersArrivingAsTwoBytes() {
    TKeyMacro m;
    QVERIFY(m.LoadFromString("48386, 130, 1, 0, 0, 0\r\n48386, 160, 1, 0, 0, 0\r\n"
                             "48386, 177, 1, 0, 0, 0\r\n"));
    QLineEdit empty;
    m.SetControl(new TWidgetKeyMacroTarget(&empty));
    m.Play();
    QCOMPARE(empty.text(), QString::fromUtf8("あｱ"));
  }

  void AMacroThatClosesItsOwnWindowStopsThere() {
    auto* window = new QWidget;
    auto* edit = new QLineEdit(window);
    CloseOnEscape closer(window);
    edit->installEventFilter(&closer);
    QPointer<QLineEdit> alive(edit);
    TKeyMacro m;
    QVERIFY(m.LoadFromString("48386, 97, 1, 0, 0, 0\r\n48384, 27, 65537, 0, 0, 0\r\n"
                             "48386, 98, 1, 0, 0, 0\r\n"));
    m.SetControl(new TWidgetKeyMacroTarget(edit));
    m.Play();
    QVERIFY(alive.isNull());
    QCOMPARE(m.Control(), nullptr);
    QCOMPARE(m.MacroState(), kmRecorded);
  }
};

QTEST_MAIN(TestKeyMacroWidget)
#include "test_key_macro_widget.moc"
