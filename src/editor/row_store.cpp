#include "editor/row_store.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <tuple>

#include "editor/row_attribute.h"

namespace tamber {

namespace {

void RecountBlock(RowBlock& b) {
  b.folded = b.breaks = 0;
  b.marks.fill(0);
  for (std::size_t k = 0; k < b.Rows(); ++k) {
    const auto a = rowbits::AttributeOf(b.attr[k]);
    if (a == raFolded) ++b.folded;
    if (a == raBreak) ++b.breaks;
    const std::uint16_t m = rowbits::MarksOf(b.extra[k]);
    for (int bit = 0; m >> bit; ++bit)
      if (m >> bit & 1) ++b.marks[bit];
  }
}

// Copies rows [from, from + n) of src into a fresh block.
RowBlock CopyRows(const RowBlock& src, std::size_t from, std::size_t n) {
  RowBlock b;
  const std::size_t base = src.Begin(from);
  const std::size_t end = src.Begin(from + n);
  b.bytes.assign(src.bytes.View(), base, end - base);
  b.ends.reserve(n);
  for (std::size_t k = from; k < from + n; ++k) b.ends.push_back(src.ends[k] - base);
  b.attr.assign(src.attr.begin() + from, src.attr.begin() + from + n);
  b.extra.assign(src.extra.begin() + from, src.extra.begin() + from + n);
  if (!src.carry.empty()) b.carry.assign(src.carry.begin() + from, src.carry.begin() + from + n);
  if (!src.tag.empty()) b.tag.assign(src.tag.begin() + from, src.tag.begin() + from + n);
  RecountBlock(b);
  return b;
}

void EraseInBlock(RowBlock& b, std::size_t k, std::size_t m) {
  b.source = {};
  const std::size_t from = b.Begin(k), to = b.Begin(k + m), gone = to - from;
  b.bytes.erase(from, gone);
  b.ends.erase(b.ends.begin() + k, b.ends.begin() + k + m);
  for (std::size_t j = k; j < b.ends.size(); ++j) b.ends[j] -= gone;
  b.attr.erase(b.attr.begin() + k, b.attr.begin() + k + m);
  b.extra.erase(b.extra.begin() + k, b.extra.begin() + k + m);
  if (!b.carry.empty()) b.carry.erase(b.carry.begin() + k, b.carry.begin() + k + m);
  if (!b.tag.empty()) b.tag.erase(b.tag.begin() + k, b.tag.begin() + k + m);
  RecountBlock(b);
}

// Appends block src to dst.
void AppendBlock(RowBlock& dst, RowBlock&& src) {
  dst.source = {};
  const std::size_t base = dst.bytes.size();
  dst.bytes += src.bytes.View();
  for (const std::size_t e : src.ends) dst.ends.push_back(base + e);
  const std::size_t dstRows = dst.attr.size();
  dst.attr.insert(dst.attr.end(), src.attr.begin(), src.attr.end());
  dst.extra.insert(dst.extra.end(), src.extra.begin(), src.extra.end());
  if (!dst.carry.empty() || !src.carry.empty()) {
    dst.carry.resize(dstRows);
    if (src.carry.empty()) src.carry.resize(src.attr.size());
    for (auto& c : src.carry) dst.carry.push_back(std::move(c));
  }
  if (!dst.tag.empty() || !src.tag.empty()) {
    dst.tag.resize(dstRows);
    if (src.tag.empty()) src.tag.resize(src.attr.size());
    dst.tag.insert(dst.tag.end(), src.tag.begin(), src.tag.end());
  }
  RecountBlock(dst);
}

std::size_t OffsetOf(std::size_t bytes, std::size_t breaks) { return bytes + 2 * breaks; }

void Require(bool ok, const char* what) {
  if (!ok) throw std::logic_error(std::string("row store invariant broken: ") + what);
}

}  // namespace

// ---- BlockBytes ----

void BlockBytes::replace(std::size_t pos, std::size_t n, std::string_view s) {
  const std::size_t len = size();
  if (len < kFrontRoomFrom || pos > (len - n) / 2 || s.size() == n) {
    buf_.replace(front_ + pos, n, s);
    return;
  }
  if (s.size() > n) {
    const std::size_t grow = s.size() - n;
    if (front_ < grow) {
      // Room in front for the next many changes: 1/64 of the string, at least the change.
      const std::size_t room = std::max(grow, std::min<std::size_t>(len / 64, 1 << 20));
      std::string fresh;
      fresh.reserve(room + len + 64);
      fresh.append(room, '\0');
      fresh.append(View());
      buf_.swap(fresh);
      front_ = room;
    }
    char* p = buf_.data();
    std::memmove(p + front_ - grow, p + front_, pos);
    front_ -= grow;
  } else {
    const std::size_t shrink = n - s.size();
    char* p = buf_.data();
    std::memmove(p + front_ + shrink, p + front_, pos);
    front_ += shrink;
  }
  std::memcpy(buf_.data() + front_ + pos, s.data(), s.size());
}

// ---- RowBlockBuilder ----

void RowBlockBuilder::Add(std::string_view text, std::uint32_t attr, std::uint32_t extra,
                          std::string_view carry, std::intptr_t tag) {
  if (cur_.Rows() > 0 && (cur_.Rows() == RowStore::kFillBlockRows ||
                          cur_.bytes.size() + text.size() > RowStore::kMaxBlockBytes))
    Flush();
  cur_.bytes.append(text);
  cur_.ends.push_back(cur_.bytes.size());
  cur_.attr.push_back(attr);
  cur_.extra.push_back(extra);
  if (!carry.empty() && !anyCarry_) {
    cur_.carry.assign(cur_.Rows() - 1, std::string());
    anyCarry_ = true;
  }
  if (anyCarry_) cur_.carry.emplace_back(carry);
  if (tag != 0 && !anyTag_) {
    cur_.tag.assign(cur_.Rows() - 1, 0);
    anyTag_ = true;
  }
  if (anyTag_) cur_.tag.push_back(tag);
  ++rows_;
}

void RowBlockBuilder::SetLastAttr(std::uint32_t attr) {
  if (cur_.Rows() > 0) cur_.attr.back() = attr;
  else if (!out_.empty()) {
    out_.back().attr.back() = attr;
    out_.back().source = {};
    RecountBlock(out_.back());
  }
}

void RowBlockBuilder::Flush() {
  if (cur_.Rows() == 0) return;
  RowBlock b;
  b.bytes = cur_.bytes;  // copies allocate the exact size
  b.ends = cur_.ends;
  b.attr = cur_.attr;
  b.extra = cur_.extra;
  if (anyCarry_) b.carry = std::move(cur_.carry);
  if (anyTag_) b.tag = std::move(cur_.tag);
  RecountBlock(b);
  out_.push_back(std::move(b));
  cur_.bytes.clear();
  cur_.ends.clear();
  cur_.attr.clear();
  cur_.extra.clear();
  cur_.carry.clear();
  cur_.tag.clear();
  anyCarry_ = anyTag_ = false;
}

void RowBlockBuilder::EndStretch(std::uint64_t end, std::uint8_t breaks) {
  Flush();
  const std::size_t n = out_.size() - stretchFirstBlock_;
  if (n > 0) {
    ++stretches_;
    for (std::size_t b = stretchFirstBlock_; b < out_.size(); ++b)
      out_[b].source = {stretches_, static_cast<std::uint32_t>(b - stretchFirstBlock_),
                        static_cast<std::uint32_t>(n), stretchBegin_, end, breaks};
  }
  lastStretchFirst_ = stretchFirstBlock_;
  stretchFirstBlock_ = out_.size();
  stretchBegin_ = end;
}

void RowBlockBuilder::SkipStretch(std::uint64_t begin) {
  Flush();
  stretchFirstBlock_ = out_.size();
  stretchBegin_ = begin;
}

void RowBlockBuilder::DropLastStretch() {
  for (std::size_t b = lastStretchFirst_; b < stretchFirstBlock_; ++b) out_[b].source = {};
}

std::vector<RowBlock> RowBlockBuilder::Finish() {
  Flush();
  rows_ = 0;
  stretches_ = 0;
  stretchBegin_ = 0;
  stretchFirstBlock_ = lastStretchFirst_ = 0;
  return std::move(out_);
}

// ---- RowStore ----

RowStore::RowStore(std::vector<RowBlock> blocks) : blocks_(std::move(blocks)) {
  for (const auto& b : blocks_) AddTotals(b, +1);
}

void RowStore::Recount(RowBlock& b) { RecountBlock(b); }

void RowStore::AddTotals(const RowBlock& b, int sign) {
  const auto add = [sign](std::size_t& t, std::size_t v) { t = sign > 0 ? t + v : t - v; };
  add(count_, b.Rows());
  add(totals_.rows, b.Rows());
  add(totals_.folded, b.folded);
  add(totals_.breaks, b.breaks);
  add(totals_.bytes, b.bytes.size());
  for (int bit = 0; bit < kRowMarkBits; ++bit)
    markTotals_[bit] = sign > 0 ? markTotals_[bit] + b.marks[bit] : markTotals_[bit] - b.marks[bit];
}

void RowStore::Dirty(std::size_t block) {
  if (treeStale_) return;
  // Many blocks changed between two lookups: one rebuild costs less.
  if (dirty_.size() >= 64) {
    treeStale_ = true;
    dirty_.clear();
    return;
  }
  dirty_.push_back(block);
}

void RowStore::EnsureTree() const {
  const std::size_t nb = blocks_.size();
  if (treeStale_ || tree_.size() != nb + 1) {
    counted_.resize(nb);
    tree_.assign(nb + 1, Sums{});
    for (std::size_t b = 0; b < nb; ++b) tree_[b + 1] = counted_[b] = SumsOf(blocks_[b]);
    for (std::size_t i = 1; i <= nb; ++i) {
      const std::size_t up = i + (i & (~i + 1));
      if (up <= nb) tree_[up] = Plus(tree_[up], tree_[i]);
    }
    treeStale_ = false;
    dirty_.clear();
    return;
  }
  for (const std::size_t b : dirty_) {
    const Sums now = SumsOf(blocks_[b]);
    const Sums delta = Minus(now, counted_[b]);
    counted_[b] = now;
    for (std::size_t i = b + 1; i <= nb; i += i & (~i + 1)) tree_[i] = Plus(tree_[i], delta);
  }
  dirty_.clear();
}

RowStore::Sums RowStore::Prefix(std::size_t b) const {
  EnsureTree();
  Sums s;
  for (std::size_t i = b; i > 0; i -= i & (~i + 1)) s = Plus(s, tree_[i]);
  return s;
}

template <typename Key>
std::pair<std::size_t, RowStore::Sums> RowStore::Descend(std::size_t v, Key key) const {
  EnsureTree();
  const std::size_t nb = blocks_.size();
  std::size_t step = 1;
  while (step * 2 <= nb) step *= 2;
  std::size_t pos = 0;
  Sums acc;
  for (; step > 0; step /= 2) {
    if (pos + step > nb) continue;
    const Sums next = Plus(acc, tree_[pos + step]);
    if (key(next) <= v) {
      pos += step;
      acc = next;
    }
  }
  return {pos, acc};
}

RowStore::Place RowStore::Find(std::size_t i) const {
  // The last block that starts at or before i (so i == Count() lands past the last row).
  auto [b, before] = Descend(i, [](const Sums& s) { return s.rows; });
  if (b == blocks_.size() && b > 0) {
    --b;
    before = Minus(before, counted_[b]);
  }
  return {b, i - before.rows, before};
}

std::pair<std::size_t, std::size_t> RowStore::Locate(std::size_t i) const {
  const Place p = Find(i);
  return {p.block, p.row};
}

std::string_view RowStore::Text(std::size_t i) const {
  const auto [b, k] = Locate(i);
  return blocks_[b].Text(k);
}

std::uint32_t RowStore::Attr(std::size_t i) const {
  const auto [b, k] = Locate(i);
  const std::uint32_t v = blocks_[b].attr[k];
  return i >= unparsedFrom_ ? v & rowbits::kAttrKeptBits : v;
}

std::uint32_t RowStore::Extra(std::size_t i) const {
  const auto [b, k] = Locate(i);
  const std::uint32_t v = blocks_[b].extra[k];
  return i >= unparsedFrom_ ? v & rowbits::kExtraKeptBits : v;
}

std::string_view RowStore::Carry(std::size_t i) const {
  if (i >= unparsedFrom_) return {};
  const auto [b, k] = Locate(i);
  return blocks_[b].carry.empty() ? std::string_view() : std::string_view(blocks_[b].carry[k]);
}

std::intptr_t RowStore::Tag(std::size_t i) const {
  const auto [b, k] = Locate(i);
  return blocks_[b].tag.empty() ? 0 : blocks_[b].tag[k];
}

RowStore::Reader::Reader(const RowStore& store, std::size_t row) : store_(store), row_(row) {
  if (row_ < store_.count_) std::tie(b_, k_) = store_.Locate(row_);
}

std::uint32_t RowStore::Reader::Attr() const {
  const std::uint32_t v = store_.blocks_[b_].attr[k_];
  return row_ >= store_.unparsedFrom_ ? v & rowbits::kAttrKeptBits : v;
}

std::uint32_t RowStore::Reader::Extra() const {
  const std::uint32_t v = store_.blocks_[b_].extra[k_];
  return row_ >= store_.unparsedFrom_ ? v & rowbits::kExtraKeptBits : v;
}

std::string_view RowStore::Reader::Carry() const {
  const RowBlock& blk = store_.blocks_[b_];
  return row_ >= store_.unparsedFrom_ || blk.carry.empty() ? std::string_view() : std::string_view(blk.carry[k_]);
}

std::intptr_t RowStore::Reader::Tag() const {
  const RowBlock& blk = store_.blocks_[b_];
  return blk.tag.empty() ? 0 : blk.tag[k_];
}

void RowStore::Reader::Next() {
  ++row_;
  if (++k_ >= store_.blocks_[b_].Rows() && row_ < store_.count_) {
    ++b_;
    k_ = 0;
  }
}

void RowStore::Materialize(std::size_t i) {
  if (unparsedFrom_ == kNoWatermark || i < unparsedFrom_) return;
  auto [b, k] = Locate(unparsedFrom_);
  for (std::size_t r = unparsedFrom_; r <= i; ++r, ++k) {
    if (k == blocks_[b].Rows()) {
      ++b;
      k = 0;
    }
    RowBlock& blk = blocks_[b];
    blk.attr[k] &= rowbits::kAttrKeptBits;
    blk.extra[k] &= rowbits::kExtraKeptBits;
    if (!blk.carry.empty()) blk.carry[k].clear();
  }
  unparsedFrom_ = i + 1;
}

void RowStore::MarkUnparsedFrom(std::size_t row) { unparsedFrom_ = std::min(unparsedFrom_, row); }

void RowStore::SetText(std::size_t i, std::string_view s) {
  const auto [b, k] = Locate(i);
  RowBlock& blk = blocks_[b];
  blk.source = {};
  const std::size_t from = blk.Begin(k), oldLen = blk.ends[k] - from;
  blk.bytes.replace(from, oldLen, s);
  for (std::size_t j = k; j < blk.ends.size(); ++j) blk.ends[j] = blk.ends[j] - oldLen + s.size();
  totals_.bytes = totals_.bytes - oldLen + s.size();
  Dirty(b);
  if (blk.bytes.size() > kMaxBlockBytes && blk.Rows() > 1) Normalize(b);
}

void RowStore::SpliceText(std::size_t i, std::size_t at, std::size_t removed, std::string_view s) {
  const auto [b, k] = Locate(i);
  RowBlock& blk = blocks_[b];
  blk.source = {};
  const std::size_t from = blk.Begin(k), len = blk.ends[k] - from;
  if (at > len || removed > len - at) throw std::out_of_range("RowStore::SpliceText");
  blk.bytes.replace(from + at, removed, s);
  for (std::size_t j = k; j < blk.ends.size(); ++j) blk.ends[j] = blk.ends[j] - removed + s.size();
  totals_.bytes = totals_.bytes - removed + s.size();
  Dirty(b);
  if (blk.bytes.size() > kMaxBlockBytes && blk.Rows() > 1) Normalize(b);
}

void RowStore::SetAttr(std::size_t i, std::uint32_t v) {
  if (i >= unparsedFrom_ && (v & ~rowbits::kAttrKeptBits)) Materialize(i);
  const auto [b, k] = Locate(i);
  RowBlock& blk = blocks_[b];
  const auto before = rowbits::AttributeOf(blk.attr[k]), after = rowbits::AttributeOf(v);
  blk.attr[k] = v;
  if (before == after) return;
  blk.source = {};
  const auto step = [](std::size_t& blockCount, std::size_t& total, int d) {
    blockCount += d;
    total += d;
  };
  if (before == raFolded) step(blk.folded, totals_.folded, -1);
  if (before == raBreak) step(blk.breaks, totals_.breaks, -1);
  if (after == raFolded) step(blk.folded, totals_.folded, +1);
  if (after == raBreak) step(blk.breaks, totals_.breaks, +1);
  Dirty(b);
}

void RowStore::SetExtra(std::size_t i, std::uint32_t v) {
  if (i >= unparsedFrom_ && (v & ~rowbits::kExtraKeptBits)) Materialize(i);
  const auto [b, k] = Locate(i);
  RowBlock& blk = blocks_[b];
  const std::uint16_t before = rowbits::MarksOf(blk.extra[k]), after = rowbits::MarksOf(v);
  blk.extra[k] = v;
  const std::uint16_t changed = before ^ after;
  for (int bit = 0; changed >> bit; ++bit) {
    if (!(changed >> bit & 1)) continue;
    const int d = (after >> bit & 1) ? 1 : -1;
    blk.marks[bit] += d;
    markTotals_[bit] += d;
  }
}

void RowStore::SetCarry(std::size_t i, std::string_view s) {
  if (i >= unparsedFrom_ && !s.empty()) Materialize(i);
  const auto [b, k] = Locate(i);
  RowBlock& blk = blocks_[b];
  if (blk.carry.empty()) {
    if (s.empty()) return;
    blk.carry.resize(blk.Rows());
  }
  blk.carry[k].assign(s);
}

void RowStore::SetTag(std::size_t i, std::intptr_t v) {
  const auto [b, k] = Locate(i);
  RowBlock& blk = blocks_[b];
  if (blk.tag.empty()) {
    if (v == 0) return;
    blk.tag.resize(blk.Rows());
  }
  blk.tag[k] = v;
}

void RowStore::SplitAt(std::size_t i) {
  if (blocks_.empty()) return;
  const auto [b, k] = Locate(i);
  if (k == 0 || k >= blocks_[b].Rows()) return;
  RowBlock tail = CopyRows(blocks_[b], k, blocks_[b].Rows() - k);
  EraseInBlock(blocks_[b], k, blocks_[b].Rows() - k);
  blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(b) + 1, std::move(tail));
  Restructured();
}

