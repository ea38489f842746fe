// Turns a byte stream into rows, fed in pieces of any size: a line ends at CR,
// LF or CR LF (also when the CR ends one piece and the LF starts the next);
// text left after the last break becomes a final raLast row. Every other byte,
// NUL and 0x1A included, belongs to its row. The rows are built aside, so a
// failed read leaves the text being replaced as it was.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "editor/row_store.h"

namespace tamber {

class RowLoader {
 public:
  // The bytes fed are the file's own, nothing converted: the blocks are
  // marked with the stretches of the file they hold (BlockSource), one for
  // each piece fed that ends at a line end.
  void TrackFileStretches() { tracking_ = true; }
  void Feed(std::string_view piece);
  RowStore Finish();

 private:
  RowBlockBuilder builder_;
  std::string open_;  // a line that spans pieces
  bool afterCr_ = false;
  bool tracking_ = false;
  std::uint64_t fed_ = 0;    // bytes fed so far
  std::uint8_t breaks_ = 0;  // line ends met in the stretch: 1 CR LF, 2 LF, 4 CR
};

}  // namespace tamber
