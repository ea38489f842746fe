// The pages with editors: "予約語" (the keyword files) and "付録"
// (wallpaper, file association and the five signatures).
#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/option_list_pages.h"
#include "app/option_page_text.h"
#include "app/tamber_form.h"
#include "view/ui/text_editor_fx.h"

namespace tamber {

namespace {

// A list editor: the template editor's font, no ruler nor line numbers, a
// narrow margin, both scroll bars.
TTextEditorFx* ListEditor(TTamberForm& form, QWidget* parent, const QString& name) {
  auto* e = new TTextEditorFx(parent);
  e->setObjectName(name);
  e->SetEditorFont(form.DefEdit().EditorFont());
  TTextEditorFurniture& f = e->Furniture();
  f.Ruler().SetVisible(false);
  f.Leftbar().SetVisible(false);
  f.Margin().SetLeft(2);
  f.Marks().EofMark().SetVisible(false);
  e->SetScrollBars(ssBoth);
  return e;
}

void ShowLines(TTextEditorFx& e, const std::vector<std::string>& lines) {
  e.Editor().Lines().LoadStoredStrings(lines);
  e.Editor().SetRow(0);
}

std::vector<std::string> LinesOf(TTextEditorFx& e) { return e.Editor().Lines().StoredStrings(); }

const char* const kWallpaperFilter =
    "すべてのファイル (*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp|JPEG イメージファイル (*.jpg)|*.jpg|"
    "JPEG イメージファイル (*.jpeg)|*.jpeg|ビットマップ (*.bmp)|*.bmp";

}  // namespace

// ---- "予約語"

TKeywordPage::TKeywordPage(TTamberForm& form, QWidget* parent) : TOptionPage(form, parent) {
  setObjectName("KeywordPage");
  static const char* const kTabs[kKeywordFileCount] = {"HTML", "SQL",  "CPP", "PASCAL", "BASIC",
                                                       "PERL", "JAVA", "ASM", "TEXT"};
  const TSettings defaults;  // the keyword files' editor names, in their order
  Pages = new QTabWidget(this);
  Pages->setObjectName("KeywordPages");
  for (std::size_t i = 0; i < kKeywordFileCount; ++i) {
    Words[i] = ListEditor(form, Pages, QString::fromLatin1(defaults.Keywords[i].EditorName.data(),
                                                           static_cast<int>(defaults.Keywords[i].EditorName.size())));
    Pages->addTab(Words[i], QString::fromLatin1(kTabs[i]));
  }
  auto* l = new QVBoxLayout(this);
  l->addWidget(Pages);
}

void TKeywordPage::Load(const TSettings& s) {
  for (std::size_t i = 0; i < kKeywordFileCount; ++i) ShowLines(*Words[i], s.Keywords[i].Lines);
}

bool TKeywordPage::Store(TSettings& s, QString&) {
  for (std::size_t i = 0; i < kKeywordFileCount; ++i) s.Keywords[i].Lines = LinesOf(*Words[i]);
  return true;
}

// ---- "付録"

TAppendixPage::TAppendixPage(TTamberForm& form, QWidget* parent)
    : TOptionPage(form, parent), runner_(std::make_unique<TProcessRunner>()) {
  setObjectName("AppendixPage");
  auto* wall = new QGroupBox(U8("壁紙"), this);
  WallPaperFile = new QLineEdit(wall);
  WallPaperFile->setObjectName("WallPaperFile");
  WallPaperBrowse = new QToolButton(wall);
  WallPaperBrowse->setObjectName("WallPaperBrowse");
  WallPaperBrowse->setText(QStringLiteral("..."));
  WallTileCheck = new QCheckBox(U8("並べる"), wall);
  WallTileCheck->setObjectName("WallTileCheck");
  auto* wallRow = new QHBoxLayout(wall);
  wallRow->addWidget(WallPaperFile, 1);
  wallRow->addWidget(WallPaperBrowse);
  wallRow->addWidget(WallTileCheck);

  TextToExt = new QPushButton(U8("ＴXT に関連付ける"), this);
  TextToExt->setObjectName("TextToExt");
  TextMemoRet = new QPushButton(U8("メモ帳に戻す"), this);
  TextMemoRet->setObjectName("TextMemoRet");
  auto* assoc = new QHBoxLayout;
  assoc->addWidget(TextToExt);
  assoc->addWidget(TextMemoRet);
  assoc->addStretch();

  static const char* const kSignTabs[5] = {"署名１", "署名２", "署名３", "署名４", "署名５"};
  Signs = new QTabWidget(this);
  Signs->setObjectName("SignPages");
  for (std::size_t i = 0; i < Sign.size(); ++i) {
    Sign[i] = ListEditor(form, Signs, QStringLiteral("Sign%1").arg(i + 1));
    Signs->addTab(Sign[i], U8(kSignTabs[i]));
  }

  auto* l = new QVBoxLayout(this);
  l->addWidget(wall);
  l->addLayout(assoc);
  l->addWidget(Signs, 1);

  connect(WallPaperBrowse, &QToolButton::clicked, this, [this] { WallPaperBrowseClick(); });
  connect(TextToExt, &QPushButton::clicked, this, [this] { TextToExtClick(); });
  connect(TextMemoRet, &QPushButton::clicked, this, [this] { TextMemoRetClick(); });
}

TAppendixPage::~TAppendixPage() = default;

void TAppendixPage::SetProgramRunner(std::unique_ptr<TProgramRunner> runner) { runner_ = std::move(runner); }

void TAppendixPage::Load(const TSettings& s) {
  WallPaperFile->setText(FromCp932(s.WallPaper));
  WallTileCheck->setChecked(s.WallTile);
  for (std::size_t i = 0; i < Sign.size(); ++i) ShowLines(*Sign[i], s.Sign[i]);
}

bool TAppendixPage::Store(TSettings& s, QString& message) {
  std::string wall;
  if (!ToCp932(WallPaperFile->text(), &wall)) {
    message = U8("壁紙のファイル名にシフトＪＩＳで表せない文字があります。");
    return false;
  }
  s.WallPaper = std::move(wall);
  s.WallTile = WallTileCheck->isChecked();
  for (std::size_t i = 0; i < Sign.size(); ++i) s.Sign[i] = LinesOf(*Sign[i]);
  return true;
}

void TAppendixPage::WallPaperBrowseClick() {
  TFileDialogRequest r;
  r.plain = true;
  r.filter = QtNameFilters(Utf8ToCp932(kWallpaperFilter));
  const QFileInfo current(WallPaperFile->text());
  if (current.exists()) {
    r.folder = current.absolutePath();
    r.fileName = current.fileName();
  }
  if (Form().Prompts().RunFileDialog(r) && !r.path.isEmpty()) WallPaperFile->setText(r.path);
}

void TAppendixPage::Report(const TAssociationResult& r) {
  switch (r.Kind) {
    case TAssociationResult::arDone: break;
    case TAssociationResult::arNothingToRestore: Form().Prompts().Information(r.Message); break;
    case TAssociationResult::arFailed: Form().Prompts().Error(r.Message); break;
  }
}

void TAppendixPage::TextToExtClick() {
  Form().Prompts().Beep();
  if (Form().Prompts().Confirm(U8(kAssociateQuestion), TPromptIcon::Warning) != TAnswer::Ok) return;
  TTextAssociation a(Form().RegManager(), *runner_, QCoreApplication::applicationFilePath());
  Report(a.Associate());
}

void TAppendixPage::TextMemoRetClick() {
  Form().Prompts().Beep();
  if (Form().Prompts().Confirm(U8(kRestoreAssociationQuestion), TPromptIcon::Warning) != TAnswer::Ok) return;
  TTextAssociation a(Form().RegManager(), *runner_, QCoreApplication::applicationFilePath());
  Report(a.Restore());
}

}  // namespace tamber
