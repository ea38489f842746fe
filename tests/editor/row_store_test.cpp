// The block store against a plain vector of rows, under random edits.
#include "editor/row_store.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "editor/row_attribute.h"

namespace tamber {
namespace {

struct ModelRow {
  std::string text, carry;
  std::uint32_t attr = 0, extra = 0;
  std::intptr_t tag = 0;
};

// The reference: a vector, with the unparsed tail applied on reading.
struct Model {
  std::vector<ModelRow> rows;
  std::size_t unparsedFrom = RowStore::kNoWatermark;

  ModelRow Read(std::size_t i) const {
    ModelRow r = rows[i];
    if (i >= unparsedFrom) {
      r.attr &= rowbits::kAttrKeptBits;
      r.extra &= rowbits::kExtraKeptBits;
      r.carry.clear();
    }
    return r;
  }
  void Materialize(std::size_t i) {
    if (unparsedFrom == RowStore::kNoWatermark || i < unparsedFrom) return;
    for (std::size_t r = unparsedFrom; r <= i; ++r) rows[r] = Read(r);
    unparsedFrom = i + 1;
  }
  void Insert(std::size_t i, const std::vector<ModelRow>& add) {
    rows.insert(rows.begin() + i, add.begin(), add.end());
    if (unparsedFrom != RowStore::kNoWatermark && i < unparsedFrom) unparsedFrom += add.size();
  }
  void Erase(std::size_t i, std::size_t n) {
    rows.erase(rows.begin() + i, rows.begin() + i + n);
    if (unparsedFrom != RowStore::kNoWatermark) {
      if (i + n <= unparsedFrom) unparsedFrom -= n;
      else if (i < unparsedFrom) unparsedFrom = i;
    }
  }
  std::size_t Share(std::size_t i) const {
    const auto a = rowbits::AttributeOf(rows[i].attr);
    return rows[i].text.size() + (a == raBreak ? 2 : 0);
  }
};

RowStore StoreOf(const std::vector<ModelRow>& rows) {
  RowBlockBuilder b;
  for (const auto& r : rows) b.Add(r.text, r.attr, r.extra, r.carry, r.tag);
  return RowStore(b.Finish());
}

void ExpectSame(const RowStore& s, const Model& m) {
  s.CheckInvariants();
  ASSERT_EQ(s.Count(), m.rows.size());
  std::size_t bytes = 0, breaks = 0, ends = 0, offset = 0;
  std::uint16_t used = 0;
  for (std::size_t i = 0; i < m.rows.size(); ++i) {
    const ModelRow r = m.Read(i);
    ASSERT_EQ(s.Text(i), r.text) << "row " << i;
    ASSERT_EQ(s.Attr(i), r.attr) << "row " << i;
    ASSERT_EQ(s.Extra(i), r.extra) << "row " << i;
    ASSERT_EQ(s.Carry(i), r.carry) << "row " << i;
    ASSERT_EQ(s.Tag(i), r.tag) << "row " << i;
    ASSERT_EQ(s.OffsetOfRow(i), offset) << "row " << i;
    ASSERT_EQ(s.LineEndsBefore(i), ends) << "row " << i;
    const auto a = rowbits::AttributeOf(r.attr);
    if (a != raFolded) {
      ASSERT_EQ(s.RowOfLineEnd(ends), i);
      ++ends;
    }
    bytes += r.text.size();
    if (a == raBreak) breaks++;
    used |= rowbits::MarksOf(r.extra);
    offset += m.Share(i);
  }
  EXPECT_EQ(s.Bytes(), bytes);
  EXPECT_EQ(s.Breaks(), breaks);
  EXPECT_EQ(s.LineEnds(), ends);
  EXPECT_EQ(s.RowOfLineEnd(ends), s.Count());
  EXPECT_EQ(s.UsedMarks(), used);
}

// The offset walk done the slow way, row by row.
std::pair<std::size_t, std::size_t> WalkOffset(const Model& m, std::size_t left) {
  for (std::size_t i = 0; i < m.rows.size(); ++i) {
    const auto a = rowbits::AttributeOf(m.rows[i].attr);
    if (a == raLast || m.Share(i) > left) return {i, left};
    left -= m.Share(i);
  }
  return {m.rows.size(), left};
}

class RowStoreRandomTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(RowStoreRandomTest, AgreesWithAVectorOfRowsUnderRandomEdits) {
  std::mt19937 rng(GetParam());
  auto pick = [&](std::size_t n) { return n ? std::uniform_int_distribution<std::size_t>(0, n - 1)(rng) : 0; };
  auto randomRow = [&] {
    ModelRow r;
    const std::size_t len = pick(40) == 0 ? 20000 + pick(30000) : pick(40);  // some rows overflow a block's bytes
    for (std::size_t i = 0; i < len; ++i) r.text.push_back(static_cast<char>('a' + pick(26)));
    // raLast only ever ends a text; its own test covers it.
    r.attr = static_cast<std::uint32_t>(pick(2)) | (pick(4) == 0 ? static_cast<std::uint32_t>(rng()) & ~3u : 0u);
    r.extra = pick(5) == 0 ? static_cast<std::uint32_t>(rng()) : 0;
    if (pick(10) == 0) r.carry = "carry" + std::to_string(pick(100));
    if (pick(10) == 0) r.tag = static_cast<std::intptr_t>(pick(1000)) + 1;
    return r;
  };
  Model m;
  for (int i = 0; i < 1200; ++i) m.rows.push_back(randomRow());
  RowStore s = StoreOf(m.rows);
  ExpectSame(s, m);