void RowStore::Normalize(std::size_t b) {
  RowBlock& blk = blocks_[b];
  if (blk.Rows() <= kMaxBlockRows && (blk.bytes.size() <= kMaxBlockBytes || blk.Rows() == 1)) return;
  RowBlockBuilder builder;
  for (std::size_t k = 0; k < blk.Rows(); ++k)
    builder.Add(blk.Text(k), blk.attr[k], blk.extra[k],
                blk.carry.empty() ? std::string_view() : std::string_view(blk.carry[k]),
                blk.tag.empty() ? 0 : blk.tag[k]);
  std::vector<RowBlock> pieces = builder.Finish();
  blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(b));
  blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(b),
                 std::make_move_iterator(pieces.begin()), std::make_move_iterator(pieces.end()));
  Restructured();
}

// Merges a small block b with a neighbour when the two fit in one block.
void RowStore::MergeAround(std::size_t b) {
  if (b >= blocks_.size() || blocks_[b].Rows() >= kMinBlockRows) return;
  const auto fits = [this](std::size_t x, std::size_t y) {
    return blocks_[x].Rows() + blocks_[y].Rows() <= kMaxBlockRows &&
           blocks_[x].bytes.size() + blocks_[y].bytes.size() <= kMaxBlockBytes;
  };
  std::size_t into;
  if (b > 0 && fits(b - 1, b)) into = b - 1;
  else if (b + 1 < blocks_.size() && fits(b, b + 1)) into = b;
  else return;
  AppendBlock(blocks_[into], std::move(blocks_[into + 1]));
  blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(into) + 1);
  Restructured();
}

