// TMDIChild: one open file in the frame's document area. It holds the main
// pane (Edit) and, while the view is split, a second pane on the same text,
// the document's character code and format, and keeps the frame's status
// panels up to date. Its caption is its path and its identity.
#pragma once

#include <QMdiSubWindow>
#include <QPoint>
#include <memory>

#include "app/document_file.h"
#include "encoding/file_code.h"
#include "highlight/editor_fountain.h"

class QSplitter;

namespace tamber {

class TNCFountain;
class TTextEditorFx;
class TTamberForm;

class TMDIChild : public QMdiSubWindow {
  Q_OBJECT

 public:
  TMDIChild(TTamberForm& form, const QString& caption);
  ~TMDIChild() override;

  TTextEditorFx& Edit() const { return *edit_; }
  TTextEditorFx* SplitEdit() const { return splitEdit_; }
  // The second pane when the view is split and it has the focus, else the main pane.
  TTextEditorFx& FocusedPane() const;

  QString Caption() const { return windowTitle(); }
  void SetCaption(const QString& c) { setWindowTitle(c); }

  FileCode Code() const { return format_.code; }
  void SetCode(FileCode c) { format_.code = c; }
  TextFormat& Format() { return format_; }
  // No file stands behind the document (NONAME…): Save becomes Save As.
  bool Untitled() const { return untitled_; }
  void SetUntitled(bool v) { untitled_ = v; }
  // Characters the text cannot give back as they were read; such a document
  // is read-only and saved only under another name after a warning.
  std::size_t Lost() const { return lost_; }
  bool Lossy() const { return lost_ > 0; }

  bool ReadOnly() const;
  bool Modified() const;
  void SetModified(bool v);

  bool SplitView() const { return splitEdit_ != nullptr; }
  void Split();
  void Unsplit();

  // Takes over what a load found; the status texts follow.
  void Loaded(const TLoadedFile& loaded);

  // Status panels 0, 1 and 3 from this document.
  void UpdateStatus();
  void UpdateCaretStatus();

  // Copies the display properties of the template editor and chooses the
  // colouring by the upper-cased extension, once (on creation or the first show).
  void Configure();
  // The options dialog was confirmed: the view is unsplit and the main pane
  // takes the settings and the template editor's look again, its colouring
  // chosen anew by the caption's extension.
  void ApplyOptions();
  // With wrapping at the window's width, the wrap width follows the main pane's width.
  void FitWrapToWidth();

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void Wire(TTextEditorFx& pane);
  // The wheel: each notch scrolls the pane by the MouseWheel setting's lines
  // (positive notches: towards the end).
  void Wheel(TTextEditorFx& pane, int notchesDown);
  // A double click on a URL or a mail address hands it to the desktop.
  void DoubleClicked(TTextEditorFx& pane, QPoint at);
  // reapplied: the options dialog's pass (the view keeps what the first
  // show set, and NC programs take the template's half-width colours).
  void ChooseColouring(const std::string& upperExt, bool reapplied);
  // Caret options, tab width, find and underline marks, scroll bars, word
  // wrap and its options from the settings.
  void ApplyEditingOptions();
  bool eventFilter(QObject* watched, QEvent* e) override;

  TTamberForm& form_;
  QSplitter* splitter_;
  TTextEditorFx* edit_;
  TTextEditorFx* splitEdit_ = nullptr;
  TextFormat format_;
  bool untitled_ = false;
  std::size_t lost_ = 0;
  bool configured_ = false;
  std::unique_ptr<TNCFountain> nc_;  // NC programs' own fountain
};

}  // namespace tamber
