// The clipboard and drag-and-drop data of the editor: one builder of the
// QMimeData both hand to other programs, one reader of what they hand back,
// and the adapter of QClipboard to the editor's clipboard interface.
//
// What goes out: text/plain as UTF-8 for every program; for box text also
// kBoxMimeType (the CP932 bytes behind a small header, so a box survives a
// round trip byte for byte) and the empty markers Scintilla-based editors
// read as a rectangular selection. What comes in: our box format first;
// else the text, converted from Unicode to CP932 (a character CP932 lacks
// becomes 〓 and is counted), as box text when a rectangular marker of
// another editor or MSDEVColumnSelect is present.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "view/clipboard.h"

class QClipboard;
class QMimeData;

namespace tamber {

// The MIME type of "Tamber Box Type".
inline constexpr char kBoxMimeType[] = "application/x-tamber-box";

// Header of kBoxMimeType, fields little-endian: "TBOX", version (u16),
// reserved (u16, 0), payload length (u32); then the CP932 bytes.
inline constexpr int kBoxHeaderSize = 12;
inline constexpr unsigned kBoxVersion = 1;

QByteArray EncodeBoxPayload(std::string_view cp932);
// The CP932 bytes of a well-formed payload of a version we read; nullopt otherwise.
std::optional<std::string> DecodeBoxPayload(const QByteArray& data);

// Fills mime with cp932 text (and the box formats when box).
void WriteEditorMime(QMimeData& mime, std::string_view cp932, bool box);

struct TMimeText {
  std::string Text;  // CP932
  bool Box = false;
  int Replaced = 0;  // characters that became 〓
};
// The text a clipboard or drop offers; nullopt without text.
std::optional<TMimeText> ReadEditorMime(const QMimeData& mime);
// The data holds a box: a readable payload of ours, or text with another
// editor's rectangular marker.
bool MimeHasBox(const QMimeData& mime);

// The system clipboard as the editor sees it. Reading text that held
// characters CP932 lacks reports their count through OnReplaced.
class TQtClipboard : public TTextEditorClipboard {
 public:
  explicit TQtClipboard(QClipboard* clipboard = nullptr);
  std::optional<std::string> Text() const override;
  bool HasBoxText() const override;
  void SetText(std::string_view text, bool box) override;
  std::function<void(int replaced)> OnReplaced;

 private:
  QClipboard* clipboard_;
};

}  // namespace tamber