// Splices the rows of f into blk before row k.
static void SpliceRows(RowBlock& blk, std::size_t k, RowBlock&& f) {
  blk.source = {};
  const std::size_t at = blk.Begin(k), add = f.bytes.size(), oldRows = blk.Rows();
  const auto pos = static_cast<std::ptrdiff_t>(k);
  blk.bytes.insert(at, f.bytes.View());
  for (std::size_t j = k; j < blk.ends.size(); ++j) blk.ends[j] += add;
  for (std::size_t& e : f.ends) e += at;
  blk.ends.insert(blk.ends.begin() + pos, f.ends.begin(), f.ends.end());
  blk.attr.insert(blk.attr.begin() + pos, f.attr.begin(), f.attr.end());
  blk.extra.insert(blk.extra.begin() + pos, f.extra.begin(), f.extra.end());
  if (!blk.carry.empty() || !f.carry.empty()) {
    blk.carry.resize(oldRows);
    f.carry.resize(f.Rows());
    blk.carry.insert(blk.carry.begin() + pos, std::make_move_iterator(f.carry.begin()),
                     std::make_move_iterator(f.carry.end()));
  }
  if (!blk.tag.empty() || !f.tag.empty()) {
    blk.tag.resize(oldRows);
    f.tag.resize(f.Rows());
    blk.tag.insert(blk.tag.begin() + pos, f.tag.begin(), f.tag.end());
  }
  // f's counts are its own (every fresh block is counted when made), so the
  // block's grow by them: a row appended at a time costs no recount.
  blk.folded += f.folded;
  blk.breaks += f.breaks;
  for (std::size_t bit = 0; bit < blk.marks.size(); ++bit) blk.marks[bit] += f.marks[bit];
}

