#include "editor/row_saver.h"

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "editor/row_attribute.h"

namespace tamber {

namespace {

// Changed text is encoded in pieces of about this size; each becomes one
// stretch of the file written.
constexpr std::size_t kEncodePiece = 1 << 18;

std::uint8_t BreakBit(LineEnd e) { return static_cast<std::uint8_t>(1u << static_cast<int>(e)); }


// Whether a text written in b gives, stretch by stretch, the bytes a gave.
bool SameBytes(const TextFormat& a, const TextFormat& b) {
  if (HeldInFileCode(a) != HeldInFileCode(b) || a.code != b.code) return false;
  if (HeldInFileCode(a)) return true;
  if (a.textCode != b.textCode) return false;
  if (a.code == FileCode::Jis && (a.jis.kanjiIn != b.jis.kanjiIn || a.jis.kanjiOut != b.jis.kanjiOut))
    return false;
  return a.code != FileCode::Utf8 || a.otherForms == b.otherForms;
}

TRowAttribute LastAttribute(const RowBlock& b) { return rowbits::AttributeOf(b.attr.back()); }

// The number of blocks from b on that hold one stretch of the source whole,
// as the save may copy it; 0 when they do not.
std::size_t CopyableStretchAt(const RowStore& rows, std::size_t b, std::uint8_t breaks) {
  const BlockSource& s = rows.Block(b).source;
  if (s.stretch == 0 || s.place != 0 || (s.breaks & ~breaks) || s.end < s.begin) return 0;
  const std::size_t n = s.count;
  if (n == 0 || b + n > rows.BlockCount()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    const BlockSource& t = rows.Block(b + k).source;
    if (t.stretch != s.stretch || t.place != k || t.count != s.count || t.begin != s.begin) return 0;
  }
  if (b > 0 && LastAttribute(rows.Block(b - 1)) != raBreak) return 0;
  const TRowAttribute last = LastAttribute(rows.Block(b + n - 1));
  if (last == raFolded || (last != raBreak && b + n != rows.BlockCount())) return 0;
  return n;
}

// What a save put where: blocks [first, first + count) are bytes [begin, end)
// of the file written.
struct Span {
  std::size_t first, count;
  std::uint64_t begin, end;
};

// The source file opened for copying, when it is still as it was taken.
int OpenUnchanged(const RowSourceFile& src) {
  const int fd = ::open(src.path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return -1;
  if (StampOfFile(fd) == src.stamp && src.stamp.valid) return fd;
  ::close(fd);
  return -1;
}

void WriteRows(const RowStore& rows, const TextFormat& format, int srcFd, FileSink& sink,
               std::vector<Span>& spans) {
  spans.clear();
  const bool raw = HeldInFileCode(format);
  // A text held in another code than Shift-JIS and written in a third is
  // converted as a whole: its decoders carry state across lines.
  const bool inPieces = raw || format.textCode == FileCode::ShiftJis;
  const std::string_view brk = raw ? LineBreakBytes(format.lineEnd) : std::string_view("\r\n");
  TextFormat pieceFormat = format;
  pieceFormat.bom = false;
  if (!raw && format.code == FileCode::Utf8 && format.bom) sink.Write(kUtf8Bom);

  std::string pending;
  std::size_t pendingFirst = 0;
  // Stretches that follow each other in the source are copied in one go.
  std::uint64_t copyFrom = 0, copyTo = 0;
  const auto copyPending = [&] {
    if (copyTo > copyFrom) sink.CopyFrom(srcFd, copyFrom, copyTo - copyFrom);
    copyFrom = copyTo = 0;
  };
  const auto flush = [&](std::size_t upto) {
    copyPending();
    if (upto == pendingFirst) return;
    const std::uint64_t begin = sink.Written();
    if (raw) sink.Write(pending);
    else sink.Write(EncodeForSave(pending, pieceFormat).bytes);
    pending.clear();
    spans.push_back({pendingFirst, upto - pendingFirst, begin, sink.Written()});
    pendingFirst = upto;
  };
  const std::size_t nb = rows.BlockCount();
  const std::uint8_t breaks = BreakBit(format.lineEnd);
  for (std::size_t b = 0; b < nb;) {
    if (srcFd >= 0 && inPieces) {
      if (const std::size_t n = CopyableStretchAt(rows, b, breaks)) {
        if (pendingFirst < b) flush(b);
        const BlockSource& s = rows.Block(b).source;
        if (copyTo != s.begin || copyTo == copyFrom) {
          copyPending();
          copyFrom = s.begin;
        }
        copyTo = s.end;
        // Where the copy lands once the copies before it are made.
        const std::uint64_t begin = sink.Written() + (s.begin - copyFrom);
        spans.push_back({b, n, begin, begin + (s.end - s.begin)});
        b += n;
        pendingFirst = b;
        continue;
      }
    }
    const RowBlock& blk = rows.Block(b);
    for (std::size_t k = 0; k < blk.Rows(); ++k) {
      pending += blk.Text(k);
      if (rowbits::AttributeOf(blk.attr[k]) == raBreak) pending += brk;
    }
    ++b;
    // Pieces end at a line end, where every encoder stands in its first state.
    if (inPieces && pending.size() >= kEncodePiece && LastAttribute(blk) == raBreak) flush(b);
  }
  flush(nb);
}

}  // namespace

bool HeldInFileCode(const TextFormat& format) {
  return format.code == FileCode::Binary || format.textCode == format.code;
}

void SetRowSourceFile(RowStore& rows, const std::string& path, const FileStamp& stamp,
                      const TextFormat& format) {
  rows.SetSourceFile(std::make_shared<const RowSourceFile>(RowSourceFile{path, stamp, format}));
}

void SaveRows(RowStore& rows, const std::string& path, const TextFormat& format) {
  std::vector<Span> spans;
  const std::shared_ptr<const RowSourceFile> src = rows.SourceFile();
  bool copy = src && SameBytes(src->format, format);
  FileStamp written;
  while (true) {
    try {
      written = WriteFileAtomicallyWith(path, [&](FileSink& sink) {
        const FileDescriptor fd(copy ? OpenUnchanged(*src) : -1);
        WriteRows(rows, format, fd.get(), sink, spans);
      });
      break;
    } catch (const CopySourceShort&) {
      // The file changed while it was copied from: write everything anew.
      if (!copy) throw;
      copy = false;
    }
  }
  if (!written.valid) return;  // a device or a pipe: the rows keep their file
  // Every block is in one span: the rows now refer to the file just written.
  std::uint32_t stretch = 0;
  for (const Span& s : spans) {
    ++stretch;
    for (std::size_t k = 0; k < s.count; ++k)
      rows.SetBlockSource(s.first + k, {stretch, static_cast<std::uint32_t>(k),
                                        static_cast<std::uint32_t>(s.count), s.begin, s.end,
                                        BreakBit(format.lineEnd)});
  }
  SetRowSourceFile(rows, path, written, format);
}

}  // namespace tamber
