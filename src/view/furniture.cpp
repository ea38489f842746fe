#include "view/furniture.h"

#include <algorithm>

#include "encoding/dbcs.h"
#include "search/regexp_error.h"
#include "view/bracket_match.h"

namespace tamber {

TTextEditorFurniture::TTextEditorFurniture(TTextEditor& editor) : editor_(editor), tokens_(nullptr) {
  for (TNotifyPersistent* o : std::initializer_list<TNotifyPersistent*>{
           &margin_, &imagebar_, &leftbar_, &ruler_, &marks_, &fxMarks_, &verticalLines_, &view_})
    Wire(*o);
  tokens_.SetFountain(&view_.Fountain());
  editor_.SetTokenSource(&tokens_);
  editor_.Text().ReparseAll();
  numberDigits_ = WantedNumberDigits();
  DoLayout();
}

TTextEditorFurniture::~TTextEditorFurniture() { editor_.SetTokenSource(nullptr); }

void TTextEditorFurniture::Wire(TNotifyPersistent& option) {
  option.SetOnChange([this](TObject& sender) { OptionChanged(sender); });
}

void TTextEditorFurniture::SetColor(TColor v) {
  if (color_ == v) return;
  color_ = v;
  if (OnRepaintAll) OnRepaintAll();
}

void TTextEditorFurniture::SetFontColor(TColor v) {
  if (fontColor_ == v) return;
  fontColor_ = v;
  if (OnRepaintAll) OnRepaintAll();
}

void TTextEditorFurniture::SetFontItalic(bool v) {
  if (fontItalic_ == v) return;
  fontItalic_ = v;
  if (OnRepaintAll) OnRepaintAll();
}

void TTextEditorFurniture::SetFountain(TFountain* f) {
  if (fountain_ == f) return;
  fountain_ = f;
  fountainConnection_ = f ? f->ChangeHandlers().Add([this](TObject& s) { OptionChanged(s); })
                          : TNotifyConnection{};
  tokens_.SetFountain(&ActiveFountain());
  OptionChanged(view_);
}

void TTextEditorFurniture::OptionChanged(TObject& sender) {
  // The View's colours, brackets or words, or the fountain's, change the states.
  if (&sender == &view_ || (fountain_ && &sender == fountain_)) editor_.Text().ReparseAll();
  DoLayout();
  editor_.ScrollCaret();
  if (OnRepaintAll) OnRepaintAll();
}

// ---- layout ----

void TTextEditorFurniture::SetFontMetrics(const TFontMetricsInfo& m) {
  font_ = m;
  DoLayout();
}

void TTextEditorFurniture::SetClientSize(int width, int height, int horzBarHeight, int vertBarWidth) {
  clientWidth_ = width;
  clientHeight_ = height;
  horzBar_ = horzBarHeight;
  vertBar_ = vertBarWidth;
  DoLayout();
}

void TTextEditorFurniture::DoLayout() {
  TLayoutInput in;
  in.Font = font_;
  in.Margin = &margin_;
  in.Imagebar = &imagebar_;
  in.Leftbar = &leftbar_;
  in.Ruler = &ruler_;
  in.Marks = &marks_;
  in.NumberDigits = numberDigits_;
  in.ClientWidth = clientWidth_;
  in.ClientHeight = clientHeight_;
  in.HorzScrollBarHeight = horzBar_;
  in.VertScrollBarWidth = vertBar_;
  layout_ = ComputeLayout(in);
  TTextEditorMetrics m;
  m.TextLeft = layout_.TextLeft;
  m.TextTop = layout_.TextTop;
  m.CharWidth = layout_.CharWidth;
  m.RowPitch = layout_.RowPitch;
  m.FontHeight = layout_.FontHeight;
  m.CharacterMargin = margin_.Character();
  m.ClientWidth = clientWidth_;
  m.ClientHeight = clientHeight_;
  editor_.SetMetrics(m);
  editor_.SetVisibleSize(layout_.VisibleRows, layout_.VisibleCols);
}

int TTextEditorFurniture::WantedNumberDigits() const {
  const TTextEditorScreenStrings& text = editor_.Text();
  const int count = text.Count();
  const bool finalBreak = count == 0 || text.RowAttributeAt(count - 1) == raBreak;
  const int shown = leftbar_.ShowNumberMode() == nmRow ? count : (count == 0 ? 0 : text.RowToLine(count - 1) + 1);
  const long long largest = static_cast<long long>(shown) + (finalBreak ? 1 : 0) - 1 + (leftbar_.ZeroBase() ? 0 : 1);
  int digits = 1;
  for (long long v = std::max(0LL, largest); v >= 10; v /= 10) ++digits;
  return std::clamp(digits, leftbar_.Column(), TTextEditorLeftbar::kMaxColumn);
}

bool TTextEditorFurniture::UpdateNumberDigits() {
  const int wanted = WantedNumberDigits();
  if (wanted == numberDigits_) return false;
  numberDigits_ = wanted;
  DoLayout();
  return true;
}

// ---- find marks ----

void TTextEditorFurniture::SetFindString(std::string_view s) {
  if (findString_ == s && findReady_) return;
  findString_ = std::string(s);
  findReady_ = false;
  if (OnRepaintAll) OnRepaintAll();
}

void TTextEditorFurniture::SetFxSearchOptions(TFxSearchOptions o) {
  if (searchOptions_ == o) return;
  searchOptions_ = o;
  findReady_ = false;
  if (OnRepaintAll) OnRepaintAll();
}

namespace {
// The pattern that matches s literally: every metacharacter behind a
// backslash (trail bytes are never touched).
std::string EscapeLiteral(std::string_view s) {
  static constexpr std::string_view kMeta = "\\.*+?|()[]{}^$";
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = CharLength(s, i);
    if (n == 1 && kMeta.find(s[i]) != std::string_view::npos) out.push_back('\\');
    out.append(s.substr(i, n));
    i += n;
  }
  return out;
}
}  // namespace

