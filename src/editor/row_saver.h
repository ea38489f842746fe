// Writing rows back to a file without pushing the whole text through the
// process: stretches of the text unchanged since it was read from (or last
// written to) its file are copied from that file inside the kernel, and only
// the changed blocks are encoded.
//
// The bytes written are always those a full encode writes (EncodeForSave of
// the rows joined with CR LF, or for a text held in the file's own code the
// rows joined with the file's line end). A stretch is copied only when that
// holds for it by construction:
//  - the rows were read raw (nothing converted) or written by a save in the
//    same code, with the same JIS escapes and UTF-8 forms;
//  - the stretch holds no other line end than the one the save writes;
//  - its blocks are all there, in order, unchanged (BlockSource), it starts
//    after a line end and ends at one or at the end of the text;
//  - the file is still the one taken then: same device, inode, size and
//    modification time.
// Otherwise the stretch is encoded, as is everything when the file changed.
#pragma once

#include <string>

#include "editor/row_store.h"
#include "encoding/file_code.h"
#include "encoding/file_io.h"

namespace tamber {

// The file a text's blocks were read from or last written to, as it was then.
// The stretches of the blocks (BlockSource) are ranges of its bytes.
struct RowSourceFile {
  std::string path;
  FileStamp stamp;
  TextFormat format;  // its line end aside: each stretch tells its own
};

// Rows loaded from a file by a RowLoader that tracked its stretches: they
// refer to that file (stamp as it was read) from now on.
void SetRowSourceFile(RowStore& rows, const std::string& path, const FileStamp& stamp,
                      const TextFormat& format);

// Whether the rows were read or written raw: held in the file's own code.
bool HeldInFileCode(const TextFormat& format);

// Writes rows to path in format (WriteFileAtomicallyWith: a temporary file
// renamed over path). Once the file is in place the rows refer to it, so the
// next save copies what has not changed since this one. Throws
// std::system_error or EncodingError; the file is then as it was.
void SaveRows(RowStore& rows, const std::string& path, const TextFormat& format);

}  // namespace tamber
