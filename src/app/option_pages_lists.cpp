#include "app/option_list_pages.h"

namespace tamber {

TOptionPage* CreateFilterPage(TTamberForm& form, QWidget* parent) { return new TFilterPage(form, parent); }
TOptionPage* CreateKeywordPage(TTamberForm& form, QWidget* parent) { return new TKeywordPage(form, parent); }
TOptionPage* CreateScriptPage(TTamberForm& form, QWidget* parent) { return new TScriptPage(form, parent); }
TOptionPage* CreateAppendixPage(TTamberForm& form, QWidget* parent) { return new TAppendixPage(form, parent); }

}  // namespace tamber