void TTextEditorFurniture::CompileFind() {
  findReady_ = true;
  findError_.clear();
  if (findString_.empty()) return;
  if (!matcher_) matcher_ = std::make_unique<TAWKStrEx>();
  try {
    matcher_->SetIgnoreCase((searchOptions_ & soMatchCase) == 0);
    matcher_->SetUseFuzzyCharDic((searchOptions_ & soFuzzy) != 0);
    matcher_->SetRegExp((searchOptions_ & soRegexp) ? findString_ : EscapeLiteral(findString_));
  } catch (const std::exception& e) {
    // Kept, not raised again for every row painted.
    findError_ = e.what();
    if (findError_.empty()) findError_ = "?";
  }
}

std::vector<std::pair<int, int>> TTextEditorFurniture::FindMatches(std::string_view lineText) {
  std::vector<std::pair<int, int>> out;
  if (!findReady_) CompileFind();
  if (findString_.empty() || !findError_.empty() || !matcher_) return out;
  std::vector<TSearchInfo> found;
  try {
    // The find commands' rules (whole words, CR LF at the line end).
    tamber::FindInLine(*matcher_, lineText, false, findString_, searchOptions_, found);
  } catch (const std::exception& e) {
    findError_ = e.what();
    return out;
  }
  for (const TSearchInfo& m : found)
    out.emplace_back(static_cast<int>(m.MatchPos) - 1, static_cast<int>(m.MatchLen));
  return out;
}

// ---- caret moves ----

std::vector<Row> TTextEditorFurniture::CaretMoved() {
  std::vector<Row> rows;
  const Row caretRow = editor_.Row();
  if (fxMarks_.CurrentLine().Visible() && caretRow != lastCaretRow_) {
    if (lastCaretRow_ >= 0) rows.push_back(lastCaretRow_);
    rows.push_back(caretRow);
  }
  lastCaretRow_ = caretRow;
  if (fxMarks_.ParenMark().Visible()) {
    std::optional<TBracketPair> now =
        MatchBracketAt(editor_.Text(), caretRow, editor_.ColToByte(caretRow, editor_.Col()));
    if (now != brackets_) {
      for (const auto& p : {brackets_, now})
        if (p) {
          rows.push_back(p->Open.Row);
          rows.push_back(p->Close.Row);
        }
      brackets_ = std::move(now);
    }
  } else if (brackets_) {
    rows.push_back(brackets_->Open.Row);
    rows.push_back(brackets_->Close.Row);
    brackets_.reset();
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

}  // namespace tamber
