// TTextEditorStrings: the editor's Lines, a string-list face over the shared
// rows whose items are logical lines (with word wrap, runs of folded rows).
// It owns nothing: it refers to the text and to the view whose caret its edits
// move. Put, Insert, Add and Delete are ordinary edits (one undo step each);
// SetTextStr, the loads and Assign replace the text inside an update, leave
// the modified state alone and empty the undo lists.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "editor/screen_strings.h"
#include "encoding/file_code.h"

namespace tamber {

class TTextEditorStrings {
 public:
  // Bytes asked of the file per read while loading.
  static constexpr std::size_t kLoadReadSize = 8192;

  explicit TTextEditorStrings(TTextEditorScreenStrings* text, TTextEditorView* editor = nullptr)
      : text_(text), editor_(editor) {}
  // A view that attaches to another text points its Lines there.
  void SetText(TTextEditorScreenStrings* text) { text_ = text; }
  TTextEditorScreenStrings& Text() const { return *text_; }

  int Count() const { return text_->LineCount(); }
  // Throws EListError outside the lines; with word wrap on, Count() gives "".
  std::string Get(int i) const;
  void Put(int i, std::string_view s);
  void Insert(int i, std::string_view s);
  // Returns the line count before adding.
  int Add(std::string_view s);
  void Delete(int i);
  // Outside an update this is an edit: the views see a change.
  void Clear();

  std::string GetTextStr() const { return text_->GetTextStr(); }
  void SetTextStr(std::string_view s);
  // Throws std::system_error when the file cannot be opened or read; the text
  // is replaced only when the whole file was read.
  void LoadFromFile(const std::string& path);
  void LoadFromStream(std::istream& in);
  // Takes rows built elsewhere (a RowLoader fed with a file's text piece by
  // piece) as the whole text, in one change.
  void LoadRows(RowStore rows);
  // Writes the text with breaks in lineEnd style through a temporary file
  // renamed over path; on failure the file is untouched and the error thrown.
  void SaveToFile(const std::string& path, LineEnd lineEnd = LineEnd::CrLf) const;
  void SaveToStream(std::ostream& out, LineEnd lineEnd = LineEnd::CrLf) const;
  // Takes source's text, then the caret goes to (row count, 0).
  void Assign(const TTextEditorStrings& source);

  void BeginUpdate();
  void EndUpdate();

  // The "Strings" property of a stored component: the logical lines.
  std::vector<std::string> StoredStrings() const;
  void LoadStoredStrings(const std::vector<std::string>& lines);

  // The offset walk from row, then the caret goes there.
  void SetCaretByOffset(int row, std::int64_t n);

 private:
  void CheckLine(int i) const;
  int LineRows(int firstRow) const;

  TTextEditorScreenStrings* text_;
  TTextEditorView* editor_;
  int updateCount_ = 0;
};

}  // namespace tamber
