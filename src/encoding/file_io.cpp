#include "encoding/file_io.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace tamber {

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

int FileDescriptor::Close() {
  const int r = ::close(fd_);
  fd_ = -1;
  return r;
}

namespace {

[[noreturn]] void Fail(int err, const std::string& what) {
  throw std::system_error(err, std::generic_category(), what);
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

FileStamp StampOf(const struct stat& st) {
  FileStamp s;
  if (!S_ISREG(st.st_mode)) return s;
  s.device = static_cast<std::uint64_t>(st.st_dev);
  s.inode = static_cast<std::uint64_t>(st.st_ino);
  s.size = static_cast<std::uint64_t>(st.st_size);
  s.mtimeSec = static_cast<std::int64_t>(st.st_mtim.tv_sec);
  s.mtimeNsec = static_cast<std::int64_t>(st.st_mtim.tv_nsec);
  s.valid = true;
  return s;
}

// The rest of an open file (st from fstat on it).
std::string ReadAll(const FileDescriptor& fd, const struct stat& st, const std::string& path) {
  std::string data;
  if (S_ISREG(st.st_mode) && st.st_size > 0) data.reserve(static_cast<std::size_t>(st.st_size));
  std::vector<char> buf(1 << 16);
  while (true) {
    const ssize_t n = ::read(fd.get(), buf.data(), buf.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno, path);
    }
    if (n == 0) break;
    data.append(buf.data(), static_cast<std::size_t>(n));
  }
  return data;
}

}  // namespace

namespace {

class FileKindErrors : public std::error_category {
 public:
  const char* name() const noexcept override { return "tamber.file"; }
  std::string message(int code) const override {
    if (code == kNotRegularFile) return "Not a regular file";
    return "Unknown file error";
  }
};

// Opens path for reading. A regular-only read looks at the file before
// opening it (a device is never opened) and again at what was opened (the
// name may have changed in between); the open does not wait for a pipe's
// writer.
int OpenForReading(const std::string& path, ReadSource source, struct stat* st) {
  auto check = [&](const struct stat& s) {
    if (S_ISDIR(s.st_mode)) Fail(EISDIR, path);
    if (source == ReadSource::kRegularFile && !S_ISREG(s.st_mode))
      throw std::system_error(kNotRegularFile, FileKindCategory(), path);
  };
  int flags = O_RDONLY | O_CLOEXEC;
  if (source == ReadSource::kRegularFile) {
    if (::stat(path.c_str(), st) != 0) Fail(errno, path);
    check(*st);
    flags |= O_NONBLOCK | O_NOCTTY;
  }
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0) Fail(errno, path);
  FileDescriptor owner(fd);
  if (::fstat(fd, st) != 0) Fail(errno, path);
  check(*st);
  if (flags & O_NONBLOCK) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  owner.Release();
  return fd;
}

}  // namespace

const std::error_category& FileKindCategory() {
  static const FileKindErrors category;
  return category;
}

std::string ReadWholeFile(const std::string& path, ReadSource source) {
  struct stat st {};
  FileDescriptor fd(OpenForReading(path, source, &st));
  return ReadAll(fd, st, path);
}

MappedFile::MappedFile(const std::string& path, ReadSource source) {
  struct stat st {};
  FileDescriptor fd(OpenForReading(path, source, &st));
  stamp_ = StampOf(st);
  if (S_ISREG(st.st_mode) && st.st_size > 0) {
    void* p = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd.get(), 0);
    if (p != MAP_FAILED) {
      ::madvise(p, static_cast<std::size_t>(st.st_size), MADV_SEQUENTIAL);
      data_ = static_cast<const char*>(p);
      size_ = static_cast<std::size_t>(st.st_size);
      mapped_ = true;
      return;
    }
  }
  whole_ = ReadAll(fd, st, path);
  data_ = whole_.data();
  size_ = whole_.size();
}

MappedFile::~MappedFile() {
  if (mapped_) ::munmap(const_cast<char*>(data_), size_);
}

void MappedFile::Release(std::size_t offset) {
  if (!mapped_) return;
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  offset = std::min(offset, size_) / page * page;
  if (offset <= released_) return;
  ::madvise(const_cast<char*>(data_) + released_, offset - released_, MADV_DONTNEED);
  released_ = offset;
}

void MappedFile::ReleaseAll() {
  if (!mapped_) return;
  ::madvise(const_cast<char*>(data_), size_, MADV_DONTNEED);
  released_ = 0;
}

void WriteFileAtomically(const std::string& target, std::string_view bytes) {
  WriteFileAtomicallyFrom(target, [bytes](const ChunkWriter& sink) { sink(bytes); });
}

