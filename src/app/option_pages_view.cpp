#include "app/option_pages_view.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "app/editor_settings.h"
#include "app/font_chooser.h"
#include "app/tamber_form.h"
#include "encoding/cp932_codec.h"
#include "view/ui/text_editor_fx.h"

namespace tamber {

namespace {

QString T(const char* utf8) { return QString::fromUtf8(utf8); }
QString FromCp932(const std::string& s) { return QString::fromStdString(Cp932ToUtf8(s)); }

QSpinBox* Spin(QWidget* parent, const char* name, int min, int max, int step = 1) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(name);
  spin->setRange(min, max);
  spin->setSingleStep(step);
  return spin;
}

QComboBox* Choice(QWidget* parent, const char* name, std::initializer_list<const char*> items) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  for (const char* i : items) box->addItem(T(i));
  return box;
}

QLineEdit* TextField(QWidget* parent, const char* name) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  return e;
}

QString Unrepresentable(const QString& caption) {
  return caption + T(" にシフトＪＩＳで表せない文字があります。");
}

}  // namespace

int TakeSpinValue(QSpinBox& spin) {
  bool ok = false;
  const int typed = spin.cleanText().trimmed().toInt(&ok);
  if (ok) spin.setValue(std::clamp(typed, spin.minimum(), spin.maximum()));
  else spin.setValue(spin.value());  // shows the value in force again
  return spin.value();
}

bool ToCp932(const QString& text, std::string& out) {
  std::size_t lost = 0;
  std::string bytes = Utf8ToCp932(text.toStdString(), &lost);
  if (lost > 0) return false;
  out = std::move(bytes);
  return true;
}

// ---- 表示 ----

QCheckBox* TViewOptionPage::Check(const char* name, const char* caption) {
  auto* c = new QCheckBox(T(caption), this);
  c->setObjectName(name);
  return c;
}

QPushButton* TViewOptionPage::ColorButton(const char* name) {
  auto* b = new QPushButton(this);
  b->setObjectName(name);
  b->setFixedSize(40, 20);
  b->setToolTip(T("色の選択"));
  return b;
}

void TViewOptionPage::ShowColor(QPushButton* button, TColor c) {
  const QColor q = Form().DefEdit().ToQColor(c);
  button->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid gray;").arg(q.name()));
}

void TViewOptionPage::ChooseColor(QPushButton* button, TColor& c) {
  QColor q = Form().DefEdit().ToQColor(c);
  if (!Form().Prompts().ChooseColor(q)) return;
  c = Rgb(static_cast<unsigned>(q.red()), static_cast<unsigned>(q.green()), static_cast<unsigned>(q.blue()));
  ShowColor(button, c);
}

void TViewOptionPage::ChooseFont() {
  QFont f = EditorFontOf(font_);
  if (!Form().Prompts().ChooseFont(f)) return;
  TFontData chosen = font_;
  if (!FontDataOf(f, chosen)) {
    Form().Prompts().Error(Unrepresentable(T("フォント")));
    return;
  }
  font_ = chosen;
  fontSample_->setFont(EditorFontOf(font_));
}

