// Change reports of colours, bracket pairs, word lists and fountains.
#include <gtest/gtest.h>

#include <stdexcept>

#include "highlight/bracket_collection.h"
#include "highlight/editor_fountain.h"
#include "highlight/language_fountains.h"
#include "base/notify.h"
#include "highlight/word_list.h"
#include "support/bytes.h"

namespace tamber {
namespace {

using test::Hex;

TEST(NotifyPersistent, ReportsOnlyOutsideUpdatesAndOnceAtTheOutermostEnd) {
  TFountainColor c;
  int reports = 0;
  c.SetOnChange([&](TObject& sender) {
    EXPECT_EQ(&sender, &c);
    ++reports;
  });
  c.SetColor(clRed);
  c.SetColor(clRed);  // same value: nothing
  EXPECT_EQ(reports, 1);
  c.BeginUpdate();
  c.BeginUpdate();
  c.SetColor(clBlue);
  c.SetStyle(fsBold);
  c.EndUpdate();
  EXPECT_EQ(reports, 1);
  c.EndUpdate();
  EXPECT_EQ(reports, 2);
  c.EndUpdate();  // unbalanced: the counter stays at 0
  EXPECT_EQ(c.UpdateCount(), 0);
}

TEST(NotifyPersistent, AssignCopiesTheTripleWithOneReport) {
  TFountainColor a, b;
  b.SetBkColor(clWhite);
  b.SetColor(clNavy);
  b.SetStyle(fsItalic | fsUnderline);
  int reports = 0;
  a.SetOnChange([&](TObject&) { ++reports; });
  a.Assign(b);
  EXPECT_TRUE(a.SameAs(b));
  EXPECT_EQ(reports, 1);
}

TEST(NotifyPersistent, ForwardedChangeIgnoresItselfAsSender) {
  TNotifyPersistent owner;
  TFountainColor part;
  int reports = 0;
  owner.SetOnChange([&](TObject&) { ++reports; });
  owner.ChangedProc(owner);
  EXPECT_EQ(reports, 0);
  owner.ChangedProc(part);
  EXPECT_EQ(reports, 1);
}

TEST(ScopedUpdate, EndsTheUpdateOnEveryWayOutAndKeepsTheFirstFailure) {
  TNotifyPersistent owner;
  int reports = 0;
  bool failReport = false;
  owner.SetOnChange([&](TObject&) {
    ++reports;
    if (failReport) throw std::runtime_error("report");
  });
  {
    const TUpdateGuard hold(owner);
    owner.Changed();
    EXPECT_EQ(reports, 0);
  }
  EXPECT_EQ(owner.UpdateCount(), 0);
  EXPECT_EQ(reports, 1);
  // A throw inside the scope still ends the update; a report that fails
  // while the first failure travels is dropped.
  failReport = true;
  try {
    const TUpdateGuard hold(owner);
    throw std::logic_error("body");
  } catch (const std::logic_error& e) {
    EXPECT_STREQ(e.what(), "body");
  }
  EXPECT_EQ(owner.UpdateCount(), 0);
  EXPECT_EQ(reports, 2);
  // Leaving normally, the report's own failure travels.
  EXPECT_THROW({ const TUpdateGuard hold(owner); }, std::runtime_error);
  EXPECT_EQ(owner.UpdateCount(), 0);
}

TEST(NotifyEventList, CallsListenersInOrderWithTheSender) {
  TFountainColor sender;
  TNotifyEventList list(sender);
  std::string calls;
  auto a = list.Add([&](TObject& s) { calls += &s == &sender ? 'a' : '?'; });
  auto b = list.Add([&](TObject&) { calls += 'b'; });
  list.Changed();
  list.BeginUpdate();
  list.Changed();
  EXPECT_EQ(calls, "ab");
  list.EndUpdate();
  EXPECT_EQ(calls, "abab");
}

TEST(NotifyEventList, ListenersCanLeaveDuringAReportAndAfterTheListDied) {
  TFountainColor sender;
  auto list = std::make_unique<TNotifyEventList>(sender);
  std::string calls;
  TNotifyConnection a, b, c;
  a = list->Add([&](TObject&) {
    calls += 'a';
    b.Disconnect();  // a later listener leaves: it is not called
    a.Disconnect();  // and the running one leaves too
  });
  b = list->Add([&](TObject&) { calls += 'b'; });
  c = list->Add([&](TObject&) {
    calls += 'c';
    static bool once = false;
    if (!once) {
      once = true;
      TNotifyConnection late = list->Add([&](TObject&) { calls += 'x'; });
      (void)late;  // joins and leaves within the report
    }
  });
  list->Changed();
  EXPECT_EQ(calls, "ac");
  EXPECT_EQ(list->Count(), 1);
  EXPECT_FALSE(a.Connected());
  EXPECT_TRUE(c.Connected());
  list.reset();
  EXPECT_FALSE(c.Connected());
  c.Disconnect();  // harmless once the list is gone
}

TEST(BracketCollection, RefusesAFifteenthPairAndLeavesReportsRunning) {
  TFountainBracketCollection source;
  for (int i = 0; i < TFountainBracketCollection::kMaxBrackets; ++i)
    source.Add(std::string(1, static_cast<char>('a' + i)), "!");
  try {
    source.Add();
    FAIL() << "a 15th pair was accepted";
  } catch (const EFountainError& e) {
    EXPECT_STREQ(e.what(), "TFountainBracketCollection\r\nYou can not add item over 14");
  }
  EXPECT_EQ(source.Count(), 14);
  EXPECT_EQ(source.UpdateCount(), 0);

  // Assigned, it copies every pair with one report; a refused Add inside
  // the two-argument form's update leaves reports running too.
  TFountainBracketCollection target;
  int reports = 0;
  target.SetOnChange([&](TObject&) { ++reports; });
  target.Assign(source);
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(target.Count(), 14);
  EXPECT_EQ(target.Items(13).LeftBracket(), "n");
  EXPECT_THROW(target.Add("x", "y"), EFountainError);
  EXPECT_EQ(target.UpdateCount(), 0);
  const int before = reports;
  target.Items(0).ItemColor().SetColor(clRed);
  EXPECT_EQ(reports, before + 1);
}

TEST(BracketCollection, ItemColourChangesReachTheFountainsListeners) {
  TCFountain f;
  int reports = 0;
  auto listener = f.ChangeHandlers().Add([&](TObject& s) {
    EXPECT_EQ(&s, &f);
    ++reports;
  });
  f.Brackets().Items(0).ItemColor().SetColor(clGray);  // item colour
  f.Comment().SetStyle(fsBold);                         // fountain colour
  f.Reserve().SetBkColor(clWhite);                      // Reserve
  f.Brackets().Add("'", "'");                           // collection
  EXPECT_EQ(reports, 4);
  f.ReserveWordList().Add("int");  // direct change of the list: no report
  EXPECT_EQ(reports, 4);
  TWordList words;
  words.Add("int");
  f.SetReserveWordList(words);
  EXPECT_EQ(reports, 5);
}

TEST(Fountain, HasItalicFindsAnyColourOfTheFountain) {
  TDelphiFountain f;
  EXPECT_FALSE(f.HasItalic());
  f.Brackets().Items(1).ItemColor().SetStyle(fsItalic);
  EXPECT_TRUE(f.HasItalic());
  f.Brackets().Items(1).ItemColor().SetStyle(fsBold);
  f.AsmBlock().SetStyle(fsItalic | fsBold);
  EXPECT_TRUE(f.HasItalic());
}

TEST(WordList, SortedWithoutDuplicatesIgnoringAsciiCaseOnly) {
  TWordList list;
  EXPECT_TRUE(list.Add("while"));
  EXPECT_TRUE(list.Add("Begin"));
  EXPECT_FALSE(list.Add("BEGIN"));  // a duplicate keeps the first spelling
  EXPECT_TRUE(list.Add(".Pas"));
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Strings(0), ".Pas");
  EXPECT_EQ(list.Strings(1), "Begin");
  EXPECT_TRUE(list.Contains("bEgIn"));
  EXPECT_TRUE(list.Contains(".PAS"));
  EXPECT_FALSE(list.Contains("beg"));
  // Two katakana whose trail bytes are 'a' and 'A' stay different.
  EXPECT_TRUE(list.Add(Hex("83 61")));  // trail byte 'a'
  EXPECT_FALSE(list.Contains(Hex("83 41")));
  EXPECT_TRUE(list.Contains(Hex("83 61")));
  EXPECT_TRUE(list.Remove("WHILE"));
  EXPECT_FALSE(list.Contains("while"));
}

}  // namespace
}  // namespace tamber
