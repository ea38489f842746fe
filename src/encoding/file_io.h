// Reading whole files and replacing files safely. Every engine library that
// touches disk goes through these, so that a failed write never damages the
// file that was there.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace tamber {

// An open file descriptor, closed when its holder goes (a negative one holds nothing).
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor();
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Gives the descriptor up without closing it.
  void Release() { fd_ = -1; }
  // Closes it now; the result of close(2).
  int Close();

 private:
  int fd_;
};

// What a read accepts. Documents and conversions read regular files only, so
// that a folder, a pipe or a device such as /dev/zero is refused before it is
// opened (a pipe could block for ever, a device never end); tools that read
// standard input as grep does ask for any file.
enum class ReadSource { kRegularFile, kAnyFile };

// The error of a file that is not a regular one (a device, pipe or socket);
// a folder is refused with EISDIR.
const std::error_category& FileKindCategory();
inline constexpr int kNotRegularFile = 1;

// The whole file's bytes. Throws std::system_error (with the path in what())
// when it cannot be opened or read.
std::string ReadWholeFile(const std::string& path, ReadSource source = ReadSource::kRegularFile);

// What tells whether a file is still the one that was read or written: its
// device and inode, size and modification time. A save copies from the file a
// text came from only while its stamp is the one taken then.
struct FileStamp {
  std::uint64_t device = 0, inode = 0, size = 0;
  std::int64_t mtimeSec = 0, mtimeNsec = 0;
  bool valid = false;  // false: no regular file (none, or a device or pipe)
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of an open file, or of the regular file at path (following links).
FileStamp StampOfFile(int fd);
FileStamp StampOfPath(const std::string& path);

// A file's bytes for reading once from start to end without holding them all:
// a regular file is mapped, and the pages read can be handed back with
// Release, so that the memory in use follows the reading, not the file size.
// Anything else (a pipe, a device, when source allows them) is read whole.
// Throws std::system_error as ReadWholeFile does.
class MappedFile {
 public:
  explicit MappedFile(const std::string& path, ReadSource source = ReadSource::kRegularFile);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  std::string_view Bytes() const { return {data_, size_}; }
  // The pages wholly before offset are dropped (read again from the file if
  // touched later). A no-op for a file read whole.
  void Release(std::size_t offset);
  // Every page is dropped, for reading the file once more from the start.
  void ReleaseAll();
  // The file as it was opened.
  const FileStamp& Stamp() const { return stamp_; }

 private:
  const char* data_ = nullptr;
  std::size_t size_ = 0;
  bool mapped_ = false;
  std::size_t released_ = 0;
  std::string whole_;  // the bytes of a file that could not be mapped
  FileStamp stamp_;
};

// Writes bytes to a temporary file in path's folder, flushes it to disk and
// renames it over path, keeping the mode and owner of the file it replaces
// (0666 less the umask for a new file). A symbolic link (also one whose file
// does not exist yet) stays: the file it points to is written. On any failure
// the temporary file is removed, the file at path is as it was, and
// std::system_error is thrown.
//
// A target that exists and is not a regular file is never replaced: a
// character device or a pipe is written to directly (a pipe only while some
// process reads it; otherwise ENXIO), anything else (a block device, a
// socket) is refused with kNotRegularFile, a folder with EISDIR.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// Receives the bytes of a file being written, in pieces.
using ChunkWriter = std::function<void(std::string_view)>;

// WriteFileAtomically for contents too large to assemble first: produce hands
// the bytes to the sink piece by piece. The same guarantees hold; an exception
// thrown by produce removes the temporary file and passes through.
void WriteFileAtomicallyFrom(const std::string& path,
                             const std::function<void(const ChunkWriter&)>& produce);

// A file being written: bytes are appended, given or copied from another file.
class FileSink {
 public:
  virtual ~FileSink() = default;
  virtual void Write(std::string_view bytes) = 0;
  // Appends len bytes from offset of the open file fd, inside the kernel where
  // it can (copy_file_range), else by reading and writing. Throws
  // CopySourceShort when fd ends before them.
  virtual void CopyFrom(int fd, std::uint64_t offset, std::uint64_t len) = 0;
  // Bytes appended so far.
  std::uint64_t Written() const { return written_; }

 protected:
  std::uint64_t written_ = 0;
};

// The file copied from holds fewer bytes than asked for: it changed.
class CopySourceShort : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// WriteFileAtomicallyFrom with a sink that also copies ranges of other files.
// Returns the stamp of the file now at path (not valid when a device or pipe
// was written directly).
FileStamp WriteFileAtomicallyWith(const std::string& path,
                                  const std::function<void(FileSink&)>& produce);

}  // namespace tamber
