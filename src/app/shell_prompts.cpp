#include "app/shell_prompts.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

#include "app/file_dialogs.h"
#include "app/font_chooser.h"

namespace tamber {

namespace {
QString Caption() { return QString::fromUtf8(kSystemMessageCaption); }
}  // namespace

void TWidgetPrompts::Information(const QString& text) {
  QMessageBox::information(parent_, Caption(), text);
}

void TWidgetPrompts::Error(const QString& text) { QMessageBox::critical(parent_, Caption(), text); }

void TWidgetPrompts::CommandFailed(const QString& text) {
  QMessageBox::critical(parent_, QApplication::applicationName(), text);
}

TAnswer TWidgetPrompts::AskYesNoCancel(const QString& text) {
  const auto b = QMessageBox::question(parent_, Caption(), text,
                                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  return b == QMessageBox::Yes ? TAnswer::Yes : b == QMessageBox::No ? TAnswer::No : TAnswer::Cancel;
}

TAnswer TWidgetPrompts::AskOkCancel(const QString& text) {
  const auto b = QMessageBox::question(parent_, Caption(), text, QMessageBox::Ok | QMessageBox::Cancel);
  return b == QMessageBox::Ok ? TAnswer::Ok : TAnswer::Cancel;
}

TAnswer TWidgetPrompts::Confirm(const QString& text, TPromptIcon icon) {
  const QMessageBox::Icon shown = icon == TPromptIcon::Information ? QMessageBox::Information
                                  : icon == TPromptIcon::Warning   ? QMessageBox::Warning
                                                                   : QMessageBox::Question;
  QMessageBox box(shown, Caption(), text, QMessageBox::Ok | QMessageBox::Cancel, parent_);
  return box.exec() == QMessageBox::Ok ? TAnswer::Ok : TAnswer::Cancel;
}

void TWidgetPrompts::Beep() { QApplication::beep(); }

bool TWidgetPrompts::RunFileDialog(TFileDialogRequest& r) {
  if (r.plain) {
    QFileDialog dialog(parent_, r.title, r.folder);
    dialog.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(r.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(r.filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts));
    if (!r.fileName.isEmpty()) dialog.selectFile(r.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    r.path = dialog.selectedFiles().front();
    return true;
  }
  TTamberFileDialog dialog(r.save, true, parent_);
  QFileDialog* c = dialog.Chooser();
  if (!r.title.isEmpty()) dialog.setWindowTitle(r.title);
  c->setNameFilters(r.filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts));
  const QStringList filters = c->nameFilters();
  if (r.filterIndex >= 1 && r.filterIndex <= filters.size()) c->selectNameFilter(filters[r.filterIndex - 1]);
  if (!r.folder.isEmpty()) c->setDirectory(r.folder);
  if (!r.defaultSuffix.isEmpty()) c->setDefaultSuffix(r.defaultSuffix);
  if (!r.fileName.isEmpty()) c->selectFile(r.fileName);
  dialog.SetCodeSelect(r.codeSelect);
  if (dialog.exec() != QDialog::Accepted || dialog.SelectedPath().isEmpty()) return false;
  r.path = dialog.SelectedPath();
  r.code = dialog.CodeType();
  return true;
}

bool TWidgetPrompts::ChooseFolder(const QString& title, QString& folder) {
  const QString chosen = QFileDialog::getExistingDirectory(parent_, title, folder);
  if (chosen.isEmpty()) return false;
  folder = chosen;
  return true;
}

bool TWidgetPrompts::ChooseColor(QColor& color) {
  const QColor chosen = QColorDialog::getColor(color, parent_);
  if (!chosen.isValid()) return false;
  color = chosen;
  return true;
}

bool TWidgetPrompts::ChooseFont(QFont& font) {
  TFontChooser chooser(parent_);
  chooser.SetChosen(font);
  if (chooser.exec() != QDialog::Accepted) return false;
  font = chooser.Chosen();
  return true;
}

}  // namespace tamber
