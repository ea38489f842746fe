// The text commands of the main window beyond plain typing: deletion to the
// line's start or end, indent, tab and blank conversion, quoting, signatures,
// dates, line jump, word wrap and the transparent frame.
//
// The first half holds no Qt: line transforms, the era date and the edits on
// an editor view, each edit one undo step. The second half binds the commands
// of the frame's table to them.
#pragma once

#include <QLocale>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamber {

class TTextEditor;
class TTamberForm;

// The tab width of the conversions: values outside 2..8 (0 or garbage in the
// settings file) are brought inside before use.
int ClampConversionTabCount(int n);
// Each tab becomes n blanks wherever it stands.
std::string TabsToSpaces(std::string_view line, int n);
// Each run of n blanks, searched left to right without overlap, becomes one
// tab; the blanks left over of a longer run stay.
std::string SpacesToTabs(std::string_view line, int n);

struct TCivilDate {
  int year = 0, month = 0, day = 0;
};
// "令和 08年 12月 10日": the era, the year in the era (first year "01"), month
// and day with two digits. A date before the first era gives the western
// year in its place ("1850年 …").
std::string JapaneseEraDate(TCivilDate date);

// Replaces lines first..last (inclusive) by lines as one undo step; false
// (nothing done) while read-only.
bool ReplaceLines(TTextEditor& e, int first, int last, const std::vector<std::string>& lines);
// Runs f over every line and replaces the span of changed lines in one step.
// False while read-only; true when something changed.
bool TransformAllLines(TTextEditor& e, const std::function<std::string(std::string_view)>& f);
// Runs body, which edits only the lines first..last and keeps their count,
// and folds the undo steps it made into one.
void AsOneUndoStep(TTextEditor& e, int first, int last, const std::function<void()>& body);
// Removes the caret's line up to (from) the caret's byte. The caret goes to
// the line's first row, at column 0 (at its former column). A caret after the
// final line break stands on an empty line: nothing is removed.
void DeleteToLineStart(TTextEditor& e);
void DeleteToLineEnd(TTextEditor& e);
// Indent or unindent the selection n times, one undo step.
void IndentTimes(TTextEditor& e, int n, bool indent);
// The whole text of a signature: every line followed by CR LF.
std::string SignatureText(const std::vector<std::string>& lines);

// ---- the frame's bindings ----

// The clock of the date and time commands and the question of the line jump
// (caption, prompt) → the answer, nothing when cancelled. Tests replace them.
struct TTextCommandHooks {
  std::function<TCivilDate()> today;
  std::function<QString()> shortDate;  // today in the system's short date format
  std::function<QString()> longTime;   // hours, minutes and seconds
  std::function<std::optional<QString>(const QString& caption, const QString& prompt)> askLine;
};
TTextCommandHooks& TextCommandHooks();
// The locale's long time format without the time zone.
QString LongTimeFormatWithoutZone(const QLocale& locale);

using TBindFn = std::function<void(std::string_view, std::function<void()>)>;
void BindTextCommands(TTamberForm& form, const TBindFn& bind);

}  // namespace tamber
