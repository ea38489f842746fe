// The first functions of the built-in library, enough for the command-line
// runner and the tests: IntToStr, Length, Chr, Copy, SetArrayLength and
// GetArrayLength. The full library registers the rest beside them.
#pragma once

#include "script/script_engine.h"

namespace tamber::script {

void RegisterEarlyLibrary(TIfPasScript& engine);

}  // namespace tamber::script
