// The storage under every row list: rows kept in blocks.
//
// What it is for. A text of a million rows must take a keystroke, a caret move
// and a line lookup in microseconds. Rows live in blocks of a few hundred; the
// bytes of all rows of a block are one contiguous string, and each block keeps
// its aggregates (rows, folded rows, rows ending in a break, bytes, and a count
// per mark). The aggregates of the blocks sit in a Fenwick tree, so the sums
// over the blocks before one, and the block where a running sum crosses a
// value, both cost O(log B); a block whose counts changed is brought into the
// tree by the next lookup, and a change to the block list rebuilds the tree.
//
// Invariants (CheckInvariants verifies them):
//  - no block is empty; a block holds at most kMaxBlockRows rows, and at most
//    kMaxBlockBytes bytes unless it holds a single row;
//  - ends[] of a block rises and its last entry is the block's byte count;
//  - carry[] and tag[] of a block are empty (all rows empty / zero) or hold
//    one entry per row;
//  - every block's counts and the totals equal a recount of its rows, and the
//    tree's sums over the blocks before each block equal those of a walk;
//  - rows at or past UnparsedFrom() read as unparsed: of their two words only
//    the row attribute and the marks are visible, their carried text is empty.
//    Storing parser state into such a row first clears the rows between the
//    watermark and it, so marking a text unparsed from a row costs O(1).
//
// Costs (n rows, B = n / a few hundred blocks, b = rows of one block):
//  - row lookup (text, words, carried text, tag): O(log B);
//  - Count, Bytes, Breaks, LineEnds, mark counts: O(1);
//  - RowOfLineEnd, LineEndsBefore, OffsetOfRow, RowAtOffset: O(log B + b);
//  - set a row's text: O(b + bytes of the block + log B); set a word: O(log B);
//  - insert or erase k rows within a block: O(b + k + log B); when blocks are
//    added, removed, split or merged: O(b + k + B) (the block vector, and the
//    tree rebuilt by the next lookup).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tamber {

// The bytes of a block: a string with room kept in front of it once it is
// long, so a change near its start moves the bytes before the change, not the
// ones after it (typing at the caret of a line of megabytes costs the caret's
// place in it, not the line). A copy is compact.
class BlockBytes {
 public:
  BlockBytes() = default;
  BlockBytes(const BlockBytes& o) : buf_(o.View()) {}
  BlockBytes& operator=(const BlockBytes& o) {
    if (this != &o) {
      buf_.assign(o.View());
      front_ = 0;
    }
    return *this;
  }
  BlockBytes(BlockBytes&&) noexcept = default;
  BlockBytes& operator=(BlockBytes&&) noexcept = default;

  std::size_t size() const { return buf_.size() - front_; }
  // Bytes allocated, the room in front included.
  std::size_t capacity() const { return buf_.capacity(); }
  std::string_view View() const { return std::string_view(buf_).substr(front_); }
  operator std::string_view() const { return View(); }
  void clear() {
    buf_.clear();
    front_ = 0;
  }
  void append(std::string_view s) { buf_.append(s); }
  BlockBytes& operator+=(std::string_view s) {
    buf_.append(s);
    return *this;
  }
  void assign(std::string_view src, std::size_t pos, std::size_t n) {
    buf_.assign(src.substr(pos, n));
    front_ = 0;
  }
  void insert(std::size_t pos, std::string_view s) { buf_.insert(front_ + pos, s); }
  void erase(std::size_t pos, std::size_t n) { buf_.erase(front_ + pos, n); }
  // Replaces n bytes at pos by s, moving whichever side of the change is shorter.
  void replace(std::size_t pos, std::size_t n, std::string_view s);

 private:
  static constexpr std::size_t kFrontRoomFrom = 16 * 1024;  // shorter strings keep no room
  std::string buf_;
  std::size_t front_ = 0;  // unused bytes before the string
};

// Where a block's rows stand in the file the text was last read from or
// written to (the store's SourceFile). A stretch of that file is held by the
// blocks that carry its number with the places 0..count-1, in order; the
// stretch can be copied from the file while all of them are there, unchanged.
// Any change to a block's text, rows or line ends drops its mark.
struct BlockSource {
  std::uint32_t stretch = 0;  // 0: none
  std::uint32_t place = 0, count = 0;  // this block among the stretch's blocks
  std::uint64_t begin = 0, end = 0;    // the stretch's bytes in the file
  std::uint8_t breaks = 0;  // the line ends in the stretch, a bit (1 << LineEnd) each
};

