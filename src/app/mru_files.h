// TMRUFiles: the recent-files list, most recent first, kept in a section of
// the settings file and shown as numbered items after a separator of a menu.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QAction;

namespace tamber {

class TMRUFiles : public QObject {
  Q_OBJECT

 public:
  explicit TMRUFiles(QObject* parent = nullptr) : QObject(parent) {}

  int MaxEntries = 9;
  bool FullPath = true;
  bool Numbered = true;
  QString Hint = QStringLiteral("Opens %s");
  std::string Prefix = "File";
  // How a stored path is shown (the settings file's bytes to text).
  std::function<QString(const std::string&)> ToDisplay = [](const std::string& s) { return QString::fromStdString(s); };
  // Raised with the stored path when an entry is chosen.
  std::function<void(const std::string&)> OnClick;

  // The entries go after item in its menu (none: no menu).
  void SetMenuItem(QAction* item);
  QAction* MenuItem() const { return menuItem_; }

  // Paths compare exactly (names differ by case on this system). An empty
  // path is ignored; the path goes to the head, the oldest past MaxEntries out.
  void Add(const std::string& path);
  void Clear();
  // Reads Prefix1 … PrefixMaxEntries, stopping at the first missing or empty one.
  void Load(const std::string& iniFileName, const std::string& section);
  // Erases the section and writes the entries in order; throws
  // SettingsWriteError when the file cannot be written.
  void Save(const std::string& iniFileName, const std::string& section) const;
  const std::vector<std::string>& Entries() const { return entries_; }
  // The menu items made for the entries (the separator first), in order.
  const std::vector<QAction*>& Items() const { return items_; }

  // The caption of entry i (from 0): "&n path" with "&" doubled; past 9 two
  // blanks stand for the number.
  static QString Caption(int i, const QString& path, bool fullPath, bool numbered);

 private:
  void Rebuild();

  QAction* menuItem_ = nullptr;
  std::vector<std::string> entries_;
  std::vector<QAction*> items_;
};

}  // namespace tamber
