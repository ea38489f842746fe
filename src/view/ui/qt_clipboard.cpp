#include "view/ui/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QtEndian>

#include "encoding/cp932_codec.h"

namespace tamber {

namespace {

constexpr char kQsciRectangular[] = "text/x-qscintilla-rectangular";
constexpr char kRectangularMarker[] = "text/x-rectangular-marker";
// Visual Studio's marker, as X11 and Qt name a foreign Windows format.
constexpr const char* kMsDevMarkers[] = {"MSDEVColumnSelect", "application/x-qt-windows-mime;value=\"MSDEVColumnSelect\""};

}  // namespace

QByteArray EncodeBoxPayload(std::string_view cp932) {
  QByteArray out(kBoxHeaderSize, '\0');
  char* h = out.data();
  h[0] = 'T';
  h[1] = 'B';
  h[2] = 'O';
  h[3] = 'X';
  qToLittleEndian<quint16>(kBoxVersion, h + 4);
  qToLittleEndian<quint16>(0, h + 6);
  qToLittleEndian<quint32>(static_cast<quint32>(cp932.size()), h + 8);
  out.append(cp932.data(), static_cast<qsizetype>(cp932.size()));
  return out;
}

namespace {

// The payload's length when its header is well formed and of a version we read, else -1.
qint64 BoxPayloadLength(const QByteArray& data) {
  if (data.size() < kBoxHeaderSize || !data.startsWith("TBOX")) return -1;
  const char* h = data.constData();
  if (qFromLittleEndian<quint16>(h + 4) != kBoxVersion) return -1;
  const quint32 n = qFromLittleEndian<quint32>(h + 8);
  if (n > static_cast<quint64>(data.size() - kBoxHeaderSize)) return -1;
  return n;
}

}  // namespace

std::optional<std::string> DecodeBoxPayload(const QByteArray& data) {
  const qint64 n = BoxPayloadLength(data);
  if (n < 0) return std::nullopt;
  return std::string(data.constData() + kBoxHeaderSize, static_cast<std::size_t>(n));
}

void WriteEditorMime(QMimeData& mime, std::string_view cp932, bool box) {
  const std::u16string u = Cp932ToUtf16(cp932);
  mime.setText(QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size())));
  if (!box) return;
  mime.setData(QString::fromLatin1(kBoxMimeType), EncodeBoxPayload(cp932));
  mime.setData(QString::fromLatin1(kQsciRectangular), QByteArray());
  mime.setData(QString::fromLatin1(kRectangularMarker), QByteArray());
}

bool MimeHasBox(const QMimeData& mime) {
  if (mime.hasFormat(QString::fromLatin1(kBoxMimeType)) &&
      BoxPayloadLength(mime.data(QString::fromLatin1(kBoxMimeType))) >= 0)
    return true;
  // Another editor's marker says the text beside it is a box.
  if (!mime.hasText()) return false;
  if (mime.hasFormat(QString::fromLatin1(kQsciRectangular)) || mime.hasFormat(QString::fromLatin1(kRectangularMarker)))
    return true;
  for (const char* f : kMsDevMarkers)
    if (mime.hasFormat(QString::fromLatin1(f))) return true;
  return false;
}

std::optional<TMimeText> ReadEditorMime(const QMimeData& mime) {
  TMimeText t;
  if (mime.hasFormat(QString::fromLatin1(kBoxMimeType))) {
    if (auto bytes = DecodeBoxPayload(mime.data(QString::fromLatin1(kBoxMimeType)))) {
      t.Text = std::move(*bytes);
      t.Box = true;
      return t;
    }
  }
  if (!mime.hasText()) return std::nullopt;
  const QString s = mime.text();
  std::size_t lost = 0;
  t.Text = Utf16ToCp932(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()),
                                            static_cast<std::size_t>(s.size())),
                        &lost);
  t.Replaced = static_cast<int>(lost);
  t.Box = MimeHasBox(mime);  // another editor's marker
  return t;
}

TQtClipboard::TQtClipboard(QClipboard* clipboard)
    : clipboard_(clipboard ? clipboard : QGuiApplication::clipboard()) {}

std::optional<std::string> TQtClipboard::Text() const {
  const QMimeData* mime = clipboard_->mimeData();
  if (!mime) return std::nullopt;
  auto t = ReadEditorMime(*mime);
  if (!t) return std::nullopt;
  if (t->Replaced > 0 && OnReplaced) OnReplaced(t->Replaced);
  return std::move(t->Text);
}

bool TQtClipboard::HasBoxText() const {
  const QMimeData* mime = clipboard_->mimeData();
  return mime && MimeHasBox(*mime);
}

void TQtClipboard::SetText(std::string_view text, bool box) {
  auto* mime = new QMimeData;
  WriteEditorMime(*mime, text, box);
  clipboard_->setMimeData(mime);
}

}  // namespace tamber
