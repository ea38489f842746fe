#include "app/document_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "editor/row_loader.h"
#include "editor/row_saver.h"
#include "encoding/file_io.h"
#include "view/text_editor.h"

namespace tamber {

std::string BinaryViewLine(std::string_view block) {
  std::string line(block);
  for (char& c : line) {
    const auto b = static_cast<unsigned char>(c);
    if (b <= 0x0E || (b >= 0x81 && b <= 0xA0) || b >= 0xE0) c = ' ';
  }
  return line;
}

TLoadedFile LoadDocumentFile(TTextEditor& editor, const std::string& path, bool kanjiAuto) {
  TLoadedFile loaded;
  RowStore rows;
  {
    MappedFile in(path);
    const std::string_view bytes = in.Bytes();
    const int probe = ProbeBytes(bytes.substr(0, kProbeLength));
    RowLoader loader;
    if (probe == pfBinary) {
      loaded.binary = true;
      loaded.format.code = loaded.format.textCode = FileCode::Binary;
      for (std::size_t at = 0; at < bytes.size(); at += kBinaryLineBytes) {
        if (at > 0) loader.Feed("\n");
        loader.Feed(BinaryViewLine(bytes.substr(at, kBinaryLineBytes)));
      }
    } else {
      // A text that looks like UTF-8 is checked while it is converted.
      const TextFormat format =
          ClassifyFileBytes(probe, FileExtension(path), bytes, kanjiAuto, Utf8Check::kByDecoder);
      // Rows that hold the file's own bytes remember where in it they are, so
      // that a save copies what has not changed.
      if (HeldInFileCode(format)) loader.TrackFileStretches();
      // The classification may have read the whole file; the conversion reads
      // it again from the start and hands back the pages behind it.
      in.ReleaseAll();
      FileDecoder decoder(bytes, format, /*normalizeBreaks=*/false);
      for (std::string_view piece; decoder.Next(&piece);) {
        if (decoder.StartedOver()) {
          // The text was not UTF-8 after all: its rows are read again in the
          // code it turned out to be.
          loader = RowLoader();
          if (HeldInFileCode(decoder.Format())) loader.TrackFileStretches();
        }
        loader.Feed(piece);
        in.Release(decoder.Consumed());
      }
      loaded.format = decoder.Format();
      loaded.lost = decoder.Lost();
      loaded.format.otherForms = decoder.OtherForms();
    }
    rows = loader.Finish();
    if (!loaded.binary && HeldInFileCode(loaded.format))
      SetRowSourceFile(rows, path, in.Stamp(), loaded.format);
  }
  loaded.fileReadOnly = ::access(path.c_str(), W_OK) != 0 && errno == EACCES;
  editor.Lines().LoadRows(std::move(rows));
  editor.ClearUndo();
  editor.SetRowCol(0, 0);
  editor.SetModified(false);
  return loaded;
}

namespace {

// Removes files on a thread of its own, one after another, once they are
// let go: a backup replaced by a save is removed after the save, not while it
// writes. At exit the removals asked for are finished before the program ends.
class LateRemover {
 public:
  static LateRemover& Get() {
    static LateRemover remover;
    return remover;
  }

  ~LateRemover() {
    std::thread t;
    std::vector<std::string> held;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      t = std::move(thread_);
      held.swap(held_);
    }
    if (t.joinable()) t.join();
    for (const std::string& path : held) ::unlink(path.c_str());
  }

  // path is to be removed once the save under way has ended.
  void Hold(std::string path) {
    const std::lock_guard<std::mutex> lock(mutex_);
    held_.push_back(std::move(path));
  }

  // The held files go.
  void Release() {
    std::thread done;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (held_.empty()) return;
      for (std::string& path : held_) queue_.push_back(std::move(path));
      held_.clear();
      if (running_) return;
      done = std::move(thread_);
      running_ = true;
      thread_ = std::thread([this] { Run(); });
    }
    if (done.joinable()) done.join();  // ended, or about to
  }

 private:
  void Run() {
    while (true) {
      std::string path;
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (queue_.empty()) {
          running_ = false;
          return;
        }
        path = std::move(queue_.front());
        queue_.pop_front();
      }
      ::unlink(path.c_str());
    }
  }

  std::mutex mutex_;
  std::vector<std::string> held_;
  std::deque<std::string> queue_;
  std::thread thread_;
  bool running_ = false;
};

}  // namespace

std::string BackupName(const std::string& path) {
  const std::string ext = FileExtension(path);
  return path.substr(0, path.size() - ext.size()) + ".bak";
}

void MakeBackup(const std::string& path, bool enabled) {
  if (!enabled) return;
  const std::string backup = BackupName(path);
  if (backup == path) return;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  char* real = ::realpath(path.c_str(), nullptr);
  const std::string file = real ? real : path;
  std::free(real);
  struct stat bst {};
  // A backup name that is the file itself (through a link) is left alone.
  if (::stat(backup.c_str(), &bst) == 0 && bst.st_dev == st.st_dev && bst.st_ino == st.st_ino) return;
  // The save replaces the file by a rename, so a second name for the file as
  // it is now keeps those bytes without copying them; the file itself keeps
  // its name, mode and links. The old backup steps aside first and is removed
  // off the save's way (freeing a large file's blocks takes long); a failure
  // puts it back.
  struct stat old {};
  if (::lstat(backup.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    const std::string aside = backup + ".tamber-old";
    if (::rename(backup.c_str(), aside.c_str()) == 0) {
      if (::link(file.c_str(), backup.c_str()) == 0) {
        LateRemover::Get().Hold(aside);
        return;
      }
      ::rename(aside.c_str(), backup.c_str());
    }
  }
  // The new name goes in beside the old backup and then over it, so a
  // failure leaves the old backup.
  const std::string temp = backup + ".tamber-tmp";
  ::unlink(temp.c_str());
  if (::link(file.c_str(), temp.c_str()) == 0) {
    if (::rename(temp.c_str(), backup.c_str()) == 0) return;
    const int err = errno;
    ::unlink(temp.c_str());
    throw std::system_error(err, std::generic_category(), backup);
  }
  // No second name here (another file system, or one without links): a copy.
  MappedFile in(path);
  WriteFileAtomically(backup, in.Bytes());
}

void WriteDocumentFile(TTextEditor& editor, const std::string& path, const TextFormat& format) {
  // The backup this save replaced goes once the save has ended, whatever its end.
  struct ReleaseHeld {
    ~ReleaseHeld() { LateRemover::Get().Release(); }
  } release;
  // FileCode::Binary: the rows as they are, with the file's own line ends.
  editor.Text().SaveToFile(path, format);
}

}  // namespace tamber