TViewOptionPage::TViewOptionPage(TTamberForm& form, QWidget* parent) : TOptionPage(form, parent) {
  setObjectName("ViewPage");
  auto* caretBox = new QGroupBox(T("カーソル"), this);
  autoIndent_ = Check("AutoIndent", "オートインデント");
  freeCaret_ = Check("FreeCaret", "フリーカーソル");
  keepCaret_ = Check("KeepCaret", "カーソル位置記憶");
  nextLine_ = Check("NextLine", "カーソル行頭移動");
  softTab_ = Check("SoftTab", "ソフトタブ");
  tabSpaceCount_ = Spin(this, "TabSpaceCount", 2, 8, 2);
  auto* caretLayout = new QVBoxLayout(caretBox);
  for (QWidget* w : {autoIndent_, freeCaret_, keepCaret_, nextLine_, softTab_}) caretLayout->addWidget(w);
  auto* tabRow = new QHBoxLayout;
  tabRow->addWidget(new QLabel(T("タブ幅"), this));
  tabRow->addWidget(tabSpaceCount_);
  tabRow->addStretch(1);
  caretLayout->addLayout(tabRow);
  caretLayout->addStretch(1);

  auto* windowBox = new QGroupBox(T("ウインドウ"), this);
  maxMain_ = Check("MaxMainWindow", "親ウインドウを起動時に最大化");
  maxChild_ = Check("MaxChildWindow", "子ウインドウを起動時に最大化");
  showHint_ = Check("ShowHintChk", "ヒント表示");
  showFindMark_ = Check("ShowFindMarkChk", "検索文字強調");
  underline_ = Check("Underline", "アンダーライン");
  taskBar_ = Check("TaskBar", "ページタブ");
  scrollBar_ = Choice(this, "ScrollBar", {"いらない", "水平だけ", "垂直だけ", "両方"});
  auto* windowLayout = new QVBoxLayout(windowBox);
  for (QWidget* w : {maxMain_, maxChild_, showHint_, showFindMark_, underline_, taskBar_})
    windowLayout->addWidget(w);
  auto* barRow = new QHBoxLayout;
  barRow->addWidget(new QLabel(T("スクロールバー"), this));
  barRow->addWidget(scrollBar_);
  barRow->addStretch(1);
  windowLayout->addLayout(barRow);
  windowLayout->addStretch(1);

  auto* marksBox = new QGroupBox(T("表示"), this);
  showNumber_ = Check("ShowNumber", "行番号");
  showRuler_ = Check("ShowRuler", "ル－ラー");
  showTab_ = Check("ShowTab", "ＴＡＢ");
  showSpace_ = Check("ShowSpace", "半角空白");
  showDBSpace_ = Check("ShowDBSpace", "全角空白");
  viewRet_ = Check("ViewRet", "改行");
  viewEof_ = Check("ViewEof", "[EOF]");
  showCurrentLine_ = Check("ShowCurrentLine", "カレント行強調");
  showParen_ = Check("ShowParen", "対応する括弧");
  currentLineColorBtn_ = ColorButton("CurrentLineColor");
  parenColorBtn_ = ColorButton("ParenColor");
  auto* marks = new QGridLayout(marksBox);
  marks->addWidget(showNumber_, 0, 0);
  marks->addWidget(showRuler_, 0, 1);
  marks->addWidget(showTab_, 1, 0);
  marks->addWidget(viewRet_, 1, 1);
  marks->addWidget(showSpace_, 2, 0);
  marks->addWidget(showDBSpace_, 2, 1);
  marks->addWidget(viewEof_, 3, 0);
  marks->addWidget(showCurrentLine_, 4, 0);
  marks->addWidget(currentLineColorBtn_, 4, 1, Qt::AlignLeft);
  marks->addWidget(showParen_, 5, 0);
  marks->addWidget(parenColorBtn_, 5, 1, Qt::AlignLeft);
  marks->setRowStretch(6, 1);

  auto* fontBox = new QGroupBox(T("フォント"), this);
  fontBtn_ = new QPushButton(T("フォント"), this);
  fontBtn_->setObjectName("FontBtn");
  fontSample_ = new QLabel(T(kFontSampleText), this);
  fontSample_->setObjectName("FontSample");
  fontSample_->setFrameShape(QFrame::StyledPanel);
  fontSample_->setFixedHeight(40);
  fontSample_->setAlignment(Qt::AlignCenter);
  auto* fontLayout = new QVBoxLayout(fontBox);
  fontLayout->addWidget(fontSample_);
  fontLayout->addWidget(fontBtn_, 0, Qt::AlignLeft);
  fontLayout->addStretch(1);

  auto* grid = new QGridLayout(this);
  grid->addWidget(caretBox, 0, 0);
  grid->addWidget(windowBox, 0, 1);
  grid->addWidget(marksBox, 1, 0);
  grid->addWidget(fontBox, 1, 1);

  connect(currentLineColorBtn_, &QPushButton::clicked, this,
          [this] { ChooseColor(currentLineColorBtn_, currentLineColor_); });
  connect(parenColorBtn_, &QPushButton::clicked, this, [this] { ChooseColor(parenColorBtn_, parenColor_); });
  connect(fontBtn_, &QPushButton::clicked, this, [this] { ChooseFont(); });
}

