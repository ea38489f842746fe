#include "encoding/file_io.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <cstdlib>
#include <filesystem>
#include <functional>

namespace tamber {
namespace {

namespace fs = std::filesystem;

class FileIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tamber-io-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    chmod(dir_.c_str(), 0755);
    fs::remove_all(dir_);
  }
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

TEST_F(FileIoTest, WritesAndReadsEveryByte) {
  std::string bytes;
  for (int i = 0; i < 70000; ++i) bytes.push_back(static_cast<char>(i * 7));
  WriteFileAtomically(Path("a.bin"), bytes);
  EXPECT_EQ(ReadWholeFile(Path("a.bin")), bytes);
}

TEST_F(FileIoTest, AMappedFileGivesEveryByteAlsoAfterARelease) {
  std::string bytes;
  for (int i = 0; i < 300000; ++i) bytes.push_back(static_cast<char>(i * 13));
  WriteFileAtomically(Path("m.bin"), bytes);
  MappedFile f(Path("m.bin"));
  ASSERT_EQ(f.Bytes(), bytes);
  f.Release(200000);
  f.Release(100000);  // behind what was released: nothing happens
  EXPECT_EQ(f.Bytes(), bytes);  // released pages are read again
  f.ReleaseAll();
  f.Release(150000);
  EXPECT_EQ(f.Bytes(), bytes);
  // Files that cannot be mapped are read whole: an empty file, a pipe when
  // pipes are asked for.
  WriteFileAtomically(Path("empty"), "");
  EXPECT_EQ(MappedFile(Path("empty")).Bytes(), "");
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
  const std::string fifo = Path("fifo");
  const pid_t writer = fork();
  if (writer == 0) {
    FILE* w = std::fopen(fifo.c_str(), "w");
    std::fputs("through a pipe", w);
    std::fclose(w);
    _exit(0);
  }
  EXPECT_EQ(MappedFile(fifo, ReadSource::kAnyFile).Bytes(), "through a pipe");
  waitpid(writer, nullptr, 0);
  EXPECT_THROW(MappedFile(Path("missing")), std::system_error);
}

TEST_F(FileIoTest, KeepsTheModeOfTheReplacedFile) {
  WriteFileAtomically(Path("m.txt"), "one");
  ASSERT_EQ(chmod(Path("m.txt").c_str(), 0640), 0);
  WriteFileAtomically(Path("m.txt"), "two");
  struct stat st {};
  ASSERT_EQ(stat(Path("m.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadWholeFile(Path("m.txt")), "two");
}

TEST_F(FileIoTest, ReplacesTheTargetOfALinkNotTheLink) {
  WriteFileAtomically(Path("real.txt"), "old");
  fs::create_symlink(Path("real.txt"), Path("link.txt"));
  WriteFileAtomically(Path("link.txt"), "new");
  EXPECT_TRUE(fs::is_symlink(Path("link.txt")));
  EXPECT_EQ(ReadWholeFile(Path("real.txt")), "new");
}

TEST_F(FileIoTest, AFailedWriteLeavesTheFileAsItWas) {
  WriteFileAtomically(Path("keep.txt"), "precious");
  if (geteuid() == 0) {
    // root writes into read-only folders: make the rename fail instead.
    fs::create_directory(Path("dir"));
    EXPECT_THROW(WriteFileAtomically(Path("dir"), "x"), std::system_error);
  } else {
    ASSERT_EQ(chmod(dir_.c_str(), 0555), 0);
    EXPECT_THROW(WriteFileAtomically(Path("keep.txt"), "lost?"), std::system_error);
    chmod(dir_.c_str(), 0755);
  }
  EXPECT_EQ(ReadWholeFile(Path("keep.txt")), "precious");
  for (const auto& e : fs::directory_iterator(dir_))
    EXPECT_EQ(e.path().filename().string().rfind(".tamber-", 0), std::string::npos) << e.path();
}

TEST_F(FileIoTest, ReadingAMissingFileThrowsWithThePath) {
  try {
    ReadWholeFile(Path("missing.txt"));
    FAIL() << "no exception";
  } catch (const std::system_error& e) {
    EXPECT_EQ(e.code().value(), ENOENT);
    EXPECT_NE(std::string(e.what()).find("missing.txt"), std::string::npos);
  }
  EXPECT_THROW(ReadWholeFile(dir_.string()), std::system_error);
}

TEST_F(FileIoTest, AStreamedWriteThatFailsHalfwayLeavesTheOldFile) {
  WriteFileAtomically(Path("keep.txt"), "precious");
  EXPECT_THROW(WriteFileAtomicallyFrom(Path("keep.txt"),
                                       [](const ChunkWriter& sink) {
                                         sink("half of the ");
                                         throw std::runtime_error("producer failed");
                                       }),
               std::runtime_error);
  EXPECT_EQ(ReadWholeFile(Path("keep.txt")), "precious");
  for (const auto& e : fs::directory_iterator(dir_))
    EXPECT_EQ(e.path().filename().string().rfind(".tamber-", 0), std::string::npos) << e.path();
  WriteFileAtomicallyFrom(Path("keep.txt"), [](const ChunkWriter& sink) {
    for (int i = 0; i < 3; ++i) sink("ab");
  });
  EXPECT_EQ(ReadWholeFile(Path("keep.txt")), "ababab");
}

int KindError(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::system_error& e) {
    return e.code().category() == FileKindCategory() ? 1000 + e.code().value() : e.code().value();
  }
  return 0;
}
constexpr int kNotRegular = 1000 + kNotRegularFile;

TEST_F(FileIoTest, OnlyRegularFilesAreReadUnlessAnyFileIsAskedFor) {
  // Neither the pipe without a writer nor /dev/zero may block or run for ever.
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
  fs::create_directory(Path("dir"));
  fs::create_symlink("/dev/zero", Path("zero-link"));
  const struct {
    std::string path;
    int error;
  } cases[] = {{Path("fifo"), kNotRegular}, {"/dev/zero", kNotRegular},
               {Path("zero-link"), kNotRegular}, {Path("dir"), EISDIR}};
  for (const auto& c : cases) {
    EXPECT_EQ(KindError([&] { ReadWholeFile(c.path); }), c.error) << c.path;
    EXPECT_EQ(KindError([&] { MappedFile m(c.path); }), c.error) << c.path;
  }
  try {
    ReadWholeFile(Path("fifo"));
  } catch (const std::system_error& e) {
    EXPECT_NE(std::string(e.what()).find("fifo"), std::string::npos) << e.what();
    EXPECT_EQ(e.code().message(), "Not a regular file");
  }
  EXPECT_EQ(KindError([&] { ReadWholeFile(Path("dir"), ReadSource::kAnyFile); }), EISDIR);
  EXPECT_EQ(ReadWholeFile("/dev/null", ReadSource::kAnyFile), "");
}

TEST_F(FileIoTest, APipeIsWrittenToAndStaysAPipe) {
  const std::string fifo = Path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Nobody reads it: refused at once rather than waiting.
  EXPECT_EQ(KindError([&] { WriteFileAtomically(fifo, "lost"); }), ENXIO);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  WriteFileAtomicallyFrom(fifo, [](const ChunkWriter& sink) {
    sink("to the ");
    sink("reader");
  });
  char buf[64] = {};
  EXPECT_EQ(std::string(buf, static_cast<std::size_t>(read(reader, buf, sizeof buf))), "to the reader");
  close(reader);
  EXPECT_TRUE(fs::is_fifo(fifo));
  for (const auto& e : fs::directory_iterator(dir_))
    EXPECT_EQ(e.path().filename().string().rfind(".tamber-", 0), std::string::npos) << e.path();
}

TEST_F(FileIoTest, ADeviceIsWrittenToNotReplaced) {
  // Root may replace any device, so it gets a null device of its own here;
  // anyone else cannot replace /dev/null.
  std::string device = "/dev/null";
  if (geteuid() == 0) {
    device = Path("null");
    ASSERT_EQ(mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
  }
  fs::create_symlink(device, Path("out"));
  WriteFileAtomically(Path("out"), "gone");
  WriteFileAtomically(device, "gone too");
  EXPECT_TRUE(fs::is_symlink(Path("out")));
  EXPECT_TRUE(fs::is_character_file(device));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  if (device != "/dev/null") {
    struct stat st {};
    ASSERT_EQ(stat(device.c_str(), &st), 0);
    EXPECT_EQ(st.st_rdev, makedev(1, 3));
  }
}

TEST_F(FileIoTest, ASocketIsRefusedAndKept) {
  const std::string path = Path("sock");
  const int s = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(s, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof addr.sun_path);
  std::copy(path.begin(), path.end(), addr.sun_path);
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  EXPECT_EQ(KindError([&] { WriteFileAtomically(path, "x"); }), kNotRegular);
  EXPECT_EQ(KindError([&] { ReadWholeFile(path); }), kNotRegular);
  EXPECT_TRUE(fs::is_socket(path));
  close(s);
}

TEST_F(FileIoTest, ALinkToAFileNotYetThereStaysALink) {
  fs::create_directory(Path("sub"));
  fs::create_symlink("sub/new.txt", Path("link.txt"));
  WriteFileAtomically(Path("link.txt"), "first");
  EXPECT_TRUE(fs::is_symlink(Path("link.txt")));
  EXPECT_EQ(ReadWholeFile(Path("sub/new.txt")), "first");
  fs::create_symlink("loop2", Path("loop1"));
  fs::create_symlink("loop1", Path("loop2"));
  EXPECT_EQ(KindError([&] { WriteFileAtomically(Path("loop1"), "x"); }), ELOOP);
}

TEST_F(FileIoTest, CopiedRangesLandWhereverTheyStandInThePage) {
  std::string source;
  for (int i = 0; i < 300000; ++i) source.push_back(static_cast<char>('a' + i % 26 + (i / 4099) % 3));
  const std::string from = Path("from.txt");
  WriteFileAtomically(from, source);
  const int fd = open(from.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  // Ranges that keep their place in the page (copied in the kernel), shifted
  // ones (through a mapping) and ranges of a few bytes.
  const struct {
    std::size_t at, len;
  } ranges[] = {{0, 8192}, {8192, 100000}, {5, 3}, {4096 * 3 + 1, 70000}, {299990, 10}, {100, 0}};
  const FileStamp stamp = WriteFileAtomicallyWith(Path("to.txt"), [&](FileSink& sink) {
    sink.Write("head");
    for (const auto& r : ranges) sink.CopyFrom(fd, r.at, r.len);
    sink.Write("tail");
    EXPECT_EQ(sink.Written(), 4u + 8192 + 100000 + 3 + 70000 + 10 + 4);
  });
  std::string expected = "head";
  for (const auto& r : ranges) expected += source.substr(r.at, r.len);
  expected += "tail";
  EXPECT_TRUE(ReadWholeFile(Path("to.txt")) == expected);
  EXPECT_TRUE(stamp.valid);
  EXPECT_EQ(stamp, StampOfPath(Path("to.txt")));
  EXPECT_EQ(stamp.size, expected.size());

  // Into a pipe the bytes are read and written.
  const std::string fifo = Path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_FALSE(WriteFileAtomicallyWith(fifo, [&](FileSink& sink) { sink.CopyFrom(fd, 7, 20); }).valid);
  char buf[64] = {};
  EXPECT_EQ(std::string(buf, static_cast<std::size_t>(read(reader, buf, sizeof buf))), source.substr(7, 20));
  close(reader);

  // A source shorter than the range asked for: the write fails and the file
  // written to is as it was.
  // 4096 * 73 + 1 keeps its place after the one byte written, 299000 does not.
  for (const std::size_t at : {std::size_t{4096 * 73 + 1}, std::size_t{299000}}) {
    EXPECT_THROW(WriteFileAtomicallyWith(Path("to.txt"), [&](FileSink& sink) {
                   sink.Write("x");
                   sink.CopyFrom(fd, at, 5000);
                 }),
                 CopySourceShort);
    EXPECT_TRUE(ReadWholeFile(Path("to.txt")) == expected);
  }
  close(fd);
}

}  // namespace
}  // namespace tamber
