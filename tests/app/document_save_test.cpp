// A document saved after edits holds exactly the bytes a full encode of its
// text writes, whether the save copied unchanged stretches from the file the
// text came from or encoded everything; and it copies only from that file as
// it was read.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/document_file.h"
#include "encoding/cp932_codec.h"
#include "encoding/file_code.h"
#include "view/text_editor.h"

namespace tamber {
namespace {

namespace fs = std::filesystem;

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void Write(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Sjis(const char* utf8) { return Utf8ToCp932(utf8); }

// Rows of ASCII and Japanese, long enough for many blocks and for more than
// one piece of the file's decoding; every line starts with a few ASCII bytes.
std::string SampleText(int lines) {
  const std::string jp = Sjis("日本語のテキスト、カナｶﾅと〜記号");
  std::string text;
  for (int i = 0; i < lines; ++i) {
    text += "line " + std::to_string(i) + " ";
    if (i % 3 == 0) text += jp;
    if (i % 7 == 0) text += "\tplain ascii words";
    text += "\r\n";
  }
  return text;
}

// What a save of the editor's text in format must write.
std::string FullEncode(const TTextEditor& e, TextFormat f) {
  if (f.code == FileCode::Binary) f.code = f.textCode = FileCode::ShiftJis;
  return EncodeForSave(e.Text().GetTextStr(), f).bytes;
}

// Replaces the bytes from (row, col) to (row2, col2) by s, as typing does.
void Replace(TTextEditor& e, int row, int col, int row2, int col2, std::string_view s) {
  const std::int64_t from = e.Text().RowByteToOffset(row, col);
  const std::int64_t to = e.Text().RowByteToOffset(row2, col2);
  e.SetSelStart(from);
  e.SetSelLength(to - from);
  e.SetSelTextBuf(s);
}

int LastRow(const TTextEditor& e) { return e.Text().Count() - 1; }

class DocumentSaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tamber-save-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  // Saves e to path in format and compares the file with the full encode.
  void SaveAndCompare(TTextEditor& e, const std::string& path, const TextFormat& format,
                      const std::string& what) {
    const std::string expected = FullEncode(e, format);
    WriteDocumentFile(e, path, format);
    e.Text().CheckInvariants();
    const std::string got = Read(path);
    ASSERT_EQ(got.size(), expected.size()) << what;
    ASSERT_TRUE(got == expected) << what << ": the bytes differ from the full encode";
  }

  fs::path dir_;
};

struct FileCase {
  const char* name;
  FileCode code;
  bool bom;
  bool kanjiAuto;
};

TEST_F(DocumentSaveTest, EditsAndSavesWriteWhatAFullEncodeWritesInEveryCodeAndLineEnd) {
  const FileCase cases[] = {
      {"sjis", FileCode::ShiftJis, false, true},   {"euc", FileCode::Euc, false, true},
      {"euc-raw", FileCode::Euc, false, false},    {"jis", FileCode::Jis, false, true},
      {"jis-raw", FileCode::Jis, false, false},    {"utf8", FileCode::Utf8, false, true},
      {"utf8-raw", FileCode::Utf8, false, false},  {"utf8bom", FileCode::Utf8, true, true},
      {"utf8bom-raw", FileCode::Utf8, true, false},
  };
  // Several stretches of the file, each of many blocks.
  const std::string sample = SampleText(24000);
  const struct {
    LineEnd end;
    bool finalBreak;
  } ends[] = {{LineEnd::CrLf, true}, {LineEnd::Lf, false}, {LineEnd::Cr, true}};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const FileCase& c = cases[i];
    for (std::size_t j = 0; j < std::size(ends); ++j) {
      // Every line end with Shift-JIS and EUC, one each for the others.
      if (c.code != FileCode::ShiftJis && c.name != std::string("euc") && j != i % std::size(ends))
        continue;
      const auto [end, finalBreak] = ends[j];
      const std::string what = std::string(c.name) + " end " + std::to_string(static_cast<int>(end)) +
                               (finalBreak ? " with" : " without") + " final break";
      TextFormat f;
      f.code = c.code;
      f.textCode = FileCode::ShiftJis;
      f.lineEnd = end;
      f.bom = c.bom;
      std::string text = sample;
      if (!finalBreak) text.resize(text.size() - 2);
      const std::string path = Path(std::string(c.name) + ".txt");
      Write(path, EncodeForSave(text, f).bytes);

      TTextEditor e;
      const TLoadedFile loaded = LoadDocumentFile(e, path, c.kanjiAuto);
      ASSERT_EQ(loaded.format.code, c.code) << what;
      TextFormat format = loaded.format;
      const int n = e.Text().Count();
      // Unchanged, the file comes back as it was.
      SaveAndCompare(e, path, format, what + ": unchanged");
      Replace(e, 0, 0, 0, 0, "x");
      SaveAndCompare(e, path, format, what + ": typed at the start");
      Replace(e, n / 3, 2, n / 3 + 330, 3, Sjis("中\r\n間"));
      SaveAndCompare(e, path, format, what + ": replaced across blocks");
      Replace(e, n / 2, 0, n / 2 + 3000, 0, "");
      SaveAndCompare(e, path, format, what + ": whole blocks deleted");
      const int last = LastRow(e);
      const int lastLen = static_cast<int>(e.Text().RowView(last).size());
      Replace(e, last, lastLen, last, lastLen, Sjis("末尾\r\n"));
      SaveAndCompare(e, path, format, what + ": appended at the end");
      e.Undo();
      e.Undo();
      SaveAndCompare(e, path, format, what + ": two edits undone");
      format.lineEnd = end == LineEnd::CrLf ? LineEnd::Lf : LineEnd::CrLf;
      SaveAndCompare(e, path, format, what + ": written with other line ends");
      Replace(e, 2 * n / 3, 0, 2 * n / 3, 0, "y");
      SaveAndCompare(e, path, format, what + ": typed after the line ends changed");
      // Into another code under another name, then on in that file.
      TextFormat other = format;
      other.code = c.code == FileCode::Euc ? FileCode::Utf8 : FileCode::Euc;
      other.bom = false;
      const std::string path2 = Path(std::string(c.name) + "-other.txt");
      SaveAndCompare(e, path2, other, what + ": saved in another code");
      Replace(e, 10, 0, 10, 0, "z");
      SaveAndCompare(e, path2, other, what + ": typed after the save in another code");
      SaveAndCompare(e, path, format, what + ": back to its own file");
    }
  }
}

TEST_F(DocumentSaveTest, WrappedRowsMixedLineEndsAndAFileWithANulSaveAsAFullEncode) {
  const std::string sample = SampleText(3000);
  {
    // Word wrap on: the rows fold, blocks end in the middle of lines.
    const std::string path = Path("wrap.txt");
    Write(path, sample);
    TTextEditor e;
    const TLoadedFile loaded = LoadDocumentFile(e, path, true);
    e.Text().SetWordWrap(true);
    Replace(e, 5, 0, 5, 0, "w");
    SaveAndCompare(e, path, loaded.format, "wrapped, typed near the start");
    Replace(e, 1500, 0, 1500, 0, Sjis("折り返し"));
    SaveAndCompare(e, path, loaded.format, "wrapped, typed in the middle");
    e.Text().SetWordWrap(false);
    Replace(e, 2500, 0, 2500, 0, "u");
    SaveAndCompare(e, path, loaded.format, "unwrapped again");
  }
  {
    // CR LF first, a few lone LF and CR later: the stretches that hold them
    // are written with the file's line end.
    std::string mixed = sample;
    for (std::size_t at = 300000; at + 2 < mixed.size(); at += 40000) {
      const std::size_t br = mixed.find("\r\n", at);
      if (br == std::string::npos) break;
      mixed.erase(br + (at / 40000 % 2), 1);
    }
    const std::string path = Path("mixed.txt");
    Write(path, mixed);
    TTextEditor e;
    const TLoadedFile loaded = LoadDocumentFile(e, path, true);
    SaveAndCompare(e, path, loaded.format, "mixed line ends, unchanged");
    Replace(e, 0, 0, 0, 0, "m");
    SaveAndCompare(e, path, loaded.format, "mixed line ends, typed at the start");
  }
  {
    // A NUL past the probed head: held and written as raw bytes.
    std::string nul = sample;
    nul[nul.find("plain", 1000)] = '\0';
    const std::string path = Path("nul.txt");
    Write(path, nul);
    TTextEditor e;
    const TLoadedFile loaded = LoadDocumentFile(e, path, true);
    EXPECT_TRUE(FullEncode(e, loaded.format) == nul);
    Replace(e, 2000, 0, 2000, 0, "n");
    SaveAndCompare(e, path, loaded.format, "a NUL in the text, typed far from it");
  }
}

// Rewrites the file in place, keeping its size and modification time: a
// change the save cannot see, which shows where its bytes come from.
void TamperKeepingStamp(const std::string& path, std::size_t at, char c) {
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  FILE* f = std::fopen(path.c_str(), "r+b");
  ASSERT_NE(f, nullptr);
  std::fseek(f, static_cast<long>(at), SEEK_SET);
  std::fputc(c, f);
  std::fclose(f);
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST_F(DocumentSaveTest, UnchangedStretchesAreCopiedFromTheFileAsItWasRead) {
  const std::string sample = SampleText(24000);
  for (const bool converted : {false, true}) {
    const std::string path = Path(converted ? "euc.txt" : "sjis.txt");
    TextFormat f;
    f.code = converted ? FileCode::Euc : FileCode::ShiftJis;
    Write(path, EncodeForSave(sample, f).bytes);
    TTextEditor e;
    const TLoadedFile loaded = LoadDocumentFile(e, path, true);
    if (converted) {
      // Converted on reading: the first save encodes everything, and the
      // next ones copy from the file it wrote.
      Replace(e, 0, 0, 0, 0, "a");
      WriteDocumentFile(e, path, loaded.format);
    }
    const std::size_t far = Read(path).size() - 10;
    TamperKeepingStamp(path, far, '#');
    Replace(e, 0, 0, 0, 0, "b");
    WriteDocumentFile(e, path, loaded.format);
    const std::string saved = Read(path);
    // The tampered byte came along with its stretch: it was copied.
    EXPECT_EQ(saved[far + 1], '#') << (converted ? "euc" : "sjis");
    EXPECT_EQ(saved.substr(0, 2), converted ? "ba" : "bl");
  }
}

TEST_F(DocumentSaveTest, AFileChangedOnDiskAfterTheLoadIsNotCopiedFrom) {
  const std::string sample = SampleText(9000);
  const std::string path = Path("changed.txt");
  Write(path, sample);
  TTextEditor e;
  const TLoadedFile loaded = LoadDocumentFile(e, path, true);
  const std::string expectedBefore = FullEncode(e, loaded.format);
  // Another program rewrites the file: other bytes, another size.
  std::string other = sample;
  other.replace(100, 5, "CHANGED BY ANOTHER PROGRAM");
  Write(path, other);
  Replace(e, 0, 0, 0, 0, "x");
  SaveAndCompare(e, path, loaded.format, "after the file changed on disk");
  EXPECT_EQ(Read(path).substr(1), expectedBefore);
  // The same size and bytes replaced behind a new inode (a rename over it).
  const std::string path2 = Path("renamed.txt");
  Write(path2, sample);
  TTextEditor e2;
  const TLoadedFile loaded2 = LoadDocumentFile(e2, path2, true);
  std::string same = sample;
  same[sample.size() - 10] = '#';
  Write(path2 + ".new", same);
  ASSERT_EQ(std::rename((path2 + ".new").c_str(), path2.c_str()), 0);
  Replace(e2, 0, 0, 0, 0, "x");
  SaveAndCompare(e2, path2, loaded2.format, "after the file was replaced on disk");
}

TEST_F(DocumentSaveTest, ABackupReplacedByTheNextSaveLeavesNothingBehind) {
  const std::string path = Path("b.txt"), backup = Path("b.bak");
  Write(path, "one\r\n");
  TTextEditor e;
  const TLoadedFile loaded = LoadDocumentFile(e, path, true);
  for (const char* typed : {"2", "3"}) {
    const std::string before = Read(path);
    Replace(e, 0, 0, 0, 0, typed);
    MakeBackup(path, true);
    WriteDocumentFile(e, path, loaded.format);
    EXPECT_EQ(Read(backup), before);
  }
  EXPECT_EQ(Read(path), "32one\r\n");
  // The old backup is removed on a thread of its own: wait for it a while.
  for (int i = 0; i < 200 && fs::exists(backup + ".tamber-old"); ++i) ::usleep(10000);
  std::vector<std::string> names;
  for (const auto& f : fs::directory_iterator(dir_)) names.push_back(f.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"b.bak", "b.txt"}));
}

}  // namespace
}  // namespace tamber
