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

std::string ReadWholeFile(const std::string& path) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) Fail(errno, path);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) Fail(errno, path);
  if (S_ISDIR(st.st_mode)) Fail(EISDIR, path);
  return ReadAll(fd, st, path);
}

MappedFile::MappedFile(const std::string& path) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) Fail(errno, path);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) Fail(errno, path);
  if (S_ISDIR(st.st_mode)) Fail(EISDIR, path);
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

void WriteFileAtomicallyFrom(const std::string& target,
                             const std::function<void(const ChunkWriter&)>& produce) {
  // A link stays a link: the file it points to is the one replaced.
  std::string path = target;
  if (char* real = ::realpath(target.c_str(), nullptr)) {
    path = real;
    std::free(real);
  }
  mode_t mode = 0;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) Fail(EISDIR, path);
    mode = st.st_mode & 07777;
  } else if (errno == ENOENT) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  } else {
    Fail(errno, path);
  }

  std::string tmp = FolderOf(path) + "/.tamber-XXXXXX";
  std::vector<char> name(tmp.begin(), tmp.end());
  name.push_back('\0');
  Fd fd(::mkostemp(name.data(), O_CLOEXEC));
  if (fd.get() < 0) Fail(errno, path);
  tmp.assign(name.data());

  bool removed = false;
  auto cleanup = [&](int err) {
    ::unlink(tmp.c_str());
    removed = true;
    Fail(err, target);
  };
  const ChunkWriter sink = [&](std::string_view piece) {
    const char* p = piece.data();
    std::size_t left = piece.size();
    while (left > 0) {
      const ssize_t n = ::write(fd.get(), p, left);
      if (n < 0) {
        if (errno == EINTR) continue;
        cleanup(errno);
      }
      p += n;
      left -= static_cast<std::size_t>(n);
    }
  };
  try {
    produce(sink);
  } catch (...) {
    if (!removed) ::unlink(tmp.c_str());
    throw;
  }
  if (::fchmod(fd.get(), mode) != 0) cleanup(errno);
  if (::fsync(fd.get()) != 0) cleanup(errno);
  if (fd.Close() != 0) cleanup(errno);
  if (::rename(tmp.c_str(), path.c_str()) != 0) cleanup(errno);
}

}  // namespace tamber