void RowStore::InsertBlocks(std::size_t i, std::vector<RowBlock> fresh) {
  if (fresh.empty()) return;
  if (fresh.size() == 1 && !blocks_.empty()) {
    // A few rows go straight into the block that holds the place, when they
    // fit: no block is added, so the block vector does not move.
    const auto [b, k] = Locate(std::min(i, count_));
    RowBlock& blk = blocks_[b];
    if (blk.Rows() + fresh[0].Rows() <= kMaxBlockRows &&
        blk.bytes.size() + fresh[0].bytes.size() <= kMaxBlockBytes) {
      const std::size_t n = fresh[0].Rows();
      AddTotals(blk, -1);
      SpliceRows(blk, k, std::move(fresh[0]));
      AddTotals(blk, +1);
      Dirty(b);
      if (unparsedFrom_ != kNoWatermark && i < unparsedFrom_) unparsedFrom_ += n;
      return;
    }
  }
  SplitAt(i);
  const std::size_t at = (i >= count_) ? blocks_.size() : Locate(i).first;
  const std::size_t added = fresh.size();
  for (const auto& f : fresh) AddTotals(f, +1);
  blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(at),
                 std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()));
  Restructured();
  if (unparsedFrom_ != kNoWatermark && i < unparsedFrom_) {
    std::size_t n = 0;
    for (std::size_t b = at; b < at + added; ++b) n += blocks_[b].Rows();
    unparsedFrom_ += n;
  }
  // Merge the seams: the block after the new ones first, so indices before it hold.
  MergeAround(at + added);
  MergeAround(at + added - 1);
  MergeAround(at);
  if (at > 0) MergeAround(at - 1);
}

