// Reading a file into a document's editor and writing a document back: the
// binary view, the character-code classification, the backup rule and the
// save by the document's code. No Qt here: the document window and the file
// commands call these and turn the results into messages.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "encoding/file_code.h"

namespace tamber {

class TTextEditor;

// Bytes per line of the binary view.
inline constexpr std::size_t kBinaryLineBytes = 80;

// What a load found out about the file.
struct TLoadedFile {
  TextFormat format;       // format.code is the document's FileCode
  bool binary = false;     // shown in the blank-substituted view, read-only
  bool fileReadOnly = false;  // the file may not be written by us
  std::size_t lost = 0;    // characters the held text cannot give back as they were
};

// The binary view's line for a block: every byte 00..0E, 81..A0 and E0..FF
// becomes a blank.
std::string BinaryViewLine(std::string_view block);

// Reads path into editor (its text replaced as a whole, the undo lists and
// the modified flag cleared, the caret at the start). Only a regular file is
// read: anything else throws std::system_error, as does a read error; the
// editor is then unchanged. The file is mapped and converted piece by piece,
// never copied whole. kanjiAuto: convert JIS, EUC and UTF-8 to Shift-JIS.
TLoadedFile LoadDocumentFile(TTextEditor& editor, const std::string& path, bool kanjiAuto);

// The backup's name: path with its extension replaced by ".bak" (appended
// when it has none).
std::string BackupName(const std::string& path);

// With enabled: keeps path's bytes as they are now (when it is a regular
// file) under its backup name, replacing an older backup, for a save that
// then replaces path by a rename: a second link to the file where the file
// system allows it, else a copy. An older backup is removed on a thread of
// its own once the WriteDocumentFile that follows has ended (freeing a large
// file's blocks takes long). Saving "x.bak" itself makes no backup.
// Throws std::system_error when the backup cannot be made.
void MakeBackup(const std::string& path, bool enabled);

// Writes editor's text to path in format (line ends, final break, mark and
// code as read). FileCode::Binary writes the rows' bytes unconverted (a text
// file with a NUL past the probed head). Throws std::system_error or
// EncodingError; the file is then as it was.
void WriteDocumentFile(TTextEditor& editor, const std::string& path, const TextFormat& format);

}  // namespace tamber
