// Bracket matching at the caret over the twelve pairs ( < [ { ‘ “ （ 「 『 【 ＜ ≪
// and their closers. Scans step by whole characters (a lead byte that ends a
// row is a character of its own) and never start on a trail byte; a scan
// crosses rows but gives up after kBracketScanRows rows.
#pragma once

#include <optional>

#include "editor/screen_strings.h"
#include "view/furniture.h"

namespace tamber {

inline constexpr int kBracketScanRows = 20000;

// The pair whose one end is the character at byte `byte` of row (or, when that
// is no bracket, the character before it); nothing when there is no bracket
// there or its partner is not found.
std::optional<TBracketPair> MatchBracketAt(const TTextEditorScreenStrings& text, Row row, ByteCol byte);

}  // namespace tamber