void RowStore::Insert(std::size_t i, const RowStore& src, std::size_t from, std::size_t n) {
  if (n == 0) return;
  RowBlockBuilder builder;
  for (std::size_t r = from; r < from + n; ++r)
    builder.Add(src.Text(r), src.Attr(r), src.Extra(r), src.Carry(r), src.Tag(r));
  InsertBlocks(i, builder.Finish());
}

void RowStore::InsertText(std::size_t i, std::string_view text) {
  RowBlockBuilder builder;
  builder.Add(text, 0);
  InsertBlocks(i, builder.Finish());
}

void RowStore::ReplaceRows(std::size_t i, std::size_t n, std::vector<RowBlock> blocks) {
  Erase(i, n);
  InsertBlocks(i, std::move(blocks));
}

void RowStore::Erase(std::size_t i, std::size_t n) {
  if (n == 0) return;
  if (unparsedFrom_ != kNoWatermark) {
    if (i + n <= unparsedFrom_) unparsedFrom_ -= n;
    else if (i < unparsedFrom_) unparsedFrom_ = i;
  }
  auto [b, k] = Locate(i);
  const std::size_t first = b, blocksBefore = blocks_.size();
  std::size_t left = n;
  if (k > 0) {
    const std::size_t m = std::min(left, blocks_[b].Rows() - k);
    AddTotals(blocks_[b], -1);
    EraseInBlock(blocks_[b], k, m);
    AddTotals(blocks_[b], +1);
    left -= m;
    ++b;
  }
  std::size_t e = b;
  while (left > 0 && e < blocks_.size() && blocks_[e].Rows() <= left) {
    left -= blocks_[e].Rows();
    AddTotals(blocks_[e], -1);
    ++e;
  }
  blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(b),
                blocks_.begin() + static_cast<std::ptrdiff_t>(e));
  if (left > 0) {
    AddTotals(blocks_[b], -1);
    EraseInBlock(blocks_[b], 0, left);
    AddTotals(blocks_[b], +1);
  }
  if (first < blocks_.size() && blocks_[first].Rows() == 0)
    blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(first));
  if (blocks_.size() != blocksBefore) {
    Restructured();
  } else {
    Dirty(first);  // the rows left the block they started in and maybe the next one
    if (first + 1 < blocks_.size()) Dirty(first + 1);
  }
  if (first + 1 < blocks_.size()) MergeAround(first + 1);
  MergeAround(first);
  if (first > 0) MergeAround(first - 1);
}

