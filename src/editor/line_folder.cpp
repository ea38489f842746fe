#include "editor/line_folder.h"

#include <algorithm>

#include "encoding/dbcs.h"

namespace tamber {

FoldRules MakeFoldRules(const TTextEditorWrapOption& option, int tabSpaceCount,
                        const TDelimiters& delimiters) {
  FoldRules r;
  r.columns.tabSpaceCount = ClampTabSpaceCount(tabSpaceCount);
  r.columns.wordWrap = true;
  r.columns.wrapByte = option.WrapByte();
  r.columns.delimiters = &delimiters;
  r.wordBreak = option.WordBreak();
  r.followPunctuation = option.FollowPunctuation();
  r.leading = option.Leading();
  r.followRetMark = option.FollowRetMark();
  r.followStr = option.FollowStr();
  r.leadStr = option.LeadStr();
  r.punctuationStr = option.PunctuationStr();
  return r;
}

void TLineFolder::Start(std::string_view line, std::size_t rowStart) {
  line_ = line;
  offset_ = std::min(rowStart, line.size());
  done_ = false;
}

bool TLineFolder::InSet(std::string_view c, std::string_view set) const {
  return ContainsChar(c, set);
}

bool TLineFolder::Next(FoldedRow& row) {
  if (done_) return false;
  const std::string_view rest = line_.substr(offset_);
  const auto w = static_cast<std::size_t>(rules_.columns.wrapByte);
  // A short rest is never walked.
  if (rest.size() < w && DisplayWidth(rest, rules_.columns) < w) {
    row = {offset_, line_.size(), false};
    done_ = true;
    return true;
  }
  // One column past the widest row, so that the character after hanging
  // punctuation is seen by the row-start rule.
  ColumnAttributesInto(rest, rules_.columns, w + 4, codes_);
  walker_.Reset(rest, codes_);
  walker_.MoveTo(w);
  if (walker_.Ch() == kColEnd) {  // the rest fits: it ends the line
    row = {offset_, line_.size(), false};
    done_ = true;
    return true;
  }
  std::size_t length = RowLength();
  row = {offset_, offset_ + length, true};
  offset_ += length;
  if (offset_ == line_.size() && rules_.followRetMark) {
    row.folded = false;  // an exact fill keeps its break on the last row
    done_ = true;
  }
  return true;
}

std::size_t TLineFolder::RowLength() {
  TTextEditorAttributeArray& a = walker_;
  const std::size_t w = static_cast<std::size_t>(rules_.columns.wrapByte);
  if (a.Ch() == kColLead) {
    a.Prev();  // a double-byte character straddles the margin
  } else if (rules_.wordBreak && a.DisplayLength() > w) {
    // End the row after a delimiter, a tab or a double-byte character; a word
    // too long for that is cut at a third of the width.
    while (a.Ch() != kColDelimiter && a.Ch() != kColTabPad && a.Ch() != kColTrail && a.Pos() > w / 3)
      a.StepBackChar();
  }
  if (rules_.followPunctuation) {
    while (a.Pos() < w + 2 && InSet(a.NextChar(), rules_.punctuationStr)) {
      a.Next();
      if (a.Ch() == kColLead) a.Next();
    }
  }
  if (rules_.leading && a.Pos() < a.DisplayLength()) {
    const std::size_t limit = w / 5 * 4;
    while (a.Pos() > limit && InSet(a.CurrentChar(), rules_.leadStr)) a.StepBackChar();
    if (InSet(a.NextChar(), rules_.followStr)) {
      while (a.Pos() > limit &&
             (InSet(a.CurrentChar(), rules_.leadStr) || InSet(a.NextChar(), rules_.followStr)))
        a.StepBackChar();
    }
  }
  std::size_t length = a.ByteIndex();
  // Never reached for widths of 20 and more; kept so that no rule can ever cut
  // a double-byte character or make an empty row.
  if (a.Ch() == kColLead) length += 1;
  return length == 0 ? CharLength(line_, offset_) : length;
}

std::size_t WrappedRowCount(std::string_view line, const FoldRules& rules) {
  TLineFolder folder(rules);
  folder.Start(line);
  FoldedRow row;
  std::size_t n = 0;
  while (folder.Next(row)) ++n;
  return n;
}

}  // namespace tamber
