// The options dialog's pages "表示" (caret, window and view options, the
// editor font), "行間" (word wrap, line-breaking characters, margins, the
// wheel) and "ファイル" (backups, the browser, code recognition, the start
// folder of the file dialogs).
#pragma once

#include "app/option_page.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace tamber {

// Takes what was typed into spin: an integer outside its range is brought
// into it, text that is no integer leaves the last value. Returns the value.
int TakeSpinValue(QSpinBox& spin);

class TViewOptionPage : public TOptionPage {
  Q_OBJECT

 public:
  TViewOptionPage(TTamberForm& form, QWidget* parent);
  void Load(const TSettings& s) override;
  bool Store(TSettings& s, QString& message) override;

  // The font the page holds (what "フォント" chose).
  const TFontData& Font() const { return font_; }

 private:
  QCheckBox* Check(const char* name, const char* caption);
  QPushButton* ColorButton(const char* name);
  void ShowColor(QPushButton* button, TColor c);
  void ChooseColor(QPushButton* button, TColor& c);
  void ChooseFont();

  QCheckBox *autoIndent_, *freeCaret_, *keepCaret_, *nextLine_, *softTab_;
  QSpinBox* tabSpaceCount_;
  QCheckBox *maxMain_, *maxChild_, *showHint_, *showFindMark_, *underline_, *taskBar_;
  QComboBox* scrollBar_;
  QCheckBox *showNumber_, *showRuler_, *showTab_, *showSpace_, *showDBSpace_, *viewRet_, *viewEof_;
  QCheckBox *showCurrentLine_, *showParen_;
  QPushButton *currentLineColorBtn_, *parenColorBtn_;
  QPushButton* fontBtn_;
  QLabel* fontSample_;
  TColor currentLineColor_ = 0, parenColor_ = 0;
  TFontData font_;
};

class TLineOptionPage : public TOptionPage {
  Q_OBJECT

 public:
  TLineOptionPage(TTamberForm& form, QWidget* parent);
  void Load(const TSettings& s) override;
  bool Store(TSettings& s, QString& message) override;

 private:
  QSpinBox *wordWrapByte_, *marginLine_, *marginCharacter_, *mouseWheel_;
  QComboBox* wordWrap_;
  QCheckBox* leading_;
  QLineEdit *followStr_, *leadStr_, *punctuationStr_;
};

class TFileOptionPage : public TOptionPage {
  Q_OBJECT

 public:
  TFileOptionPage(TTamberForm& form, QWidget* parent);
  void Load(const TSettings& s) override;
  bool Store(TSettings& s, QString& message) override;

 private:
  void Browse();

  QCheckBox *fileBackUp_, *htmlAutoSave_, *kanjiAuto_;
  QComboBox* brouser_;
  QRadioButton *lastFolda_, *defFolda_;
  QLineEdit* defFoldaEdit_;
  QPushButton* defFoldaBtn_;
};

// text in CP932 into out; false when some character has no CP932 form.
bool ToCp932(const QString& text, std::string& out);

}  // namespace tamber
