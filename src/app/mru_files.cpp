#include "app/mru_files.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <algorithm>

#include "settings/ini_file.h"
#include "settings/settings_model.h"

namespace tamber {

void TMRUFiles::SetMenuItem(QAction* item) {
  menuItem_ = item;
  Rebuild();
}

void TMRUFiles::Add(const std::string& path) {
  if (path.empty()) return;
  std::erase(entries_, path);
  const auto max = static_cast<std::size_t>(std::max(0, MaxEntries));
  if (max == 0) {
    Rebuild();
    return;
  }
  while (entries_.size() >= max) entries_.pop_back();
  entries_.insert(entries_.begin(), path);
  Rebuild();
}

void TMRUFiles::Clear() {
  entries_.clear();
  Rebuild();
}

void TMRUFiles::Load(const std::string& iniFileName, const std::string& section) {
  entries_.clear();
  TIniFile file;
  try {
    file = TIniFile::Load(iniFileName);
  } catch (const std::system_error&) {
    Rebuild();
    return;
  }
  for (int i = 1; i <= MaxEntries; ++i) {
    const auto v = file.ReadValue(section, Prefix + std::to_string(i));
    if (!v || v->empty()) break;
    if (std::find(entries_.begin(), entries_.end(), *v) == entries_.end()) entries_.push_back(*v);
  }
  Rebuild();
}

void TMRUFiles::Save(const std::string& iniFileName, const std::string& section) const {
  TIniFile file;
  try {
    file = TIniFile::Load(iniFileName);
  } catch (const std::system_error&) {
    throw SettingsWriteError(iniFileName);
  }
  file.EraseSection(section);
  for (std::size_t i = 0; i < entries_.size(); ++i)
    file.WriteValue(section, Prefix + std::to_string(i + 1), entries_[i]);
  file.Save(iniFileName);
}

QString TMRUFiles::Caption(int i, const QString& path, bool fullPath, bool numbered) {
  QString shown = path;
  if (!fullPath) shown = QFileInfo(shown).fileName();
  shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
  if (!numbered) return shown;
  if (i < 9) return QStringLiteral("&%1 %2").arg(i + 1).arg(shown);
  return QStringLiteral("  ") + shown;
}

void TMRUFiles::Rebuild() {
  for (QAction* a : items_) {
    if (auto* m = qobject_cast<QMenu*>(a->parent())) m->removeAction(a);
    a->deleteLater();
  }
  items_.clear();
  if (!menuItem_ || entries_.empty()) return;
  auto* menu = qobject_cast<QMenu*>(menuItem_->parent());
  if (!menu) return;
  // Insert before the item that follows MenuItem.
  const QList<QAction*> all = menu->actions();
  const auto at = all.indexOf(menuItem_);
  QAction* before = at >= 0 && at + 1 < all.size() ? all[at + 1] : nullptr;
  auto put = [&](QAction* a) {
    menu->insertAction(before, a);
    items_.push_back(a);
  };
  auto* sep = new QAction(menu);
  sep->setSeparator(true);
  put(sep);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const std::string path = entries_[i];
    auto* a = new QAction(Caption(static_cast<int>(i), ToDisplay(path), FullPath, Numbered), menu);
    QString hint = Hint;
    hint.replace(QStringLiteral("%s"), ToDisplay(path));
    a->setStatusTip(hint);
    a->setToolTip(hint);
    a->setData(static_cast<int>(i));
    connect(a, &QAction::triggered, this, [this, path] {
      if (OnClick) OnClick(path);
    });
    put(a);
  }
}

}  // namespace tamber