struct RowBlock {
  BlockSource source;
  BlockBytes bytes;
  std::vector<std::size_t> ends;  // ends[k] = end of row k in bytes
  std::vector<std::uint32_t> attr;
  std::vector<std::uint32_t> extra;
  std::vector<std::string> carry;   // empty, or one per row
  std::vector<std::intptr_t> tag;   // empty, or one per row
  std::size_t folded = 0;           // rows whose attribute is raFolded
  std::size_t breaks = 0;           // rows whose attribute is raBreak
  std::array<std::uint32_t, 16> marks{};  // rows holding each mark

  std::size_t Rows() const { return attr.size(); }
  std::size_t Begin(std::size_t k) const { return k ? ends[k - 1] : 0; }
  std::string_view Text(std::size_t k) const {
    return bytes.View().substr(Begin(k), ends[k] - Begin(k));
  }
};

class RowStore;
struct RowSourceFile;  // editor/row_saver.h

// Builds blocks of rows appended in order, each block allocated to its exact
// size (loading a large file leaves no growth slack behind).
class RowBlockBuilder {
 public:
  void Add(std::string_view text, std::uint32_t attr, std::uint32_t extra = 0,
           std::string_view carry = {}, std::intptr_t tag = 0);
  std::size_t Rows() const { return rows_; }
  // Sets the attribute word of the last row added.
  void SetLastAttr(std::uint32_t attr);
  // The rows added since the last stretch ended are the file's bytes up to
  // end (from where the last one ended), with the line ends in breaks: they
  // close their block and are marked as that stretch.
  void EndStretch(std::uint64_t end, std::uint8_t breaks);
  // The rows since the last stretch are not a stretch after all; the next
  // one starts at begin.
  void SkipStretch(std::uint64_t begin);
  // The last stretch ended is not one after all (its last line end went on
  // past its end).
  void DropLastStretch();
  std::vector<RowBlock> Finish();

 private:
  void Flush();
  RowBlock cur_;
  bool anyCarry_ = false, anyTag_ = false;
  std::vector<RowBlock> out_;
  std::size_t rows_ = 0;
  std::uint32_t stretches_ = 0;
  std::uint64_t stretchBegin_ = 0;
  std::size_t stretchFirstBlock_ = 0, lastStretchFirst_ = 0;
};

class RowStore {
 public:
  static constexpr std::size_t kMaxBlockRows = 1024;  // a block above this is split
  static constexpr std::size_t kFillBlockRows = 512;  // bulk building fills blocks to this
  static constexpr std::size_t kMinBlockRows = 128;   // a block below this merges when it can
  static constexpr std::size_t kMaxBlockBytes = 64 * 1024;
  static constexpr std::size_t kNoWatermark = std::numeric_limits<std::size_t>::max();

  RowStore() = default;
  explicit RowStore(std::vector<RowBlock> blocks);

  std::size_t Count() const { return count_; }
  std::string_view Text(std::size_t i) const;
  std::uint32_t Attr(std::size_t i) const;
  std::uint32_t Extra(std::size_t i) const;
  std::string_view Carry(std::size_t i) const;
  std::intptr_t Tag(std::size_t i) const;

  void SetText(std::size_t i, std::string_view s);
  // Replaces `removed` bytes at byte `at` of row i by s (at + removed within
  // the row): O(bytes of the block after the place + log B).
  void SpliceText(std::size_t i, std::size_t at, std::size_t removed, std::string_view s);
  void SetAttr(std::size_t i, std::uint32_t v);
  void SetExtra(std::size_t i, std::uint32_t v);
  void SetCarry(std::size_t i, std::string_view s);
  void SetTag(std::size_t i, std::intptr_t v);

  // Inserts rows [from, from + n) of src (as src reads them) before row i.
  void Insert(std::size_t i, const RowStore& src, std::size_t from, std::size_t n);
  // Inserts one row with the given text and every other field zero.
  void InsertText(std::size_t i, std::string_view text);
  void Erase(std::size_t i, std::size_t n);
  // Erase(i, n), then the rows of blocks (built by RowBlockBuilder) moved in at i.
  void ReplaceRows(std::size_t i, std::size_t n, std::vector<RowBlock> blocks);
  void Clear();
  void Swap(RowStore& other) noexcept;

  // Rows at or past the watermark read as unparsed.
  std::size_t UnparsedFrom() const { return unparsedFrom_; }
  void MarkUnparsedFrom(std::size_t row);

  std::size_t Bytes() const { return totals_.bytes; }
  std::size_t Breaks() const { return totals_.breaks; }
  // Rows that end a logical line: every row not raFolded.
  std::size_t LineEnds() const { return count_ - totals_.folded; }
  std::uint32_t MarkRows(int bit) const { return markTotals_[bit]; }
  std::uint16_t UsedMarks() const;
  // The first row holding mark bit, or Count(): O(B + b), blocks without the
  // mark are skipped by their counts.
  std::size_t FirstRowWithMark(int bit) const;

