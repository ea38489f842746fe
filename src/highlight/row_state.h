// The row state as the fountains read it. The storage defines the state
// (TRowAttributeData, kept packed per row) and the seam (TRowParser); this
// header adds the values the fountains give its fields.
#pragma once

#include "editor/row_attribute.h"
#include "editor/row_parser.h"
#include "editor/string_list.h"

namespace tamber {

// Largest value the storage keeps for each state byte (SplitBytes, ParseState, ParseExtra).
inline constexpr int kMaxStateByte = 255;
// OpenBracket values: a pair index 0..13, none, or "not computed yet".
inline constexpr int kNoBracket = -1;
inline constexpr int kNotParsed = -2;

}  // namespace tamber
