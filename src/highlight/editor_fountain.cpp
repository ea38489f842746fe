#include "highlight/editor_fountain.h"

#include <cstring>

namespace tamber {

// ---- TTextEditorColors

TTextEditorColors::TTextEditorColors(TTextEditorFountain& fountain) : fountain_(fountain) {
  for (TFountainColor* c : {&ank_, &comment_, &dbcs_, &hit_, &int_, &mail_, &select_, &str_, &symbol_, &url_})
    c->SetOnChange([this](TObject& sender) { ChangedProc(sender); });
  {
    const TUpdateGuard holdSelect(select_);
    select_.SetBkColor(clNavy);
    select_.SetColor(clWhite);
  }
  SetOnChange([this](TObject&) { fountain_.ChangeHandlers().Changed(); });
}

TFountainColor& TTextEditorColors::Reserve() { return fountain_.Reserve(); }

void TTextEditorColors::Assign(TTextEditorColors& source) {
  if (&source == this) return;
  // Reserve reports to the fountain directly, so hold the fountain's reports.
  TUpdateGuard update(fountain_.ChangeHandlers());
  TUpdateGuard own(*this);
  ank_.Assign(source.ank_);
  comment_.Assign(source.comment_);
  dbcs_.Assign(source.dbcs_);
  hit_.Assign(source.hit_);
  int_.Assign(source.int_);
  mail_.Assign(source.mail_);
  str_.Assign(source.str_);
  symbol_.Assign(source.symbol_);
  Reserve().Assign(source.Reserve());
  url_.Assign(source.url_);
  select_.Assign(source.select_);
}

// ---- TTextEditorBracketCollection

void TTextEditorBracketCollection::SetAllBkColor(TColor v) {
  TUpdateGuard update(*this);
  for (int i = 0; i < Count(); ++i) Items(i).ItemColor().SetBkColor(v);
}

void TTextEditorBracketCollection::SetAllColor(TColor v) {
  TUpdateGuard update(*this);
  for (int i = 0; i < Count(); ++i) Items(i).ItemColor().SetColor(v);
}

void TTextEditorBracketCollection::SetAllStyle(TFontStyles v) {
  TUpdateGuard update(*this);
  for (int i = 0; i < Count(); ++i) Items(i).ItemColor().SetStyle(v);
}

// ---- TTextEditorFountain

TTextEditorFountain::TTextEditorFountain()
    : TFountain(std::make_unique<TTextEditorBracketCollection>()),
      colors_(std::make_unique<TTextEditorColors>(*this)) {}

TTextEditorFountain::~TTextEditorFountain() = default;

void TTextEditorFountain::SetCommenter(std::string_view v) { commenter_ = std::string(v); }
void TTextEditorFountain::SetHexPrefix(std::string_view v) { hex_prefix_ = std::string(v); }
void TTextEditorFountain::SetQuotation(std::string_view v) { quotation_ = std::string(v); }

template <class F>
void TTextEditorFountain::ForTokenColors(F f) {
  TTextEditorColors& c = *colors_;
  for (TFountainColor* color : {&c.Ank(), &c.Comment(), &c.DBCS(), &c.Int(), &c.Mail(), &c.Reserve(),
                                &c.Str(), &c.Symbol(), &c.Url()})
    f(*color);
}

void TTextEditorFountain::SetAllBkColor(TColor v) {
  TUpdateGuard update(ChangeHandlers());
  ForTokenColors([v](TFountainColor& c) { c.SetBkColor(v); });
}

void TTextEditorFountain::SetAllColor(TColor v) {
  TUpdateGuard update(ChangeHandlers());
  ForTokenColors([v](TFountainColor& c) { c.SetColor(v); });
}

void TTextEditorFountain::SetAllStyle(TFontStyles v) {
  TUpdateGuard update(ChangeHandlers());
  ForTokenColors([v](TFountainColor& c) { c.SetStyle(v); });
}

std::unique_ptr<TFountainParser> TTextEditorFountain::CreateParser() {
  return std::make_unique<TTextEditorParser>(this);
}

void TTextEditorFountain::ForEachColor(const std::function<void(TFountainColor&)>& visit) {
  TFountain::ForEachColor(visit);  // Reserve and the bracket pairs
  TTextEditorColors& c = *colors_;
  for (TFountainColor* color : {&c.Ank(), &c.Comment(), &c.DBCS(), &c.Hit(), &c.Int(), &c.Mail(),
                                &c.Select(), &c.Str(), &c.Symbol(), &c.Url()})
    visit(*color);
}

// ---- TTextEditorParser

TTextEditorParser::TTextEditorParser(TTextEditorFountain* fountain) : TFountainParser(fountain) {
  resume_table_[tokQuotation] = static_cast<TScanOp>(&TTextEditorParser::ScanQuotation);
  resume_table_[tokControlCode] = static_cast<TScanOp>(&TTextEditorParser::ScanControlCode);
  resume_table_[tokControlHex] = static_cast<TScanOp>(&TTextEditorParser::ScanControlHex);
}

bool TTextEditorParser::IsResumableKind(TTokenKind kind) const {
  return kind == tokQuotation || TFountainParser::IsResumableKind(kind);
}

// Precedence at a token start: bracket opener, mail, URL, comment opener,
// quotation, "#$", "#", hexadecimal prefix, then the table.
void TTextEditorParser::DispatchToken() {
  TTextEditorFountain& f = EditorFountain();
  if (open_bracket_ == kNoBracket && MatchBracketOpen()) ScanBracket();
  else if (f.Mail() && MatchMail()) ScanMail();
  else if (f.Url() && MatchUrl()) ScanUrl();
  else if (IsCommenter()) ScanToLineEnd();
  else if (IsQuotation()) ScanQuotation();
  else if (IsControlHex()) ScanControlHex();
  else if (IsControlCode()) ScanControlCode();
  else if (IsHexPrefix()) ScanHexDigits();
  else RunCharTable();
}

bool TTextEditorParser::IsCommenter() {
  const std::string& c = EditorFountain().Commenter();
  if (c.empty() || c.size() > static_cast<std::size_t>(row_end_ - cursor_) ||
      std::memcmp(cursor_, c.data(), c.size()) != 0)
    return false;
  cursor_ += c.size();
  return true;
}

bool TTextEditorParser::IsQuotation() {
  const std::string& q = EditorFountain().Quotation();
  if (q.empty() || *cursor_ != static_cast<unsigned char>(q[0])) return false;
  ++cursor_;
  return true;
}

void TTextEditorParser::ScanQuotation() {
  const std::string& q = EditorFountain().Quotation();
  if (q.empty()) {
    token_ = tokEnd;
    return;
  }
  // The opening quote is consumed already (or the string runs on from the row before).
  const unsigned char quote = static_cast<unsigned char>(q[0]);
  token_ = tokQuotation;
  while (!IsEndByte(*cursor_)) {
    if (*cursor_ == quote) {
      ++cursor_;
      if (*cursor_ != quote) return;
      ++cursor_;
    } else {
      cursor_ += CharBytes(cursor_);
    }
  }
}

bool TTextEditorParser::IsControlHex() {
  if (!EditorFountain().ControlCode() || cursor_[0] != '#' || cursor_[1] != '$') return false;
  cursor_ += 2;
  return true;
}

void TTextEditorParser::ScanControlHex() {
  token_ = tokControlHex;
  SkipHexDigits();
}

bool TTextEditorParser::IsControlCode() {
  if (!EditorFountain().ControlCode() || *cursor_ != '#') return false;
  ++cursor_;
  return true;
}

void TTextEditorParser::ScanControlCode() {
  token_ = tokControlCode;
  SkipDigits();
}

bool TTextEditorParser::IsHexPrefix() {
  const std::string& prefix = EditorFountain().HexPrefix();
  if (prefix.empty() || prefix.size() > static_cast<std::size_t>(row_end_ - cursor_)) return false;
  auto upper = [](unsigned char b) { return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - 32) : b; };
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (upper(cursor_[i]) != upper(static_cast<unsigned char>(prefix[i]))) return false;
  cursor_ += prefix.size();
  return true;
}

