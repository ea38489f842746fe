// The script tokenizer: splits a script text once into a list of tokens that
// the loader checks and the interpreter walks. Comments and blanks are
// recognised but never stored; the list always ends with an end-of-text token
// when tokenizing succeeds.
//
// Token positions are byte offsets into the text (Shift-JIS bytes); double-byte
// characters may appear only inside string literals and comments, which skip
// them whole so that a trail byte never ends either.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tamber::script {

// Token kinds; keywords follow from tkAnd on, in alphabetical order of the table.
enum TokenKind : std::uint8_t {
  tkComment = 0, tkBlanks, tkEnd, tkIdentifier, tkSemicolon, tkComma, tkPeriod, tkColon,
  tkOpenRound, tkCloseRound, tkOpenBlock, tkCloseBlock, tkAssign, tkEqual, tkNotEqual,
  tkGreater, tkGreaterEqual, tkLess, tkLessEqual, tkPlus, tkMinus, tkDivide, tkMultiply,
  tkInteger, tkReal, tkString, tkChar, tkHex, tkAt, tkDereference,
  // keywords
  kwAnd = 30, kwArray, kwBegin, kwCase, kwConst, kwDiv, kwDo, kwDownto, kwElse, kwEndKw,
  kwFor, kwFunction, kwIf, kwIn, kwMod, kwNot, kwOf, kwOr, kwProcedure, kwProgram, kwRepeat,
  kwRecord, kwSet, kwShl, kwShr, kwThen, kwTo, kwType, kwUntil, kwUses, kwVar, kwWhile,
  kwWith, kwXor, kwExit, kwBreak, kwClass, kwConstructor, kwDestructor, kwInherited,
  kwPrivate, kwPublic, kwPublished, kwProtected, kwProperty, kwVirtual, kwOverride, kwAs,
  kwIs, kwUnit, kwContinue, kwTry, kwExcept, kwFinally, kwExternal, kwForward,
};

struct TIFToken {
  std::int32_t position = 0;
  TokenKind kind = tkEnd;
  std::string text;  // identifiers upper-cased; literals exactly as written
};

// Tokenizer failure kinds.
enum TokenizeError : int {
  teNone = 0, teComment = 1, teString = 2, teCharLiteral = 3, teSyntax = 4,
};

// The kind of an upper-case identifier: its keyword kind or tkIdentifier.
TokenKind KeywordKind(std::string_view upper);

class TIfPascalParser {
 public:
  // Replaces the token list with the tokens of text. On failure the list is
  // empty and ErrorKind/ErrorPosition tell what and where.
  bool Tokenize(std::string_view text);
  TokenizeError ErrorKind() const { return error_; }
  std::int32_t ErrorPosition() const { return errorPos_; }

  void Next() {
    if (cursor_ >= 0 && ++cursor_ >= static_cast<int>(tokens_.size())) cursor_ = -1;
  }
  TokenKind CurrentKind() const {
    return cursor_ < 0 || cursor_ >= static_cast<int>(tokens_.size()) ? tkEnd : tokens_[cursor_].kind;
  }
  const std::string& CurrentText() const;
  std::int32_t CurrentPosition() const;
  // The cursor moves to the last token whose position is not above position.
  void Seek(std::int32_t position);

  int Cursor() const { return cursor_; }
  void SetCursor(int index) { cursor_ = index; }
  const std::vector<TIFToken>& Tokens() const { return tokens_; }

 private:
  std::vector<TIFToken> tokens_;
  int cursor_ = -1;
  TokenizeError error_ = teNone;
  std::int32_t errorPos_ = 0;
};

}  // namespace tamber::script