void RowStore::Clear() {
  blocks_.clear();
  count_ = 0;
  totals_ = Sums{};
  markTotals_.fill(0);
  unparsedFrom_ = kNoWatermark;
  tree_.clear();
  counted_.clear();
  dirty_.clear();
  treeStale_ = true;
  sourceFile_.reset();
}

void RowStore::Swap(RowStore& o) noexcept {
  std::swap(blocks_, o.blocks_);
  std::swap(count_, o.count_);
  std::swap(totals_, o.totals_);
  std::swap(markTotals_, o.markTotals_);
  std::swap(unparsedFrom_, o.unparsedFrom_);
  std::swap(tree_, o.tree_);
  std::swap(counted_, o.counted_);
  std::swap(dirty_, o.dirty_);
  std::swap(treeStale_, o.treeStale_);
  std::swap(sourceFile_, o.sourceFile_);
}

std::uint16_t RowStore::UsedMarks() const {
  std::uint16_t m = 0;
  for (int bit = 0; bit < kRowMarkBits; ++bit)
    if (markTotals_[bit]) m |= static_cast<std::uint16_t>(1u << bit);
  return m;
}

std::size_t RowStore::FirstRowWithMark(int bit) const {
  if (bit < 0 || bit >= kRowMarkBits || markTotals_[bit] == 0) return count_;
  std::size_t before = 0;
  for (const RowBlock& blk : blocks_) {
    if (blk.marks[bit]) {
      for (std::size_t j = 0; j < blk.Rows(); ++j)
        if (rowbits::MarksOf(blk.extra[j]) >> bit & 1) return before + j;
    }
    before += blk.Rows();
  }
  return count_;
}