void TViewOptionPage::Load(const TSettings& s) {
  autoIndent_->setChecked(s.AutoIndent);
  freeCaret_->setChecked(s.FreeCaret);
  keepCaret_->setChecked(s.KeepCaret);
  nextLine_->setChecked(s.NextLine);
  softTab_->setChecked(s.SoftTab);
  tabSpaceCount_->setValue(s.TabSpaceCount);
  maxMain_->setChecked(s.MaxMainWindow);
  maxChild_->setChecked(s.MaxChildWindow);
  showHint_->setChecked(s.ShowHint);
  showFindMark_->setChecked(s.ShowFindMark);
  underline_->setChecked(s.Underline);
  taskBar_->setChecked(s.TaskBar);
  scrollBar_->setCurrentIndex(std::clamp(s.ScrollBar, 0, 3));
  showNumber_->setChecked(s.ShowNumber);
  showRuler_->setChecked(s.ShowRuler);
  showTab_->setChecked(s.ShowTab);
  showSpace_->setChecked(s.ShowSpace);
  showDBSpace_->setChecked(s.ShowDBSpace);
  viewRet_->setChecked(s.ViewRet);
  viewEof_->setChecked(s.ViewEof);
  showCurrentLine_->setChecked(s.ShowCurrentLine);
  showParen_->setChecked(s.ShowParen);
  currentLineColor_ = s.CurrentLineColor;
  parenColor_ = s.ParenColor;
  ShowColor(currentLineColorBtn_, currentLineColor_);
  ShowColor(parenColorBtn_, parenColor_);
  font_ = s.Font;
  fontSample_->setFont(EditorFontOf(font_));
}

bool TViewOptionPage::Store(TSettings& s, QString&) {
  s.AutoIndent = autoIndent_->isChecked();
  s.FreeCaret = freeCaret_->isChecked();
  s.KeepCaret = keepCaret_->isChecked();
  s.NextLine = nextLine_->isChecked();
  s.SoftTab = softTab_->isChecked();
  // Tab stops come in steps of two.
  const int tab = TakeSpinValue(*tabSpaceCount_) & ~1;
  tabSpaceCount_->setValue(tab);
  s.TabSpaceCount = tab;
  s.MaxMainWindow = maxMain_->isChecked();
  s.MaxChildWindow = maxChild_->isChecked();
  s.ShowHint = showHint_->isChecked();
  s.ShowFindMark = showFindMark_->isChecked();
  s.Underline = underline_->isChecked();
  s.TaskBar = taskBar_->isChecked();
  s.ScrollBar = std::max(0, scrollBar_->currentIndex());
  s.ShowNumber = showNumber_->isChecked();
  s.ShowRuler = showRuler_->isChecked();
  s.ShowTab = showTab_->isChecked();
  s.ShowSpace = showSpace_->isChecked();
  s.ShowDBSpace = showDBSpace_->isChecked();
  s.ViewRet = viewRet_->isChecked();
  s.ViewEof = viewEof_->isChecked();
  s.ShowCurrentLine = showCurrentLine_->isChecked();
  s.ShowParen = showParen_->isChecked();
  s.CurrentLineColor = currentLineColor_;
  s.ParenColor = parenColor_;
  s.Font = font_;
  return true;
}

// ---- 行間 ----

