#include "script/pascal_parser.h"

#include <algorithm>
#include <array>

namespace tamber::script {

namespace {

struct Keyword {
  std::string_view name;
  TokenKind kind;
};

// Alphabetical, searched by binary search.
constexpr std::array<Keyword, 56> kKeywords = {{
    {"AND", kwAnd},           {"ARRAY", kwArray},       {"AS", kwAs},
    {"BEGIN", kwBegin},       {"BREAK", kwBreak},       {"CASE", kwCase},
    {"CLASS", kwClass},       {"CONST", kwConst},       {"CONSTRUCTOR", kwConstructor},
    {"CONTINUE", kwContinue}, {"DESTRUCTOR", kwDestructor}, {"DIV", kwDiv},
    {"DO", kwDo},             {"DOWNTO", kwDownto},     {"ELSE", kwElse},
    {"END", kwEndKw},         {"EXCEPT", kwExcept},     {"EXIT", kwExit},
    {"EXTERNAL", kwExternal}, {"FINALLY", kwFinally},   {"FOR", kwFor},
    {"FORWARD", kwForward},   {"FUNCTION", kwFunction}, {"IF", kwIf},
    {"IN", kwIn},             {"INHERITED", kwInherited}, {"IS", kwIs},
    {"MOD", kwMod},           {"NOT", kwNot},           {"OF", kwOf},
    {"OR", kwOr},             {"OVERRIDE", kwOverride}, {"PRIVATE", kwPrivate},
    {"PROCEDURE", kwProcedure}, {"PROGRAM", kwProgram}, {"PROPERTY", kwProperty},
    {"PROTECTED", kwProtected}, {"PUBLIC", kwPublic},   {"PUBLISHED", kwPublished},
    {"RECORD", kwRecord},     {"REPEAT", kwRepeat},     {"SET", kwSet},
    {"SHL", kwShl},           {"SHR", kwShr},           {"THEN", kwThen},
    {"TO", kwTo},             {"TRY", kwTry},           {"TYPE", kwType},
    {"UNIT", kwUnit},         {"UNTIL", kwUntil},       {"USES", kwUses},
    {"VAR", kwVar},           {"VIRTUAL", kwVirtual},   {"WHILE", kwWhile},
    {"WITH", kwWith},         {"XOR", kwXor},
}};

bool IsLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(unsigned char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
// Shift-JIS lead bytes: a double-byte character is skipped whole.
bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

const std::string kEmpty;

// Integer literals are kept as 32-bit patterns: anything above 2^32 - 1 is refused.
bool FitsCardinal(std::string_view digits, int base) {
  if (digits.empty()) return base == 16;  // a lone '$' reads as 0
  std::uint64_t v = 0;
  for (char ch : digits) {
    const int d = IsDigit(ch) ? ch - '0' : (ch | 0x20) - 'a' + 10;
    v = v * base + d;
    if (v > 0xFFFFFFFFull) return false;
  }
  return true;
}

}  // namespace

TokenKind KeywordKind(std::string_view upper) {
  if (upper.size() > 255) upper = upper.substr(0, 255);
  auto it = std::lower_bound(kKeywords.begin(), kKeywords.end(), upper,
                             [](const Keyword& k, std::string_view v) { return k.name < v; });
  return it != kKeywords.end() && it->name == upper ? it->kind : tkIdentifier;
}

bool TIfPascalParser::Tokenize(std::string_view text) {
  tokens_.clear();
  cursor_ = -1;
  error_ = teNone;
  errorPos_ = 0;
  // The text is read as zero-terminated: a NUL byte ends it.
  const std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  const std::size_t n = text.size();
  auto at = [&](std::size_t i) -> unsigned char { return i < n ? static_cast<unsigned char>(text[i]) : 0; };
  auto fail = [&](TokenizeError e, std::size_t pos) {
    tokens_.clear();
    error_ = e;
    errorPos_ = static_cast<std::int32_t>(pos);
    return false;
  };
  std::size_t i = 0;
  for (;;) {
    const unsigned char c = at(i);
    const std::size_t start = i;
    TokenKind kind;
    if (c == 0) {
      tokens_.push_back({static_cast<std::int32_t>(i), tkEnd, {}});
      break;
    }
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      while (at(i) == ' ' || at(i) == '\t' || at(i) == '\r' || at(i) == '\n') ++i;
      continue;
    }
    if (c == '{') {
      ++i;
      while (at(i) != '}') {
        if (at(i) == 0) return fail(teComment, start);
        i += IsLead(at(i)) && at(i + 1) != 0 ? 2 : 1;
      }
      ++i;
      continue;
    }
    if (c == '(' && at(i + 1) == '*') {
      ++i;  // the search for "*)" starts at the opener's '*'
      while (!(at(i) == '*' && at(i + 1) == ')')) {
        if (at(i) == 0) return fail(teComment, start);
        i += IsLead(at(i)) && at(i + 1) != 0 ? 2 : 1;
      }
      i += 2;
      continue;
    }
    if (c == '/' && at(i + 1) == '/') {
      i += 2;
      while (at(i) != '\r' && at(i) != '\n') {
        if (at(i) == 0) return fail(teComment, start);
        i += IsLead(at(i)) && at(i + 1) != 0 ? 2 : 1;
      }
      ++i;
      if (at(i) == '\r' || at(i) == '\n') ++i;
      continue;
    }
    if (c == '\'') {
      ++i;
      while (at(i) != '\'') {
        if (at(i) == 0 || at(i) == '\r' || at(i) == '\n') return fail(teString, start);
        i += IsLead(at(i)) && at(i + 1) != 0 && at(i + 1) != '\r' && at(i + 1) != '\n' ? 2 : 1;
      }
      ++i;
      kind = tkString;
    } else if (c == '#') {
      ++i;
      if (at(i) == '$') {
        ++i;
        while (IsLetter(at(i)) || IsDigit(at(i))) ++i;
      } else {
        while (IsDigit(at(i))) ++i;
        if (IsLetter(at(i))) return fail(teCharLiteral, start);
      }
      kind = tkChar;
    } else if (c == '$') {
      ++i;
      while (IsHexDigit(at(i))) ++i;
      kind = tkHex;
      if (!FitsCardinal(text.substr(start + 1, i - start - 1), 16)) return fail(teSyntax, start);
    } else if (IsDigit(c)) {
      bool real = false;
      bool dot = false;
      while (IsDigit(at(i)) || (at(i) == '.' && !dot && at(i + 1) != '.')) {
        if (at(i) == '.') dot = real = true;
        ++i;
      }
      if (at(i) == 'E' || at(i) == 'e') {
        real = true;
        ++i;
        if (at(i) == '-' || at(i) == '+') ++i;
        // An exponent without digits cannot be read.
        if (!IsDigit(at(i))) return fail(teSyntax, start);
        while (IsDigit(at(i))) ++i;
      }
      kind = real ? tkReal : tkInteger;
      if (!real && !FitsCardinal(text.substr(start, i - start), 10)) return fail(teSyntax, start);
    } else if (IsLetter(c)) {
      while (IsLetter(at(i)) || IsDigit(at(i))) ++i;
      std::string up(text.substr(start, i - start));
      for (char& ch : up)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
      const TokenKind k = KeywordKind(up);
      tokens_.push_back({static_cast<std::int32_t>(start), k, k == tkIdentifier ? std::move(up) : std::string()});
      continue;
    } else {
      const unsigned char d = at(i + 1);
      i += 1;
      switch (c) {
        case ':': kind = d == '=' ? (++i, tkAssign) : tkColon; break;
        case '<':
          if (d == '=') kind = (++i, tkLessEqual);
          else if (d == '>') kind = (++i, tkNotEqual);
          else kind = tkLess;
          break;
        case '>': kind = d == '=' ? (++i, tkGreaterEqual) : tkGreater; break;
        case '=': kind = tkEqual; break;
        case ';': kind = tkSemicolon; break;
        case ',': kind = tkComma; break;
        case '.': kind = tkPeriod; break;
        case '(': kind = tkOpenRound; break;
        case ')': kind = tkCloseRound; break;
        case '[': kind = tkOpenBlock; break;
        case ']': kind = tkCloseBlock; break;
        case '+': kind = tkPlus; break;
        case '-': kind = tkMinus; break;
        case '*': kind = tkMultiply; break;
        case '/': kind = tkDivide; break;
        case '@': kind = tkAt; break;
        case '^': kind = tkDereference; break;
        default: return fail(teSyntax, start);
      }
      tokens_.push_back({static_cast<std::int32_t>(start), kind, {}});
      continue;
    }
    tokens_.push_back({static_cast<std::int32_t>(start), kind, std::string(text.substr(start, i - start))});
  }
  cursor_ = 0;
  return true;
}

const std::string& TIfPascalParser::CurrentText() const {
  return cursor_ < 0 || cursor_ >= static_cast<int>(tokens_.size()) ? kEmpty : tokens_[cursor_].text;
}

std::int32_t TIfPascalParser::CurrentPosition() const {
  if (tokens_.empty()) return 0;
  if (cursor_ < 0 || cursor_ >= static_cast<int>(tokens_.size())) return tokens_.back().position;
  return tokens_[cursor_].position;
}

void TIfPascalParser::Seek(std::int32_t position) {
  auto it = std::upper_bound(tokens_.begin(), tokens_.end(), position,
                             [](std::int32_t p, const TIFToken& t) { return p < t.position; });
  cursor_ = it == tokens_.begin() ? -1 : static_cast<int>(it - tokens_.begin()) - 1;
}

}  // namespace tamber::script
