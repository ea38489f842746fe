#include "app/mdi_child.h"

#include <QApplication>
#include <QDesktopServices>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMimeData>
#include <QUrl>
#include <QWheelEvent>
#include <QSplitter>
#include <algorithm>
#include <cctype>
#include <utility>

#include "app/editor_settings.h"
#include "app/tamber_form.h"
#include "encoding/cp932_codec.h"
#include "highlight/language_fountains.h"
#include "highlight/token_kind.h"
#include "view/ui/text_editor_fx.h"
#include "view/ui/text_editor_prop.h"

namespace tamber {

namespace {

// The extension table: first match wins.
struct TColouring {
  std::initializer_list<std::string_view> exts;
  int brackets;  // 0 none, 1 "/*" "*/", 2 "{" "}" and "(*" "*)"
  std::string_view commenter;  // "=" leaves it as copied
  std::string_view quotation;  // "=" leaves it as copied
  std::string_view keywords;   // keyword editor, empty: none
  bool nc;
};
const TColouring kColourings[] = {
    {{".HTM", ".HTML", ".XML", ".XSL"}, 0, "=", "=", "HtmlWord", false},
    {{".SQL"}, 2, "--", "'", "SqlWord", false},
    {{".C", ".CPP", ".H"}, 1, "//", "\"", "CppWord", false},
    {{".PAS"}, 2, "//", "'", "PascalWord", false},
    {{".BAS"}, 0, "'", "\"", "BasicWord", false},
    {{".PRL", ".PL", ".CGI"}, 0, "#", "=", "PerlWord", false},
    {{".JAVA", ".JAV", ".JV"}, 1, "//", "\"", "JavaWord", false},
    {{".ASM"}, 0, ";", "'", "AsmWord", false},
    {{".NC", ".NCD", ".DAT"}, 0, "=", "=", "", true},
};
const TColouring kPlainText{{}, 0, ">", "=", "TextWord", false};

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

TMDIChild::TMDIChild(TTamberForm& form, const QString& caption) : form_(form) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(caption);
  splitter_ = new QSplitter(Qt::Vertical, this);
  splitter_->setChildrenCollapsible(false);
  edit_ = new TTextEditorFx(splitter_);
  edit_->setObjectName("Edit");
  splitter_->addWidget(edit_);
  setWidget(splitter_);
  Wire(*edit_);
  edit_->viewport()->installEventFilter(this);
  format_.code = FileCode::ShiftJis;
  resize(form.MdiArea()->size() * 3 / 4);
}

TMDIChild::~TMDIChild() = default;

void TMDIChild::Wire(TTextEditorFx& pane) {
  pane.OnCaretMoved = [this](TTextEditorFx&) {
    if (form_.ActiveDocument() == this) UpdateCaretStatus();
  };
  pane.OnChange = [this](TTextEditorFx& p) {
    if (form_.ActiveDocument() != this) return;
    if (p.Editor().Modified()) form_.SetStatusText(1, QString::fromUtf8("変更"));
    // A key typed right after may be Ctrl+S: the save must be enabled by then.
    form_.UpdateCommands();
  };
  pane.OnMouseWheel = [this](TEditorWidget& p, int notches, Qt::KeyboardModifiers) {
    Wheel(static_cast<TTextEditorFx&>(p), -notches);
    return true;
  };
  pane.OnDblClick = [this](TEditorWidget& p, QPoint at) { DoubleClicked(static_cast<TTextEditorFx&>(p), at); };
  // Files dropped on a pane go through the frame one by one.
  pane.OnDropFiles = [this](TOleddEditor&, const QStringList& paths, Qt::KeyboardModifiers, QPoint) {
    for (const QString& f : paths) form_.OpenOrActivate(f);
  };
}

void TMDIChild::DoubleClicked(TTextEditorFx& pane, QPoint at) {
  const TTextEditor& e = pane.Editor();
  const TMousePoint p = e.PointAt(at.x(), at.y());
  const TTokenKind kind = e.TokenKindAt(p.Row, p.Col);
  if (kind != tokUrl && kind != tokMail) return;
  const std::string text = e.TokenTextAt(p.Row, p.Col);
  const QString target = QString::fromStdString(Cp932ToUtf8(text));
  QDesktopServices::openUrl(QUrl(kind == tokMail ? QStringLiteral("mailto:") + target : target));
}

TTextEditorFx& TMDIChild::FocusedPane() const {
  return splitEdit_ && splitEdit_->hasFocus() ? *splitEdit_ : *edit_;
}

bool TMDIChild::ReadOnly() const { return edit_->Editor().ReadOnly(); }
bool TMDIChild::Modified() const { return edit_->Editor().Modified(); }
void TMDIChild::SetModified(bool v) { edit_->Editor().SetModified(v); }

void TMDIChild::Loaded(const TLoadedFile& loaded) {
  format_ = loaded.format;
  lost_ = loaded.lost;
  untitled_ = false;
  TTextEditor& e = edit_->Editor();
  e.SetReadOnly(loaded.binary || loaded.fileReadOnly || loaded.lost > 0);
  edit_->Furniture().UpdateNumberDigits();
  edit_->Furniture().DoLayout();
  edit_->viewport()->update();
  e.SetModified(false);
}

void TMDIChild::UpdateStatus() {
  const char* state = ReadOnly() ? "書禁" : Modified() ? "変更 " : "";
  form_.SetStatusText(1, QString::fromUtf8(state));
  const std::string_view code = FileCodeText(format_.code);
  form_.SetStatusText(3, QString::fromLatin1(code.data(), static_cast<qsizetype>(code.size())));
  UpdateCaretStatus();
}

void TMDIChild::UpdateCaretStatus() {
  // Always the main pane's caret; under word wrap the logical line and column.
  const TTextEditor& e = edit_->Editor();
  int line = e.Row() + 1, column = e.Col() + 1;
  if (e.Text().WordWrap()) {
    line = e.Text().RowToLine(e.Row()) + 1;
    column = e.LogicalColumn(e.Row(), e.Col()) + 1;
  }
  form_.SetStatusText(0, QString::fromUtf8("%1 行 : %2 桁").arg(line).arg(column));
}

void TMDIChild::showEvent(QShowEvent* e) {
  QMdiSubWindow::showEvent(e);
  Configure();
}

void TMDIChild::Configure() {
  if (configured_) return;
  configured_ = true;
  TTextEditorFx& def = form_.DefEdit();
  TTextEditorFurniture& from = def.Furniture();
  TTextEditorFurniture& to = edit_->Furniture();
  to.Marks().Assign(from.Marks());
  to.FxMarks().Assign(from.FxMarks());
  to.SetColor(from.Color());
  to.SetFontColor(from.FontColor());
  to.View().Assign(from.View());
  to.Margin().Assign(from.Margin());
  to.Leftbar().Assign(from.Leftbar());
  to.Ruler().Assign(from.Ruler());
  edit_->SetEditorFont(def.EditorFont());
  ApplyEditingOptions();
  ChooseColouring(form_.CurrentExt(), false);
  to.UpdateNumberDigits();
  to.DoLayout();
  FitWrapToWidth();
  edit_->viewport()->update();
}

void TMDIChild::ApplyEditingOptions() {
  const TSettings& s = form_.Settings();
  TTextEditorFurniture& to = edit_->Furniture();
  TTextEditorCaret& caret = edit_->Editor().Caret();
  caret.BeginUpdate();
  caret.SetAutoIndent(s.AutoIndent);
  caret.SetFreeCaret(s.FreeCaret);
  caret.SetKeepCaret(s.KeepCaret);
  caret.SetNextLine(s.NextLine);
  caret.SetSoftTab(s.SoftTab);
  if (s.TabSpaceCount > 0) caret.SetTabSpaceCount(s.TabSpaceCount);
  caret.EndUpdate();
  to.FxMarks().FindMark().SetVisible(s.ShowFindMark);
  to.Marks().Underline().SetVisible(s.Underline);
  edit_->SetScrollBars(static_cast<TScrollStyle>(std::clamp(s.ScrollBar, 0, 3)));
  TTextEditorScreenStrings& text = edit_->Editor().Text();
  TTextEditorWrapOption& wrap = text.WrapOption();
  wrap.BeginUpdate();
  wrap.SetWrapByte(s.WordWrapByte);
  wrap.SetLeading(s.Leading);
  wrap.SetFollowStr(s.FollowStr);
  wrap.SetLeadStr(s.LeadStr);
  wrap.SetPunctuationStr(s.PunctuationStr);
  wrap.EndUpdate();
  text.SetWordWrap(s.WordWrap == 1 || s.WordWrap == 2);
}

void TMDIChild::ApplyOptions() {
  Unsplit();
  const TSettings& s = form_.Settings();
  TTextEditorFurniture& to = edit_->Furniture();
  ApplyMarkSettings(to, s);
  ApplyEditingOptions();
  edit_->SetEditorFont(EditorFontOf(s.Font));
  ChooseColouring(Upper(FileExtension(Caption().toStdString())), true);
  ApplyColorSettings(to, s);
  to.UpdateNumberDigits();
  to.DoLayout();
  FitWrapToWidth();
  edit_->viewport()->update();
}

void TMDIChild::FitWrapToWidth() {
  if (form_.Settings().WordWrap != 2) return;
  TTextEditorFurniture& f = edit_->Furniture();
  const int w = f.Layout().CharWidth;
  if (w <= 0) return;
  // The viewport is the pane without its scroll bars.
  const int c = edit_->viewport()->width() - f.Layout().TextLeft - w / 2;
  const int bytes = c / w - (f.Marks().WrapMark().Visible() ? 2 : 0);
  edit_->Editor().Text().WrapOption().SetWrapByte(bytes);
}

bool TMDIChild::eventFilter(QObject* watched, QEvent* e) {
  if (watched == edit_->viewport() && e->type() == QEvent::Resize) FitWrapToWidth();
  return QMdiSubWindow::eventFilter(watched, e);
}

void TMDIChild::ChooseColouring(const std::string& upperExt, bool reapplied) {
  TTextEditorFurniture& to = edit_->Furniture();
  TTextEditorViewInfo& view = to.View();
  // The list is set whole, so that the fountain hears of the change.
  TWordList words;
  to.SetFountain(nullptr);
  const TColouring* c = &kPlainText;
  for (const TColouring& k : kColourings) {
    bool hit = false;
    for (std::string_view e : k.exts) hit = hit || e == upperExt;
    if (hit) {
      c = &k;
      break;
    }
  }
  TTextEditorColors& colors = form_.DefEdit().Furniture().View().Colors();
  if (c->nc) {
    view.Fountain().SetReserveWordList(words);
    nc_ = std::make_unique<TNCFountain>();
    if (nc_->Brackets().Count() > 0) {
      nc_->Brackets().Items(0).ItemColor().SetColor(colors.Comment().Color());
      nc_->Brackets().Items(0).ItemColor().SetBkColor(colors.Comment().BkColor());
    }
    auto copy = [](TFountainColor& d, TFountainColor& s) {
      d.SetColor(s.Color());
      d.SetBkColor(s.BkColor());
    };
    copy(nc_->Ank(), reapplied ? colors.Ank() : colors.Reserve());
    copy(nc_->DBCS(), colors.DBCS());
    copy(nc_->Comment(), colors.Comment());
    copy(nc_->Int(), colors.Int());
    copy(nc_->Symbol(), colors.Symbol());
    copy(nc_->Reserve(), colors.Reserve());
    to.SetFountain(nc_.get());
    return;
  }
  // Applied again, the table's pairs replace those of the first show.
  if (reapplied && c->brackets != 0) view.Brackets().Clear();
  if (c->brackets == 1) {
    view.Brackets().Add("/*", "*/");
  } else if (c->brackets == 2) {
    view.Brackets().Add("{", "}");
    view.Brackets().Add("(*", "*)");
  }
  if (c->commenter != "=") view.SetCommenter(c->commenter);
  if (c->quotation != "=") view.SetQuotation(c->quotation);
  for (const TKeywordFile& k : form_.Settings().Keywords)
    if (k.EditorName == c->keywords)
      for (const std::string& w : k.Lines) words.Add(w);
  view.Fountain().SetReserveWordList(words);
  // Text in brackets spanning lines is shown like a comment.
  view.Brackets().SetAllColor(colors.Comment().Color());
  view.Brackets().SetAllBkColor(colors.Comment().BkColor());
}

void TMDIChild::Split() {
  if (splitEdit_) return;
  splitEdit_ = new TTextEditorFx(splitter_);
  splitEdit_->setObjectName("SplitEdit");
  // Every display property of the main pane, through a holder of them.
  TTextEditorProp prop;
  prop.CopyFrom(*edit_);
  prop.CopyTo(*splitEdit_);
  splitEdit_->Furniture().SetFountain(edit_->Furniture().Fountain());
  splitEdit_->SetFindString(edit_->FindString());
  splitEdit_->SetFxSearchOptions(edit_->FxSearchOptions());
  splitEdit_->Editor().SetReadOnly(edit_->Editor().ReadOnly());
  splitEdit_->Editor().AttachText(edit_->Editor());
  Wire(*splitEdit_);
  splitter_->addWidget(splitEdit_);
  // The lower pane takes half of the window's height.
  const int total = splitter_->height();
  splitter_->setSizes({total - total / 2, total / 2});
  splitEdit_->Editor().SetTopRow(edit_->Editor().TopRow() + splitEdit_->Editor().VisibleRows() - 1);
  splitEdit_->show();
}

void TMDIChild::Unsplit() {
  if (!splitEdit_) return;
  delete std::exchange(splitEdit_, nullptr);
}

void TMDIChild::Wheel(TTextEditorFx& pane, int notchesDown) {
  const int lines = std::clamp(form_.Settings().MouseWheel, 1, 5);
  pane.Editor().ScrollRows(notchesDown * lines);
}

void TMDIChild::closeEvent(QCloseEvent* e) {
  if (form_.ScriptRunning()) {
    form_.Prompts().Beep();
    e->ignore();
    return;
  }
  if (Modified()) {
    form_.Prompts().Beep();
    const TAnswer a = form_.Prompts().AskYesNoCancel(Caption() + QString::fromUtf8(" 変更内容を保存しますか。"));
    // Yes saves as the save command does, in the document's own code; a
    // save that fails keeps the document open.
    if (a == TAnswer::Cancel || (a == TAnswer::Yes && !form_.Save(*this))) {
      e->ignore();
      return;
    }
  }
  e->accept();
  QMdiSubWindow::closeEvent(e);
}

}  // namespace tamber
