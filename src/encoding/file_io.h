// Reading whole files and replacing files safely. Every engine library that
// touches disk goes through these, so that a failed write never damages the
// file that was there.
#pragma once

#include <string>
#include <string_view>
#include <system_error>

namespace tamber {

// The whole file's bytes. Throws std::system_error (with the path in what())
// when it cannot be opened or read.
std::string ReadWholeFile(const std::string& path);

// Writes bytes to a temporary file in path's folder, flushes it to disk and
// renames it over path, keeping the mode of the file it replaces (0644 less
// the umask for a new file). On any failure the temporary file is removed,
// the file at path is as it was, and std::system_error is thrown.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace tamber
