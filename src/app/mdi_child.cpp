#include "app/mdi_child.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMimeData>
#include <QSplitter>
#include <cctype>

#include "app/tamber_form.h"
#include "encoding/cp932_codec.h"
#include "highlight/language_fountains.h"
#include "view/clipboard.h"
#include "view/ui/editor_widget.h"

namespace tamber {

namespace {

// The system clipboard as the editing operations see it, in CP932; the box
// format is kept under its registered name.
class TSystemClipboard : public TTextEditorClipboard {
 public:
  std::optional<std::string> Text() const override {
    const QMimeData* m = QApplication::clipboard()->mimeData();
    if (!m || !m->hasText()) return std::nullopt;
    const QString t = m->text();
    return Utf16ToCp932(std::u16string_view(reinterpret_cast<const char16_t*>(t.utf16()),
                                            static_cast<std::size_t>(t.size())));
  }
  bool HasBoxText() const override {
    const QMimeData* m = QApplication::clipboard()->mimeData();
    return m && m->hasFormat(QString::fromLatin1(kBoxClipboardFormat.data(),
                                                 static_cast<qsizetype>(kBoxClipboardFormat.size())));
  }
  void SetText(std::string_view text, bool box) override {
    auto* m = new QMimeData;
    m->setText(QString::fromStdU16String(Cp932ToUtf16(text)));
    if (box)
      m->setData(QString::fromLatin1(kBoxClipboardFormat.data(), static_cast<qsizetype>(kBoxClipboardFormat.size())),
                 QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    QApplication::clipboard()->setMimeData(m);
  }
};

TSystemClipboard& SystemClipboard() {
  static TSystemClipboard c;
  return c;
}

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

}  // namespace

TMDIChild::TMDIChild(TTamberForm& form, const QString& caption) : form_(form) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(caption);
  splitter_ = new QSplitter(Qt::Vertical, this);
  splitter_->setChildrenCollapsible(false);
  edit_ = new TEditorWidget(splitter_);
  edit_->setObjectName("Edit");
  splitter_->addWidget(edit_);
  setWidget(splitter_);
  Wire(*edit_);
  format_.code = FileCode::ShiftJis;
  resize(form.MdiArea()->size() * 3 / 4);
}

TMDIChild::~TMDIChild() {
  for (TEditorWidget* p : {edit_, splitEdit_}) {
    if (!p) continue;
    p->Editor().SetClipboard(nullptr);
  }
}

void TMDIChild::Wire(TEditorWidget& pane) {
  TTextEditor& e = pane.Editor();
  e.SetClipboard(&SystemClipboard());
  // The widget listens already; the document listens after it.
  auto caret = std::move(e.OnCaretMoved);
  e.OnCaretMoved = [this, caret](TTextEditor& ed) {
    if (caret) caret(ed);
    if (form_.ActiveDocument() == this) UpdateCaretStatus();
  };
  auto change = std::move(e.OnChange);
  e.OnChange = [this, change](TTextEditor& ed) {
    if (change) change(ed);
    if (form_.ActiveDocument() != this) return;
    if (ed.Modified()) form_.SetStatusText(1, QString::fromUtf8("変更"));
    // A key typed right after may be Ctrl+S: the save must be enabled by then.
    form_.UpdateCommands();
  };
}

TEditorWidget& TMDIChild::FocusedPane() const {
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
  TEditorWidget& def = form_.DefEdit();
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

  const TSettings& s = form_.Settings();
  TTextEditorCaret& caret = edit_->Editor().Caret();
  caret.SetAutoIndent(s.AutoIndent);
  caret.SetFreeCaret(s.FreeCaret);
  caret.SetKeepCaret(s.KeepCaret);
  caret.SetNextLine(s.NextLine);
  caret.SetSoftTab(s.SoftTab);
  if (s.TabSpaceCount > 0) caret.SetTabSpaceCount(s.TabSpaceCount);
  to.FxMarks().FindMark().SetVisible(s.ShowFindMark);
  to.Marks().Underline().SetVisible(s.Underline);
  edit_->SetScrollBars(static_cast<TScrollStyle>(std::clamp(s.ScrollBar, 0, 3)));
  ChooseColouring(form_.CurrentExt());
  to.UpdateNumberDigits();
  to.DoLayout();
  edit_->viewport()->update();
}

void TMDIChild::ChooseColouring(const std::string& upperExt) {
  TTextEditorFurniture& to = edit_->Furniture();
  TTextEditorViewInfo& view = to.View();
  TWordList& words = view.Fountain().ReserveWordList();
  words.Clear();
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
    nc_ = std::make_unique<TNCFountain>();
    if (nc_->Brackets().Count() > 0) {
      nc_->Brackets().Items(0).ItemColor().SetColor(colors.Comment().Color());
      nc_->Brackets().Items(0).ItemColor().SetBkColor(colors.Comment().BkColor());
    }
    auto copy = [](TFountainColor& d, TFountainColor& s) {
      d.SetColor(s.Color());
      d.SetBkColor(s.BkColor());
    };
    copy(nc_->Ank(), colors.Reserve());
    copy(nc_->DBCS(), colors.DBCS());
    copy(nc_->Comment(), colors.Comment());
    copy(nc_->Int(), colors.Int());
    copy(nc_->Symbol(), colors.Symbol());
    copy(nc_->Reserve(), colors.Reserve());
    to.SetFountain(nc_.get());
    return;
  }
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
  // Text in brackets spanning lines is shown like a comment.
  view.Brackets().SetAllColor(colors.Comment().Color());
  view.Brackets().SetAllBkColor(colors.Comment().BkColor());
}

void TMDIChild::Split() {
  if (splitEdit_) return;
  splitEdit_ = new TEditorWidget(splitter_);
  splitEdit_->setObjectName("SplitEdit");
  TTextEditorFurniture& from = edit_->Furniture();
  TTextEditorFurniture& to = splitEdit_->Furniture();
  to.Marks().Assign(from.Marks());
  to.FxMarks().Assign(from.FxMarks());
  to.SetColor(from.Color());
  to.SetFontColor(from.FontColor());
  to.View().Assign(from.View());
  to.View().Fountain().SetReserveWordList(from.View().Fountain().ReserveWordList());
  to.Margin().Assign(from.Margin());
  to.Leftbar().Assign(from.Leftbar());
  to.Ruler().Assign(from.Ruler());
  to.SetFountain(from.Fountain());
  splitEdit_->SetEditorFont(edit_->EditorFont());
  splitEdit_->SetScrollBars(edit_->ScrollBars());
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
  splitEdit_->Editor().SetClipboard(nullptr);
  delete splitEdit_;
  splitEdit_ = nullptr;
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
