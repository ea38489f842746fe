#include "encoding/file_io.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

namespace tamber {

namespace {

[[noreturn]] void Fail(int err, const std::string& what) {
  throw std::system_error(err, std::generic_category(), what);
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void Release() { fd_ = -1; }
  int Close() {
    const int r = ::close(fd_);
    fd_ = -1;
    return r;
  }

 private:
  int fd_;
};

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The rest of an open file (st from fstat on it).
std::string ReadAll(const Fd& fd, const struct stat& st, const std::string& path) {
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
  Fd owner(fd);
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
  Fd fd(OpenForReading(path, source, &st));
  return ReadAll(fd, st, path);
}

MappedFile::MappedFile(const std::string& path, ReadSource source) {
  struct stat st {};
  Fd fd(OpenForReading(path, source, &st));
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

// A character device or a pipe takes the bytes as they come; there is no
// file to keep, and replacing the node would break whatever it is.
void WriteDirectly(const std::string& path, const std::string& target,
                   const std::function<void(const ChunkWriter&)>& produce) {
  // A pipe nobody reads would block the writer for ever: refuse it instead.
  Fd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (fd.get() < 0) Fail(errno, target);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) Fail(errno, target);
  if (!S_ISCHR(st.st_mode) && !S_ISFIFO(st.st_mode))
    throw std::system_error(kNotRegularFile, FileKindCategory(), target);
  ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  const auto fail = [&](int err) { Fail(err, target); };
  produce([&](std::string_view piece) { WriteAllTo(fd.get(), piece, fail); });
  if (fd.Close() != 0) Fail(errno, target);
}

}  // namespace

void WriteFileAtomicallyFrom(const std::string& target,
                             const std::function<void(const ChunkWriter&)>& produce) {
  const std::string path = ResolveLinks(target);
  mode_t mode = 0;
  bool keepOwner = false;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) Fail(EISDIR, target);
    if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) return WriteDirectly(path, target, produce);
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
  Fd fd(::mkostemp(name.data(), O_CLOEXEC));
  if (fd.get() < 0) Fail(errno, target);
  tmp.assign(name.data());

  bool removed = false;
  auto cleanup = [&](int err) {
    ::unlink(tmp.c_str());
    removed = true;
    Fail(err, target);
  };
  const ChunkWriter sink = [&](std::string_view piece) { WriteAllTo(fd.get(), piece, cleanup); };
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
  if (fd.Close() != 0) cleanup(errno);
  if (::rename(tmp.c_str(), path.c_str()) != 0) cleanup(errno);
}

}  // namespace tamber
