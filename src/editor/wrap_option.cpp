#include "editor/wrap_option.h"

#include <algorithm>

#include "base/notify.h"

namespace tamber {

template <class T, class V>
void TTextEditorWrapOption::Set(T& field, V&& value) {
  if (field == value) return;
  field = T(std::forward<V>(value));
  Changed();
}

void TTextEditorWrapOption::SetWrapByte(int v) { Set(wrapByte_, std::clamp(v, kMinWrapByte, kMaxWrapByte)); }
void TTextEditorWrapOption::SetFollowStr(std::string_view v) { Set(followStr_, v); }
void TTextEditorWrapOption::SetLeadStr(std::string_view v) { Set(leadStr_, v); }
void TTextEditorWrapOption::SetPunctuationStr(std::string_view v) { Set(punctuationStr_, v); }
void TTextEditorWrapOption::SetLeading(bool v) { Set(leading_, v); }
void TTextEditorWrapOption::SetFollowPunctuation(bool v) { Set(followPunctuation_, v); }
void TTextEditorWrapOption::SetFollowRetMark(bool v) { Set(followRetMark_, v); }
void TTextEditorWrapOption::SetWordBreak(bool v) { Set(wordBreak_, v); }

void TTextEditorWrapOption::Assign(const TTextEditorWrapOption& source) {
  if (&source == this) return;
  const TScopedUpdate hold(*this);
  SetWrapByte(source.wrapByte_);
  SetFollowStr(source.followStr_);
  SetLeadStr(source.leadStr_);
  SetPunctuationStr(source.punctuationStr_);
  SetLeading(source.leading_);
  SetFollowPunctuation(source.followPunctuation_);
  SetFollowRetMark(source.followRetMark_);
  SetWordBreak(source.wordBreak_);
}

bool TTextEditorWrapOption::operator==(const TTextEditorWrapOption& o) const {
  return wrapByte_ == o.wrapByte_ && followStr_ == o.followStr_ && leadStr_ == o.leadStr_ &&
         punctuationStr_ == o.punctuationStr_ && leading_ == o.leading_ &&
         followPunctuation_ == o.followPunctuation_ && followRetMark_ == o.followRetMark_ &&
         wordBreak_ == o.wordBreak_;
}

}  // namespace tamber