const TFountainColor* TTextEditorParser::TokenColor() const {
  TTextEditorColors& c = EditorFountain().Colors();
  if (IsKeyword()) return &c.Reserve();
  switch (token_) {
    case tokSymbol: return &c.Symbol();
    case tokInteger:
    case tokFloat:
    case tokHex: return &c.Int();
    case tokBracket:
      if (token_bracket_ >= 0 && token_bracket_ < fountain_->Brackets().Count())
        return &fountain_->Brackets().Items(token_bracket_).ItemColor();
      return nullptr;
    case tokComment: return &c.Comment();
    case tokReserved: return &c.Reserve();
    case tokAnk: return &c.Ank();
    case tokUrl: return &c.Url();
    case tokMail: return &c.Mail();
    case tokQuotation:
    case tokControlCode:
    case tokControlHex: return &c.Str();
    default:
      if (token_ >= tokWideSymbol && token_ <= tokHalfKana) return &c.DBCS();
      return nullptr;
  }
}

// ---- TTextEditorViewInfo

TTextEditorViewInfo::TTextEditorViewInfo()
    : fountain_(std::make_unique<TTextEditorFountain>()),
      connection_(fountain_->ChangeHandlers().Add([this](TObject& sender) { ChangedProc(sender); })) {}

TTextEditorViewInfo::~TTextEditorViewInfo() = default;

void TTextEditorViewInfo::SetCommenter(std::string_view v) {
  if (fountain_->Commenter() == v) return;
  fountain_->SetCommenter(v);
  Changed();
}

void TTextEditorViewInfo::SetControlCode(bool v) {
  if (fountain_->ControlCode() == v) return;
  fountain_->SetControlCode(v);
  Changed();
}

void TTextEditorViewInfo::SetHexPrefix(std::string_view v) {
  if (fountain_->HexPrefix() == v) return;
  fountain_->SetHexPrefix(v);
  Changed();
}

void TTextEditorViewInfo::SetMail(bool v) {
  if (fountain_->Mail() == v) return;
  fountain_->SetMail(v);
  Changed();
}

void TTextEditorViewInfo::SetQuotation(std::string_view v) {
  const std::string first = v.empty() ? std::string() : std::string(1, v[0]);
  if (fountain_->Quotation() == first) return;
  fountain_->SetQuotation(first);
  Changed();
}

void TTextEditorViewInfo::SetUrl(bool v) {
  if (fountain_->Url() == v) return;
  fountain_->SetUrl(v);
  Changed();
}

void TTextEditorViewInfo::Assign(TTextEditorViewInfo& source) {
  if (&source == this) return;
  TUpdateGuard update(*this);
  SetBrackets(source.Brackets());
  SetColors(source.Colors());
  SetCommenter(source.Commenter());
  SetControlCode(source.ControlCode());
  SetHexPrefix(source.HexPrefix());
  SetMail(source.Mail());
  SetQuotation(source.Quotation());
  SetUrl(source.Url());
}

}  // namespace tamber