TLineOptionPage::TLineOptionPage(TTamberForm& form, QWidget* parent) : TOptionPage(form, parent) {
  setObjectName("LinePage");
  auto* wrapBox = new QGroupBox(T("ワードラップ"), this);
  wordWrap_ = Choice(this, "WordWrap", {"しない", "折り返し表示する", "画面幅で折り返す"});
  wordWrapByte_ = Spin(this, "WordWrapByte", 20, 250);
  leading_ = new QCheckBox(T("行末追い出し"), this);
  leading_->setObjectName("Leading");
  followStr_ = TextField(this, "FollowStr");
  leadStr_ = TextField(this, "LeadStr");
  punctuationStr_ = TextField(this, "PunctuationStr");
  auto* wrap = new QFormLayout(wrapBox);
  wrap->addRow(T("ワードラップ"), wordWrap_);
  wrap->addRow(T("折り返し表示桁数"), wordWrapByte_);
  wrap->addRow(leading_);
  wrap->addRow(T("行頭禁則文字"), followStr_);
  wrap->addRow(T("行末禁則文字"), leadStr_);
  wrap->addRow(T("句読点"), punctuationStr_);

  auto* marginBox = new QGroupBox(T("マージン"), this);
  marginLine_ = Spin(this, "MarginLine", 0, 100);
  marginCharacter_ = Spin(this, "MarginCharacter", 0, 100);
  auto* margins = new QFormLayout(marginBox);
  margins->addRow(T("行間マージン"), marginLine_);
  margins->addRow(T("文字間マージン"), marginCharacter_);

  auto* wheelBox = new QGroupBox(T("マウスホイール"), this);
  mouseWheel_ = Spin(this, "MouseWheel", 1, 5);
  auto* wheelRow = new QHBoxLayout;
  wheelRow->addWidget(mouseWheel_);
  wheelRow->addWidget(new QLabel(T("行"), this));
  wheelRow->addStretch(1);
  auto* wheel = new QFormLayout(wheelBox);
  wheel->addRow(T("マウスホイールの感度"), wheelRow);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(wrapBox);
  auto* lower = new QHBoxLayout;
  lower->addWidget(marginBox);
  lower->addWidget(wheelBox);
  layout->addLayout(lower);
  layout->addStretch(1);
}

void TLineOptionPage::Load(const TSettings& s) {
  wordWrap_->setCurrentIndex(std::clamp(s.WordWrap, 0, 2));
  wordWrapByte_->setValue(s.WordWrapByte);
  leading_->setChecked(s.Leading);
  followStr_->setText(FromCp932(s.FollowStr));
  leadStr_->setText(FromCp932(s.LeadStr));
  punctuationStr_->setText(FromCp932(s.PunctuationStr));
  marginLine_->setValue(s.MarginLine);
  marginCharacter_->setValue(s.MarginCharacter);
  mouseWheel_->setValue(s.MouseWheel);
}

bool TLineOptionPage::Store(TSettings& s, QString& message) {
  struct Text {
    QLineEdit* edit;
    const char* caption;
    std::string* into;
  };
  std::string follow, lead, punctuation;
  for (const Text& t : {Text{followStr_, "行頭禁則文字", &follow}, Text{leadStr_, "行末禁則文字", &lead},
                        Text{punctuationStr_, "句読点", &punctuation}}) {
    if (!ToCp932(t.edit->text(), *t.into)) {
      message = Unrepresentable(T(t.caption));
      t.edit->setFocus();
      return false;
    }
  }
  s.WordWrap = std::max(0, wordWrap_->currentIndex());
  s.WordWrapByte = TakeSpinValue(*wordWrapByte_);
  s.Leading = leading_->isChecked();
  s.FollowStr = follow;
  s.LeadStr = lead;
  s.PunctuationStr = punctuation;
  s.MarginLine = TakeSpinValue(*marginLine_);
  s.MarginCharacter = TakeSpinValue(*marginCharacter_);
  s.MouseWheel = TakeSpinValue(*mouseWheel_);
  return true;
}

