// Which character code a file has, how its text is turned into the Shift-JIS
// the editor holds, and which bytes a save writes for it.
//
// Inside the editor every line break is CR LF. A file keeps the line-end style
// it was read with (its first break), whether it ended with a break (the text
// keeps that: its last line ends with CR LF or does not), whether a
// UTF-8 file had a byte-order mark and which escapes a JIS file used, so that a
// file opened and saved unchanged is written back byte for byte.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "encoding/char_code.h"
#include "encoding/cp932_codec.h"

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
// "\r\n", "\n" or "\r".
std::string_view LineBreakBytes(LineEnd e);

// How a document's text goes back to its file.
struct TextFormat {
  FileCode code = FileCode::ShiftJis;  // the code written
  FileCode textCode = FileCode::ShiftJis;  // the code the held text is in (raw reads keep the file's)
  LineEnd lineEnd = LineEnd::CrLf;
  // Whether the file ended with a break when it was read. A save does not
  // look at it: the text written ends with a break exactly when the text does.
  bool finalBreak = true;
  bool bom = true;         // UTF-8: the file starts with EF BB BF
  JisStyle jis;            // JIS: the escape sequences used
  // UTF-8: the shared CP932 codes written in their other form (bit k as
  // Utf8Forms::Choice), so that 〜 comes back as 〜, not as ～.
  unsigned otherForms = 0;
  // UTF-8 by the look of the text's start only: the FileDecoder that converts
  // it makes the check of the whole text (see Utf8Check::kByDecoder).
  bool utf8Unchecked = false;
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
  // Characters that cannot be written back as they were: those with no
  // Shift-JIS form (replaced with 〓) and, in UTF-8, ¥ and ‾ (held as \ and ~)
  // and the rarer form of a shared code used in both forms.
  std::size_t lost = 0;
};

// The extension of the last name in path, with its dot ("" when it has none),
// as the functions below and the fountains take it.
std::string FileExtension(std::string_view path);

// The code of a file's text (probe from ProbeFile, ext with its dot, lines the
// text without its final break) by the editor's rules: a byte-order mark, the
// ".manifest" extension, well-formed UTF-8 with high bytes, then the byte
// heuristics; Shift-JIS when undecided.
FileCode DetectFileCode(int probe, std::string_view ext, std::string_view lines);

// Classifies a file's bytes as read (probe from ProbeFile, ext with its dot) and
// converts them for editing when kanjiAuto is on.
ClassifiedText ClassifyOpenedFile(int probe, std::string_view ext, std::string_view fileBytes,
                                  bool kanjiAuto);

// Who checks that a text with high bytes is well-formed UTF-8 throughout.
enum class Utf8Check {
  kWhole,      // the classification reads the whole text for it
  // The classification reads the start; a text it then takes for UTF-8 is
  // checked by the FileDecoder while it converts it, in the same pass. Only
  // for readers that decode the whole text and can start over (FileDecoder::StartedOver).
  kByDecoder,
};

// ClassifyOpenedFile without the text: the code and the format the bytes are
// read in (format.code, and format.textCode, the code the text will be held
// in). A FileDecoder then gives the text in pieces; with Utf8Check::kByDecoder
// its Format() is the classification, which is the same as with kWhole.
TextFormat ClassifyFileBytes(int probe, std::string_view ext, std::string_view fileBytes,
                             bool kanjiAuto, Utf8Check check = Utf8Check::kWhole);

// Gives the text of a file as the editor holds it (converted to format.textCode,
// every break CR LF unless asked otherwise) in pieces of about kPiece bytes of the file, so that a
// large file is converted without a copy of it as a whole. The pieces joined
// are ClassifyOpenedFile's text; each but the last ends after a break or after
// a byte that stands alone in every code (below 40, not ESC).
class FileDecoder {
 public:
  static constexpr std::size_t kPiece = 1 << 18;

  // normalizeBreaks false keeps the file's own breaks in the pieces, for
  // readers that take any break (rows, a save); text that needs no
  // conversion then comes as views of fileBytes itself.
  FileDecoder(std::string_view fileBytes, const TextFormat& format, bool normalizeBreaks = true);
  // The next piece (valid until the next call); false after the last.
  bool Next(std::string_view* piece);
  // True when the piece Next gave last starts the text over: a file taken for
  // UTF-8 by its start (TextFormat::utf8Unchecked) turned out not to be, and
  // is read again from the start in the code it has. What the pieces before
  // it gave is to be dropped.
  bool StartedOver() const { return startedOver_; }
  // The format the text is read in: the classification's, settled once the
  // last piece is given.
  const TextFormat& Format() const { return format_; }
  // Bytes of the file converted so far.
  std::size_t Consumed() const { return pos_; }
  // So far: characters that cannot be written back as they were, and the
  // forms of the shared codes a UTF-8 file uses (TextFormat::otherForms).
  std::size_t Lost() const { return lost_ + forms_.lost; }
  unsigned OtherForms() const { return forms_.Choice(); }

 private:
  std::size_t CutPoint() const;
  void Start();

  std::string_view bytes_;
  TextFormat format_;
  bool startedOver_ = false;
  FileCode from_ = FileCode::ShiftJis;  // the code converted from; ShiftJis when nothing is converted
  std::size_t pos_ = 0;
  std::size_t lost_ = 0;
  Utf8Forms forms_;
  int jisShift_ = 0;
  bool normalize_;
  std::string converted_;
  std::string buffer_;  // room for a UTF-8 piece converted (Utf8ToCp932Bound)
  std::string out_;
};

// NormalizeBreaks into out (replacing its contents).
void NormalizeBreaksInto(std::string_view s, std::string& out);

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
