#include "editor/row_loader.h"

#include "editor/row_attribute.h"

namespace tamber {

void RowLoader::Feed(std::string_view piece) {
  std::size_t p = 0;
  if (afterCr_ && !piece.empty()) {
    if (piece[0] == '\n') p = 1;  // the LF of a CR LF split between pieces
    afterCr_ = false;
  }
  std::size_t start = p;
  const std::size_t n = piece.size();
  // Hot loop: every byte of a loaded file passes here once.
  while (p < n) {
    const char c = piece[p];
    if (c != '\r' && c != '\n') {
      ++p;
      continue;
    }
    if (open_.empty()) {
      builder_.Add(piece.substr(start, p - start), raBreak);
    } else {
      open_.append(piece.substr(start, p - start));
      builder_.Add(open_, raBreak);
      open_.clear();
    }
    if (c == '\r') {
      if (p + 1 < n) {
        if (piece[p + 1] == '\n') ++p;
      } else {
        afterCr_ = true;
      }
    }
    start = ++p;
  }
  open_.append(piece.substr(start));
}

RowStore RowLoader::Finish() {
  if (!open_.empty()) builder_.Add(open_, raLast);
  open_.clear();
  afterCr_ = false;
  return RowStore(builder_.Finish());
}

}  // namespace tamber