  for (int step = 0; step < 400; ++step) {
    const std::size_t n = m.rows.size();
    switch (pick(9)) {
      case 0: {  // insert a few or many rows
        std::vector<ModelRow> add;
        const std::size_t k = pick(3) == 0 ? 1 + pick(1200) : 1 + pick(4);
        for (std::size_t j = 0; j < k; ++j) add.push_back(randomRow());
        const std::size_t at = pick(n + 1);
        RowStore src = StoreOf(add);
        s.Insert(at, src, 0, k);
        m.Insert(at, add);
        break;
      }
      case 1: {  // erase a few or many rows
        if (n == 0) break;
        const std::size_t at = pick(n);
        const std::size_t k = 1 + pick(pick(3) == 0 ? n - at : std::min<std::size_t>(5, n - at));
        s.Erase(at, k);
        m.Erase(at, k);
        break;
      }
      case 2: {
        if (n == 0) break;
        const std::size_t i = pick(n);
        const ModelRow r = randomRow();
        s.SetText(i, r.text);
        m.rows[i].text = r.text;
        break;
      }
      case 3: {
        if (n == 0) break;
        const std::size_t i = pick(n);
        const auto v = randomRow().attr;
        s.SetAttr(i, v);
        if (v & ~rowbits::kAttrKeptBits) m.Materialize(i);
        m.rows[i].attr = v;
        break;
      }
      case 4: {
        if (n == 0) break;
        const std::size_t i = pick(n);
        const auto v = static_cast<std::uint32_t>(rng());
        s.SetExtra(i, v);
        if (v & ~rowbits::kExtraKeptBits) m.Materialize(i);
        m.rows[i].extra = v;
        break;
      }
      case 5: {
        if (n == 0) break;
        const std::size_t i = pick(n);
        const std::string c = pick(2) ? "" : "c" + std::to_string(step);
        s.SetCarry(i, c);
        if (!c.empty()) m.Materialize(i);
        m.rows[i].carry = c;
        break;
      }
      case 6: {
        if (n == 0) break;
        const std::size_t i = pick(n);
        const auto t = static_cast<std::intptr_t>(pick(3));
        s.SetTag(i, t);
        m.rows[i].tag = t;
        break;
      }
      case 7: {
        const std::size_t from = pick(n + 1);
        s.MarkUnparsedFrom(from);
        m.unparsedFrom = std::min(m.unparsedFrom, from);
        break;
      }
      case 8: {  // the offset walk, anywhere and past the end
        std::size_t total = 0;
        for (std::size_t i = 0; i < n; ++i) total += m.Share(i);
        for (int probe = 0; probe < 20; ++probe) {
          const std::size_t off = pick(total + 5);
          ASSERT_EQ(s.RowAtOffset(off), WalkOffset(m, off)) << "offset " << off;
        }
        break;
      }
    }
    if (step % 25 == 0 || n < 50) ExpectSame(s, m);
    else s.CheckInvariants();
    if (HasFatalFailure()) return;
  }
  ExpectSame(s, m);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RowStoreRandomTest, ::testing::Values(1u, 2u, 3u, 4u));

TEST(RowStoreTest, LastRowStopsTheOffsetWalkEvenPastTheEnd) {
  RowBlockBuilder b;
  b.Add("ab", raBreak);
  b.Add("cd", raLast);
  RowStore s(b.Finish());
  EXPECT_EQ(s.RowAtOffset(4), (std::pair<std::size_t, std::size_t>(1, 0)));
  EXPECT_EQ(s.RowAtOffset(9), (std::pair<std::size_t, std::size_t>(1, 5)));
}

TEST(RowStoreTest, BuilderAllocatesBlocksWithoutGrowthSlack) {
  RowBlockBuilder b;
  for (int i = 0; i < 5000; ++i) b.Add(std::string(static_cast<std::size_t>(i % 97), 'x'), raBreak);
  for (const RowBlock& blk : b.Finish()) {
    EXPECT_LE(blk.bytes.capacity(), std::max<std::size_t>(blk.bytes.size(), 15));
    EXPECT_EQ(blk.ends.capacity(), blk.ends.size());
  }
}

// Splices into a long row (where the bytes before a change near the start
// move instead of those after it) and into short ones, against a string.
TEST(RowStoreTest, SplicesIntoRowsOfAnyLengthAgreeWithAString) {
  std::mt19937 rng(21);
  for (const std::size_t length : {std::size_t{40}, std::size_t{200000}}) {
    std::string model;
    for (std::size_t i = 0; i < length; ++i) model += static_cast<char>('a' + i % 26);
    RowBlockBuilder b;
    b.Add("before", raBreak);
    b.Add(model, raBreak);
    b.Add("after", raLast);
    RowStore s(b.Finish());
    for (int step = 0; step < 2000; ++step) {
      // Mostly near the start, where a caret in a long row types.
      const std::size_t span = rng() % 4 ? std::min<std::size_t>(model.size(), 3000) : model.size();
      const std::size_t at = span ? rng() % (span + 1) : 0;
      const std::size_t removed = std::min<std::size_t>(rng() % 3, model.size() - at);
      const std::string put(rng() % 3, static_cast<char>('A' + step % 26));
      s.SpliceText(1, at, removed, put);
      model.replace(at, removed, put);
      ASSERT_EQ(s.Text(1), model) << length << " step " << step;
    }
    EXPECT_EQ(s.Text(0), "before");
    EXPECT_EQ(s.Text(2), "after");
    EXPECT_EQ(s.Bytes(), model.size() + 11);
    s.CheckInvariants();
    EXPECT_THROW(s.SpliceText(1, model.size(), 1, "x"), std::out_of_range);
  }
}

}  // namespace
}  // namespace tamber
