// The questions and messages of the shell, and its file dialogs, behind one
// interface: the program shows message boxes and dialogs, tests answer them.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <functional>

#include "encoding/file_code.h"

class QWidget;

namespace tamber {

// The caption of every message box and input prompt of the shell.
inline constexpr const char* kSystemMessageCaption = " Orvane System Message";

enum class TAnswer { Yes, No, Cancel, Ok };
enum class TPromptIcon { Question, Information, Warning };

// One run of an open or save dialog: what the program proposes, what the user chose.
struct TFileDialogRequest {
  bool save = false;
  QString title;
  QString folder;       // initial folder
  QString fileName;     // proposed name
  QString filter;       // Qt name filters, ";;"-separated
  int filterIndex = 1;  // 1-based
  QString defaultSuffix;
  bool codeSelect = false;  // the character-code choice can be changed
  bool plain = false;       // a plain chooser, without the code choice and the text preview
  // The answer.
  QString path;
  ChrCodeEnum code = AUTO;
};

class TShellPrompts {
 public:
  virtual ~TShellPrompts() = default;
  virtual void Information(const QString& text) = 0;
  virtual void Error(const QString& text) = 0;
  // A failure that escaped a command: shown captioned with the application title.
  virtual void CommandFailed(const QString& text) = 0;
  // Yes, No or Cancel.
  virtual TAnswer AskYesNoCancel(const QString& text) = 0;
  // Ok or Cancel.
  virtual TAnswer AskOkCancel(const QString& text) = 0;
  // Ok or Cancel under the given icon; by default AskOkCancel's question.
  virtual TAnswer Confirm(const QString& text, TPromptIcon icon) {
    (void)icon;
    return AskOkCancel(text);
  }
  virtual void Beep() = 0;
  // Runs the dialog; false when it was cancelled.
  virtual bool RunFileDialog(TFileDialogRequest& request) = 0;
  // The folder choice titled title, starting at folder; the chosen folder
  // goes into folder. False when it was cancelled.
  virtual bool ChooseFolder(const QString& title, QString& folder) {
    (void)title;
    (void)folder;
    return false;
  }
  // A colour choice starting at color. False when it was cancelled.
  virtual bool ChooseColor(QColor& color) {
    (void)color;
    return false;
  }
  // The editor font choice among the fixed-pitch families, starting at font;
  // the chosen family and size go into font. False when it was cancelled.
  virtual bool ChooseFont(QFont& font) {
    (void)font;
    return false;
  }
};

// Message boxes, the beep and the dialogs with the code choice and preview.
class TWidgetPrompts : public TShellPrompts {
 public:
  explicit TWidgetPrompts(QWidget* parent) : parent_(parent) {}
  void Information(const QString& text) override;
  void Error(const QString& text) override;
  void CommandFailed(const QString& text) override;
  TAnswer AskYesNoCancel(const QString& text) override;
  TAnswer AskOkCancel(const QString& text) override;
  TAnswer Confirm(const QString& text, TPromptIcon icon) override;
  void Beep() override;
  bool RunFileDialog(TFileDialogRequest& request) override;
  bool ChooseFolder(const QString& title, QString& folder) override;
  bool ChooseColor(QColor& color) override;
  bool ChooseFont(QFont& font) override;

 private:
  QWidget* parent_;
};

}  // namespace tamber
