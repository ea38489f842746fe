#include "app/file_viewer.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <system_error>

#include "app/tamber_form.h"
#include "encoding/file_code.h"
#include "editor/row_loader.h"
#include "encoding/file_io.h"
#include "highlight/language_fountains.h"
#include "view/ui/editor_widget.h"

namespace tamber {

namespace {

void Colour(TLanguageFountain& f) {
  f.Comment().SetColor(clGreen);
  f.Str().SetColor(clMaroon);
  f.Int().SetColor(clPurple);
  f.Reserve().SetColor(clNavy);
  f.Reserve().SetStyle(fsBold);
  // Block comments are bracket pairs with colours of their own.
  for (int i = 0; i < f.Brackets().Count(); ++i) f.Brackets().Items(i).ItemColor().SetColor(clGreen);
}

}  // namespace

TViewerFountains::TViewerFountains() {
  auto c = std::make_unique<TCFountain>();
  Colour(*c);
  c->PreProcessor().SetColor(clTeal);
  for (const char* w : {"auto", "break", "case", "char", "const", "continue", "default", "do", "double",
                        "else", "enum", "extern", "float", "for", "goto", "if", "int", "long", "register",
                        "return", "short", "signed", "sizeof", "static", "struct", "switch", "typedef",
                        "union", "unsigned", "void", "volatile", "while", "class", "public", "private",
                        "protected", "namespace", "template", "bool", "true", "false", "nullptr"})
    c->ReserveWordList().Add(w);
  auto pascal = std::make_unique<TDelphiFountain>();
  Colour(*pascal);
  auto nc = std::make_unique<TNCFountain>();
  Colour(*nc);
  fountains_.push_back(std::move(c));
  fountains_.push_back(std::move(pascal));
  fountains_.push_back(std::move(nc));
}

TViewerFountains::~TViewerFountains() = default;

TFountain* TViewerFountains::ForExtension(const std::string& ext) const {
  if (ext.empty()) return nullptr;
  for (const auto& f : fountains_)
    if (f->HasFileExt(ext)) return f.get();
  return nullptr;
}

QString LoadIntoViewer(TEditorWidget& widget, const std::string& path, const TViewerFountains& fountains) {
  // The file is mapped and converted piece by piece straight into the rows,
  // so no copy of the whole text is ever made.
  FileCode code = FileCode::Binary;
  RowStore rows;
  bool binary = false;
  {
    MappedFile in(path);
    const std::string_view bytes = in.Bytes();
    const int probe = ProbeBytes(bytes);
    RowLoader loader;
    binary = probe == pfBinary;
    if (binary) {
      loader.Feed(bytes);
    } else {
      const TextFormat format =
          ClassifyFileBytes(probe, FileExtension(path), bytes, /*kanjiAuto=*/true, Utf8Check::kByDecoder);
      in.ReleaseAll();
      FileDecoder decoder(bytes, format, /*normalizeBreaks=*/false);
      for (std::string_view piece; decoder.Next(&piece);) {
        if (decoder.StartedOver()) loader = RowLoader();
        loader.Feed(piece);
        in.Release(decoder.Consumed());
      }
      code = decoder.Format().code;
    }
    rows = loader.Finish();
  }
  TTextEditor& e = widget.Editor();
  widget.Furniture().SetFountain(fountains.ForExtension(FileExtension(path)));
  e.Lines().LoadRows(std::move(rows));
  // Text can be edited (saving comes with the file commands); a binary file stays read-only.
  e.SetReadOnly(binary);
  e.SetRowCol(0, 0);
  widget.Furniture().UpdateNumberDigits();
  widget.Furniture().DoLayout();
  widget.viewport()->update();
  return QString::fromLatin1(FileCodeText(code).data(),
                             static_cast<qsizetype>(FileCodeText(code).size()));
}

void ApplyViewerLook(TEditorWidget& w) {
  TTextEditorFurniture& f = w.Furniture();
  for (TTextEditorMark* m : {&f.Marks().EofMark(), &f.Marks().RetMark(), &f.Marks().WrapMark(),
                             &f.Marks().HideMark(), &f.Marks().Underline()})
    m->SetVisible(true);
  f.Marks().Underline().SetColor(clNavy);
  f.Margin().SetLeft(2);
  f.Leftbar().SetVisible(true);
  f.Leftbar().SetBkColor(clWhite);
  f.Leftbar().SetColor(clNavy);
  f.Leftbar().SetColumn(2);
  f.Leftbar().SetShowNumberMode(nmLine);
  f.Leftbar().SetLeftMargin(0);
  f.Ruler().SetVisible(true);
  f.Ruler().SetBkColor(clWhite);
  f.Ruler().SetColor(clNavy);
  f.Ruler().SetMarkColor(clGray);
  f.FxMarks().TabMark().SetVisible(true);
  f.View().Colors().Select().SetBkColor(clNavy);
  f.View().Colors().Select().SetColor(clWhite);
  w.SetScrollBars(ssBoth);
}

TEditorWidget* OpenInViewer(TTamberForm& form, const QString& path, const TViewerFountains& fountains) {
  auto* area = qobject_cast<QMdiArea*>(form.centralWidget());
  if (!area) return nullptr;
  auto* widget = new TEditorWidget;
  ApplyViewerLook(*widget);
  QString code;
  try {
    code = LoadIntoViewer(*widget, QFileInfo(path).absoluteFilePath().toStdString(), fountains);
  } catch (const std::system_error& e) {
    form.SetStatusText(4, QString::fromLocal8Bit(e.code().message().c_str()) + QStringLiteral(": ") + path);
    delete widget;
    return nullptr;
  }
  QMdiSubWindow* sub = area->addSubWindow(widget);
  sub->setWindowTitle(QFileInfo(path).absoluteFilePath());
  sub->showMaximized();
  widget->setFocus();
  form.SetStatusText(3, code);
  QObject::connect(widget, &TEditorWidget::CharactersReplaced, &form, [&form](int n) {
    form.SetStatusText(4, QStringLiteral("Shift-JIS にない文字 %1 個を〓にしました").arg(n));
  });
  return widget;
}

}  // namespace tamber
