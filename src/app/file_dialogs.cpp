#include "app/file_dialogs.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QVBoxLayout>

#include "encoding/cp932_codec.h"

namespace tamber {

namespace {
// The panel below the chooser.
constexpr int kPanelHeight = 110;
}  // namespace

QString PreviewText(const QString& path) {
  const QFileInfo info(path);
  if (path.isEmpty() || !info.isFile()) return {};
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray head = f.read(kPreviewBytes);
  if (IsValidUtf8(std::string_view(head.constData(), static_cast<std::size_t>(head.size()))))
    return QString::fromUtf8(head);
  const std::u16string text = Cp932ToUtf16(std::string_view(head.constData(), static_cast<std::size_t>(head.size())));
  return QString::fromStdU16String(text);
}

TTamberFileDialog::TTamberFileDialog(bool save, bool withCode, QWidget* parent) : QDialog(parent) {
  setObjectName(save ? "SaveDialog" : "OpenDialog");
  auto* layout = new QVBoxLayout(this);
  chooser_ = new QFileDialog(this, Qt::Widget);
  chooser_->setOption(QFileDialog::DontUseNativeDialog, true);
  // We ask before replacing a file ourselves (and keep its backup).
  chooser_->setOption(QFileDialog::DontConfirmOverwrite, true);
  chooser_->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  chooser_->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  chooser_->setWindowFlags(Qt::Widget);
  layout->addWidget(chooser_, 1);

  auto* panel = new QWidget(this);
  panel->setFixedHeight(kPanelHeight);
  auto* panelLayout = new QVBoxLayout(panel);
  panelLayout->setContentsMargins(0, 0, 0, 0);
  if (withCode) {
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QString::fromUtf8("文字コード(&C):"), panel);
    codeBox_ = new QComboBox(panel);
    codeBox_->setObjectName("CodeBox");
    for (int c = AUTO; c <= UTF8; ++c) {
      const std::string_view l = ChrCodeLabel(static_cast<ChrCodeEnum>(c));
      codeBox_->addItem(QString::fromUtf8(l.data(), static_cast<qsizetype>(l.size())));
    }
    label->setBuddy(codeBox_);
    row->addWidget(label);
    row->addWidget(codeBox_, 1);
    panelLayout->addLayout(row);
  }
  preview_ = new QPlainTextEdit(panel);
  preview_->setObjectName("Preview");
  preview_->setReadOnly(true);
  panelLayout->addWidget(preview_, 1);
  layout->addWidget(panel);

  connect(chooser_, &QFileDialog::currentChanged, this, &TTamberFileDialog::ShowPreview);
  connect(chooser_, &QFileDialog::fileSelected, this, [this](const QString& f) {
    path_ = f;
    codeType_ = codeBox_ ? static_cast<ChrCodeEnum>(codeBox_->currentIndex()) : AUTO;
    accept();
  });
  connect(chooser_, &QFileDialog::rejected, this, &QDialog::reject);
}

void TTamberFileDialog::SetCodeSelect(bool on) {
  if (codeBox_) codeBox_->setEnabled(on);
}

void TTamberFileDialog::ShowPreview(const QString& path) {
  preview_->clear();
  preview_->setPlainText(PreviewText(path));
}

int TTamberFileDialog::exec() {
  path_.clear();
  codeType_ = AUTO;
  if (codeBox_) codeBox_->setCurrentIndex(0);
  preview_->clear();
  resize(chooser_->sizeHint().width(), chooser_->sizeHint().height() + kPanelHeight);
  if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
  return QDialog::exec();
}

}  // namespace tamber
