// The error a regular expression raises, with the system's Japanese messages.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace tamber {

// A pattern that cannot be compiled (or, for kReComplex, matched within the
// DFA budget). what() is the message as UTF-8 text for display; Position() is
// the 1-based byte index in the pattern at which the scanner stood.
class ERegExpParser : public std::runtime_error {
 public:
  ERegExpParser(const std::string& message, std::size_t position)
      : std::runtime_error(message), position_(position) {}
  std::size_t Position() const { return position_; }

 private:
  std::size_t position_;
};

// The messages (UTF-8).
inline constexpr const char* kReBadDbcs = "不正な２バイト文字コードです。";
inline constexpr const char* kReBackslashAtEnd = "\"\\\"の次には文字が必要です。";
inline constexpr const char* kReBadHex = "不正な１６進数コード表記です。";
inline constexpr const char* kReBadOctal = "不正な８進数コード表記です。";
inline constexpr const char* kReNoBracket = "右ブラケット\"]\"が必要です";
inline constexpr const char* kReBadRange = "不正なキャラクタ範囲です";
inline constexpr const char* kReEmptyClass = "不正なキャラクタクラス指定です。";
inline constexpr const char* kReNoRParen = "右(閉じ)括弧が必要です";
inline constexpr const char* kReNeedPrimary = "普通の文字、または左括弧\"(\"が必要です";
inline constexpr const char* kReExtraText = "正規表現に余分な文字があります";
// Resource limits (see regexp_program.h).
inline constexpr const char* kReTooDeep = "正規表現の括弧の入れ子が深すぎます";
inline constexpr const char* kReTooLarge = "正規表現が大きすぎます";
inline constexpr const char* kReComplex = "正規表現が複雑すぎます";

// Throws ERegExpParser(message, position).
[[noreturn]] void ThrowRegExpError(const char* message, std::size_t position);

}  // namespace tamber
