// What the options pages share: the settings' CP932 texts in Qt controls, the
// cells of a grid, and the page editors' look.
#pragma once

#include <QString>
#include <QTableWidget>
#include <string>

#include "encoding/cp932_codec.h"
#include "settings/settings_model.h"

namespace tamber {

inline QString U8(const char* utf8) { return QString::fromUtf8(utf8); }
inline QString FromCp932(const std::string& s) { return QString::fromStdString(Cp932ToUtf8(s)); }
// False when text holds a character that CP932 cannot hold (*out then has 〓 for it).
inline bool ToCp932(const QString& text, std::string* out) {
  std::size_t lost = 0;
  *out = Utf8ToCp932(text.toStdString(), &lost);
  return lost == 0;
}

inline QString CellText(const QTableWidget& grid, int row, int column) {
  const QTableWidgetItem* item = grid.item(row, column);
  return item ? item->text() : QString();
}
inline void SetCellText(QTableWidget& grid, int row, int column, const QString& text) {
  if (QTableWidgetItem* item = grid.item(row, column)) {
    item->setText(text);
  } else {
    grid.setItem(row, column, new QTableWidgetItem(text));
  }
}
// A new empty row at row, made current.
inline void InsertEmptyRow(QTableWidget& grid, int row) {
  grid.insertRow(row);
  for (int c = 0; c < grid.columnCount(); ++c) grid.setItem(row, c, new QTableWidgetItem());
  grid.setCurrentCell(row, 0);
}
// Removes the current row; the last row left is emptied instead, so the grid
// keeps one row to type into. False when no row is current.
inline bool DeleteCurrentRow(QTableWidget& grid) {
  const int row = grid.currentRow();
  if (row < 0) return false;
  if (grid.rowCount() == 1) {
    for (int c = 0; c < grid.columnCount(); ++c) SetCellText(grid, 0, c, QString());
    return true;
  }
  grid.removeRow(row);
  grid.setCurrentCell(std::min(row, grid.rowCount() - 1), 0);
  return true;
}

// The Qt name filters of a "|"-separated CP932 filter (description | patterns …).
inline QString QtNameFilters(const std::string& filter) {
  QStringList out;
  for (const TFilterPair& p : SplitFileFilter(filter)) {
    QString patterns = FromCp932(p.Pattern);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    out << FromCp932(p.Description) + QStringLiteral(" (") + patterns + QStringLiteral(")");
  }
  return out.join(QStringLiteral(";;"));
}

}  // namespace tamber
