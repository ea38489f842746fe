// The editor font's choice: only families that keep the editor's grid, that
// is whose half-width characters share one advance and whose full-width
// characters (which they must hold themselves) take exactly twice that.
// QFontDatabase::isFixedPitch() cannot tell this: it turns down the Japanese
// fonts whose two widths differ, IPAGothic among them.
#pragma once

#include <QDialog>
#include <QFont>
#include <QStringList>

class QLabel;
class QListWidget;
class QSpinBox;

namespace tamber {

// The family draws half-width characters on one width and full-width ones on twice it.
bool IsDualWidthFixedPitch(const QString& family);
// The families here that pass, sorted; the answer is worked out once.
const QStringList& FixedPitchFamilies();

// The text the font samples show.
inline constexpr const char* kFontSampleText = "123 abc ABC あいうえお";

// A small font dialog: the passing families, a size and a sample.
class TFontChooser : public QDialog {
  Q_OBJECT

 public:
  explicit TFontChooser(QWidget* parent = nullptr);
  // Selects font's family (when it is listed) and size.
  void SetChosen(const QFont& font);
  QFont Chosen() const;

  QListWidget* Families() const { return families_; }
  QSpinBox* Size() const { return size_; }
  QLabel* Sample() const { return sample_; }

 private:
  void UpdateSample();

  QListWidget* families_;
  QSpinBox* size_;
  QLabel* sample_;
};

}  // namespace tamber
