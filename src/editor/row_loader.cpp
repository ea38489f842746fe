#include "editor/row_loader.h"

#include <cstring>

#include "editor/row_attribute.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tamber {

namespace {

// The first CR or LF in [p, end), or end.
inline const char* NextBreak(const char* p, const char* end) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; end - p >= 16; p += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int m = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
    if (m != 0) return p + __builtin_ctz(static_cast<unsigned>(m));
  }
#endif
  for (; p < end; ++p)
    if (*p == '\r' || *p == '\n') return p;
  return end;
}

}  // namespace

void RowLoader::Feed(std::string_view piece) {
  const char* p = piece.data();
  const char* const end = p + piece.size();
  std::uint8_t breaks = breaks_;
  if (afterCr_ && p < end) {
    if (*p == '\n') {
      ++p;  // the LF of a CR LF split between pieces
      if (tracking_) {
        // The stretch that ended at the CR did not hold its whole line end.
        builder_.DropLastStretch();
        builder_.SkipStretch(fed_ + 1);
        breaks = 0;
      }
    }
    afterCr_ = false;
  }
  // Every byte of a loaded file passes here once: the breaks are found
  // sixteen bytes at a time and each line is handed over whole.
  for (;;) {
    const char* const br = NextBreak(p, end);
    if (br == end) break;
    const std::string_view line(p, static_cast<std::size_t>(br - p));
    if (open_.empty()) {
      builder_.Add(line, raBreak);
    } else {
      open_.append(line);
      builder_.Add(open_, raBreak);
      open_.clear();
    }
    p = br + 1;
    if (*br == '\r') {
      if (p < end && *p == '\n') {
        ++p;
        breaks |= 1;
      } else {
        breaks |= 4;
        afterCr_ = p == end;
      }
    } else {
      breaks |= 2;
    }
  }
  open_.append(p, static_cast<std::size_t>(end - p));
  breaks_ = breaks;
  if (!tracking_) return;
  fed_ += piece.size();
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
