// TEditorWidget: the editor view on screen. It lays the engine's view out
// from its fonts, paints the display lists of the rows in the clip on the
// fixed cell grid, draws the blinking caret, maps the scroll bars to TopRow
// and TopCol, and repaints from the engine's repaint plans (scrolling the
// viewport where rows only moved).
//
// The grid: an integer cell width (the advance of a half-width character),
// the row height and baseline from the largest ascent and descent of the
// fonts; every glyph is placed in its cells whatever its own advance, and a
// character's byte length (1 or 2) decides its width.
#pragma once

#include <QAbstractScrollArea>
#include <QCursor>
#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QRawFont>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "view/composition.h"
#include "view/furniture.h"
#include "view/row_painter.h"
#include "view/text_editor.h"

class QMimeData;

namespace tamber {

class TQtClipboard;

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TBorderStyle { bsNone, bsSingle };

class TEditorPopupMenu;

class TEditorWidget : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TEditorWidget(QWidget* parent = nullptr);
  ~TEditorWidget() override;

  TTextEditor& Editor() { return editor_; }
  TTextEditorFurniture& Furniture() { return furniture_; }

  // The first of IPAGothic, Noto Sans Mono CJK JP and "monospace" found here.
  static QFont DefaultFont();
  void SetEditorFont(const QFont& font);
  const QFont& EditorFont() const { return font_; }
  // Colours of the editor (TColor values; system colours through the palette).
  void SetColors(TColor background, TColor text);

  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle s);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle s);

  // Resolves a colour: plain RGB, or a system colour through the palette.
  QColor ToQColor(TColor c) const;

  // Paints what the viewport shows into image (for tests and benchmarks).
  void RenderTo(QImage& image);
  // Caret blinking state (tests).
  bool CaretVisibleNow() const {
    return caretOn_ && editor_.CaretShown() && (composition_.Empty() || composition_.CursorVisible);
  }

  // ---- keys, the input method and the popup menu (editor_widget_keys.cpp) ----
  // What the input method is composing at the caret (empty: nothing).
  const TComposition& Composition() const { return composition_; }
  // Ends the composition: the input method commits it, or, when it does not
  // (none is running), its text is inserted as it stands.
  void CommitComposition();
  // Types text (Unicode) at the caret as one step: a character CP932 cannot
  // hold becomes 〓, the user is told by a beep and CharactersReplaced.
  // Returns how many were replaced; nothing happens while ReadOnly.
  int TypeText(const QString& text);
  // The menu the right button opens: the built-in one unless set (nullptr:
  // the built-in one again). Its shortcuts are matched by the control's own
  // key handling, before the keys reach the view.
  QMenu* PopupMenu() const;
  void SetPopupMenu(QMenu* menu);
  TEditorPopupMenu& BuiltinPopupMenu() const { return *builtinMenu_; }
  // What the input method asks: the caret cell in the composition, the
  // caret's line around it in UTF-16 offsets.
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

 signals:
  // count characters that CP932 cannot hold arrived (typed, committed,
  // pasted, dropped) and became 〓.
  void CharactersReplaced(int count);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  bool focusNextPrevChild(bool next) override;
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void InitInput();
  // Tells the input method where the caret went (a no-op without the focus).
  void UpdateInputMethod();
  // The caret's cell inside the composition, in viewport pixels.
  QRect CompositionCursorRect() const;
  void SetComposition(TComposition c);
  void CommitText(const QString& text, int replacementStart, int replacementLength);
  // Part of the caret's logical line around the caret (surrounding text).
  struct LineWindow {
    std::string Text;        // CP932
    std::int64_t Offset = 0; // text offset of Text's first byte
    int CaretByte = 0;       // the caret's byte in Text
  };
  LineWindow CaretLineWindow() const;
  TComposition composition_;
  TEditorPopupMenu* builtinMenu_ = nullptr;
  QMenu* popupMenu_ = nullptr;  // set by the application; nullptr: the built-in one

 public:

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void changeEvent(QEvent* e) override;
  bool viewportEvent(QEvent* e) override;

  // ---- mouse, clipboard, scroll bars, split view (editor_widget_mouse.cpp) ----
 public:
  // The left button is held or a selection drag is pending or running: keys
  // typed, double clicks, the other buttons and the wheel are swallowed.
  bool MouseCaptured() const;
  // Shows other's text from now on (a split view): rows, marks, undo and wrap
  // are shared, both views repaint on every edit; this view keeps its own
  // caret, selection, scroll position and furniture, and takes other's fountain.
  void AttachText(TEditorWidget& other);
  // The platform clipboard the editor's copy, cut and paste use.
  TQtClipboard& Clipboard() { return *clipboard_; }
  // A wheel turn of notches (positive away from the user); return true when
  // handled, else the view scrolls QApplication::wheelScrollLines() rows a notch.
  std::function<bool(TEditorWidget&, int notches, Qt::KeyboardModifiers)> OnMouseWheel;
  // A double click, after the control selected the token under it.
  std::function<void(TEditorWidget&, QPoint)> OnDblClick;
  // The mouse moved (viewport coordinates), after the control set its
  // cursor: a handler may set another (a hand over a URL).
  std::function<void(TEditorWidget&, QPoint, Qt::KeyboardModifiers)> OnMouseMove;
  // The Qt cursor for one of the editor's cursor numbers (the project draws 1958 and 1959).
  static QCursor CursorFor(TCursor c);

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  // A left press inside a draggable selection asks for a system drag
  // (Caret.SelDragMode dmManual); the drag-and-drop view starts it.
  virtual void StartSelectionDrag(const QPoint&) {}
  // Tells the user n characters were replaced by 〓 (signal and beep).
  void ReportReplaced(int n);

 private:
  friend class TMouseCaptureGuard;
  void InitMouse();
  void ApplyCursor();
  void AutoScrollTick();
  void ScrollBarAction(bool vertical, int action);
  void ScrollRowsBy(int delta);
  QTimer autoScroll_;
  int wheelRemainder_ = 0, hWheelRemainder_ = 0;
  bool leftDown_ = false;
  std::unique_ptr<TQtClipboard> clipboard_;
  // Filters keys and the menu while the mouse is captured; a member, so it
  // goes before the widget's base parts do.
  std::unique_ptr<QObject> captureGuard_;
  // ---- end of mouse block ----

 private:
  void Relayout();
  void UpdateScrollRanges();
  void RepaintRows(Row first, Row last);
  void RepaintAll() { viewport()->update(); }
  void OnTopRowChanged();
  void OnTopColChanged();
  void OnCaretMoved();
  void OnTextChanged();
  void BlinkCaret();
  void RestartBlink();
  QRect CaretRect() const;

  void Paint(QPainter& p, const QRect& clip);
  void Draw(QPainter& p, const TDisplayList& list);
  void DrawText(QPainter& p, const TDisplayOp& op);
  void DrawPicture(QPainter& p, const TDisplayOp& op);
  const QRawFont& RawFont(TFontStyles style);
  struct GlyphInfo {
    quint32 index = 0;  // 0: not in the font
    qreal advance = 0;
  };
  GlyphInfo Glyph(TFontStyles style, char16_t ch);
  const QPixmap& RulerDigit(int digit, TColor color);

  TTextEditor editor_;
  TTextEditorFurniture furniture_;
  TDisplayList scratch_;  // one row's list, reused across paints
  QFont font_;
  std::array<QRawFont, 4> rawFonts_;  // by bold | italic << 1
  std::array<bool, 4> rawReady_{};
  std::array<QHash<char16_t, GlyphInfo>, 4> glyphCache_;  // by style, like rawFonts_
  QList<quint32> glyphs_;     // the run being drawn
  QList<QPointF> positions_;
  QList<QLine> lines_;        // lines of one colour waiting to be drawn
  std::array<QPixmap, 10> bookmarkDigits_;
  std::array<QPixmap, 6> imageMarks_;
  std::array<QImage, 10> rulerDigits_;
  QHash<quint64, QPixmap> tintedDigits_;
  TScrollStyle scrollBars_ = ssNone;
  TBorderStyle borderStyle_ = bsSingle;
  QTimer blink_;
  bool caretOn_ = true;
  QRect lastCaretRect_;
  Row lastTopRow_ = 0;
  int lastTopCol_ = 0;
  Row lastCaretRow_ = 0;
  int lastCaretCol_ = 0;
  bool syncingBars_ = false;
};

}  // namespace tamber
