// libFuzzer target for reading files of any character code: detection,
// classification with and without automatic recognition, the conversions and
// the codec. Every file, however malformed, must be read without a fault, and
// what the editor holds must be written back exactly as a Shift-JIS file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "encoding/char_code.h"
#include "encoding/cp932_codec.h"
#include "encoding/file_code.h"

using namespace tamber;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  (void)DetectCode(bytes);
  for (const int target : {dcJis, dcEuc, dcSjis}) (void)ConvertCode(bytes, target);
  (void)JisToEuc(bytes);
  (void)EucToJis(bytes);

  if (!IsValidUtf8(Cp932ToUtf8(bytes))) __builtin_trap();
  // The block conversion gives what pieces shorter than a block give (they go
  // a character at a time), cut where a character starts: before a byte that
  // is not a continuation byte, or after three of them, which no character
  // takes in. Its check of the text agrees with IsValidUtf8.
  std::size_t lost = 0;
  bool wellFormed = false;
  std::string whole(Utf8ToCp932Bound(size), '\0');
  whole.resize(Utf8ToCp932Into(bytes, whole.data(), &lost, nullptr, &wellFormed));
  if (wellFormed != IsValidUtf8(bytes)) __builtin_trap();
  std::string pieces;
  std::size_t piecesLost = 0;
  auto continuation = [&](std::size_t i) { return (static_cast<unsigned char>(bytes[i]) & 0xC0) == 0x80; };
  for (std::size_t at = 0; at < size;) {
    std::size_t stop = std::min(size, at + 40);
    std::size_t back = stop;
    for (int k = 0; k < 3 && back < size && back > at + 1 && continuation(back); ++k) --back;
    if (back == size || !continuation(back)) stop = back;
    pieces += Utf8ToCp932(bytes.substr(at, stop - at), &piecesLost);
    at = stop;
  }
  if (whole != pieces || lost != piecesLost || Utf8ToCp932(bytes) != whole) __builtin_trap();

  const int probe = ProbeBytes(bytes);
  if (probe == pfBinary) return 0;
  for (const bool kanjiAuto : {true, false}) {
    const ClassifiedText c = ClassifyOpenedFile(probe, ".txt", bytes, kanjiAuto);
    // Opening checks UTF-8 while it converts: the same code as a whole check.
    if (ClassifyFileBytes(probe, ".txt", bytes, kanjiAuto).code != c.code) __builtin_trap();
    if (c.code == FileCode::Binary) continue;
    const EncodedText saved = EncodeForSave(c.text, c.format);
    // The pieces with the file's own breaks are the same text.
    FileDecoder decoder(bytes, c.format, /*normalizeBreaks=*/false);
    std::string kept;
    for (std::string_view piece; decoder.Next(&piece);) kept += piece;
    if (NormalizeBreaks(kept) != c.text || decoder.Lost() != c.lost) __builtin_trap();
    // Text read raw comes back as read, but for breaks made alike.
    if (!kanjiAuto || c.code == FileCode::ShiftJis) {
      TextFormat f = c.format;
      f.lineEnd = LineEnd::CrLf;
      const std::string expected = EncodeForSave(NormalizeBreaks(bytes), f).bytes;
      if (EncodeForSave(c.text, f).bytes != expected) __builtin_trap();
    }
    (void)saved;
  }
  return 0;
}
