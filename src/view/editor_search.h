// TEditorSearch: the search operations of one editor view — find in a
// logical line, find next and previous from the caret, replace the
// selection and replace all — over the view's text, with a matcher of its
// own (so the compiled patterns of repeated searches are reused).
//
// The find string and the options live in the view's furniture, which draws
// the find marks from them; setting them here keeps the options normalised
// (soFuzzy only with soRegexp, soWholeWord only without it).
//
// Costs: FindInLine joins the rows of one logical line. SearchNext lists the
// caret's line, then hands the text after it to the block search in pieces
// of about kSearchPiece bytes, so rows before the caret are never read and a
// miss costs one pass over the rest of the text. ReplaceAll reads the text
// once, builds the new text in one pass and replaces the rows in one edit
// (one undo step); row marks stay on the lines they were on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "search/awk_str.h"
#include "search/line_search.h"

namespace tamber {

class TTextEditor;
class TTextEditorFurniture;

// One logical line being rebuilt by a replace (see TEditorSearch::ReplaceInLine).
struct TReplaceInfo {
  int Row = 0;               // a screen row of the line
  std::string Replacement;   // literal text
  std::string NewText;       // the rebuilt logical line
  bool JoinsNext = false;    // the last match took the line break after the line
};

class TEditorSearch {
 public:
  // Bytes of text a search step hands the block search at once.
  static constexpr std::size_t kSearchPiece = std::size_t{8} << 20;
  // Without word wrap, a match that starts past this byte of its line is not
  // visited by find next and previous (the editor shows no more of a line).
  static constexpr std::size_t kNoWrapSearchLimit = 1000;

  TEditorSearch(TTextEditor& editor, TTextEditorFurniture& furniture);
  TEditorSearch(const TEditorSearch&) = delete;
  TEditorSearch& operator=(const TEditorSearch&) = delete;

  const std::string& FindString() const;
  // A changed value repaints the find marks.
  void SetFindString(std::string_view s);
  TFxSearchOptions FxSearchOptions() const;
  // Stores value normalised; nothing when that equals the current set.
  void SetFxSearchOptions(TFxSearchOptions value);
  TAWKStrEx& Matcher() { return matcher_; }

  // The rows of row's logical line joined (without its break).
  std::string LogicalLineText(int row) const;
  // Every match of FindString in row's logical line into MatchList; the count.
  // Throws ERegExpParser for a pattern that does not compile.
  std::size_t FindInLine(int row);
  const std::vector<TSearchInfo>& MatchList() const { return matchList_; }

  // The next match from the caret (after the current hit with hsCaret), shown
  // the editor's HitStyle way; false, with the caret left, when there is none.
  bool SearchNext();
  // The last match that starts before the caret, in this line or an earlier one.
  bool SearchPrev();

  // The selection is exactly a match of FindString (a hit counts as one).
  bool SelectionIsMatch();
  // A hit is first made the selection; a selection is replaced by text.
  // False without a selection or while the editor is read-only.
  bool ReplaceSelection(std::string_view text);

  // Fills info.NewText and info.JoinsNext for info.Row's line; the count.
  std::size_t ReplaceInLine(TReplaceInfo& info);

  // Every match of the whole text replaced by replacement (literal) in one
  // edit. bulk: the caret ends at the end of the text; else just after the
  // last replacement. No edit at all when nothing matches, when the editor
  // is read-only (the count is then 0) or when progress cancels (see
  // TReplaceProgress; Cancelled() then says so).
  std::size_t ReplaceAll(std::string_view replacement, bool bulk, const TReplaceProgress& progress = nullptr);
  bool Cancelled() const { return cancelled_; }

 private:
  std::size_t SearchLimit() const;
  std::int64_t CaretOffset() const;
  void ShowMatch(std::int64_t offset, std::int64_t length, bool backward);

  TTextEditor& editor_;
  TTextEditorFurniture& furniture_;
  TAWKStrEx matcher_;
  std::vector<TSearchInfo> matchList_;
  bool cancelled_ = false;
};

}  // namespace tamber
