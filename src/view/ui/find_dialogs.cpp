#include "view/ui/find_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QCompleter>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <memory>

#include "encoding/cp932_codec.h"
#include "settings/reg_manager.h"
#include "settings/settings_model.h"
#include "view/ui/text_editor_fx.h"

namespace tamber {

namespace {

QString FromCp932(const std::string& s) { return QString::fromStdString(Cp932ToUtf8(s)); }
std::string ToCp932(const QString& s) { return Utf8ToCp932(s.toStdString()); }

// Enables the buttons again however the scope is left.
struct ButtonsOff {
  std::vector<QPushButton*> buttons;
  explicit ButtonsOff(std::vector<QPushButton*> b) : buttons(std::move(b)) {
    for (QPushButton* p : buttons) p->setEnabled(false);
  }
  ~ButtonsOff() {
    for (QPushButton* p : buttons) p->setEnabled(true);
  }
};

}  // namespace

// ---- feedback ----

TSearchFeedback TSearchFeedback::Platform() {
  TSearchFeedback f;
  f.Beep = [] { QApplication::beep(); };
  f.Information = [](QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
  };
  f.Error = [](QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
  };
  f.Progress = [](QWidget* parent) -> std::function<bool(std::size_t, std::size_t)> {
    auto dlg = std::make_shared<QProgressDialog>(QStringLiteral("置換しています..."), QStringLiteral("中止"), 0,
                                                 1000, parent);
    dlg->setWindowTitle(QStringLiteral("置換"));
    dlg->setWindowModality(Qt::WindowModal);
    dlg->setMinimumDuration(500);
    return [dlg](std::size_t done, std::size_t total) {
      dlg->setValue(total ? static_cast<int>(done * 1000 / total) : 0);
      QCoreApplication::processEvents();
      return !dlg->wasCanceled();
    };
  };
  return f;
}

// ---- the combo box ----

THistoryComboBox::THistoryComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  setCompleter(nullptr);  // the completion below is the one the user knows
  setMinimumContentsLength(28);
  lineEdit()->installEventFilter(this);
  connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& typed) { Complete(typed); });
}

std::vector<std::string> THistoryComboBox::History() const {
  std::vector<std::string> out;
  for (int i = 0; i < count(); ++i) out.push_back(ToCp932(itemText(i)));
  return out;
}

void THistoryComboBox::SetHistory(const std::vector<std::string>& entries) {
  const QString text = currentText();
  clear();
  for (const std::string& e : entries) addItem(FromCp932(e));
  setEditText(text);
}

void THistoryComboBox::Remember() {
  const QString text = currentText();
  if (text.isEmpty()) return;
  for (int i = count() - 1; i >= 0; --i) {
    if (itemText(i) == text) removeItem(i);
  }
  insertItem(0, text);
  setEditText(text);
}

std::string THistoryComboBox::Text() const { return ToCp932(currentText()); }
void THistoryComboBox::SetText(const std::string& cp932) { setEditText(FromCp932(cp932)); }

bool THistoryComboBox::eventFilter(QObject* watched, QEvent* e) {
  if (watched == lineEdit() && e->type() == QEvent::KeyPress) {
    switch (static_cast<QKeyEvent*>(e)->key()) {
      case Qt::Key_Backspace: case Qt::Key_Delete: case Qt::Key_Insert: case Qt::Key_Home:
      case Qt::Key_End: case Qt::Key_Left: case Qt::Key_Right: case Qt::Key_Up: case Qt::Key_Down:
        completing_ = false;
        break;
      default:
        completing_ = true;
    }
  }
  return QComboBox::eventFilter(watched, e);
}

void THistoryComboBox::Complete(const QString& typed) {
  if (!completing_ || typed.isEmpty()) return;
  for (int i = 0; i < count(); ++i) {
    const QString entry = itemText(i);
    if (entry.size() > typed.size() && entry.startsWith(typed, Qt::CaseInsensitive)) {
      lineEdit()->setText(typed + entry.mid(typed.size()));
      lineEdit()->setSelection(static_cast<int>(typed.size()), static_cast<int>(entry.size() - typed.size()));
      return;
    }
  }
}

