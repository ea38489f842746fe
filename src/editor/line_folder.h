// TLineFolder: folds one logical line into screen rows of at most WrapByte
// columns with the Japanese line-breaking rules of TTextEditorWrapOption.
//
// Rows are reported as byte ranges of the line, so nothing is copied: each
// fold looks at no more than WrapByte + 4 columns from the row start, and
// folding a line costs time linear in its length. The rows of a line, joined,
// give the line back; a row never ends inside a double-byte character; a row
// is never wider than WrapByte + 3 columns; a row is empty only when the line
// is empty or (FollowRetMark off) after a line that exactly fills its last row.
// Where a row ends depends only on the text from its start on, so rows after a
// row start that an edit did not move stay as they were.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "editor/attribute_array.h"
#include "editor/display_columns.h"
#include "editor/wrap_option.h"

namespace tamber {

// Everything folding depends on. The delimiters are borrowed from the editor
// and must outlive the rules.
struct FoldRules {
  ColumnRules columns;  // wordWrap on, wrapByte = the fold width
  bool wordBreak = false;
  bool followPunctuation = false;
  bool leading = false;
  bool followRetMark = false;
  std::string followStr{kDefaultFollowStr};
  std::string leadStr{kDefaultLeadStr};
  std::string punctuationStr{kDefaultPunctuationStr};
};

FoldRules MakeFoldRules(const TTextEditorWrapOption& option, int tabSpaceCount,
                        const TDelimiters& delimiters = DefaultDelimiters());

// One row of a folded line: bytes [begin, end) of the line; `folded` when the
// line continues on the next row (raFolded), else the row ends the line (raBreak).
struct FoldedRow {
  std::size_t begin = 0;
  std::size_t end = 0;
  bool folded = false;
};

class TLineFolder {
 public:
  explicit TLineFolder(const FoldRules& rules) : rules_(rules) {}

  // Begins folding `line` (borrowed until the last Next) at byte `rowStart`,
  // which must be 0 or where an earlier fold of the same line put a row start.
  void Start(std::string_view line, std::size_t rowStart = 0);
  // The next row of the line; false once every row was given.
  bool Next(FoldedRow& row);

 private:
  // Bytes of the row that starts the rest, which is wider than it may be.
  std::size_t RowLength();
  bool InSet(std::string_view c, std::string_view set) const;

  FoldRules rules_;
  TTextEditorAttributeArray walker_;
  std::string codes_;
  std::string_view line_;
  std::size_t offset_ = 0;
  bool done_ = true;
};

// Rows the line takes when folded by these rules.
std::size_t WrappedRowCount(std::string_view line, const FoldRules& rules);

}  // namespace tamber
