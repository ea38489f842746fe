// The script window's Pascal fountain: its colours and its words (the script
// language's keywords and built-in names, which also feed the script window's
// input assistance).
#pragma once

#include <span>
#include <string_view>

#include "highlight/language_fountains.h"

namespace tamber {

// The script language's keywords and built-in names, in the order they are listed.
std::span<const std::string_view> ScriptWords();
// Gives fountain the script window's brackets, colours and words.
void ConfigureScriptFountain(TDelphiFountain& fountain);

}  // namespace tamber
