// Fountains for languages the editor fountain cannot describe: Pascal (brace
// and parenthesis-star comments, character codes, asm blocks), C and C++
// (preprocessor lines, 0x numbers, both quote styles) and NC machine-tool
// programs (parenthesised comments, address letters apart from their numbers).
//
// ParseState: Pascal 0 normal, 1 inside a property declaration, 2 inside an
// asm block; C 0 normal, 1 inside a property declaration; NC always 0.
#pragma once

#include <memory>

#include "highlight/fountain.h"
#include "highlight/fountain_parser.h"

namespace tamber {

// The colours every language fountain has; each reports to ChangeHandlers.
class TLanguageFountain : public TFountain {
 public:
  TFountainColor& Ank() { return ank_; }
  TFountainColor& Comment() { return comment_; }
  TFountainColor& DBCS() { return dbcs_; }
  TFountainColor& Int() { return int_; }
  TFountainColor& Str() { return str_; }
  TFountainColor& Symbol() { return symbol_; }
  void ForEachColor(const std::function<void(TFountainColor&)>& visit) override;

 protected:
  TLanguageFountain();

 private:
  TFountainColor ank_, comment_, dbcs_, int_, str_, symbol_;
};

class TDelphiFountain : public TLanguageFountain {
 public:
  // Parse states.
  static constexpr int kNormal = 0, kProperty = 1, kAsm = 2;
  TDelphiFountain();
  TFountainColor& AsmBlock() { return asm_block_; }
  std::unique_ptr<TFountainParser> CreateParser() override;
  void ForEachColor(const std::function<void(TFountainColor&)>& visit) override;

 private:
  TFountainColor asm_block_;
};

class TCFountain : public TLanguageFountain {
 public:
  static constexpr int kNormal = 0, kProperty = 1;
  TCFountain();
  TFountainColor& PreProcessor() { return pre_processor_; }
  std::unique_ptr<TFountainParser> CreateParser() override;
  void ForEachColor(const std::function<void(TFountainColor&)>& visit) override;

 private:
  TFountainColor pre_processor_;
};

class TNCFountain : public TLanguageFountain {
 public:
  TNCFountain();
  std::unique_ptr<TFountainParser> CreateParser() override;
};

// Shared by the Pascal and C parsers: the words of a property declaration.
class TPropertyParser : public TFountainParser {
 protected:
  explicit TPropertyParser(TFountain* fountain);
  // State 1: index/read/write become reserved; end, function, private,
  // procedure, protected, public, published end the declaration. True when
  // a word was consumed.
  bool ScanPropertyWord();
  // At "p"/"P" in state 0: the word property enters state 1.
  bool MatchPropertyStart();
  void ScanSemicolon();  // ";" ends a property declaration
  void ScanSlash();      // "//" starts a line comment
};

class TDelphiFountainParser : public TPropertyParser {
 public:
  explicit TDelphiFountainParser(TDelphiFountain* fountain);
  const TFountainColor* TokenColor() const override;
  bool IsKeyword() const override;

 protected:
  void ScanWord() override;
  void ScanNumber() override;
  void ScanSymbol() override;
  void ScanCharCode();
  void ScanCharCodeDigits();     // resumes tokCharCode
  void ScanCharCodeHexDigits();  // resumes tokCharCodeHex
  void ScanDollarHex();
};

class TCFountainParser : public TPropertyParser {
 public:
  explicit TCFountainParser(TCFountain* fountain);
  const TFountainColor* TokenColor() const override;

 protected:
  void ScanWord() override;
  void ScanZeroPrefixed();
  void ScanCHexDigits();  // resumes tokCHex
  void ScanPreprocessor();
};

class TNCFountainParser : public TFountainParser {
 public:
  explicit TNCFountainParser(TNCFountain* fountain);
  const TFountainColor* TokenColor() const override;

 protected:
  void ScanWord() override;    // letters and underscore only
  void ScanNumber() override;  // digits only
};

}  // namespace tamber