// ---- the common part ----

TSearchDialogBase::TSearchDialogBase(QWidget* parent, TRegManager* settings, TSearchFeedback feedback)
    : QDialog(parent), settings_(settings), feedback_(std::move(feedback)) {
  FindComboBox = new THistoryComboBox(this);
  FindComboBox->setObjectName("FindComboBox");
  MatchCaseCheckBox = new QCheckBox(QStringLiteral("大文字小文字を区別(&I)"), this);
  MatchCaseCheckBox->setObjectName("MatchCaseCheckBox");
  RegexpCheckBox = new QCheckBox(QStringLiteral("正規表現(&R)"), this);
  RegexpCheckBox->setObjectName("RegexpCheckBox");
  FuzzyCheckBox = new QCheckBox(QStringLiteral("あいまい検索(&U)"), this);
  FuzzyCheckBox->setObjectName("FuzzyCheckBox");
  FindBtn = new QPushButton(this);
  FindBtn->setObjectName("FindBtn");
  FindBtn->setDefault(true);
  CancelBitBtn1 = new QPushButton(QStringLiteral("閉じる(&C)"), this);
  CancelBitBtn1->setObjectName("CancelBitBtn1");
  connect(CancelBitBtn1, &QPushButton::clicked, this, &QDialog::reject);
}

unsigned TSearchDialogBase::Options() const {
  unsigned o = 0;
  if (MatchCaseCheckBox->isChecked()) o |= soMatchCase;
  if (RegexpCheckBox->isChecked()) o |= soRegexp;
  if (FuzzyCheckBox->isChecked()) o |= soFuzzy;
  return o;
}

void TSearchDialogBase::Apply() {
  target_->SetFindString(FindComboBox->Text());
  target_->SetFxSearchOptions(Options());
}

bool TSearchDialogBase::Guarded(const std::function<void()>& body) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QString error;
  try {
    body();
  } catch (const std::exception& e) {
    error = QString::fromUtf8(e.what());
  }
  QApplication::restoreOverrideCursor();
  if (error.isNull()) return true;
  if (feedback_.Error) feedback_.Error(this, error);
  return false;
}

bool TSearchDialogBase::FindNext() {
  if (FindComboBox->currentText().isEmpty() || !target_) {
    if (feedback_.Beep) feedback_.Beep();
    return false;
  }
  return Guarded([&] {
    Apply();
    if (target_->SearchNext()) {
      target_->Editor().ScrollCaret();
    } else if (feedback_.Beep) {
      feedback_.Beep();
    }
  });
}

void TSearchDialogBase::LoadHistory(THistoryComboBox* box, const char* key) {
  if (!settings_) return;
  std::vector<std::string> list;
  settings_->Filer(key).ReadStrings(list);
  box->SetHistory(list);
}

void TSearchDialogBase::SaveHistory(THistoryComboBox* box, const char* key) {
  if (!settings_) return;
  try {
    WriteHistory(*settings_, key, box->History());
  } catch (const std::exception&) {
    // A history that cannot be written is not worth an error at closing time.
  }
}

void TSearchDialogBase::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
  FindComboBox->setFocus();
  FindComboBox->lineEdit()->selectAll();
}

// ---- find ----

TFindDlg::TFindDlg(QWidget* parent, TRegManager* settings, TSearchFeedback feedback)
    : TSearchDialogBase(parent, settings, std::move(feedback)) {
  setObjectName("FindDlg");
  setWindowTitle(QStringLiteral("検索"));
  FindBtn->setText(QStringLiteral("検索(&S)"));
  auto* grid = new QGridLayout(this);
  auto* label = new QLabel(QStringLiteral("検索文字列(&F):"), this);
  label->setBuddy(FindComboBox);
  grid->addWidget(label, 0, 0);
  grid->addWidget(FindComboBox, 1, 0);
  auto* boxes = new QVBoxLayout;
  boxes->addWidget(MatchCaseCheckBox);
  boxes->addWidget(RegexpCheckBox);
  boxes->addWidget(FuzzyCheckBox);
  grid->addLayout(boxes, 2, 0);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(FindBtn);
  buttons->addWidget(CancelBitBtn1);
  buttons->addStretch();
  grid->addLayout(buttons, 0, 1, 3, 1);
  connect(FindBtn, &QPushButton::clicked, this, &TFindDlg::FindBtnClick);
  LoadHistory(FindComboBox, "FindFind");
}

