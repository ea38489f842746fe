// Japanese character codes: detection of a byte string's code and conversion
// between Shift-JIS, JIS (ISO-2022-JP style) and EUC-JP by byte arithmetic.
//
// Every routine is a pure function on byte strings. Conversions never invent
// bytes: malformed input (a truncated pair, an invalid trail byte) is passed
// through as it stands. A character that has no form in the target code is
// written as the geta mark 〓 and counted in *lost when lost is given.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace tamber {

// Result of DetectCode, also the target selector of ConvertCode.
enum DetectResult : int {
  dcNone = 0,        // nothing decided
  dcBinary = 1,
  dcJis = 2,         // announced by ESC $ B
  dcJisOld = 3,      // announced by ESC $ @
  dcEuc = 4,
  dcSjis = 5,
  dcEucOrSjis = 6,   // undecided
};

constexpr std::size_t kBinaryPrescanLength = 512;
inline constexpr std::string_view kJisKanjiIn = "\x1B$B";
inline constexpr std::string_view kJisKanjiOut = "\x1B(J";
// 〓 in Shift-JIS, written for characters that the target code cannot hold.
inline constexpr std::string_view kGetaSjis = "\x81\xAC";

int DetectCode(std::string_view s);
// DetectCode for the text of a file: past the prescan a byte below 08 is a
// stray control character of the text, not a sign of binary data, so that
// one late NUL decides nothing, in whatever code the text is.
int DetectTextCode(std::string_view s);

// Settles a text that DetectCode leaves undecided (dcEucOrSjis) by reading
// all of it both ways: a text valid in only one of EUC-JP and CP932 is in that
// one; valid in both (or neither), the reading with more hiragana, katakana
// and level-1 kanji, less half-width katakana, wins. dcEuc or dcSjis; a tie
// is Shift-JIS.
int DecideEucOrSjis(std::string_view s);

std::pair<unsigned char, unsigned char> JisPairToSjis(unsigned char j1, unsigned char j2);
std::pair<unsigned char, unsigned char> SjisPairToJis(unsigned char s1, unsigned char s2);

// Half-width katakana k (A1..DF) as a JIS X 0208 pair. mark is the byte that
// follows (DE, DF or anything else); *merged tells whether the mark was taken in.
std::pair<unsigned char, unsigned char> KanaToJis(unsigned char k, int mark, bool* merged);

// How a JIS text writes its escapes. The defaults are what a new JIS file gets;
// a file read in JIS keeps the sequences it used.
struct JisStyle {
  std::string_view kanjiIn = kJisKanjiIn;
  std::string_view kanjiOut = kJisKanjiOut;
};

std::string JisToEuc(std::string_view s, std::size_t* lost = nullptr);
std::string JisToSjis(std::string_view s, std::size_t* lost = nullptr);
// For a text read in pieces: *shift carries the character set in use from one
// piece to the next (0 at the start of the text), and the result takes over
// the storage of reuse (the last piece's result).
std::string JisToSjis(std::string_view s, std::size_t* lost, int* shift, std::string reuse = {});
std::string EucToJis(std::string_view s, std::size_t* lost = nullptr, const JisStyle& style = {});
std::string EucToSjis(std::string_view s, std::size_t* lost = nullptr);
// The result takes over the storage of reuse.
std::string EucToSjis(std::string_view s, std::size_t* lost, std::string reuse);
std::string SjisToJis(std::string_view s, std::size_t* lost = nullptr, const JisStyle& style = {});
std::string SjisToEuc(std::string_view s, std::size_t* lost = nullptr);

// Converts s to target 2 (JIS), 4 (EUC) or 5 (Shift-JIS) from the code that
// DetectCode finds; an undecided or identical code leaves s unchanged.
std::string ConvertCode(std::string_view s, int target, std::size_t* lost = nullptr);

// The escape sequences a JIS text uses first (for writing it back alike).
JisStyle DetectJisStyle(std::string_view s);

}  // namespace tamber
