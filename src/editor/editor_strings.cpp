#include "editor/editor_strings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <istream>
#include <ostream>
#include <system_error>

#include "base/notify.h"
#include "editor/row_loader.h"
#include "encoding/file_io.h"

namespace tamber {

namespace {

[[noreturn]] void FailFile(int err, const std::string& path) {
  throw std::system_error(err, std::generic_category(), path);
}

RowStore ReadRows(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) FailFile(errno, path);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) FailFile(errno, path);
  if (S_ISDIR(st.st_mode)) FailFile(EISDIR, path);
  RowLoader loader;
  char buf[TTextEditorStrings::kLoadReadSize];
  while (true) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      FailFile(errno, path);
    }
    if (n == 0) break;
    loader.Feed(std::string_view(buf, static_cast<std::size_t>(n)));
  }
  return loader.Finish();
}

}  // namespace

void TTextEditorStrings::CheckLine(int i) const {
  if (i < 0 || i >= Count()) throw EListError();
}

int TTextEditorStrings::LineRows(int firstRow) const {
  return text_->LineLastRow(firstRow) - firstRow + 1;
}

std::string TTextEditorStrings::Get(int i) const {
  if (text_->WordWrap() && i == Count() && i >= 0) return {};
  CheckLine(i);
  const int row = text_->LineToRow(i);
  if (text_->RowAttribute(row) != raFolded) return text_->Get(row);
  std::string s = text_->JoinRows(row, -1).Text;
  if (s.ends_with("\r\n")) s.resize(s.size() - 2);
  return s;
}

void TTextEditorStrings::Put(int i, std::string_view s) {
  CheckLine(i);
  const int first = text_->LineToRow(i);
  const int rows = LineRows(first);
  if (text_->RowAttribute(first + rows - 1) == raLast) {
    text_->ReplaceRows(first, rows, s);
  } else {
    text_->ReplaceRows(first, rows, std::string(s) + "\r\n");
  }
  SetCaretByOffset(first, static_cast<std::int64_t>(s.size()));
}

void TTextEditorStrings::Insert(int i, std::string_view s) {
  if (i == Count()) {
    Add(s);
    return;
  }
  CheckLine(i);
  const int row = text_->LineToRow(i);
  text_->ReplaceRows(row, 0, std::string(s) + "\r\n");
  SetCaretByOffset(row, static_cast<std::int64_t>(s.size()) + 2);
}

int TTextEditorStrings::Add(std::string_view s) {
  const int before = Count();
  const int rows = text_->Count();
  if (rows > 0 && text_->RowAttribute(rows - 1) != raBreak) {
    // The old last line gets a break; s becomes the last line, without one.
    const std::string lastText = text_->Get(rows - 1);
    text_->ReplaceRows(rows - 1, 1, lastText + "\r\n" + std::string(s));
    SetCaretByOffset(rows - 1, static_cast<std::int64_t>(lastText.size() + 2 + s.size()));
  } else {
    text_->ReplaceRows(rows, 0, std::string(s) + "\r\n");
    SetCaretByOffset(rows, static_cast<std::int64_t>(s.size()) + 2);
  }
  return before;
}

void TTextEditorStrings::Delete(int i) {
  CheckLine(i);
  const int first = text_->LineToRow(i);
  text_->ReplaceRows(first, LineRows(first), "");
  SetCaretByOffset(first, 0);
}

void TTextEditorStrings::Clear() {
  const TScopedUpdate holdText(*text_);
  const int rows = text_->Count();
  text_->Clear();
  if (updateCount_ == 0) text_->RecordChange(0, rows, 0, 0);
}

void TTextEditorStrings::SetTextStr(std::string_view s) {
  RowLoader loader;
  loader.Feed(s);
  const TScopedUpdate hold(*this);
  text_->SetAllRows(loader.Finish());
}

void TTextEditorStrings::LoadFromFile(const std::string& path) {
  RowStore rows = ReadRows(path);  // throws before the text is touched
  const TScopedUpdate hold(*this);
  text_->SetAllRows(std::move(rows));
}

void TTextEditorStrings::LoadFromStream(std::istream& in) {
  RowLoader loader;
  char buf[kLoadReadSize];
  while (in.read(buf, sizeof buf) || in.gcount() > 0)
    loader.Feed(std::string_view(buf, static_cast<std::size_t>(in.gcount())));
  if (in.bad()) throw std::system_error(EIO, std::generic_category(), "stream");
  const TScopedUpdate hold(*this);
  text_->SetAllRows(loader.Finish());
}

void TTextEditorStrings::LoadRows(RowStore rows) {
  const TScopedUpdate hold(*this);
  text_->SetAllRows(std::move(rows));
}

void TTextEditorStrings::SaveToFile(const std::string& path, LineEnd lineEnd) const {
  WriteFileAtomicallyFrom(path, [&](const ChunkWriter& sink) { text_->WriteText(lineEnd, sink); });
}

void TTextEditorStrings::SaveToStream(std::ostream& out, LineEnd lineEnd) const {
  text_->WriteText(lineEnd, [&out](std::string_view piece) {
    out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
  });
  out.flush();
  if (!out) throw std::system_error(EIO, std::generic_category(), "stream");
}

void TTextEditorStrings::Assign(const TTextEditorStrings& source) {
  SetTextStr(source.GetTextStr());
  if (editor_) editor_->SetCaretRowCol(text_->Count(), 0);
}

void TTextEditorStrings::BeginUpdate() {
  if (updateCount_++ > 0) return;
  text_->BeginUpdate();
  if (editor_) editor_->LinesUpdateBegun();
}

void TTextEditorStrings::EndUpdate() {
  if (updateCount_ == 0 || --updateCount_ > 0) return;
  text_->EndUpdate();
  if (editor_) editor_->LinesUpdateEnded();
  for (TTextEditorView* v : text_->Editors()) v->Relayout();
}

std::vector<std::string> TTextEditorStrings::StoredStrings() const {
  std::vector<std::string> lines;
  const int n = Count();
  lines.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) lines.push_back(Get(i));
  return lines;
}

void TTextEditorStrings::LoadStoredStrings(const std::vector<std::string>& lines) {
  // Each string becomes a raBreak row (a stray break inside one splits it:
  // rows never hold CR or LF).
  RowLoader loader;
  for (const std::string& line : lines) {
    loader.Feed(line);
    loader.Feed("\r\n");
  }
  const TScopedUpdate hold(*this);
  text_->SetAllRows(loader.Finish());
}

void TTextEditorStrings::SetCaretByOffset(int row, std::int64_t n) {
  if (!editor_) return;
  const auto [r, c] = text_->OffsetToRowColFrom(row, n);
  editor_->SetCaretByteColumn(r, c);
}

}  // namespace tamber
