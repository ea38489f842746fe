// The built-in library SYSTEM. RegisterEarlyLibrary holds the few functions
// the engine's own tests and benchmark need; RegisterSystemLibrary registers
// the whole library in its order: standard and internal functions, SQRT,
// Round, Trunc, PI, Random, Randomize, class StringList, the font-style
// constants, the event types, the border constants, TDateTime and the date
// functions.
#pragma once

#include <string>

#include "script/script_engine.h"

namespace tamber::script {

void RegisterEarlyLibrary(TIfPasScript& engine);
void RegisterSystemLibrary(TIfPasScript& engine);

// Text and number helpers of the library, shared with its tests.
// Shortest general form with up to 15 significant digits ("0.1", "1E-6").
std::string FormatFloatGeneral(long double x);
// Days since 30 December 1899; false for an invalid date.
bool EncodeDateValue(int year, int month, int day, double* out);
void DecodeDateValue(double dt, int* year, int* month, int* day);

}  // namespace tamber::script
