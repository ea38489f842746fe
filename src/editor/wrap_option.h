// TTextEditorWrapOption: how word wrap folds a logical line into rows (the
// fold width and the Japanese line-breaking rules). One object per shared
// text; its change notification makes the text rewrap.
//
// Every setter clamps its value and notifies only when the value changes.
// Changes made between BeginUpdate and the matching EndUpdate notify once, at
// the end, and only if something changed. The strings are Shift-JIS; their
// membership is tested character by character (ContainsChar).
#pragma once

#include <string>
#include <string_view>

#include "base/notify.h"

namespace tamber {

inline constexpr int kMinWrapByte = 20;
inline constexpr int kMaxWrapByte = 250;
inline constexpr int kDefaultWrapByte = 80;

// 、。，．・？！゛゜ヽヾゝゞ々ー）］｝」』!),.:;?]}｡｣､･ｰﾞﾟ
inline constexpr std::string_view kDefaultFollowStr =
    "\x81\x41\x81\x42\x81\x43\x81\x44\x81\x45\x81\x48\x81\x49\x81\x4a\x81\x4b\x81\x52"
    "\x81\x53\x81\x54\x81\x55\x81\x58\x81\x5b\x81\x6a\x81\x6e\x81\x70\x81\x76\x81\x78"
    "!),.:;?]}\xa1\xa3\xa4\xa5\xb0\xde\xdf";
// （［｛「『([{｢
inline constexpr std::string_view kDefaultLeadStr =
    "\x81\x69\x81\x6d\x81\x6f\x81\x75\x81\x77([{\xa2";
// 、。，．,.｡､
inline constexpr std::string_view kDefaultPunctuationStr = "\x81\x41\x81\x42\x81\x43\x81\x44,.\xa1\xa4";

class TTextEditorWrapOption : public TNotifyOption {
 public:
  int WrapByte() const { return wrapByte_; }
  void SetWrapByte(int v);
  // Characters that may not begin a row.
  const std::string& FollowStr() const { return followStr_; }
  void SetFollowStr(std::string_view v);
  // Characters that may not end a row.
  const std::string& LeadStr() const { return leadStr_; }
  void SetLeadStr(std::string_view v);
  // Characters that may hang past the margin.
  const std::string& PunctuationStr() const { return punctuationStr_; }
  void SetPunctuationStr(std::string_view v);
  // Apply the LeadStr and FollowStr rules.
  bool Leading() const { return leading_; }
  void SetLeading(bool v);
  // Let PunctuationStr characters hang.
  bool FollowPunctuation() const { return followPunctuation_; }
  void SetFollowPunctuation(bool v);
  // A line that exactly fills its last row keeps its break there (no empty row).
  bool FollowRetMark() const { return followRetMark_; }
  void SetFollowRetMark(bool v);
  // Do not split single-byte words.
  bool WordBreak() const { return wordBreak_; }
  void SetWordBreak(bool v);

  // Copies every property; notifies once if anything changed.
  void Assign(const TTextEditorWrapOption& source);
  bool operator==(const TTextEditorWrapOption& o) const;

 private:
  template <class T, class V>
  void Set(T& field, V&& value);

  int wrapByte_ = kDefaultWrapByte;
  std::string followStr_{kDefaultFollowStr};
  std::string leadStr_{kDefaultLeadStr};
  std::string punctuationStr_{kDefaultPunctuationStr};
  bool leading_ = false;
  bool followPunctuation_ = false;
  bool followRetMark_ = false;
  bool wordBreak_ = false;
};

}  // namespace tamber