// ---- ファイル ----

TFileOptionPage::TFileOptionPage(TTamberForm& form, QWidget* parent) : TOptionPage(form, parent) {
  setObjectName("FilePage");
  auto check = [this](const char* name, const char* caption) {
    auto* c = new QCheckBox(T(caption), this);
    c->setObjectName(name);
    return c;
  };
  fileBackUp_ = check("FileBackUp", "*.bakファイルの作成");
  htmlAutoSave_ = check("HtmlAutoSave", "ブラウザ起動前の自動保存");
  kanjiAuto_ = check("KanjiAutoCheck", "漢字コードの自動認識");
  brouser_ = Choice(this, "Brouser", {"ＩＥ", "ＮＮ", "FireFox"});
  auto* fileBox = new QGroupBox(T("ファイル"), this);
  auto* files = new QVBoxLayout(fileBox);
  files->addWidget(fileBackUp_);
  files->addWidget(htmlAutoSave_);
  files->addWidget(kanjiAuto_);
  auto* browserRow = new QHBoxLayout;
  browserRow->addWidget(new QLabel(T("使用するブラウザ"), this));
  browserRow->addWidget(brouser_);
  browserRow->addStretch(1);
  files->addLayout(browserRow);

  auto* folderBox = new QGroupBox(T("起動時のフォルダ"), this);
  lastFolda_ = new QRadioButton(T("最後にアクセスしたフォルダ"), this);
  lastFolda_->setObjectName("LastFolda");
  defFolda_ = new QRadioButton(T("指定フォルダ"), this);
  defFolda_->setObjectName("DefFolda");
  defFoldaEdit_ = TextField(this, "DefFoldaEdit");
  defFoldaBtn_ = new QPushButton(T("参照..."), this);
  defFoldaBtn_->setObjectName("DefFoldaBtn");
  auto* group = new QButtonGroup(this);
  group->addButton(lastFolda_);
  group->addButton(defFolda_);
  auto* folders = new QGridLayout(folderBox);
  folders->addWidget(lastFolda_, 0, 0, 1, 3);
  folders->addWidget(defFolda_, 1, 0);
  folders->addWidget(defFoldaEdit_, 1, 1);
  folders->addWidget(defFoldaBtn_, 1, 2);
  folders->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(fileBox);
  layout->addWidget(folderBox);
  layout->addStretch(1);
  connect(defFoldaBtn_, &QPushButton::clicked, this, [this] { Browse(); });
}

void TFileOptionPage::Browse() {
  QString folder = defFoldaEdit_->text();
  if (Form().Prompts().ChooseFolder(T("フォルダの選択"), folder)) defFoldaEdit_->setText(folder);
}

void TFileOptionPage::Load(const TSettings& s) {
  fileBackUp_->setChecked(s.FileBackUp);
  htmlAutoSave_->setChecked(s.HtmlAutoSave);
  kanjiAuto_->setChecked(s.KanjiAuto);
  brouser_->setCurrentIndex(std::clamp(s.Brouser, 0, 2));
  (s.LastFolda ? lastFolda_ : defFolda_)->setChecked(true);
  defFoldaEdit_->setText(FromCp932(s.DefFolda));
}

bool TFileOptionPage::Store(TSettings& s, QString& message) {
  std::string folder;
  if (!ToCp932(defFoldaEdit_->text(), folder)) {
    message = Unrepresentable(T("指定フォルダ"));
    defFoldaEdit_->setFocus();
    return false;
  }
  s.FileBackUp = fileBackUp_->isChecked();
  s.HtmlAutoSave = htmlAutoSave_->isChecked();
  s.KanjiAuto = kanjiAuto_->isChecked();
  s.Brouser = std::max(0, brouser_->currentIndex());
  s.LastFolda = lastFolda_->isChecked();
  s.DefFolda = folder;
  return true;
}

}  // namespace tamber
