// The built-in library SYSTEM. RegisterEarlyLibrary holds the few functions
// the engine's own tests and benchmark need; RegisterSystemLibrary registers
// the whole library in its order: standard and internal functions, SQRT,
// Round, Trunc, PI, Random, Randomize, class StringList, the font-style
// constants, the event types, TControl, ProcessMessages, the border
// constants, TForm and the controls, TDateTime and the date functions. The
// window classes reach their windows through the host (without one, making
// a window is refused with 0x8004).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "script/script_engine.h"
#include "script/script_window_host.h"

namespace tamber::script {

void RegisterEarlyLibrary(TIfPasScript& engine);
void RegisterSystemLibrary(TIfPasScript& engine, ScriptWindowHost* windows = nullptr);

// Text and number helpers of the library, shared with its tests.
// Shortest general form with up to 15 significant digits ("0.1", "1E-6").
std::string FormatFloatGeneral(long double x);
// Formats one number with a printf-style format text of our own reading:
// %[-][width][.precision] with d, u, x for integers and e, f, g, n, m for
// reals; other text is copied and %% gives %. False (out untouched) for a
// format that does not fit the argument.
bool FormatNumber(std::string_view format, bool isInteger, std::int64_t i, long double r, std::string* out);
// Days since 30 December 1899; false for an invalid date.
bool EncodeDateValue(int year, int month, int day, double* out);
void DecodeDateValue(double dt, int* year, int* month, int* day);

}  // namespace tamber::script
