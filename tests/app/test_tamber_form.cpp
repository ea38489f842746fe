#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QMdiArea>
#include <QStatusBar>
#include <QtTest>

#include "app/tamber_form.h"

using tamber::TTamberForm;

class TestTamberForm : public QObject {
  Q_OBJECT

 private slots:
  void opensCaptionedWithFivePanels() {
    TTamberForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.windowTitle(), QString::fromUtf8(" Tamberエディタ"));
    QVERIFY(qobject_cast<QMdiArea*>(form.centralWidget()) != nullptr);
    const QList<QLabel*> panels = form.statusBar()->findChildren<QLabel*>(
        QRegularExpression("^StatusPanel\\d$"));
    QCOMPARE(panels.size(), TTamberForm::kStatusPanelCount);
    const int widths[] = {120, 50, 50, 50};
    for (int i = 0; i < 4; ++i) QCOMPARE(form.StatusPanel(i)->width(), widths[i]);
    QCOMPARE(form.StatusText(2), QString::fromUtf8("挿入"));
  }

  void statusPanelsShowJapaneseText() {
    TTamberForm form;
    form.SetStatusText(0, QString::fromUtf8("1 行 : 1 桁"));
    form.SetStatusText(4, QString::fromUtf8("マクロ記録中"));
    form.SetStatusText(7, "ignored");  // outside the panels: nothing happens
    QCOMPARE(form.StatusText(0), QString::fromUtf8("1 行 : 1 桁"));
    QCOMPARE(form.StatusText(4), QString::fromUtf8("マクロ記録中"));
    QCOMPARE(form.StatusText(7), QString());
  }

  void japaneseFontIsInstalled() {
    // The editor draws on a fixed grid with the IPA Gothic font.
    QVERIFY(QFontDatabase::families().contains("IPAGothic"));
    QFont font("IPAGothic", 12);
    QFontMetrics metrics(font);
    QVERIFY(metrics.inFontUcs4(0x6F22));  // 漢
  }

  void closesCleanly() {
    auto* form = new TTamberForm;
    form->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<TTamberForm> guard(form);
    form->show();
    QVERIFY(form->close());
    QTRY_VERIFY(guard.isNull());
  }
};

QTEST_MAIN(TestTamberForm)
#include "test_tamber_form.moc"