TFindDlg::~TFindDlg() { SaveHistory(FindComboBox, "FindFind"); }

void TFindDlg::FindBtnClick() {
  if (!FindNext()) return;
  FindComboBox->Remember();
  accept();
}

// ---- replace ----

TReplaceDlg::TReplaceDlg(QWidget* parent, TRegManager* settings, TSearchFeedback feedback)
    : TSearchDialogBase(parent, settings, std::move(feedback)) {
  setObjectName("ReplaceDlg");
  setWindowTitle(QStringLiteral("置換"));
  FindBtn->setText(QStringLiteral("次を検索(&S)"));
  ReplaceComboBox = new THistoryComboBox(this);
  ReplaceComboBox->setObjectName("ReplaceComboBox");
  CursolPosCheckBox = new QCheckBox(QStringLiteral("カーソル位置から(&C)"), this);
  CursolPosCheckBox->setObjectName("CursolPosCheckBox");
  ReplaceBtn = new QPushButton(QStringLiteral("置換後次に(&N)"), this);
  ReplaceBtn->setObjectName("ReplaceBtn");
  AllBtn = new QPushButton(QStringLiteral("全て置換える(&A)"), this);
  AllBtn->setObjectName("AllBtn");
  auto* grid = new QGridLayout(this);
  auto* findLabel = new QLabel(QStringLiteral("検索文字列(&F):"), this);
  findLabel->setBuddy(FindComboBox);
  auto* replaceLabel = new QLabel(QStringLiteral("置換文字列(&T):"), this);
  replaceLabel->setBuddy(ReplaceComboBox);
  grid->addWidget(findLabel, 0, 0);
  grid->addWidget(FindComboBox, 1, 0);
  grid->addWidget(replaceLabel, 2, 0);
  grid->addWidget(ReplaceComboBox, 3, 0);
  auto* boxes = new QVBoxLayout;
  boxes->addWidget(MatchCaseCheckBox);
  boxes->addWidget(RegexpCheckBox);
  boxes->addWidget(FuzzyCheckBox);
  boxes->addWidget(CursolPosCheckBox);
  grid->addLayout(boxes, 4, 0);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(FindBtn);
  buttons->addWidget(ReplaceBtn);
  buttons->addWidget(AllBtn);
  buttons->addWidget(CancelBitBtn1);
  buttons->addStretch();
  grid->addLayout(buttons, 0, 1, 5, 1);
  connect(FindBtn, &QPushButton::clicked, this, &TReplaceDlg::FindBtnClick);
  connect(ReplaceBtn, &QPushButton::clicked, this, &TReplaceDlg::ReplaceBtnClick);
  connect(AllBtn, &QPushButton::clicked, this, &TReplaceDlg::AllBtnClick);
  LoadHistory(FindComboBox, "Find");
  LoadHistory(ReplaceComboBox, "Replace");
}

TReplaceDlg::~TReplaceDlg() {
  SaveHistory(FindComboBox, "Find");
  SaveHistory(ReplaceComboBox, "Replace");
}

void TReplaceDlg::showEvent(QShowEvent* e) {
  ReplaceComboBox->setEditText(QString());
  TSearchDialogBase::showEvent(e);
}

void TReplaceDlg::FindBtnClick() {
  if (FindNext()) FindComboBox->Remember();
}