namespace {

// Where a save to target lands: a link is followed to the file it names,
// also when that file does not exist yet (a dangling link stays a link).
std::string ResolveLinks(const std::string& target) {
  std::string path = target;
  for (int depth = 0; depth < 40; ++depth) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::vector<char> buf(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
    if (n < 0 || static_cast<std::size_t>(n) >= buf.size()) return path;
    std::string next(buf.data(), static_cast<std::size_t>(n));
    path = (!next.empty() && next[0] == '/') ? next : FolderOf(path) + "/" + next;
  }
  Fail(ELOOP, target);
}

void WriteAllTo(int fd, std::string_view piece, const std::function<void(int)>& fail) {
  const char* p = piece.data();
  std::size_t left = piece.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno);
      return;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

// Appends to an open file. Into a temporary file it starts the write-back of
// every few megabytes as they come, so that the flush at the end finds most of
// the file on its way to the disk already.
class FdSink : public FileSink {
 public:
  FdSink(int fd, bool regular, std::function<void(int)> fail)
      : fd_(fd), regular_(regular), fail_(std::move(fail)) {}

  void Write(std::string_view bytes) override {
    WriteAllTo(fd_, bytes, fail_);
    Advance(bytes.size());
  }

  void CopyFrom(int src, std::uint64_t offset, std::uint64_t len) override {
    if (len == 0) return;
    const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    // The kernel copies page to page only where the bytes keep their place
    // in the page; bytes shifted by an edit go faster through a write from a
    // mapping of the file (the page cache's pages, copied once).
    if (((offset ^ written_) & (page - 1)) == 0 && kernelCopy_) {
      KernelCopy(src, offset, len);
      return;
    }
    if (!MappedCopy(src, offset, len, page)) ReadCopy(src, offset, len);
  }

 private:
  static constexpr std::uint64_t kKickBytes = 8u << 20;

  [[noreturn]] static void Short() { throw CopySourceShort("the file copied from is shorter than it was"); }

  void KernelCopy(int src, std::uint64_t offset, std::uint64_t len) {
    auto in = static_cast<off_t>(offset);
    while (len > 0) {
      const auto step = static_cast<std::size_t>(std::min<std::uint64_t>(len, kKickBytes));
      const ssize_t n = ::copy_file_range(src, &in, fd_, nullptr, step, 0);
      if (n < 0) {
        if (errno == EINTR) continue;
        // Not between these files (another file system, a pipe, an old
        // kernel): the rest by other means.
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
            errno == EBADF) {
          kernelCopy_ = false;
          if (!MappedCopy(src, static_cast<std::uint64_t>(in), len,
                          static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE))))
            ReadCopy(src, static_cast<std::uint64_t>(in), len);
          return;
        }
        fail_(errno);
        return;
      }
      if (n == 0) Short();
      len -= static_cast<std::uint64_t>(n);
      Advance(static_cast<std::uint64_t>(n));
    }
  }

  // The mapped bytes are only ever read by the kernel (write), so a file cut
  // short meanwhile makes the write fail with EFAULT instead of raising
  // SIGBUS here. The file is mapped a window at a time. False when the file
  // cannot be mapped (nothing written then).
  bool MappedCopy(int src, std::uint64_t offset, std::uint64_t len, std::uint64_t page) {
    constexpr std::uint64_t kWindow = 64u << 20;
    struct stat st {};
    if (::fstat(src, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (offset + len > static_cast<std::uint64_t>(st.st_size)) Short();
    bool first = true;
    while (len > 0) {
      const std::uint64_t base = offset & ~(page - 1);
      const std::uint64_t take = std::min(len, kWindow - (offset - base));
      const auto span = static_cast<std::size_t>(offset + take - base);
      void* m = ::mmap(nullptr, span, PROT_READ, MAP_SHARED | MAP_POPULATE, src, static_cast<off_t>(base));
      if (m == MAP_FAILED) {
        if (first) return false;
        ReadCopy(src, offset, len);
        return true;
      }
      first = false;
      struct Unmap {
        void* p;
        std::size_t n;
        ~Unmap() { ::munmap(p, n); }
      } unmap{m, span};
      const char* p = static_cast<const char*>(m) + (offset - base);
      for (std::uint64_t left = take; left > 0;) {
        const auto step = static_cast<std::size_t>(std::min<std::uint64_t>(left, 1u << 20));
        const ssize_t n = ::write(fd_, p, step);
        if (n < 0) {
          if (errno == EINTR) continue;
          if (errno == EFAULT) Short();
          fail_(errno);
          return true;
        }
        p += n;
        left -= static_cast<std::uint64_t>(n);
        Advance(static_cast<std::uint64_t>(n));
      }
      offset += take;
      len -= take;
    }
    return true;
  }

  void ReadCopy(int src, std::uint64_t offset, std::uint64_t len) {
    buf_.resize(1 << 20);
    while (len > 0) {
      const auto step = static_cast<std::size_t>(std::min<std::uint64_t>(len, buf_.size()));
      const ssize_t n = ::pread(src, buf_.data(), step, static_cast<off_t>(offset));
      if (n < 0) {
        if (errno == EINTR) continue;
        fail_(errno);
        return;
      }
      if (n == 0) Short();
      Write(std::string_view(buf_.data(), static_cast<std::size_t>(n)));
      offset += static_cast<std::uint64_t>(n);
      len -= static_cast<std::uint64_t>(n);
    }
  }

  void Advance(std::uint64_t n) {
    written_ += n;
    if (!regular_ || written_ - kicked_ < kKickBytes) return;
    ::sync_file_range(fd_, static_cast<off_t>(kicked_), static_cast<off_t>(written_ - kicked_),
                      SYNC_FILE_RANGE_WRITE);
    kicked_ = written_;
  }

  int fd_;
  bool regular_;
  std::function<void(int)> fail_;
  bool kernelCopy_ = true;
  std::uint64_t kicked_ = 0;
  std::vector<char> buf_;
};

// A character device or a pipe takes the bytes as they come; there is no
// file to keep, and replacing the node would break whatever it is.
void WriteDirectly(const std::string& path, const std::string& target,
                   const std::function<void(FileSink&)>& produce) {
  // A pipe nobody reads would block the writer for ever: refuse it instead.
  FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (fd.get() < 0) Fail(errno, target);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) Fail(errno, target);
  if (!S_ISCHR(st.st_mode) && !S_ISFIFO(st.st_mode))
    throw std::system_error(kNotRegularFile, FileKindCategory(), target);
  ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  FdSink sink(fd.get(), false, [&](int err) { Fail(err, target); });
  produce(sink);
  if (fd.Close() != 0) Fail(errno, target);
}

}  // namespace

