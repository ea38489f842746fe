// The tokenizer of a fountain: scans one row of Shift-JIS text at a time into
// tokens, and computes the row state that the next row starts in.
//
// Dispatch is by table: CharTable holds the scanning operation for every byte
// value, ResumeTable the operation that resumes a token kind carried in from
// the row before. Both hold pointers to virtual members, so a derived parser's
// replacement of an operation takes effect in both tables.
//
// The row text is copied into a buffer that ends in zero bytes; a zero byte,
// CR or LF ends the row text. No scan reads past it: a lead byte whose trail
// byte would be the end is one byte.
// Cost: LoadRow O(row length); Next O(token length) (mail recognition is
// linear in the row over all tokens); ParseRow O(row + next row length).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "highlight/fountain.h"
#include "highlight/row_state.h"
#include "highlight/token_kind.h"

namespace tamber {

class TFountainParser : public TRowParser {
 public:
  using TScanOp = void (TFountainParser::*)();

  // Raises EFountainError without a fountain.
  explicit TFountainParser(TFountain* fountain);
  ~TFountainParser() override = default;
  TFountainParser(const TFountainParser&) = delete;
  TFountainParser& operator=(const TFountainParser&) = delete;

  TFountain& Fountain() const { return *fountain_; }

  // Starts scanning text in the given state.
  void LoadRow(std::string_view text, const TRowAttributeData& state);
  // Scans one token; tokEnd when the row text is exhausted.
  TTokenKind Next();

  TTokenKind Token() const { return token_; }
  bool Continued() const { return continued_; }
  int TokenOffset() const { return static_cast<int>(token_start_ - row_start_); }
  int TokenSize() const { return static_cast<int>(next_pos_ - token_start_); }
  std::string_view TokenText() const;
  // The colour of the current token, or null for the editor's own colours.
  virtual const TFountainColor* TokenColor() const { return nullptr; }
  // The current token is in the reserve-word list (and may be coloured so).
  virtual bool IsKeyword() const;

  int OpenBracket() const { return open_bracket_; }
  int TokenBracket() const { return token_bracket_; }
  int ParseState() const { return parse_state_; }

  // Turns state (the state at the start of row, whose text is row and whose
  // attribute is attr) into the state at the start of the next row. next is
  // the next row's text when one exists (read only when attr is raFolded).
  void ParseRow(std::string_view row, TRowAttribute attr, const std::string_view* next,
                TRowAttribute next_attr, TRowAttributeData& state);
  // The same over the editor's rows: the row parser the storage reparses with.
  void ParseRow(int row, const TRowAttributeStringList& rows, TRowAttributeData& state) override;

 protected:
  // Fills both tables with the base operations; a derived parser's
  // constructor then changes the entries it needs.
  void BuildTables();

  virtual void SkipBlanks();
  virtual bool MatchBracketOpen();
  virtual void ScanBracket();
  virtual bool MatchMail();
  virtual void ScanMail();
  virtual bool MatchUrl();
  virtual void ScanUrl();
  virtual void ResumeKeyword();
  virtual void ScanZero();
  virtual void ScanTab();
  virtual void ScanLF();
  virtual void ScanCR();
  virtual void ScanToLineEnd();
  virtual void ScanHexDigits();
  virtual void ScanNumber();
  virtual void ScanWord();
  virtual void ScanWideSymbol();
  virtual void ScanWideRun();
  virtual void ScanKanji();
  virtual void ScanHalfKanaSymbol();
  virtual void ScanHalfKana();
  virtual void ScanSymbol();
  virtual void ScanSingleQuoted();
  virtual void ScanDoubleQuoted();
  virtual void ResumeCarried();
  virtual void DispatchToken();
  // kind := tokReserved when the current token is a keyword.
  void PromoteKeyword(TTokenKind& kind) const;
  virtual bool IsResumableKind(TTokenKind kind) const;
  virtual bool IsWholeRowKind(TTokenKind kind) const { return kind == tokComment; }

  // Compares word with the text at the cursor ignoring ASCII case, as a whole
  // word (no letter, digit or underscore after it); on success moves past it.
  bool MatchWord(std::string_view word);
  // Runs the table entry for the byte at the cursor.
  void RunCharTable() { (this->*char_table_[*cursor_])(); }

  // Byte tests over the padded buffer.
  static bool IsEndByte(unsigned char b) { return b == 0 || b == '\r' || b == '\n'; }
  static bool IsDigit(unsigned char b) { return b >= '0' && b <= '9'; }
  static bool IsHexDigit(unsigned char b) {
    return IsDigit(b) || (b >= 'A' && b <= 'F') || (b >= 'a' && b <= 'f');
  }
  // Bytes of the character at p: 2 at a lead byte followed by a byte of the
  // row, else 1 (0 at the end).
  static int CharBytes(const unsigned char* p);
  void ScanQuoted(TTokenKind kind, unsigned char quote);
  // Loads head followed by tail (a folded row joined with the next one).
  void LoadText(std::string_view head, std::string_view tail, const TRowAttributeData& state);
  void SkipHexDigits() { while (IsHexDigit(*cursor_)) ++cursor_; }
  void SkipDigits() { while (IsDigit(*cursor_)) ++cursor_; }
  // Consumes an exponent rest after 'E'/'e': a sign and digits, digits, or nothing.
  void SkipExponentRest();

  std::array<TScanOp, 256> char_table_{};
  std::array<TScanOp, 256> resume_table_{};

  TFountain* fountain_;
  std::string buf_;  // the row text and kEndPadding zero bytes
  const unsigned char* row_start_ = nullptr;
  const unsigned char* row_end_ = nullptr;  // first zero byte, CR or LF
  const unsigned char* cursor_ = nullptr;
  const unsigned char* token_start_ = nullptr;
  const unsigned char* next_pos_ = nullptr;
  const unsigned char* mail_fails_before_ = nullptr;  // no mail match starts before this
  TTokenKind token_ = tokEnd;
  bool continued_ = false;
  int open_bracket_ = kNoBracket;
  int token_bracket_ = kNotParsed;
  int parse_state_ = 0;
  int parse_extra_ = 0;
  std::uint8_t parse_byte_ = 0;
  std::string carry_text_;
  TTokenKind carried_kind_ = 0;
  int split_bytes_ = 0;
  TRowAttribute row_attribute_ = raBreak;
  TRowAttribute prev_row_attribute_ = raBreak;

 private:
  static constexpr std::size_t kEndPadding = 8;
};

}  // namespace tamber

namespace tamber {

// A fountain with no colours of its own whose parser follows the plain
// tokenizer rules: token queries that need no colouring use it.
class TPlainFountain : public TFountain {
 public:
  std::unique_ptr<TFountainParser> CreateParser() override {
    return std::make_unique<TFountainParser>(this);
  }
};

}  // namespace tamber
