#include "highlight/language_fountains.h"

namespace tamber {
namespace {

const char* const kDelphiWords[] = {
    "absolute", "abstract", "and", "array", "as", "asm", "assembler", "automated", "begin", "case",
    "cdecl", "class", "const", "constructor", "default", "destructor", "dispid", "dispinterface", "div",
    "do", "downto", "dynamic", "else", "end", "except", "export", "exports", "external", "far", "file",
    "finalization", "finally", "for", "forward", "function", "goto", "if", "implementation", "in",
    "inherited", "initialization", "inline", "interface", "is", "label", "library", "message", "mod",
    "near", "nil", "nodefault", "not", "object", "of", "or", "out", "overload", "override", "packed",
    "pascal", "private", "procedure", "program", "property", "protected", "public", "published", "raise",
    "readonly", "record", "register", "repeat", "resident", "resourcestring", "safecall", "set", "shl",
    "shr", "stdcall", "stored", "string", "then", "threadvar", "to", "try", "type", "unit", "until", "uses",
    "var", "virtual", "while", "with", "writeonly", "xor",
};

// The colour of the parser's current token by the table the language
// fountains share; the fountain-specific kinds are handled by the callers.
const TFountainColor* LanguageColor(const TFountainParser& p, TLanguageFountain& f) {
  if (p.IsKeyword()) return &f.Reserve();
  const TTokenKind kind = p.Token();
  switch (kind) {
    case tokSymbol: return &f.Symbol();
    case tokInteger:
    case tokFloat:
    case tokHex: return &f.Int();
    case tokBracket:
      if (p.TokenBracket() >= 0 && p.TokenBracket() < f.Brackets().Count())
        return &f.Brackets().Items(p.TokenBracket()).ItemColor();
      return nullptr;
    case tokComment: return &f.Comment();
    case tokReserved: return &f.Reserve();
    case tokAnk: return &f.Ank();
    case tokSingleQuoted: return &f.Str();
    default:
      if (kind >= tokWideSymbol && kind <= tokHalfKana) return &f.DBCS();
      return nullptr;
  }
}

}  // namespace

// ---- fountains

TLanguageFountain::TLanguageFountain() {
  for (TFountainColor* c : {&ank_, &comment_, &dbcs_, &int_, &str_, &symbol_}) WireColor(*c);
}

void TLanguageFountain::ForEachColor(const std::function<void(TFountainColor&)>& visit) {
  TFountain::ForEachColor(visit);
  for (TFountainColor* c : {&ank_, &comment_, &dbcs_, &int_, &str_, &symbol_}) visit(*c);
}

TDelphiFountain::TDelphiFountain() {
  WireColor(asm_block_);
  for (const char* ext : {".pas", ".dpr", ".inc"}) FileExtList().Add(ext);
  Brackets().Add("{", "}");
  Brackets().Add("(*", "*)");
  for (const char* w : kDelphiWords) ReserveWordList().Add(w);
}

std::unique_ptr<TFountainParser> TDelphiFountain::CreateParser() {
  return std::make_unique<TDelphiFountainParser>(this);
}

void TDelphiFountain::ForEachColor(const std::function<void(TFountainColor&)>& visit) {
  TLanguageFountain::ForEachColor(visit);
  visit(asm_block_);
}

TCFountain::TCFountain() {
  WireColor(pre_processor_);
  for (const char* ext : {".cpp", ".c", ".hpp", ".h"}) FileExtList().Add(ext);
  Brackets().Add("/*", "*/");
}

std::unique_ptr<TFountainParser> TCFountain::CreateParser() {
  return std::make_unique<TCFountainParser>(this);
}

void TCFountain::ForEachColor(const std::function<void(TFountainColor&)>& visit) {
  TLanguageFountain::ForEachColor(visit);
  visit(pre_processor_);
}

TNCFountain::TNCFountain() {
  for (const char* ext : {".nc", ".dat"}) FileExtList().Add(ext);
  Brackets().Add("(", ")");
  ReserveWordList().Add("%");
}

std::unique_ptr<TFountainParser> TNCFountain::CreateParser() {
  return std::make_unique<TNCFountainParser>(this);
}

// ---- shared parser parts

TPropertyParser::TPropertyParser(TFountain* fountain) : TFountainParser(fountain) {
  char_table_[';'] = static_cast<TScanOp>(&TPropertyParser::ScanSemicolon);
  char_table_['\''] = &TPropertyParser::ScanSingleQuoted;
  char_table_['/'] = static_cast<TScanOp>(&TPropertyParser::ScanSlash);
}

bool TPropertyParser::MatchPropertyStart() {
  if ((*cursor_ != 'p' && *cursor_ != 'P') || !MatchWord("property")) return false;
  token_ = tokAnk;
  parse_state_ = 1;
  return true;
}

bool TPropertyParser::ScanPropertyWord() {
  for (const char* w : {"index", "read", "write"}) {
    if (MatchWord(w)) {
      token_ = tokReserved;
      return true;
    }
  }
  for (const char* w : {"end", "function", "private", "procedure", "protected", "public", "published"}) {
    if (MatchWord(w)) {
      token_ = tokAnk;
      parse_state_ = 0;
      return true;
    }
  }
  return false;
}

void TPropertyParser::ScanSemicolon() {
  if (parse_state_ == 1) parse_state_ = 0;
  ScanSymbol();
}

void TPropertyParser::ScanSlash() {
  if (cursor_[1] == '/') ScanToLineEnd();
  else ScanSymbol();
}

// ---- Pascal

TDelphiFountainParser::TDelphiFountainParser(TDelphiFountain* fountain) : TPropertyParser(fountain) {
  char_table_['#'] = static_cast<TScanOp>(&TDelphiFountainParser::ScanCharCode);
  char_table_['$'] = static_cast<TScanOp>(&TDelphiFountainParser::ScanDollarHex);
  resume_table_[tokCharCode] = static_cast<TScanOp>(&TDelphiFountainParser::ScanCharCodeDigits);
  resume_table_[tokCharCodeHex] = static_cast<TScanOp>(&TDelphiFountainParser::ScanCharCodeHexDigits);
  resume_table_[tokAsm] = static_cast<TScanOp>(&TDelphiFountainParser::ScanWord);
}

void TDelphiFountainParser::ScanCharCode() {
  ++cursor_;  // "#"
  if (*cursor_ == '$') {
    ++cursor_;
    ScanCharCodeHexDigits();
  } else {
    ScanCharCodeDigits();
  }
}

void TDelphiFountainParser::ScanCharCodeDigits() {
  token_ = tokCharCode;
  SkipDigits();
}

void TDelphiFountainParser::ScanCharCodeHexDigits() {
  token_ = tokCharCodeHex;
  SkipHexDigits();
}

void TDelphiFountainParser::ScanDollarHex() {
  ++cursor_;  // "$"
  ScanHexDigits();
}

void TDelphiFountainParser::ScanWord() {
  const unsigned char c = *cursor_;
  switch (parse_state_) {
    case TDelphiFountain::kNormal:
      if ((c == 'a' || c == 'A') && MatchWord("asm")) {
        token_ = tokAnk;
        parse_state_ = TDelphiFountain::kAsm;
        return;
      }
      if (MatchPropertyStart()) return;
      break;
    case TDelphiFountain::kProperty:
      if (ScanPropertyWord()) return;
      break;
    case TDelphiFountain::kAsm:
      if (MatchWord("end")) {
        token_ = tokAnk;
        parse_state_ = TDelphiFountain::kNormal;
        return;
      }
      TFountainParser::ScanWord();
      token_ = tokAsm;
      return;
  }
  TFountainParser::ScanWord();
}

void TDelphiFountainParser::ScanNumber() {
  TFountainParser::ScanNumber();
  if (parse_state_ == TDelphiFountain::kAsm) token_ = tokAsm;
}

void TDelphiFountainParser::ScanSymbol() {
  TFountainParser::ScanSymbol();
  if (parse_state_ == TDelphiFountain::kAsm) token_ = tokAsm;
}

bool TDelphiFountainParser::IsKeyword() const {
  // Words of an asm block are never reserved (its closing end is).
  return token_ != tokAsm && TFountainParser::IsKeyword();
}

const TFountainColor* TDelphiFountainParser::TokenColor() const {
  auto& f = static_cast<TDelphiFountain&>(*fountain_);
  if (!IsKeyword()) {
    if (token_ == tokCharCode || token_ == tokCharCodeHex) return &f.Str();
    if (token_ == tokAsm) return &f.AsmBlock();
  }
  return LanguageColor(*this, f);
}

// ---- C

TCFountainParser::TCFountainParser(TCFountain* fountain) : TPropertyParser(fountain) {
  char_table_['0'] = static_cast<TScanOp>(&TCFountainParser::ScanZeroPrefixed);
  char_table_['"'] = &TCFountainParser::ScanDoubleQuoted;
  char_table_['#'] = static_cast<TScanOp>(&TCFountainParser::ScanPreprocessor);
  resume_table_[tokCHex] = static_cast<TScanOp>(&TCFountainParser::ScanCHexDigits);
  resume_table_[tokPreprocessor] = static_cast<TScanOp>(&TCFountainParser::ScanPreprocessor);
}

void TCFountainParser::ScanZeroPrefixed() {
  ++cursor_;  // "0"
  if (*cursor_ == 'x' || *cursor_ == 'X') {
    ++cursor_;
    ScanCHexDigits();
  } else {
    ScanNumber();  // "0" starts an ordinary number: 0.5, 0777
  }
}

void TCFountainParser::ScanCHexDigits() {
  token_ = tokCHex;
  SkipHexDigits();
}

void TCFountainParser::ScanPreprocessor() {
  token_ = tokPreprocessor;
  cursor_ = row_end_;
}

void TCFountainParser::ScanWord() {
  if (parse_state_ == TCFountain::kNormal) {
    if (MatchPropertyStart()) return;
  } else if (parse_state_ == TCFountain::kProperty) {
    if (ScanPropertyWord()) return;
  }
  TFountainParser::ScanWord();
}

const TFountainColor* TCFountainParser::TokenColor() const {
  auto& f = static_cast<TCFountain&>(*fountain_);
  if (!IsKeyword()) {
    if (token_ == tokDoubleQuoted) return &f.Str();
    if (token_ == tokCHex) return &f.Int();
    if (token_ == tokPreprocessor) return &f.PreProcessor();
  }
  return LanguageColor(*this, f);
}

// ---- NC

TNCFountainParser::TNCFountainParser(TNCFountain* fountain) : TFountainParser(fountain) {
  char_table_[';'] = &TNCFountainParser::ScanSymbol;
  char_table_['\''] = &TNCFountainParser::ScanSingleQuoted;
}

void TNCFountainParser::ScanWord() {
  token_ = tokAnk;
  while ((*cursor_ >= 'A' && *cursor_ <= 'Z') || (*cursor_ >= 'a' && *cursor_ <= 'z') || *cursor_ == '_')
    ++cursor_;
}

void TNCFountainParser::ScanNumber() {
  token_ = tokInteger;
  SkipDigits();
}

const TFountainColor* TNCFountainParser::TokenColor() const {
  return LanguageColor(*this, static_cast<TNCFountain&>(*fountain_));
}

}  // namespace tamber