  // Index of the row that is the k-th (0-based) line end; Count() if none.
  std::size_t RowOfLineEnd(std::size_t k) const;
  // Line ends among rows [0, row).
  std::size_t LineEndsBefore(std::size_t row) const;
  // Bytes of rows [0, row) plus 2 per raBreak row among them.
  std::size_t OffsetOfRow(std::size_t row) const;
  // The walk of an offset: rows take their length + 2 (raBreak), + 0
  // (raFolded); the walk stops at the first row whose share exceeds what is
  // left, or at a raLast row. Returns (row, what is left); (Count(), left)
  // when the offset lies past every row.
  std::pair<std::size_t, std::size_t> RowAtOffset(std::size_t offset) const;

  // The blocks, in order, for a walk over whole blocks (a save).
  std::size_t BlockCount() const { return blocks_.size(); }
  const RowBlock& Block(std::size_t b) const { return blocks_[b]; }
  // Marks block b as part of a stretch of the source file (a save that has
  // just written the file).
  void SetBlockSource(std::size_t b, const BlockSource& s) { blocks_[b].source = s; }
  // The file the blocks' stretches are in (none when null).
  const std::shared_ptr<const RowSourceFile>& SourceFile() const { return sourceFile_; }
  void SetSourceFile(std::shared_ptr<const RowSourceFile> f) { sourceFile_ = std::move(f); }

  // Aborts with a message when an invariant does not hold (tests call it).
  void CheckInvariants() const;

  // Reads the rows in order from a row on, each as the store reads it, with
  // one lookup at the start instead of one per row. Valid while the store is
  // not changed.
  class Reader {
   public:
    Reader(const RowStore& store, std::size_t row);
    bool AtEnd() const { return row_ >= store_.count_; }
    std::size_t Row() const { return row_; }
    std::string_view Text() const { return store_.blocks_[b_].Text(k_); }
    std::uint32_t Attr() const;
    std::uint32_t Extra() const;
    std::string_view Carry() const;
    std::intptr_t Tag() const;
    void Next();

   private:
    const RowStore& store_;
    std::size_t row_, b_ = 0, k_ = 0;
  };

 private:
  struct Sums {
    std::size_t rows = 0, folded = 0, breaks = 0, bytes = 0;
  };
  // Sums are added and taken away modulo 2^64: a difference of two counts may
  // wrap, the sums over whole blocks never do.
  static Sums Plus(const Sums& a, const Sums& b) {
    return {a.rows + b.rows, a.folded + b.folded, a.breaks + b.breaks, a.bytes + b.bytes};
  }
  static Sums Minus(const Sums& a, const Sums& b) {
    return {a.rows - b.rows, a.folded - b.folded, a.breaks - b.breaks, a.bytes - b.bytes};
  }
  static Sums SumsOf(const RowBlock& b) { return {b.Rows(), b.folded, b.breaks, b.bytes.size()}; }
  // Block of row i, the row's index in it and the sums of the blocks before it.
  struct Place {
    std::size_t block, row;
    Sums before;
  };
  Place Find(std::size_t i) const;
  std::pair<std::size_t, std::size_t> Locate(std::size_t i) const;
  // Brings the tree up to date with the blocks.
  void EnsureTree() const;
  // Sums of blocks [0, b).
  Sums Prefix(std::size_t b) const;
  // The largest p in [0, B] with key(Prefix(p)) <= v, and Prefix(p); key must
  // not fall from one block to the next.
  template <typename Key>
  std::pair<std::size_t, Sums> Descend(std::size_t v, Key key) const;
  // The counts of a block changed: the next lookup brings them into the tree.
  void Dirty(std::size_t block);
  // Blocks were added, removed, split or merged: the next lookup rebuilds the tree.
  void Restructured() { treeStale_ = true; }
  void Materialize(std::size_t i);
  void Normalize(std::size_t b);
  void MergeAround(std::size_t b);
  void SplitAt(std::size_t i);
  static void Recount(RowBlock& b);
  void AddTotals(const RowBlock& b, int sign);
  void InsertBlocks(std::size_t i, std::vector<RowBlock> blocks);

  std::vector<RowBlock> blocks_;
  std::size_t count_ = 0;
  Sums totals_;
  std::array<std::uint32_t, 16> markTotals_{};
  std::size_t unparsedFrom_ = kNoWatermark;
  mutable std::vector<Sums> tree_;     // Fenwick tree over the blocks, 1-based
  mutable std::vector<Sums> counted_;  // counted_[b] = what the tree holds for block b
  mutable std::vector<std::size_t> dirty_;  // blocks whose counts the tree lacks
  mutable bool treeStale_ = true;
  std::shared_ptr<const RowSourceFile> sourceFile_;
};

}  // namespace tamber
