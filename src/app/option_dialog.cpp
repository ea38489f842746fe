#include "app/option_dialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/option_color_page.h"
#include "app/option_page.h"
#include "app/option_pages_view.h"
#include "app/tamber_form.h"
#include "settings/ini_file.h"

namespace tamber {

namespace {

struct WaitCursor {
  WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
};

}  // namespace

TOptionDlg::TOptionDlg(TTamberForm& form) : QDialog(&form), form_(form) {
  setObjectName("OptionDlg");
  setWindowTitle(QString::fromUtf8("環境オプション"));
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("PageControl1");
  auto add = [this](TOptionPage* page, const char* caption) {
    pages_.push_back(page);
    tabs_->addTab(page, QString::fromUtf8(caption));
  };
  add(new TViewOptionPage(form, tabs_), "表示");
  add(new TLineOptionPage(form, tabs_), "行間");
  add(new TColorOptionPage(form, tabs_), "色");
  add(new TFileOptionPage(form, tabs_), "ファイル");
  add(CreateFilterPage(form, tabs_), "拡張子");
  add(CreateKeywordPage(form, tabs_), "予約語");
  add(CreateScriptPage(form, tabs_), "登録スクリプト");
  add(CreateAppendixPage(form, tabs_), "付録");

  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setObjectName("OkBtn");
  ok_->setDefault(true);
  cancel_ = new QPushButton(QString::fromUtf8("キャンセル"), this);
  cancel_->setObjectName("CancelBtn");
  connect(ok_, &QPushButton::clicked, this, [this] {
    if (Confirm()) accept();
  });
  connect(cancel_, &QPushButton::clicked, this, &TOptionDlg::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addLayout(buttons);
  LoadPages();
}

void TOptionDlg::LoadPages() {
  for (TOptionPage* p : pages_) p->Load(form_.Settings());
}

void TOptionDlg::Execute() {
  for (TOptionPage* p : pages_) p->Showing(form_.Settings());
  exec();
}

void TOptionDlg::reject() {
  // The controls go back to the settings in force.
  LoadPages();
  QDialog::reject();
}

bool TOptionDlg::Confirm() {
  WaitCursor wait;
  TSettings edited = form_.Settings();
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    QString message;
    if (!pages_[i]->Store(edited, message)) {
      tabs_->setCurrentIndex(static_cast<int>(i));
      form_.Prompts().Error(message);
      return false;
    }
  }
  try {
    // One write of the settings file; a keyword file that cannot be written
    // leaves the file as it was and the documents untouched.
    TRegManager& m = form_.RegManager();
    m.Update([&] { WriteAllSettings(m, form_.SettingsHomeDir(), edited); });
  } catch (const SettingsWriteError& e) {
    form_.Prompts().CommandFailed(QString::fromStdString(e.FileName()) +
                                  QString::fromUtf8(" に書き込めません"));
    return false;
  } catch (const std::exception& e) {
    form_.Prompts().CommandFailed(QString::fromLocal8Bit(e.what()));
    return false;
  }
  form_.RereadSettings();
  form_.ApplySettings();
  LoadPages();
  return true;
}

}  // namespace tamber
