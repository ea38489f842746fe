// Which character code a file has, how its text is turned into the Shift-JIS
// the editor holds, and which bytes a save writes for it.
//
// Inside the editor every line break is CR LF. A file keeps the line-end style
// it was read with (its first break), whether it ended with a break, whether a
// UTF-8 file had a byte-order mark and which escapes a JIS file used, so that a
// file opened and saved unchanged is written back byte for byte.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "encoding/char_code.h"

namespace tamber {

// Character code of a document (status panel 3 shows FileCodeText).
enum class FileCode : int { Binary = 0, ShiftJis = 1, Jis = 2, Euc = 3, Utf8 = 4 };

// The file dialogs' choice of character code.
enum ChrCodeEnum : int { AUTO = 0, SJIS, JIS, EUC, UTF8, BIN };

// "BIN", "S_JIS", "JIS", "EUC", "UTF-8" (empty for a value outside the range).
std::string_view FileCodeText(FileCode code);
// The dialogs' labels: "自動", "シフトJIS", "JIS", "EUC", "UTF-8" (UTF-8 text).
std::string_view ChrCodeLabel(ChrCodeEnum code);

enum class LineEnd { CrLf, Lf, Cr };

// How a document's text goes back to its file.
struct TextFormat {
  FileCode code = FileCode::ShiftJis;  // the code written
  FileCode textCode = FileCode::ShiftJis;  // the code the held text is in (raw reads keep the file's)
  LineEnd lineEnd = LineEnd::CrLf;
  bool finalBreak = true;  // the last line ends with a break
  bool bom = true;         // UTF-8: the file starts with EF BB BF
  JisStyle jis;            // JIS: the escape sequences used
};

constexpr std::size_t kProbeLength = 512;
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// ProbeFile results.
enum ProbeResult : int { pfBinary = 0, pfText = 1, pfUtf8Bom = 4 };

// Looks at the first 512 bytes of head: 0 binary, 1 text, 4 UTF-8 with mark.
int ProbeBytes(std::string_view head);
// The same for the head of a file; throws std::system_error when it cannot be read.
int ProbeFile(const std::string& path);

struct ClassifiedText {
  FileCode code = FileCode::ShiftJis;
  std::string text;  // the text as the editor holds it, every break CR LF
  TextFormat format;
  std::size_t lost = 0;  // characters that had no Shift-JIS form (replaced with 〓)
};

// The code of a file's text (probe from ProbeFile, ext with its dot, lines the
// text without its final break) by the editor's rules: a byte-order mark, the
// ".manifest" extension, well-formed UTF-8 with high bytes, then the byte
// heuristics; Shift-JIS when undecided.
FileCode DetectFileCode(int probe, std::string_view ext, std::string_view lines);

// Classifies a file's bytes as read (probe from ProbeFile, ext with its dot) and
// converts them for editing when kanjiAuto is on.
ClassifiedText ClassifyOpenedFile(int probe, std::string_view ext, std::string_view fileBytes,
                                  bool kanjiAuto);

class EncodingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct EncodedText {
  std::string bytes;
  std::size_t lost = 0;  // characters that the target code cannot hold (written as 〓)
};

// The bytes a save writes for text (breaks CR LF, CR or LF) in format.code.
// Throws EncodingError for FileCode::Binary, which is never saved.
EncodedText EncodeForSave(std::string_view text, const TextFormat& format);

// Replaces every CR LF, lone CR and lone LF of s with CR LF.
std::string NormalizeBreaks(std::string_view s);

}  // namespace tamber
