// The file dialogs: a non-native file chooser inside our own dialog, with a
// panel below it holding the preview of the chosen file's first 1024 bytes
// and, in the "Ex" family, the character-code choice.
#pragma once

#include <QDialog>

#include "encoding/file_code.h"

class QComboBox;
class QFileDialog;
class QPlainTextEdit;

namespace tamber {

// Bytes of a file the preview shows.
inline constexpr qint64 kPreviewBytes = 1024;

// The first kPreviewBytes of path as text for the preview (empty for a
// missing file or anything but a regular file: a FIFO or device is never read).
QString PreviewText(const QString& path);

class TTamberFileDialog : public QDialog {
  Q_OBJECT

 public:
  // withCode: the "Ex" family, with the code choice.
  TTamberFileDialog(bool save, bool withCode, QWidget* parent = nullptr);

  QFileDialog* Chooser() const { return chooser_; }
  QComboBox* CodeBox() const { return codeBox_; }
  QPlainTextEdit* Preview() const { return preview_; }

  // CodeSelect: whether the code choice can be changed.
  void SetCodeSelect(bool on);
  // Item 0 is chosen again whenever the dialog is shown.
  ChrCodeEnum CodeType() const { return codeType_; }
  QString SelectedPath() const { return path_; }

  int exec() override;

 private:
  void ShowPreview(const QString& path);

  QFileDialog* chooser_;
  QComboBox* codeBox_ = nullptr;
  QPlainTextEdit* preview_;
  ChrCodeEnum codeType_ = AUTO;
  QString path_;
};

class TTamberOpenDialogEx : public TTamberFileDialog {
 public:
  explicit TTamberOpenDialogEx(QWidget* parent = nullptr) : TTamberFileDialog(false, true, parent) {}
};
class TTamberSaveDialogEx : public TTamberFileDialog {
 public:
  explicit TTamberSaveDialogEx(QWidget* parent = nullptr) : TTamberFileDialog(true, true, parent) {}
};
// Preview only, for the script window.
class TTamberOpenDialog : public TTamberFileDialog {
 public:
  explicit TTamberOpenDialog(QWidget* parent = nullptr) : TTamberFileDialog(false, false, parent) {}
};
class TTamberSaveDialog : public TTamberFileDialog {
 public:
  explicit TTamberSaveDialog(QWidget* parent = nullptr) : TTamberFileDialog(true, false, parent) {}
};

}  // namespace tamber
