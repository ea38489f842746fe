// libFuzzer target for reading files of any character code: detection,
// classification with and without automatic recognition, the conversions and
// the codec. Every file, however malformed, must be read without a fault, and
// what the editor holds must be written back exactly as a Shift-JIS file.
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
  (void)Utf8ToCp932(bytes);

  const int probe = ProbeBytes(bytes);
  if (probe == pfBinary) return 0;
  for (const bool kanjiAuto : {true, false}) {
    const ClassifiedText c = ClassifyOpenedFile(probe, ".txt", bytes, kanjiAuto);
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