std::size_t RowStore::RowOfLineEnd(std::size_t k) const {
  if (k >= LineEnds()) return count_;
  const auto [b, before] = Descend(k, [](const Sums& s) { return s.rows - s.folded; });
  std::size_t seen = before.rows - before.folded;
  const RowBlock& blk = blocks_[b];
  for (std::size_t j = 0; j < blk.Rows(); ++j) {
    if (rowbits::AttributeOf(blk.attr[j]) == raFolded) continue;
    if (seen++ == k) return before.rows + j;
  }
  return count_;  // not reached: the sums say block b holds it
}

std::size_t RowStore::LineEndsBefore(std::size_t row) const {
  if (blocks_.empty()) return 0;
  const auto [b, k, before] = Find(std::min(row, count_));
  std::size_t n = before.rows - before.folded;
  for (std::size_t j = 0; j < k; ++j)
    if (rowbits::AttributeOf(blocks_[b].attr[j]) != raFolded) ++n;
  return n;
}

std::size_t RowStore::OffsetOfRow(std::size_t row) const {
  if (blocks_.empty()) return 0;
  const auto [b, k, before] = Find(std::min(row, count_));
  const RowBlock& blk = blocks_[b];
  std::size_t off = OffsetOf(before.bytes, before.breaks) + blk.Begin(k);
  for (std::size_t j = 0; j < k; ++j)
    if (rowbits::AttributeOf(blk.attr[j]) == raBreak) off += 2;
  return off;
}

