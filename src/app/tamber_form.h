// The main frame window: the document area and the status bar with its five panels.
#pragma once

#include <QMainWindow>
#include <array>

class QLabel;

namespace tamber {

// Caption and title texts of the program.
inline constexpr const char* kApplicationTitle = "Tamberエディタ";
inline constexpr const char* kMainWindowCaption = " Tamberエディタ";

class TTamberForm : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kStatusPanelCount = 5;

  explicit TTamberForm(QWidget* parent = nullptr);

  // Status panels, in order: caret position, document state, typing mode,
  // character code, messages.
  void SetStatusText(int panel, const QString& text);
  QString StatusText(int panel) const;
  QLabel* StatusPanel(int panel) const { return panels_.at(static_cast<std::size_t>(panel)); }

 private:
  std::array<QLabel*, kStatusPanelCount> panels_{};
};

}  // namespace tamber
