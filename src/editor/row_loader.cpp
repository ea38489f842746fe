#include "editor/row_loader.h"

#include "editor/row_attribute.h"

namespace tamber {

void RowLoader::Feed(std::string_view piece) {
  std::size_t p = 0;
  std::uint8_t breaks = breaks_;
  if (afterCr_ && !piece.empty()) {
    if (piece[0] == '\n') {
      p = 1;  // the LF of a CR LF split between pieces
      if (tracking_) {
        // The stretch that ended at the CR did not hold its whole line end.
        builder_.DropLastStretch();
        builder_.SkipStretch(fed_ + 1);
        breaks = 0;
      }
    }
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
      if (p + 1 < n && piece[p + 1] == '\n') {
        ++p;
        breaks |= 1;
      } else {
        breaks |= 4;
        afterCr_ = p + 1 == n;
      }
    } else {
      breaks |= 2;
    }
    start = ++p;
  }
  open_.append(piece.substr(start));
  breaks_ = breaks;
  if (!tracking_) return;
  fed_ += n;
  if (open_.empty()) {
    builder_.EndStretch(fed_, breaks_);
    breaks_ = 0;
  }
}

RowStore RowLoader::Finish() {
  if (!open_.empty()) builder_.Add(open_, raLast);
  if (tracking_) builder_.EndStretch(fed_, breaks_);
  open_.clear();
  breaks_ = 0;
  fed_ = 0;
  afterCr_ = false;
  return RowStore(builder_.Finish());
}

}  // namespace tamber
