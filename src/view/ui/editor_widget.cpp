#include "view/ui/editor_widget.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "encoding/cp932_codec.h"
#include "encoding/dbcs.h"
#include "view/repaint_plan.h"
#include "view/ui/qt_clipboard.h"

static void InitPictures() { Q_INIT_RESOURCE(pictures); }

namespace tamber {

namespace {

TColor FromQColor(const QColor& c) { return Rgb(c.red(), c.green(), c.blue()); }

// A glyph drawn for a byte sequence the codec cannot map.
constexpr char16_t kUnmapped = u'\u30FB';

}  // namespace

TEditorWidget::TEditorWidget(QWidget* parent)
    : QAbstractScrollArea(parent), furniture_(editor_) {
  InitPictures();
  for (int i = 0; i < 10; ++i) {
    bookmarkDigits_[static_cast<std::size_t>(i)] = QPixmap(QStringLiteral(":/pictures/DD0%1.xpm").arg(i));
    rulerDigits_[static_cast<std::size_t>(i)] =
        QImage(QStringLiteral(":/pictures/RD%1.xpm").arg(i)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
  }
  for (int i = 0; i < 6; ++i)
    imageMarks_[static_cast<std::size_t>(i)] = QPixmap(QStringLiteral(":/pictures/DM0%1.xpm").arg(i));

  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAttribute(Qt::WA_NoSystemBackground);
  viewport()->setCursor(Qt::IBeamCursor);
  setFocusPolicy(Qt::StrongFocus);
  SetScrollBars(ssNone);

  furniture_.ResolveColor = [this](TColor c) { return FromQColor(ToQColor(c)); };
  furniture_.OnRepaintAll = [this] {
    UpdateScrollRanges();
    RepaintAll();
  };
  editor_.OnInvalidateRows = [this](int first, int last) { RepaintRows(first, last); };
  editor_.OnTopRowChange = [this](TTextEditor&) { OnTopRowChanged(); };
  editor_.OnTopColChange = [this](TTextEditor&) { OnTopColChanged(); };
  editor_.OnCaretMoved = [this](TTextEditor&) { OnCaretMoved(); };
  editor_.OnChange = [this](TTextEditor&) { OnTextChanged(); };

  connect(&blink_, &QTimer::timeout, this, &TEditorWidget::BlinkCaret);
  InitInput();
  SetEditorFont(DefaultFont());
  resize(185, 89);
  InitMouse();
}

TEditorWidget::~TEditorWidget() {
  editor_.OnInvalidateRows = nullptr;
  editor_.OnTopRowChange = nullptr;
  editor_.OnTopColChange = nullptr;
  editor_.OnCaretMoved = nullptr;
  editor_.OnChange = nullptr;
}

QFont TEditorWidget::DefaultFont() {
  for (const char* family : {"IPAGothic", "Noto Sans Mono CJK JP"}) {
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(14);
    if (QFontInfo(f).family().compare(QString::fromLatin1(family), Qt::CaseInsensitive) == 0) return f;
  }
  QFont f(QStringLiteral("monospace"));
  f.setStyleHint(QFont::Monospace);
  f.setPixelSize(14);
  return f;
}

void TEditorWidget::SetEditorFont(const QFont& font) {
  font_ = font;
  font_.setKerning(false);
  rawReady_.fill(false);
  for (auto& c : glyphCache_) c.clear();
  const QFontMetrics half(font_);
  // The full-width glyphs may come from another font: take the larger extents.
  const QFontMetrics full(font_);
  const int ascent = std::max(half.ascent(), full.ascent());
  const int descent = std::max(half.descent(), full.descent());
  TFontMetricsInfo m;
  m.Height = ascent + descent;
  m.Ascent = ascent;
  m.ExternalLeading = std::max(0, half.leading());
  m.AverageWidth = std::max(1, half.horizontalAdvance(QLatin1Char('0')));
  furniture_.SetFontItalic(font_.italic());
  furniture_.SetFontMetrics(m);
  Relayout();
}

void TEditorWidget::SetColors(TColor background, TColor text) {
  furniture_.SetColor(background);
  furniture_.SetFontColor(text);
}

void TEditorWidget::SetScrollBars(TScrollStyle s) {
  scrollBars_ = s;
  setVerticalScrollBarPolicy(s == ssVertical || s == ssBoth ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(s == ssHorizontal || s == ssBoth ? Qt::ScrollBarAlwaysOn
                                                                : Qt::ScrollBarAlwaysOff);
  Relayout();
}

void TEditorWidget::SetBorderStyle(TBorderStyle s) {
  borderStyle_ = s;
  setFrameShape(s == bsSingle ? QFrame::StyledPanel : QFrame::NoFrame);
}

QColor TEditorWidget::ToQColor(TColor c) const {
  // FF0000nn is the other spelling of system colour nn (the settings' defaults
  // of the current-line and bracket marks use it).
  if ((c & 0xFF000000) == 0xFF000000 && (c & 0x00FFFF00) == 0) c = SystemColor(c & 0xFF);
  if (IsSystemColor(c)) {
    const QPalette& pal = palette();
    switch (SystemColorIndex(c)) {
      case 5: return pal.color(QPalette::Base);
      case 8: return pal.color(QPalette::Text);
      case 13: return pal.color(QPalette::Highlight);
      case 14: return pal.color(QPalette::HighlightedText);
      case 15: return pal.color(QPalette::Button);
      case 16: return pal.color(QPalette::Dark);
      case 18: return pal.color(QPalette::ButtonText);
      case 20: return pal.color(QPalette::Light);
      case 23: return pal.color(QPalette::ToolTipText);
      case 24: return pal.color(QPalette::ToolTipBase);
      case 27: return pal.color(QPalette::Highlight).lighter(170);  // gradient active caption
      default: return pal.color(QPalette::Window);
    }
  }
  if (c == clNone || c == clDefault) return palette().color(QPalette::Base);
  return QColor(static_cast<int>(RedOf(c)), static_cast<int>(GreenOf(c)), static_cast<int>(BlueOf(c)));
}

// ---- layout and scrolling ----

void TEditorWidget::Relayout() {
  furniture_.SetClientSize(viewport()->width(), viewport()->height());
  UpdateScrollRanges();
  RepaintAll();
}

void TEditorWidget::UpdateScrollRanges() {
  syncingBars_ = true;
  const TViewLayout& l = furniture_.Layout();
  verticalScrollBar()->setRange(0, editor_.Text().Count());
  verticalScrollBar()->setPageStep(l.VisibleRows);
  verticalScrollBar()->setSingleStep(1);
  verticalScrollBar()->setValue(editor_.TopRow());
  horizontalScrollBar()->setRange(0, std::max(0, TTextEditor::kMaxCol - l.VisibleCols / 2));
  horizontalScrollBar()->setPageStep(l.VisibleCols);
  horizontalScrollBar()->setSingleStep(1);
  horizontalScrollBar()->setValue(editor_.TopCol());
  syncingBars_ = false;
  lastTopRow_ = editor_.TopRow();
  lastTopCol_ = editor_.TopCol();
}

void TEditorWidget::scrollContentsBy(int, int) {
  if (syncingBars_) return;
  editor_.SetTopRow(verticalScrollBar()->value());
  editor_.SetTopCol(horizontalScrollBar()->value());
}

void TEditorWidget::OnTopRowChanged() {
  const TViewLayout& l = furniture_.Layout();
  const int delta = editor_.TopRow() - lastTopRow_;
  lastTopRow_ = editor_.TopRow();
  if (!syncingBars_) {
    syncingBars_ = true;
    verticalScrollBar()->setValue(editor_.TopRow());
    syncingBars_ = false;
  }
  if (delta == 0) return;
  viewport()->update(lastCaretRect_);
  const QRect area(0, l.TextTop, viewport()->width(), viewport()->height() - l.TextTop);
  // The caret's old cell moves with the rows (so does its pending repaint).
  if (std::abs(delta) < l.VisibleRows) viewport()->scroll(0, -delta * l.RowPitch, area);
  else viewport()->update(area);
  lastCaretRect_ = CaretRect();
}

void TEditorWidget::OnTopColChanged() {
  const TViewLayout& l = furniture_.Layout();
  const int delta = editor_.TopCol() - lastTopCol_;
  lastTopCol_ = editor_.TopCol();
  if (!syncingBars_) {
    syncingBars_ = true;
    horizontalScrollBar()->setValue(editor_.TopCol());
    syncingBars_ = false;
  }
  if (delta == 0) return;
  viewport()->update(lastCaretRect_);
  const QRect area(l.TextLeft, 0, viewport()->width() - l.TextLeft, viewport()->height());
  if (std::abs(delta) < l.VisibleCols) viewport()->scroll(-delta * l.CharWidth, 0, area);
  else viewport()->update(area);
  lastCaretRect_ = CaretRect();
}

void TEditorWidget::RepaintRows(Row first, Row last) {
  const TViewLayout& l = furniture_.Layout();
  // A bulk load reports only its rows: the ranges follow the row count here.
  if (verticalScrollBar()->maximum() != editor_.Text().Count()) UpdateScrollRanges();
  first = std::max(first, editor_.TopRow());
  if (last < first) return;
  const int y0 = l.TextTop + (first - editor_.TopRow()) * l.RowPitch;
  const long long y1 = l.TextTop + static_cast<long long>(last + 1 - editor_.TopRow()) * l.RowPitch;
  if (y0 >= viewport()->height()) return;
  viewport()->update(QRect(0, y0, viewport()->width(),
                           static_cast<int>(std::min<long long>(y1, viewport()->height()) - y0)));
}

void TEditorWidget::OnCaretMoved() {
  const std::vector<Row> marks = furniture_.CaretMoved();
  const TCaretRepaint plan =
      PlanAfterCaretMove(lastCaretRow_, lastCaretCol_, editor_.Row(), editor_.Col(), marks,
                         furniture_.Marks().Underline().Visible(), furniture_.Ruler().Visible());
  for (Row r : plan.Rows) RepaintRows(r, r);
  if (plan.RulerMark) {
    // Only the cells of the old and the new caret column change.
    const TViewLayout& l = furniture_.Layout();
    for (int col : {lastCaretCol_, editor_.Col()}) {
      const int x = l.TextLeft + (col - editor_.TopCol()) * l.CharWidth;
      viewport()->update(QRect(x - 1, 0, l.CharWidth + 2, l.RulerHeight));
    }
  }
  lastCaretRow_ = editor_.Row();
  lastCaretCol_ = editor_.Col();
  viewport()->update(lastCaretRect_);
  RestartBlink();
  lastCaretRect_ = CaretRect();
  viewport()->update(lastCaretRect_);
}

void TEditorWidget::OnTextChanged() {
  const TViewLayout& l = furniture_.Layout();
  const TRepaintPlan plan =
      PlanAfterEdit(editor_.Text().LastChange(), l.VisibleRows, editor_.TopRow(), editor_.Text().Count(),
                    furniture_.Leftbar().Visible(), furniture_.Leftbar().ShowNumberMode() == nmLine);
  if (furniture_.UpdateNumberDigits() || plan.All) {
    UpdateScrollRanges();
    RepaintAll();
    return;
  }
  if (plan.ScrollBy != 0) {
    const int y = std::max(l.TextTop, l.TextTop + (plan.ScrollFrom - editor_.TopRow()) * l.RowPitch);
    if (y < viewport()->height())
      viewport()->scroll(0, plan.ScrollBy * l.RowPitch, QRect(0, y, viewport()->width(), viewport()->height() - y));
  }
  RepaintRows(plan.First, plan.Last);
  if (plan.NumbersFrom >= 0) {
    const int y = std::max(l.TextTop, l.TextTop + (plan.NumbersFrom - editor_.TopRow()) * l.RowPitch);
    viewport()->update(QRect(0, y, l.ImagebarWidth + l.LeftbarWidth, viewport()->height() - y));
  }
  UpdateScrollRanges();
}

// ---- caret ----

QRect TEditorWidget::CaretRect() const {
  const TCaretRect s = editor_.CaretShape();
  if (!composition_.Empty()) return CompositionCursorRect();
  return QRect(s.X, s.Y, s.Width, s.Height);
}

void TEditorWidget::RestartBlink() {
  caretOn_ = true;
  const int flash = QApplication::cursorFlashTime();
  if (hasFocus() && flash > 0) blink_.start(flash / 2);
  else blink_.stop();
}

void TEditorWidget::BlinkCaret() {
  caretOn_ = !caretOn_;
  viewport()->update(CaretRect());
}

void TEditorWidget::focusInEvent(QFocusEvent* e) {
  editor_.SetFocused(true);
  RestartBlink();
  lastCaretRect_ = CaretRect();
  viewport()->update(lastCaretRect_);
  QAbstractScrollArea::focusInEvent(e);
}

void TEditorWidget::focusOutEvent(QFocusEvent* e) {
  editor_.SetFocused(false);
  blink_.stop();
  viewport()->update(lastCaretRect_);
  QAbstractScrollArea::focusOutEvent(e);
}

void TEditorWidget::changeEvent(QEvent* e) {
  if (e->type() == QEvent::PaletteChange) {
    tintedDigits_.clear();
    RepaintAll();
  }
  QAbstractScrollArea::changeEvent(e);
}

bool TEditorWidget::viewportEvent(QEvent* e) { return QAbstractScrollArea::viewportEvent(e); }

void TEditorWidget::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  Relayout();
}

// ---- painting ----

void TEditorWidget::paintEvent(QPaintEvent* e) {
  QPainter p(viewport());
  try {
    // The rectangles of the region, not its bounding box: the ruler's caret
    // cells and the caret row of one key would otherwise paint every row
    // between them.
    for (const QRect& r : e->region()) Paint(p, r);
  } catch (...) {
    // A paint never lets an error out into the event loop.
  }
}

void TEditorWidget::RenderTo(QImage& image) {
  QPainter p(&image);
  Paint(p, image.rect());
}

void TEditorWidget::Paint(QPainter& p, const QRect& clip) {
  const TViewLayout& l = furniture_.Layout();
  TViewPainter painter(furniture_);
  if (!composition_.Empty()) {
    TCompositionColors cc;
    cc.Text = furniture_.FontColor();
    cc.Background = furniture_.Color();
    cc.TargetText = furniture_.Color();
    cc.TargetBackground = furniture_.FontColor();
    painter.SetComposition(&composition_, cc);
  }
  p.setClipRect(clip);
  if (clip.top() < l.TextTop) {
    scratch_.clear();
    painter.AppendCorner(scratch_);
    if (clip.top() < l.RulerHeight && clip.right() >= l.TextLeft) painter.AppendRuler(scratch_);
    Draw(p, scratch_);
  }
  const auto [first, last] =
      painter.RowsIn({clip.left(), std::max(clip.top(), l.TextTop), clip.right() + 1, clip.bottom() + 1});
  if (clip.bottom() >= l.TextTop) {
    for (Row r = first; r <= last; ++r) {
      const TPixelRect rr = painter.RowRect(r);
      p.setClipRect(QRect(rr.Left, rr.Top, rr.Width(), rr.Height()).intersected(clip));
      scratch_.clear();
      painter.AppendTextRow(scratch_, r);
      Draw(p, scratch_);
    }
  }
  p.setClipRect(clip);
  if (CaretVisibleNow()) {
    const QRect caret = CaretRect().intersected(QRect(l.TextLeft, l.TextTop, viewport()->width(), viewport()->height()));
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.fillRect(caret, Qt::white);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
}

void TEditorWidget::Draw(QPainter& p, const TDisplayList& list) {
  // Lines and frames of one colour in a row go out in one call.
  TColor lineColor = clNone;
  lines_.clear();
  auto flush = [&] {
    if (lines_.isEmpty()) return;
    p.setPen(QPen(ToQColor(lineColor), 0));
    p.drawLines(lines_);
    lines_.clear();
  };
  auto line = [&](TColor c, int x1, int y1, int x2, int y2) {
    if (c != lineColor) {
      flush();
      lineColor = c;
    }
    lines_.append(QLine(x1, y1, x2, y2));
  };
  for (const TDisplayOp& op : list) {
    switch (op.Kind) {
      case dkLine: line(op.Color, op.X, op.Y, op.X2, op.Y2); continue;
      case dkFrame: {
        const int x0 = op.Rect.Left, y0 = op.Rect.Top, x1 = op.Rect.Right - 1, y1 = op.Rect.Bottom - 1;
        line(op.Color, x0, y0, x1, y0);
        line(op.Color, x0, y1, x1, y1);
        line(op.Color, x0, y0 + 1, x0, y1 - 1);
        if (!op.Open) line(op.Color, x1, y0 + 1, x1, y1 - 1);
        continue;
      }
      default: break;
    }
    flush();
    switch (op.Kind) {
      case dkFill:
        p.fillRect(QRect(op.Rect.Left, op.Rect.Top, op.Rect.Width(), op.Rect.Height()), ToQColor(op.Color));
        break;
      case dkDottedLine: {
        p.setPen(QPen(ToQColor(op.BkColor == clNone ? furniture_.Color() : op.BkColor), 0));
        p.drawLine(op.X, op.Y, op.X2 - 1, op.Y);
        QPen dots(ToQColor(op.Color), 0);
        dots.setDashPattern({1, 1});
        p.setPen(dots);
        p.drawLine(op.X, op.Y, op.X2 - 1, op.Y);
        break;
      }
      case dkText: DrawText(p, op); break;
      case dkPicture: DrawPicture(p, op); break;
      case dkLine:
      case dkFrame: break;
    }
  }
  flush();
}

const QRawFont& TEditorWidget::RawFont(TFontStyles style) {
  const std::size_t k = ((style & fsBold) ? 1u : 0u) | ((style & fsItalic) ? 2u : 0u);
  if (!rawReady_[k]) {
    QFont f = font_;
    if (style & fsBold) f.setBold(true);
    if (style & fsItalic) f.setItalic(true);
    rawFonts_[k] = QRawFont::fromFont(f);
    rawReady_[k] = true;
  }
  return rawFonts_[k];
}

TEditorWidget::GlyphInfo TEditorWidget::Glyph(TFontStyles style, char16_t ch) {
  const std::size_t k = ((style & fsBold) ? 1u : 0u) | ((style & fsItalic) ? 2u : 0u);
  auto& cache = glyphCache_[k];
  auto it = cache.find(ch);
  if (it != cache.end()) return *it;
  const QRawFont& raw = RawFont(style);
  GlyphInfo g;
  if (raw.isValid()) {
    const QChar c(ch);
    quint32 index = 0;
    int n = 1;
    if (raw.glyphIndexesForChars(&c, 1, &index, &n) && n == 1 && index != 0) {
      QPointF adv;
      raw.advancesForGlyphIndexes(&index, &adv, 1);
      g.index = index;
      g.advance = adv.x();
    }
  }
  cache.insert(ch, g);
  return g;
}

void TEditorWidget::DrawText(QPainter& p, const TDisplayOp& op) {
  const TViewLayout& l = furniture_.Layout();
  const int cw = op.CellWidth;
  const std::string& s = op.Text;
  if (op.BkColor != clNone)
    p.fillRect(QRect(op.X, op.Y, cw * static_cast<int>(s.size()), l.RowPitch), ToQColor(op.BkColor));
  const QColor color = ToQColor(op.Color);
  const int baseline = op.Y + l.Ascent;
  glyphs_.clear();
  positions_.clear();
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = CharLength(s, i);
    const unsigned char b = static_cast<unsigned char>(s[i]);
    int code = n == 1 && b < 0x80 ? b : Cp932CharToUnicode(std::string_view(s).substr(i, n));
    if (code < 0x20 || code > 0xFFFF || (code >= 0xD800 && code < 0xE000)) code = kUnmapped;
    const int x = op.X + static_cast<int>(i) * cw;
    const int width = static_cast<int>(n) * cw;
    i += n;
    if (code == ' ') continue;
    const GlyphInfo g = Glyph(op.Style, static_cast<char16_t>(code));
    if (g.index == 0) {
      // Not in the font: Qt's fallback, still centred in its cells.
      QFont f = font_;
      f.setBold(op.Style & fsBold);
      f.setItalic(op.Style & fsItalic);
      p.setFont(f);
      p.setPen(color);
      const QString one(QChar(static_cast<char16_t>(code)));
      const int adv = QFontMetrics(f).horizontalAdvance(one);
      p.drawText(QPointF(x + (width - adv) / 2.0, baseline), one);
      continue;
    }
    glyphs_.append(g.index);
    positions_.append(QPointF(x + std::max<qreal>(0, (width - g.advance) / 2.0), baseline));
  }
  if (!glyphs_.isEmpty()) {
    QGlyphRun run;
    run.setRawFont(RawFont(op.Style));
    run.setGlyphIndexes(glyphs_);
    run.setPositions(positions_);
    p.setPen(color);
    p.drawGlyphRun(QPointF(0, 0), run);
  }
  if (op.Style & fsStrikeOut) {
    p.setPen(QPen(color, 0));
    const int y = op.Y + l.Ascent * 2 / 3;
    p.drawLine(op.X, y, op.X + cw * static_cast<int>(s.size()) - 1, y);
  }
}

const QPixmap& TEditorWidget::RulerDigit(int digit, TColor color) {
  const quint64 key = (static_cast<quint64>(FromQColor(ToQColor(color))) << 8) | static_cast<quint64>(digit);
  auto it = tintedDigits_.find(key);
  if (it != tintedDigits_.end()) return *it;
  QImage img = rulerDigits_[static_cast<std::size_t>(digit)].copy();
  QPainter tp(&img);
  tp.setCompositionMode(QPainter::CompositionMode_SourceIn);
  tp.fillRect(img.rect(), ToQColor(color));
  tp.end();
  return *tintedDigits_.insert(key, QPixmap::fromImage(img));
}

void TEditorWidget::DrawPicture(QPainter& p, const TDisplayOp& op) {
  switch (op.Picture) {
    case pkBookmarkDigit:
      if (op.Index >= 0 && op.Index < 10) p.drawPixmap(op.X, op.Y, bookmarkDigits_[static_cast<std::size_t>(op.Index)]);
      break;
    case pkImageMark:
      if (op.Index >= 0 && op.Index < 6) p.drawPixmap(op.X, op.Y, imageMarks_[static_cast<std::size_t>(op.Index)]);
      break;
    case pkRulerDigits: {
      int x = op.X;
      for (char ch : op.Text) {
        if (ch < '0' || ch > '9') continue;
        const QPixmap& pm = RulerDigit(ch - '0', op.Color);
        p.drawPixmap(x, op.Y, pm);
        x += pm.width() + 1;
      }
      break;
    }
  }
}

}  // namespace tamber
