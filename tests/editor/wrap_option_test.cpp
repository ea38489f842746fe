#include "editor/wrap_option.h"

#include <gtest/gtest.h>

#include "encoding/cp932_codec.h"

namespace tamber {
namespace {

TEST(WrapOption, DefaultsAreTheJapaneseRuleSets) {
  const TTextEditorWrapOption o;
  EXPECT_EQ(o.WrapByte(), 80);
  EXPECT_EQ(o.FollowStr(), Utf8ToCp932("、。，．・？！゛゜ヽヾゝゞ々ー）］｝」』!),.:;?]}｡｣､･ｰﾞﾟ"));
  EXPECT_EQ(o.LeadStr(), Utf8ToCp932("（［｛「『([{｢"));
  EXPECT_EQ(o.PunctuationStr(), Utf8ToCp932("、。，．,.｡､"));
  EXPECT_FALSE(o.Leading() || o.FollowPunctuation() || o.FollowRetMark() || o.WordBreak());
}

TEST(WrapOption, WrapByteIsClampedAndOnlyRealChangesNotify) {
  TTextEditorWrapOption o;
  int changes = 0;
  o.SetOnChange([&](TObject&) { ++changes; });
  const std::pair<int, int> cases[] = {{10, 20}, {300, 250}, {100, 100}, {20, 20}, {250, 250}};
  for (const auto& [in, out] : cases) {
    o.SetWrapByte(in);
    EXPECT_EQ(o.WrapByte(), out) << in;
  }
  EXPECT_EQ(changes, 5);
  o.SetWrapByte(251);  // clamps to the value it has
  o.SetLeadStr(o.LeadStr());
  o.SetWordBreak(false);
  EXPECT_EQ(changes, 5);
  o.SetWordBreak(true);
  o.SetFollowStr("x");
  EXPECT_EQ(changes, 7);
}

TEST(WrapOption, ChangesInsideAnUpdateNotifyOnceAtTheEnd) {
  TTextEditorWrapOption o;
  int changes = 0;
  o.SetOnChange([&](TObject&) { ++changes; });
  o.BeginUpdate();
  o.BeginUpdate();
  o.SetLeading(true);
  o.SetWrapByte(60);
  o.EndUpdate();
  EXPECT_EQ(changes, 0);
  o.EndUpdate();
  EXPECT_EQ(changes, 1);
  o.BeginUpdate();
  o.SetLeading(true);
  o.EndUpdate();
  EXPECT_EQ(changes, 1);
}

TEST(WrapOption, AssignCopiesEveryPropertyAndNotifiesOnce) {
  TTextEditorWrapOption source;
  source.SetWrapByte(40);
  source.SetFollowStr("a");
  source.SetLeadStr("b");
  source.SetPunctuationStr("c");
  source.SetLeading(true);
  source.SetFollowPunctuation(true);
  source.SetFollowRetMark(true);
  source.SetWordBreak(true);
  TTextEditorWrapOption o;
  int changes = 0;
  o.SetOnChange([&](TObject&) { ++changes; });
  o.Assign(source);
  EXPECT_TRUE(o == source);
  EXPECT_EQ(changes, 1);
  o.Assign(source);  // nothing differs: no rewrap is asked for
  EXPECT_EQ(changes, 1);
}

}  // namespace
}  // namespace tamber
