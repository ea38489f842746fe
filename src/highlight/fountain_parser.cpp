#include "highlight/fountain_parser.h"

#include <algorithm>
#include <cstring>

#include "encoding/dbcs.h"

namespace tamber {
namespace {

constexpr bool IsWordByte(unsigned char b) {
  return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_';
}

// ! $ % & * , - . / 0-9 ; = ? @ A-Z ^ _ a-z ~
constexpr std::array<bool, 256> MakeMailChars() {
  std::array<bool, 256> t{};
  for (unsigned char c : std::string_view("!$%&*,-./;=?@^_~")) t[c] = true;
  for (int c = 0; c < 256; ++c)
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) t[c] = true;
  return t;
}
// # % & + - . / 0-9 : = ? A-Z _ a-z ~
constexpr std::array<bool, 256> MakeUrlChars() {
  std::array<bool, 256> t{};
  for (unsigned char c : std::string_view("#%&+-./:=?_~")) t[c] = true;
  for (int c = 0; c < 256; ++c)
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) t[c] = true;
  return t;
}
constexpr std::array<bool, 256> kMailChars = MakeMailChars();
constexpr std::array<bool, 256> kUrlChars = MakeUrlChars();

constexpr bool IsKanjiLead(unsigned char b) { return (b >= 0x88 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// The prefix is at p (the buffer is padded, so short prefixes never read past it).
bool HasPrefix(const unsigned char* p, std::string_view prefix) {
  return std::memcmp(p, prefix.data(), prefix.size()) == 0;
}

}  // namespace

TFountainParser::TFountainParser(TFountain* fountain) : fountain_(fountain) {
  if (!fountain_) throw EFountainError("TFountainParser.Create need instance of TFountain");
  BuildTables();
  LoadRow({}, TRowAttributeData{});
}

int TFountainParser::CharBytes(const unsigned char* p) {
  if (IsEndByte(*p)) return 0;
  return (IsLeadByte(*p) && !IsEndByte(p[1]) && IsTrailByte(p[1])) ? 2 : 1;
}

void TFountainParser::BuildTables() {
  char_table_.fill(&TFountainParser::ScanSymbol);
  char_table_[0x00] = &TFountainParser::ScanZero;
  char_table_[0x09] = &TFountainParser::ScanTab;
  char_table_[0x0A] = &TFountainParser::ScanLF;
  char_table_[0x0D] = &TFountainParser::ScanCR;
  for (int c = '0'; c <= '9'; ++c) char_table_[c] = &TFountainParser::ScanNumber;
  for (int c = 'A'; c <= 'Z'; ++c) char_table_[c] = &TFountainParser::ScanWord;
  for (int c = 'a'; c <= 'z'; ++c) char_table_[c] = &TFountainParser::ScanWord;
  char_table_['_'] = &TFountainParser::ScanWord;
  char_table_[0x81] = &TFountainParser::ScanWideSymbol;
  for (int c = 0x84; c <= 0x87; ++c) char_table_[c] = &TFountainParser::ScanWideSymbol;
  char_table_[0x82] = &TFountainParser::ScanWideRun;
  char_table_[0x83] = &TFountainParser::ScanWideRun;
  for (int c = 0x88; c <= 0x9F; ++c) char_table_[c] = &TFountainParser::ScanKanji;
  for (int c = 0xE0; c <= 0xFC; ++c) char_table_[c] = &TFountainParser::ScanKanji;
  for (int c = 0xA1; c <= 0xA5; ++c) char_table_[c] = &TFountainParser::ScanHalfKanaSymbol;
  for (int c = 0xA6; c <= 0xDF; ++c) char_table_[c] = &TFountainParser::ScanHalfKana;

  resume_table_.fill(&TFountainParser::ScanSymbol);
  resume_table_[tokInteger] = &TFountainParser::ScanNumber;
  resume_table_[tokFloat] = &TFountainParser::ScanNumber;
  resume_table_[tokBracket] = &TFountainParser::ScanBracket;
  resume_table_[tokComment] = &TFountainParser::ScanToLineEnd;
  resume_table_[tokReserved] = &TFountainParser::ResumeKeyword;
  resume_table_[tokAnk] = &TFountainParser::ScanWord;
  resume_table_[tokWideSymbol] = &TFountainParser::ScanWideSymbol;
  for (int k = tokWideDigit; k <= tokKatakana; ++k) resume_table_[k] = &TFountainParser::ScanWideRun;
  resume_table_[tokKanji] = &TFountainParser::ScanKanji;
  resume_table_[tokHalfKanaSymbol] = &TFountainParser::ScanHalfKanaSymbol;
  resume_table_[tokHalfKana] = &TFountainParser::ScanHalfKana;
  resume_table_[tokUrl] = &TFountainParser::ScanUrl;
  resume_table_[tokMail] = &TFountainParser::ScanMail;
  resume_table_[tokHex] = &TFountainParser::ScanHexDigits;
  resume_table_[tokSingleQuoted] = &TFountainParser::ScanSingleQuoted;
  resume_table_[tokDoubleQuoted] = &TFountainParser::ScanDoubleQuoted;
}

void TFountainParser::LoadText(std::string_view head, std::string_view tail, const TRowAttributeData& state) {
  buf_.clear();
  buf_.reserve(head.size() + tail.size() + kEndPadding);
  buf_.append(head);
  buf_.append(tail);
  buf_.append(kEndPadding, '\0');
  row_start_ = reinterpret_cast<const unsigned char*>(buf_.data());
  const unsigned char* p = row_start_;
  while (!IsEndByte(*p)) ++p;
  row_end_ = p;
  cursor_ = token_start_ = next_pos_ = row_start_;
  mail_fails_before_ = row_start_;
  token_ = tokEnd;
  continued_ = false;
  token_bracket_ = kNotParsed;
  row_attribute_ = state.RowAttribute;
  prev_row_attribute_ = state.PrevRowAttribute;
  open_bracket_ = state.OpenBracket;
  parse_state_ = state.ParseState;
  split_bytes_ = state.SplitBytes;
  parse_extra_ = state.ParseExtra;
  carried_kind_ = state.OpenTokenKind;
  parse_byte_ = state.ParseByte;
  carry_text_ = state.CarryText;
}

void TFountainParser::LoadRow(std::string_view text, const TRowAttributeData& state) {
  LoadText(text, {}, state);
}

std::string_view TFountainParser::TokenText() const {
  return {reinterpret_cast<const char*>(token_start_), static_cast<std::size_t>(next_pos_ - token_start_)};
}

TTokenKind TFountainParser::Next() {
  if (next_pos_ >= row_end_) {
    token_start_ = cursor_ = next_pos_ = row_end_;
    continued_ = false;
    carried_kind_ = 0;
    split_bytes_ = 0;
    return token_ = tokEnd;
  }
  // Blanks at the start of a row belong to a bracket range or a string that
  // runs on into it, and a carried byte count starts at the row start.
  const bool runs_on = open_bracket_ >= 0 ||
                       (carried_kind_ != 0 && (split_bytes_ > 0 || IsResumableKind(carried_kind_)));
  if (!runs_on) SkipBlanks();
  cursor_ = token_start_ = next_pos_;
  continued_ = carried_kind_ != 0;
  if (IsEndByte(*cursor_)) token_ = tokEnd;
  else if (carried_kind_ != 0) ResumeCarried();
  else if (open_bracket_ >= 0) ScanBracket();
  else DispatchToken();
  // Every token but the end moves on, whatever an operation did, so a row
  // can never be scanned forever.
  if (token_ != tokEnd && cursor_ == token_start_) cursor_ += CharBytes(cursor_);
  carried_kind_ = 0;
  split_bytes_ = 0;
  next_pos_ = std::max(cursor_, token_start_);
  return token_;
}

void TFountainParser::SkipBlanks() {
  while (next_pos_ < row_end_) {
    const unsigned char b = *next_pos_;
    if ((b >= 1 && b <= 8) || (b >= 10 && b <= 32)) ++next_pos_;
    else break;
  }
}

void TFountainParser::DispatchToken() {
  if (open_bracket_ == kNoBracket && MatchBracketOpen()) ScanBracket();
  else RunCharTable();
}

bool TFountainParser::MatchBracketOpen() {
  const TFountainBracketCollection& brackets = fountain_->Brackets();
  const std::size_t room = static_cast<std::size_t>(row_end_ - cursor_);
  for (int i = 0; i < brackets.Count(); ++i) {
    const std::string& left = brackets.Items(i).LeftBracket();
    if (left.empty() || left.size() > room || std::memcmp(cursor_, left.data(), left.size()) != 0) continue;
    open_bracket_ = i;
    cursor_ += left.size();
    return true;
  }
  return false;
}

void TFountainParser::ScanBracket() {
  const TFountainBracketCollection& brackets = fountain_->Brackets();
  if (open_bracket_ < 0 || open_bracket_ >= brackets.Count() ||
      brackets.Items(open_bracket_).RightBracket().empty()) {
    // A pair that cannot close colours nothing and is not left open.
    token_ = tokEnd;
    open_bracket_ = kNoBracket;
    return;
  }
  token_ = tokBracket;
  token_bracket_ = open_bracket_;
  const std::string& right = brackets.Items(open_bracket_).RightBracket();
  const unsigned char first = static_cast<unsigned char>(right[0]);
  while (cursor_ < row_end_) {
    if (*cursor_ == first && right.size() <= static_cast<std::size_t>(row_end_ - cursor_) &&
        std::memcmp(cursor_, right.data(), right.size()) == 0) {
      cursor_ += right.size();
      open_bracket_ = kNoBracket;
      return;
    }
    cursor_ += CharBytes(cursor_);
  }
}

bool TFountainParser::MatchMail() {
  // A failed match from s ran to the first non-mail byte f; every start in
  // [s, f) fails the same way, so those are answered at once (linear rows).
  if (cursor_ < mail_fails_before_) return false;
  if (!kMailChars[*cursor_] || *cursor_ == '@') return false;
  bool at = false;
  for (const unsigned char* p = cursor_;; ++p) {
    const unsigned char b = *p;
    if (!kMailChars[b]) {
      mail_fails_before_ = p;
      return false;
    }
    if (b == '@') {
      at = true;
    } else if (b == '.' && at) {
      cursor_ = p + 1;
      return true;
    }
  }
}

void TFountainParser::ScanMail() {
  token_ = tokMail;
  while (kMailChars[*cursor_]) ++cursor_;
}

bool TFountainParser::MatchUrl() {
  std::string_view prefix;
  switch (*cursor_) {
    case 'f': prefix = "ftp:"; break;
    case 'h':
      if (HasPrefix(cursor_, "http:")) prefix = "http:";
      else prefix = "https:";
      break;
    case 'w': prefix = "www."; break;
    default: return false;
  }
  if (!HasPrefix(cursor_, prefix)) return false;
  cursor_ += prefix.size();
  return true;
}

void TFountainParser::ScanUrl() {
  token_ = tokUrl;
  while (kUrlChars[*cursor_]) ++cursor_;
}

void TFountainParser::ResumeKeyword() {
  RunCharTable();
  token_ = tokReserved;
}

void TFountainParser::ScanZero() { token_ = tokEnd; }

void TFountainParser::ScanTab() {
  token_ = tokTab;
  ++cursor_;
}

void TFountainParser::ScanLF() {
  token_ = tokEnd;
  ++cursor_;
}

void TFountainParser::ScanCR() {
  token_ = tokEnd;
  ++cursor_;
  if (*cursor_ == '\n') ++cursor_;
}

void TFountainParser::ScanToLineEnd() {
  token_ = tokComment;
  cursor_ = std::max(cursor_, row_end_);
}

void TFountainParser::ScanHexDigits() {
  token_ = tokHex;
  SkipHexDigits();
}

void TFountainParser::SkipExponentRest() {
  if ((*cursor_ == '+' || *cursor_ == '-') && IsDigit(cursor_[1])) {
    ++cursor_;
    SkipDigits();
  } else {
    SkipDigits();
  }
}

void TFountainParser::ScanNumber() {
  token_ = tokInteger;
  SkipDigits();
  const unsigned char c = *cursor_;
  if (c == '.') {
    const unsigned char n = cursor_[1];
    if (IsDigit(n)) {
      token_ = tokFloat;
      ++cursor_;
      SkipDigits();
      if (*cursor_ == 'E' || *cursor_ == 'e') {
        ++cursor_;
        SkipExponentRest();
      }
    } else if (n == 'E' || n == 'e') {
      token_ = tokFloat;
      cursor_ += 2;
      SkipExponentRest();
    }
    // Otherwise the period is a symbol of its own and the digits stay an integer.
  } else if (c == 'E' || c == 'e') {
    token_ = tokFloat;
    ++cursor_;
    SkipExponentRest();
  }
}

void TFountainParser::ScanWord() {
  token_ = tokAnk;
  while (IsWordByte(*cursor_)) ++cursor_;
}

void TFountainParser::ScanWideSymbol() {
  token_ = tokWideSymbol;
  const unsigned char lead = cursor_[0];
  const unsigned char trail = cursor_[1];
  if (IsEndByte(trail) || !IsTrailByte(trail)) {
    // A lead byte at the row end, or before a byte that cannot trail it, is one byte.
    if (IsLeadByte(lead)) ++cursor_;
    return;
  }
  bool symbol = lead == 0x81 || (lead >= 0x84 && lead <= 0x87);
  if (lead == 0x83) symbol = trail >= 0x97 && trail <= 0xF0;
  if (lead == 0x82)
    symbol = (trail >= 0x40 && trail <= 0x4E) || (trail >= 0x59 && trail <= 0x5F) ||
             (trail >= 0x7A && trail <= 0x80) || (trail >= 0x9B && trail <= 0x9E) || trail >= 0xF2;
  if (symbol) cursor_ += 2;
}

void TFountainParser::ScanWideRun() {
  const unsigned char lead = *cursor_++;
  const unsigned char t = *cursor_;
  auto run = [this](TTokenKind kind, auto member) {
    token_ = kind;
    ++cursor_;  // the first trail byte
    while (member(cursor_[0], cursor_[1])) cursor_ += 2;
  };
  auto prolonged = [](unsigned char a, unsigned char b) { return a == 0x81 && (b == 0x5B || b == 0x7C); };
  if (lead == 0x82) {
    if (t >= 0x4F && t <= 0x58) {
      run(tokWideDigit, [](unsigned char a, unsigned char b) {
        return (a == 0x82 && b >= 0x4F && b <= 0x58) || (a == 0x81 && (b == 0x43 || b == 0x44));
      });
    } else if ((t >= 0x60 && t <= 0x79) || (t >= 0x81 && t <= 0x9A)) {
      run(tokWideAlpha, [](unsigned char a, unsigned char b) {
        return a == 0x82 && ((b >= 0x60 && b <= 0x79) || (b >= 0x81 && b <= 0x9A));
      });
    } else if (t >= 0x9F && t <= 0xF1) {
      run(tokHiragana, [&](unsigned char a, unsigned char b) {
        return (a == 0x82 && b >= 0x9F && b <= 0xF1) || prolonged(a, b);
      });
    } else if (t >= 0x40) {
      token_ = tokWideSymbol;
      ++cursor_;
    } else {
      token_ = tokSymbol;  // a lead byte without a trail byte
    }
  } else if (lead == 0x83) {
    if (t >= 0x40 && t <= 0x96) {
      run(tokKatakana, [&](unsigned char a, unsigned char b) {
        return (a == 0x83 && b >= 0x40 && b <= 0x96) || prolonged(a, b);
      });
    } else if (t >= 0x97 && t <= 0xF0) {
      token_ = tokWideSymbol;
      ++cursor_;
    } else {
      token_ = tokSymbol;
    }
  } else {
    // Resumed on a byte that does not start a wide run: one character.
    token_ = tokSymbol;
    --cursor_;
    cursor_ += CharBytes(cursor_);
  }
}

void TFountainParser::ScanKanji() {
  token_ = tokKanji;
  while (IsKanjiLead(*cursor_)) {
    ++cursor_;
    if (*cursor_ >= 0x40) ++cursor_;
  }
}

void TFountainParser::ScanHalfKanaSymbol() {
  token_ = tokHalfKanaSymbol;
  ++cursor_;
}

void TFountainParser::ScanHalfKana() {
  token_ = tokHalfKana;
  while (*cursor_ >= 0xA6 && *cursor_ <= 0xDF) ++cursor_;
}

void TFountainParser::ScanSymbol() {
  token_ = tokSymbol;
  if (!IsEndByte(*cursor_)) ++cursor_;
}

void TFountainParser::ScanQuoted(TTokenKind kind, unsigned char quote) {
  token_ = kind;
  if (!continued_) ++cursor_;  // the opening quote
  while (!IsEndByte(*cursor_)) {
    if (*cursor_ == quote) {
      ++cursor_;
      if (*cursor_ != quote) return;  // closed; a doubled quote is part of the string
      ++cursor_;
    } else {
      cursor_ += CharBytes(cursor_);
    }
  }
}

void TFountainParser::ScanSingleQuoted() { ScanQuoted(tokSingleQuoted, '\''); }
void TFountainParser::ScanDoubleQuoted() { ScanQuoted(tokDoubleQuoted, '"'); }

void TFountainParser::ResumeCarried() {
  if (split_bytes_ > 0) {
    token_ = carried_kind_;
    cursor_ = std::min(cursor_ + split_bytes_, row_end_);
    if (token_ == tokBracket) {
      token_bracket_ = open_bracket_;
      open_bracket_ = kNoBracket;
    }
  } else {
    (this->*resume_table_[carried_kind_])();
  }
  carried_kind_ = 0;
  split_bytes_ = 0;
}

bool TFountainParser::IsKeyword() const {
  if (continued_) return false;
  if (token_ == tokEnd || token_ == tokBracket || token_ == tokComment) return false;
  return fountain_->ReserveWordList().Contains(TokenText());
}

void TFountainParser::PromoteKeyword(TTokenKind& kind) const {
  if (IsKeyword()) kind = tokReserved;
}

bool TFountainParser::IsResumableKind(TTokenKind kind) const {
  return kind == tokComment || kind == tokSingleQuoted || kind == tokDoubleQuoted;
}

bool TFountainParser::MatchWord(std::string_view word) {
  const unsigned char* p = cursor_;
  for (const char w : word) {
    unsigned char b = *p;
    if (b >= 'a' && b <= 'z') b = b - 'a' + 'A';
    unsigned char c = static_cast<unsigned char>(w);
    if (c >= 'a' && c <= 'z') c = c - 'a' + 'A';
    if (b != c || IsEndByte(*p)) return false;
    ++p;
  }
  if (IsWordByte(*p)) return false;
  cursor_ = p;
  return true;
}

void TFountainParser::ParseRow(std::string_view row, TRowAttribute attr, const std::string_view* next,
                               TRowAttribute next_attr, TRowAttributeData& state) {
  // A line comment that runs on from the row before covers this whole row.
  if (IsWholeRowKind(state.OpenTokenKind)) {
    if (attr != raFolded) state.OpenTokenKind = 0;
    state.SplitBytes = 0;
    return;
  }
  const int length = static_cast<int>(row.size());
  if (row.find_first_not_of(' ') == std::string_view::npos) {
    // Blank rows keep the state (a block comment stays open over them), but a
    // token carried in ends with the line: a string does not run past a line break.
    if (attr != raFolded) {
      state.OpenTokenKind = 0;
      state.SplitBytes = 0;
    }
    return;
  }
  const bool joined = attr == raFolded && next != nullptr;
  LoadText(row, joined ? *next : std::string_view(), state);
  int bracket = state.OpenBracket;
  int parse_state = state.ParseState;
  TTokenKind kind = 0;
  bool straddles = false;
  while (Next() != tokEnd) {
    kind = token_;
    state.OpenBracket = open_bracket_;
    if (kind == tokBracket) bracket = token_bracket_;
    parse_state = parse_state_;
    if (TokenOffset() + TokenSize() > length) {
      straddles = true;
      break;
    }
    state.ParseState = parse_state_;
    state.ParseByte = parse_byte_;
  }
  state.SplitBytes = 0;
  state.OpenTokenKind = 0;
  if (!straddles) return;
  if (TokenOffset() >= length) {
    // The last token starts on the next row, which scans it itself.
    state.OpenBracket = kNoBracket;
    return;
  }
  const int split = TokenOffset() + TokenSize() - length;
  state.ParseState = parse_state;
  if (kind == tokBracket) {
    if (state.OpenBracket == kNoBracket) {
      // The pair closes on the next row.
      state.OpenBracket = bracket;
      const std::string& right = fountain_->Brackets().Items(bracket).RightBracket();
      if (split < static_cast<int>(right.size())) {
        // The closing bracket itself is split by the fold.
        state.OpenTokenKind = tokBracket;
        state.SplitBytes = split;
      }
    }
    return;
  }
  PromoteKeyword(kind);
  state.OpenTokenKind = kind;
  const bool ends_inside = next_pos_ < row_end_;
  const bool next_row_ends_line = joined && next_attr != raFolded;
  // A token whose end is known is resumed by its byte count. That holds for a
  // string that closes on the next row too: rescanning it from the row start
  // would pair a doubled quote split by the fold differently.
  if (ends_inside || (!IsResumableKind(kind) && next_row_ends_line)) state.SplitBytes = split;
  // The count must fit the stored byte; a longer rest is resumed by scanning.
  if (state.SplitBytes > kMaxStateByte) state.SplitBytes = 0;
}

void TFountainParser::ParseRow(int row, const TRowAttributeStringList& rows, TRowAttributeData& state) {
  const TRowAttribute attr = rows.RowAttribute(row);
  if (row + 1 < rows.Count()) {
    const std::string_view next = rows.RowView(row + 1);
    ParseRow(rows.RowView(row), attr, &next, rows.RowAttribute(row + 1), state);
  } else {
    ParseRow(rows.RowView(row), attr, nullptr, raNone, state);
  }
}

}  // namespace tamber
