// The find and replace dialogs and the commands that open them.
//
// Both dialogs work on a target editor (a TTextEditorFx the caller names
// before showing them). Their combo boxes keep histories, newest first,
// loaded from the settings file when a dialog is made and saved (their first
// ten entries) when it goes; multi-line entries go through the settings
// file's escaping. Searching runs on the user-interface thread; a long
// replace-all shows its progress and can be stopped with the text left as it
// was. An error of a regular expression is shown as a message, after the
// dialog's buttons and the pointer are back as they were.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QPushButton;

namespace tamber {

class TRegManager;
class TTextEditorFx;

// How the dialogs speak to the user; tests count instead.
struct TSearchFeedback {
  std::function<void()> Beep;
  std::function<void(QWidget* parent, const QString& text)> Information;
  std::function<void(QWidget* parent, const QString& text)> Error;
  // A replace-all that takes long: progress(done, total) returns false when
  // the user asked to stop. Made for each replace-all.
  std::function<std::function<bool(std::size_t, std::size_t)>(QWidget* parent)> Progress;
  // The platform's: QApplication::beep, message boxes, a QProgressDialog.
  static TSearchFeedback Platform();
};

// An editable combo box with a history and completion as the user types.
class THistoryComboBox : public QComboBox {
  Q_OBJECT
 public:
  explicit THistoryComboBox(QWidget* parent = nullptr);
  // The entries in CP932, newest first.
  std::vector<std::string> History() const;
  void SetHistory(const std::vector<std::string>& entries);
  // The edit text becomes the newest entry (an equal older one goes).
  void Remember();
  // The edit text in CP932.
  std::string Text() const;
  void SetText(const std::string& cp932);

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void Complete(const QString& typed);
  bool completing_ = true;
};

class TSearchDialogBase : public QDialog {
  Q_OBJECT
 public:
  TTextEditorFx* Target() const { return target_; }
  void SetTarget(TTextEditorFx* editor) { target_ = editor; }
  THistoryComboBox* FindComboBox = nullptr;
  QCheckBox* MatchCaseCheckBox = nullptr;
  QCheckBox* RegexpCheckBox = nullptr;
  QCheckBox* FuzzyCheckBox = nullptr;
  QPushButton* FindBtn = nullptr;
  QPushButton* CancelBitBtn1 = nullptr;
  // The options the check boxes give (never soWholeWord).
  unsigned Options() const;

 protected:
  TSearchDialogBase(QWidget* parent, TRegManager* settings, TSearchFeedback feedback);
  // Sets the find string and options on the target and finds the next hit
  // (scrolled into view, else a beep). False for an empty find text (a beep)
  // or an error (shown).
  bool FindNext();
  void Apply();
  // Runs body with the pointer as an hourglass and the error of a bad
  // pattern shown; the pointer is back whatever happens. False on an error.
  bool Guarded(const std::function<void()>& body);
  void LoadHistory(THistoryComboBox* box, const char* key);
  void SaveHistory(THistoryComboBox* box, const char* key);
  void showEvent(QShowEvent* e) override;

  TRegManager* settings_;
  TSearchFeedback feedback_;
  TTextEditorFx* target_ = nullptr;
};

class TFindDlg : public TSearchDialogBase {
  Q_OBJECT
 public:
  explicit TFindDlg(QWidget* parent = nullptr, TRegManager* settings = nullptr,
                    TSearchFeedback feedback = TSearchFeedback::Platform());
  ~TFindDlg() override;
  void FindBtnClick();
};

class TReplaceDlg : public TSearchDialogBase {
  Q_OBJECT
 public:
  explicit TReplaceDlg(QWidget* parent = nullptr, TRegManager* settings = nullptr,
                       TSearchFeedback feedback = TSearchFeedback::Platform());
  ~TReplaceDlg() override;
  THistoryComboBox* ReplaceComboBox = nullptr;
  QCheckBox* CursolPosCheckBox = nullptr;
  QPushButton* ReplaceBtn = nullptr;
  QPushButton* AllBtn = nullptr;
  void FindBtnClick();
  void ReplaceBtnClick();
  void AllBtnClick();

 protected:
  void showEvent(QShowEvent* e) override;
};

// The find text a command starts from: the selection, else the word at the
// caret (the caret and the empty selection are left as they were).
std::string FindTextFromEditor(TTextEditorFx& editor);

// The find commands of the main window over the editor that had the focus.
// The frame owns one and calls these from its command table.
class TSearchCommands {
 public:
  explicit TSearchCommands(QWidget* parent, TRegManager* settings = nullptr,
                           TSearchFeedback feedback = TSearchFeedback::Platform());
  ~TSearchCommands();
  // Ctrl+F: the find dialog, its find text filled from the editor, modally.
  void AcFind(TTextEditorFx& editor);
  // Ctrl+R: the same with the replace dialog.
  void AcReplace(TTextEditorFx& editor);
  // F3: the find dialog's text searched again in editor (the dialog when it is empty).
  void AcFindNext(TTextEditorFx& editor);
  // Shift+F3: backwards.
  void AcFindPrev(TTextEditorFx& editor);
  TFindDlg& FindDlg() { return *find_; }
  TReplaceDlg& ReplaceDlg() { return *replace_; }
  // Dialogs are shown modally unless this is off (tests drive them shown).
  bool Modal = true;

 private:
  void Again(TTextEditorFx& editor, bool forward);
  TSearchFeedback feedback_;
  // The dialogs may go with their parent window first.
  QPointer<TFindDlg> find_;
  QPointer<TReplaceDlg> replace_;
};

}  // namespace tamber
