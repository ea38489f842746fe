#include "editor/refolder.h"

#include "encoding/dbcs.h"

namespace tamber {

TRefolder::TRefolder(std::optional<FoldRules> rules) : rules_(std::move(rules)) {
  if (rules_) folder_.emplace(*rules_);
}

bool TRefolder::Pull(const TailRow& tail) {
  std::string_view text;
  bool lineBreak = false;
  if (tailDone_ || !tail(pulled_, text, lineBreak)) {
    tailDone_ = true;
    return false;
  }
  tailStarts_.push_back(buf_.size());
  buf_ += text;
  if (lineBreak) buf_ += "\r\n";
  ++pulled_;
  return true;
}

TRefolder::Result TRefolder::Run(std::string_view edited, const TailRow& tail, const EmitRow& emit) {
  buf_.assign(edited);
  tailStarts_.clear();
  pulled_ = 0;
  tailDone_ = false;
  Result result;
  // Bytes past a row start that decide its fold: every byte takes at least one
  // column, and a fold looks at most WrapByte + 4 columns ahead.
  const std::size_t ahead = rules_ ? static_cast<std::size_t>(rules_->columns.wrapByte) + 8 : 0;

  // Nothing edited is left (whole rows went): the old rows that follow stay.
  if (buf_.empty() && Pull(tail)) {
    result.consumedTail = 0;
    result.stopped = true;
    return result;
  }
  std::size_t lineStart = 0, rowStart = 0, scan = 0;
  while (true) {
    // Find the end of the current line, or enough bytes to fold the next row.
    std::size_t lineEnd = std::string::npos;
    while (true) {
      lineEnd = FindLineBreak(buf_, scan);
      if (lineEnd != std::string::npos) {
        scan = lineEnd;  // the next row of this line finds it at once
        break;
      }
      scan = buf_.size();
      if (rules_ && buf_.size() >= rowStart + ahead) break;
      if (!Pull(tail)) break;
    }
    const std::size_t viewEnd = lineEnd != std::string::npos ? lineEnd : buf_.size();
    // At the end of the text on a fresh line: a final break makes no empty
    // row (but an empty text folds into one empty row).
    if (lineEnd == std::string::npos && tailDone_ && rowStart == buf_.size() && lineStart == rowStart &&
        !(buf_.empty() && rules_)) {
      break;
    }
    const std::string_view line = std::string_view(buf_).substr(lineStart, viewEnd - lineStart);
    FoldedRow row{rowStart - lineStart, line.size(), false};
    if (rules_) {
      folder_->Start(line, rowStart - lineStart);
      folder_->Next(row);
    }
    emit(line.substr(row.begin, row.end - row.begin), row.folded);
    ++result.newRows;
    if (row.folded) {
      rowStart = lineStart + row.end;
    } else if (lineEnd == std::string::npos) {
      break;  // the text ends without a break
    } else {
      rowStart = lineEnd + 1;
      if (buf_[lineEnd] == '\r' && rowStart < buf_.size() && buf_[rowStart] == '\n') ++rowStart;
      lineStart = scan = rowStart;
    }
    // An old row starting here, past the edited bytes, begins the rows that
    // stay. Only fold points count: a line that the edit reached is refolded
    // whole, as the edit's undo step takes it.
    if (!row.folded) continue;
    if (rowStart == buf_.size() && !tailDone_) Pull(tail);
    while (!tailStarts_.empty() && tailStarts_.front() < rowStart) tailStarts_.pop_front();
    if (!tailStarts_.empty() && tailStarts_.front() == rowStart) {
      result.consumedTail = pulled_ - tailStarts_.size();
      result.stopped = true;
      return result;
    }
  }
  result.consumedTail = pulled_;
  return result;
}

}  // namespace tamber
