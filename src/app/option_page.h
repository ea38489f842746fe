// One page of the options dialog: it shows the settings in its controls and
// puts the controls' values back into the settings when the dialog is
// confirmed. Pages never write the settings file themselves, except the
// actions that take effect at once (file association, restoring the built-in
// filter).
#pragma once

#include <QString>
#include <QWidget>

#include "settings/settings_model.h"

namespace tamber {

class TTamberForm;

class TOptionPage : public QWidget {
  Q_OBJECT

 public:
  explicit TOptionPage(TTamberForm& form, QWidget* parent = nullptr) : QWidget(parent), form_(form) {}

  // Shows s in the controls (at creation, and on Cancel to undo what was
  // changed in them).
  virtual void Load(const TSettings& s) = 0;
  // The dialog is about to be shown.
  virtual void Showing(const TSettings& s) { (void)s; }
  // Puts the controls' values into s. A value that cannot be taken leaves s
  // as it may be, sets message (naming the control) and answers false.
  virtual bool Store(TSettings& s, QString& message) = 0;

 protected:
  TTamberForm& Form() const { return form_; }

 private:
  TTamberForm& form_;
};

// The pages of the lists and appendices, in their order in the dialog:
// "拡張子", "予約語", "登録スクリプト", "付録".
TOptionPage* CreateFilterPage(TTamberForm& form, QWidget* parent);
TOptionPage* CreateKeywordPage(TTamberForm& form, QWidget* parent);
TOptionPage* CreateScriptPage(TTamberForm& form, QWidget* parent);
TOptionPage* CreateAppendixPage(TTamberForm& form, QWidget* parent);

}  // namespace tamber
