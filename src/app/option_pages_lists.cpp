#include "app/option_page.h"

namespace tamber {
namespace {

// Placeholder until the list pages are built: keeps the settings it was given.
class TPendingPage : public TOptionPage {
 public:
  using TOptionPage::TOptionPage;
  void Load(const TSettings&) override {}
  bool Store(TSettings&, QString&) override { return true; }
};

}  // namespace

TOptionPage* CreateFilterPage(TTamberForm& form, QWidget* parent) { return new TPendingPage(form, parent); }
TOptionPage* CreateKeywordPage(TTamberForm& form, QWidget* parent) { return new TPendingPage(form, parent); }
TOptionPage* CreateScriptPage(TTamberForm& form, QWidget* parent) { return new TPendingPage(form, parent); }
TOptionPage* CreateAppendixPage(TTamberForm& form, QWidget* parent) { return new TPendingPage(form, parent); }

}  // namespace tamber