void TReplaceDlg::ReplaceBtnClick() {
  if (FindComboBox->currentText().isEmpty() || !target_) {
    if (feedback_.Beep) feedback_.Beep();
    return;
  }
  const bool ok = Guarded([&] {
    Apply();
    TEditorSearch& search = target_->Search();
    // Only a selection that is a hit of the find string is replaced; with
    // none this is a plain find-next.
    if (search.SelectionIsMatch() && !search.ReplaceSelection(ReplaceComboBox->Text())) {
      if (feedback_.Beep) feedback_.Beep();  // read-only
    }
    if (target_->SearchNext()) {
      target_->Editor().ScrollCaret();
    } else if (feedback_.Beep) {
      feedback_.Beep();
    }
  });
  if (!ok) return;
  FindComboBox->Remember();
  ReplaceComboBox->Remember();
}

void TReplaceDlg::AllBtnClick() {
  if (FindComboBox->currentText().isEmpty() || !target_) {
    if (feedback_.Beep) feedback_.Beep();
    return;
  }
  std::size_t count = 0;
  bool cancelled = false;
  {
    ButtonsOff off({FindBtn, ReplaceBtn, AllBtn});
    const bool ok = Guarded([&] {
      Apply();
      const auto progress = feedback_.Progress ? feedback_.Progress(this) : nullptr;
      count = target_->ReplaceAll(ReplaceComboBox->Text(), CursolPosCheckBox->isChecked(), progress);
      cancelled = target_->Search().Cancelled();
    });
    if (!ok || cancelled) return;
  }
  if (feedback_.Beep) feedback_.Beep();
  if (feedback_.Information) {
    feedback_.Information(this, QStringLiteral("全部で %1 件置換しました。").arg(static_cast<qulonglong>(count)));
  }
  FindComboBox->Remember();
  ReplaceComboBox->Remember();
  accept();
}

// ---- commands ----

std::string FindTextFromEditor(TTextEditorFx& fx) {
  TTextEditor& e = fx.Editor();
  if (e.Selected()) return e.SelText();
  const int row = e.Row(), col = e.Col();
  const TCaretUpdate hold(e);
  e.SelectTokenAtCaret();
  std::string word = e.Selected() ? e.SelText() : std::string();
  e.CleanSelection();
  e.SetRowCol(row, col);
  return word;
}

TSearchCommands::TSearchCommands(QWidget* parent, TRegManager* settings, TSearchFeedback feedback)
    : feedback_(feedback), find_(new TFindDlg(parent, settings, feedback)),
      replace_(new TReplaceDlg(parent, settings, std::move(feedback))) {}

TSearchCommands::~TSearchCommands() {
  delete find_;
  delete replace_;
}

void TSearchCommands::AcFind(TTextEditorFx& editor) {
  find_->SetTarget(&editor);
  find_->FindComboBox->SetText(FindTextFromEditor(editor));
  if (Modal) {
    find_->exec();
  } else {
    find_->show();
  }
}

void TSearchCommands::AcReplace(TTextEditorFx& editor) {
  replace_->SetTarget(&editor);
  replace_->FindComboBox->SetText(FindTextFromEditor(editor));
  if (Modal) {
    replace_->exec();
  } else {
    replace_->show();
  }
}

void TSearchCommands::AcFindNext(TTextEditorFx& editor) { Again(editor, true); }
void TSearchCommands::AcFindPrev(TTextEditorFx& editor) { Again(editor, false); }

void TSearchCommands::Again(TTextEditorFx& editor, bool forward) {
  const std::string text = find_->FindComboBox->Text();
  if (text.empty()) {
    AcFind(editor);
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QString error;
  bool found = false;
  try {
    editor.SetFindString(text);
    found = forward ? editor.SearchNext() : editor.SearchPrev();
  } catch (const std::exception& e) {
    error = QString::fromUtf8(e.what());
  }
  QApplication::restoreOverrideCursor();
  if (!error.isNull()) {
    if (feedback_.Error) feedback_.Error(editor.window(), error);
    return;
  }
  if (found) {
    editor.Editor().ScrollCaret();
  } else if (feedback_.Beep) {
    feedback_.Beep();
  }
}

}  // namespace tamber