std::pair<std::size_t, std::size_t> RowStore::RowAtOffset(std::size_t offset) const {
  if (count_ == 0) return {0, offset};
  const auto [b, before] =
      Descend(offset, [](const Sums& s) { return OffsetOf(s.bytes, s.breaks); });
  if (b == blocks_.size()) {
    const auto last = rowbits::AttributeOf(Attr(count_ - 1));
    if (last == raLast || last == raNone)
      return {count_ - 1, offset - OffsetOfRow(count_ - 1)};
    return {count_, offset - OffsetOf(totals_.bytes, totals_.breaks)};
  }
  const RowBlock& blk = blocks_[b];
  std::size_t left = offset - OffsetOf(before.bytes, before.breaks);
  for (std::size_t j = 0; j < blk.Rows(); ++j) {
    const auto a = rowbits::AttributeOf(blk.attr[j]);
    const std::size_t len = blk.ends[j] - blk.Begin(j);
    if (a == raLast || a == raNone) return {before.rows + j, left};
    const std::size_t share = len + (a == raBreak ? 2 : 0);
    if (share > left) return {before.rows + j, left};
    left -= share;
  }
  return {before.rows + blk.Rows(), left};  // not reached: block b's end lies past the offset
}

void RowStore::CheckInvariants() const {
  Sums t;
  std::array<std::uint32_t, 16> marks{};
  for (const RowBlock& blk : blocks_) {
    Require(blk.Rows() > 0, "empty block");
    Require(blk.Rows() <= kMaxBlockRows, "block holds too many rows");
    Require(blk.bytes.size() <= kMaxBlockBytes || blk.Rows() == 1, "block holds too many bytes");
    Require(blk.ends.size() == blk.Rows() && blk.extra.size() == blk.Rows(), "field arrays differ");
    Require(blk.carry.empty() || blk.carry.size() == blk.Rows(), "carried texts misaligned");
    Require(blk.tag.empty() || blk.tag.size() == blk.Rows(), "tags misaligned");
    for (std::size_t k = 0; k < blk.Rows(); ++k) Require(blk.ends[k] >= blk.Begin(k), "ends fall");
    Require(blk.ends.back() == blk.bytes.size(), "last end is not the byte count");
    Require(blk.source.stretch == 0 ||
                (blk.source.place < blk.source.count && blk.source.begin <= blk.source.end),
            "block source out of its stretch");
    RowBlock copy;
    copy.attr = blk.attr;
    copy.extra = blk.extra;
    RecountBlock(copy);
    Require(copy.folded == blk.folded && copy.breaks == blk.breaks && copy.marks == blk.marks,
            "block counts");
    t.rows += blk.Rows();
    t.folded += blk.folded;
    t.breaks += blk.breaks;
    t.bytes += blk.bytes.size();
    for (int bit = 0; bit < kRowMarkBits; ++bit) marks[bit] += blk.marks[bit];
  }
  Require(t.rows == count_ && t.rows == totals_.rows, "row count");
  Require(t.folded == totals_.folded && t.breaks == totals_.breaks && t.bytes == totals_.bytes,
          "totals");
  Require(marks == markTotals_, "mark totals");
  Sums p;
  for (std::size_t b = 0; b <= blocks_.size(); ++b) {
    const Sums q = Prefix(b);
    Require(q.rows == p.rows && q.bytes == p.bytes && q.breaks == p.breaks && q.folded == p.folded,
            "sums over the blocks");
    if (b == blocks_.size()) break;
    p.rows += blocks_[b].Rows();
    p.folded += blocks_[b].folded;
    p.breaks += blocks_[b].breaks;
    p.bytes += blocks_[b].bytes.size();
  }
}

}  // namespace tamber
