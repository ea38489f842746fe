#include "search/regexp_error.h"

namespace tamber {

void ThrowRegExpError(const char* message, std::size_t position) {
  throw ERegExpParser(message, position);
}

}  // namespace tamber