FileStamp StampOfFile(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return {};
  return StampOf(st);
}

FileStamp StampOfPath(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return StampOf(st);
}

void WriteFileAtomicallyFrom(const std::string& target,
                             const std::function<void(const ChunkWriter&)>& produce) {
  WriteFileAtomicallyWith(target, [&](FileSink& sink) {
    produce([&sink](std::string_view piece) { sink.Write(piece); });
  });
}

FileStamp WriteFileAtomicallyWith(const std::string& target,
                                  const std::function<void(FileSink&)>& produce) {
  const std::string path = ResolveLinks(target);
  mode_t mode = 0;
  bool keepOwner = false;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) Fail(EISDIR, target);
    if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) {
      WriteDirectly(path, target, produce);
      return {};
    }
    if (!S_ISREG(st.st_mode)) throw std::system_error(kNotRegularFile, FileKindCategory(), target);
    mode = st.st_mode & 07777;
    keepOwner = true;
  } else if (errno == ENOENT) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  } else {
    Fail(errno, target);
  }

  std::string tmp = FolderOf(path) + "/.tamber-XXXXXX";
  std::vector<char> name(tmp.begin(), tmp.end());
  name.push_back('\0');
  FileDescriptor fd(::mkostemp(name.data(), O_CLOEXEC));
  if (fd.get() < 0) Fail(errno, target);
  tmp.assign(name.data());

  bool removed = false;
  auto cleanup = [&](int err) {
    ::unlink(tmp.c_str());
    removed = true;
    Fail(err, target);
  };
  FdSink sink(fd.get(), true, cleanup);
  try {
    produce(sink);
  } catch (...) {
    if (!removed) ::unlink(tmp.c_str());
    throw;
  }
  // The owner is kept where the writer may set it (root saving another's
  // file); elsewhere the new file is the writer's, as with any editor.
  if (keepOwner && (st.st_uid != ::geteuid() || st.st_gid != ::getegid())) {
    if (::fchown(fd.get(), st.st_uid, st.st_gid) != 0) {
      // Not permitted: the file becomes the writer's.
    }
  }
  if (::fchmod(fd.get(), mode) != 0) cleanup(errno);
  if (::fsync(fd.get()) != 0) cleanup(errno);
  struct stat written {};
  if (::fstat(fd.get(), &written) != 0) cleanup(errno);
  if (fd.Close() != 0) cleanup(errno);
  if (::rename(tmp.c_str(), path.c_str()) != 0) cleanup(errno);
  return StampOf(written);
}

}  // namespace tamber
