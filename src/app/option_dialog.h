// TOptionDlg, "環境オプション": the eight pages of settings. Its controls
// hold the settings while the program runs; confirming it writes them to the
// settings file in one go, reads them back and applies them to the template
// editor and every open document. Cancelling shows the settings as they were.
#pragma once

#include <QDialog>
#include <vector>

class QPushButton;
class QTabWidget;

namespace tamber {

class TOptionPage;
class TTamberForm;

class TOptionDlg : public QDialog {
  Q_OBJECT

 public:
  explicit TOptionDlg(TTamberForm& form);

  // Shows the dialog modally (AcSetUp).
  void Execute();
  // The confirmation (OK): true when everything was written and applied and
  // the dialog may close; false (after saying why) leaves it open.
  bool Confirm();
  // Every page shows s again.
  void LoadPages();

  QTabWidget* Pages() const { return tabs_; }
  const std::vector<TOptionPage*>& PageList() const { return pages_; }
  QPushButton* OkBtn() const { return ok_; }
  QPushButton* CancelBtn() const { return cancel_; }

 public slots:
  void reject() override;

 private:
  TTamberForm& form_;
  QTabWidget* tabs_;
  std::vector<TOptionPage*> pages_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace tamber
