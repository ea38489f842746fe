// The coordinates of a text, each with its own meaning. Mixing them is the
// classic editor fault, so every seam names which one it takes.
//
//   Row        a screen row (0-based); with word wrap a logical line is one or
//              more rows. A caret row may equal the row count only where a
//              header says so (the position after a final break).
//   Line       a logical line (0-based): the text between two breaks.
//   ByteCol    a byte position inside one row (a double-byte character is 2).
//   DisplayCol a display column inside one row (a tab runs to the next stop).
//   Offset     bytes from the start of the text, every break counted as CR LF.
//   Utf16Index a position in UTF-16 code units (the widget's input method).
//   Pixel      a device-independent pixel of the widget.
#pragma once

#include <cstdint>

namespace tamber {

using Row = int;
using Line = int;
using ByteCol = int;
using DisplayCol = int;
using Offset = std::int64_t;
using Utf16Index = int;
using Pixel = int;

}  // namespace tamber
