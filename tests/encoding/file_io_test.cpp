#include "encoding/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <cstdlib>
#include <filesystem>

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
  // Files that cannot be mapped are read whole: an empty file, a pipe.
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
  EXPECT_EQ(MappedFile(fifo).Bytes(), "through a pipe");
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

}  // namespace
}  // namespace tamber
