// TMDITab: the tab strip of the document area, one tab per document named by
// its file, kept in step with the active document both ways. It lives on a
// panel of its own (shown and hidden with it). Also the window menu's
// arrangements.
#pragma once

#include <QRect>
#include <QTabBar>
#include <functional>
#include <vector>

class QMdiArea;
class QMdiSubWindow;

namespace tamber {

class TTamberForm;

class TMDITab : public QTabBar {
  Q_OBJECT

 public:
  TMDITab(QMdiArea* area, QWidget* panel);

  // Whether the strip shows while documents are open (the TaskBar setting).
  std::function<bool()> Wanted = [] { return true; };
  // Changing tabs is refused (the tab stays) when this says no; Refused is told.
  std::function<bool()> CanChange = [] { return true; };
  std::function<void()> Refused;

  // A tab for w (none twice), selected.
  void Add(QMdiSubWindow* w);
  int IndexOf(const QMdiSubWindow* w) const;
  QMdiSubWindow* WindowAt(int i) const;
  // Shows or hides the strip by Wanted and the documents open.
  void UpdateVisibility();

 private:
  void Remove(QObject* w);
  void Changed(int i);

  QMdiArea* area_;
  QWidget* panel_;
  bool syncing_ = false;
};

// Rectangles of n windows laid over area: tile horizontally stacks them top
// to bottom at full width, tile vertically puts them side by side at full
// height; the last one takes what the division leaves over.
std::vector<QRect> TileRects(const QRect& area, int n, bool horizontal);

// The window menu's arrangements over the documents of area.
void TileWindows(QMdiArea& area, bool horizontal);
// The minimised documents in a row along the bottom of the area, left to right.
void ArrangeIcons(QMdiArea& area);
// Every document minimised, from the last to the first, then arranged.
void MinimizeAll(QMdiArea& area);

using TWindowBindFn = std::function<void(std::string_view, std::function<void()>)>;
void BindWindowCommands(TTamberForm& form, const TWindowBindFn& bind);

}  // namespace tamber
