// The editor fountain: the configurable fountain every editor carries in its
// View and uses when no language fountain is attached. A line-comment opener,
// a quotation character, URL, mail and control-code switches, a hexadecimal
// prefix, bracket pairs and a reserve-word list colour HTML, SQL, C, Pascal,
// BASIC, Perl, Java, assembler and plain text with one tokenizer.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "highlight/fountain.h"
#include "highlight/fountain_parser.h"

namespace tamber {

class TTextEditorFountain;

// The eleven colours of the editor. Reserve is the fountain's own Reserve
// object; Select and Hit are the editor's (selection, search hits), not the
// tokenizer's.
class TTextEditorColors : public TNotifyPersistent {
 public:
  explicit TTextEditorColors(TTextEditorFountain& fountain);
  TFountainColor& Ank() { return ank_; }
  TFountainColor& Comment() { return comment_; }
  TFountainColor& DBCS() { return dbcs_; }
  TFountainColor& Hit() { return hit_; }
  TFountainColor& Int() { return int_; }
  TFountainColor& Mail() { return mail_; }
  TFountainColor& Reserve();
  TFountainColor& Select() { return select_; }
  TFountainColor& Str() { return str_; }
  TFountainColor& Symbol() { return symbol_; }
  TFountainColor& Url() { return url_; }
  // Copies every colour (Reserve from the source's fountain) with one report.
  void Assign(TTextEditorColors& source);

 private:
  TTextEditorFountain& fountain_;
  TFountainColor ank_, comment_, dbcs_, hit_, int_, mail_, select_, str_, symbol_, url_;
};

class TTextEditorBracketCollection : public TFountainBracketCollection {
 public:
  // Set one attribute of every pair's colour, with one report.
  void SetAllBkColor(TColor v);
  void SetAllColor(TColor v);
  void SetAllStyle(TFontStyles v);
};

class TTextEditorFountain : public TFountain {
 public:
  TTextEditorFountain();
  ~TTextEditorFountain() override;

  TTextEditorColors& Colors() { return *colors_; }
  void SetColors(TTextEditorColors& v) { colors_->Assign(v); }
  TTextEditorBracketCollection& EditorBrackets() {
    return static_cast<TTextEditorBracketCollection&>(Brackets());
  }

  // These store without a report; the View's setters report.
  const std::string& Commenter() const { return commenter_; }
  void SetCommenter(std::string_view v);
  bool ControlCode() const { return control_code_; }
  void SetControlCode(bool v) { control_code_ = v; }
  const std::string& HexPrefix() const { return hex_prefix_; }
  void SetHexPrefix(std::string_view v);
  bool Mail() const { return mail_; }
  void SetMail(bool v) { mail_ = v; }
  const std::string& Quotation() const { return quotation_; }
  void SetQuotation(std::string_view v);
  bool Url() const { return url_; }
  void SetUrl(bool v) { url_ = v; }

  // Set one attribute of every colour but Select and Hit, with one report.
  void SetAllBkColor(TColor v);
  void SetAllColor(TColor v);
  void SetAllStyle(TFontStyles v);

  std::unique_ptr<TFountainParser> CreateParser() override;
  void ForEachColor(const std::function<void(TFountainColor&)>& visit) override;

 private:
  template <class F> void ForTokenColors(F f);
  std::unique_ptr<TTextEditorColors> colors_;
  std::string commenter_;
  bool control_code_ = false;
  std::string hex_prefix_;
  bool mail_ = false;
  std::string quotation_;
  bool url_ = false;
};

class TTextEditorParser : public TFountainParser {
 public:
  explicit TTextEditorParser(TTextEditorFountain* fountain);
  const TFountainColor* TokenColor() const override;

 protected:
  void DispatchToken() override;
  bool IsResumableKind(TTokenKind kind) const override;
  virtual bool IsQuotation();
  virtual void ScanQuotation();
  virtual bool IsCommenter();
  virtual bool IsHexPrefix();
  virtual bool IsControlHex();
  virtual void ScanControlHex();
  virtual bool IsControlCode();
  virtual void ScanControlCode();

 private:
  TTextEditorFountain& EditorFountain() const { return static_cast<TTextEditorFountain&>(*fountain_); }
};

// The editor's View options: its own editor fountain, published through the
// View. The setters report a change of the View only when a value changes;
// any change of the fountain's colours or brackets is a change of the View.
class TTextEditorViewInfo : public TNotifyPersistent {
 public:
  TTextEditorViewInfo();
  ~TTextEditorViewInfo() override;

  TTextEditorFountain& Fountain() { return *fountain_; }

  TTextEditorBracketCollection& Brackets() { return fountain_->EditorBrackets(); }
  void SetBrackets(const TFountainBracketCollection& v) { fountain_->SetBrackets(v); }
  TTextEditorColors& Colors() { return fountain_->Colors(); }
  void SetColors(TTextEditorColors& v) { fountain_->SetColors(v); }
  const std::string& Commenter() const { return fountain_->Commenter(); }
  void SetCommenter(std::string_view v);
  bool ControlCode() const { return fountain_->ControlCode(); }
  void SetControlCode(bool v);
  const std::string& HexPrefix() const { return fountain_->HexPrefix(); }
  void SetHexPrefix(std::string_view v);
  bool Mail() const { return fountain_->Mail(); }
  void SetMail(bool v);
  const std::string& Quotation() const { return fountain_->Quotation(); }
  // Keeps only the first byte; an empty text clears it.
  void SetQuotation(std::string_view v);
  bool Url() const { return fountain_->Url(); }
  void SetUrl(bool v);

  // Copies all eight properties with one report.
  void Assign(TTextEditorViewInfo& source);

 private:
  std::unique_ptr<TTextEditorFountain> fountain_;
  TNotifyConnection connection_;
};

}  // namespace tamber
