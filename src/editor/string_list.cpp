#include "editor/string_list.h"

namespace tamber {

using namespace rowbits;

void TheStringList::Check(int i) const {
  if (i < 0 || i >= Count()) throw EListError();
}
void TheStringList::CheckInsert(int i) const {
  if (i < 0 || i > Count()) throw EListError();
}

void TheStringList::Changing() {
  if (updateCount_ == 0 && OnListChanging) OnListChanging(*this);
}
void TheStringList::Changed() {
  if (updateCount_ == 0 && OnListChange) OnListChange(*this);
}

std::string_view TheStringList::RowView(int i) const {
  Check(i);
  return rows_.Text(static_cast<std::size_t>(i));
}

void TheStringList::Put(int i, std::string_view s) {
  Check(i);
  Changing();
  rows_.SetText(static_cast<std::size_t>(i), s);
  Changed();
}

int TheStringList::Add(std::string_view s) {
  const int i = Count();
  Insert(i, s);
  return i;
}

void TheStringList::Insert(int i, std::string_view s) {
  CheckInsert(i);
  Changing();
  rows_.InsertText(static_cast<std::size_t>(i), s);
  Changed();
}

void TheStringList::Delete(int i) {
  Check(i);
  Changing();
  rows_.Erase(static_cast<std::size_t>(i), 1);
  Changed();
}

void TheStringList::Exchange(int i, int j) {
  Check(i);
  Check(j);
  if (i == j) return;
  Changing();
  const auto a = static_cast<std::size_t>(i), b = static_cast<std::size_t>(j);
  const std::string ta(rows_.Text(a)), tb(rows_.Text(b));
  const std::string ca(rows_.Carry(a)), cb(rows_.Carry(b));
  const auto aa = rows_.Attr(a), ab = rows_.Attr(b), ea = rows_.Extra(a), eb = rows_.Extra(b);
  const auto ga = rows_.Tag(a), gb = rows_.Tag(b);
  rows_.SetText(a, tb);
  rows_.SetText(b, ta);
  rows_.SetAttr(a, ab);
  rows_.SetAttr(b, aa);
  rows_.SetExtra(a, eb);
  rows_.SetExtra(b, ea);
  rows_.SetCarry(a, cb);
  rows_.SetCarry(b, ca);
  rows_.SetTag(a, gb);
  rows_.SetTag(b, ga);
  Changed();
}

void TheStringList::Clear() {
  Changing();
  rows_.Clear();
  Changed();
}

void TheStringList::SetRows(RowStore rows) {
  Changing();
  rows_.Swap(rows);
  Changed();
}

std::string TheStringList::CarryText(int i) const {
  Check(i);
  return std::string(rows_.Carry(static_cast<std::size_t>(i)));
}
void TheStringList::SetCarryText(int i, std::string_view s) {
  Check(i);
  rows_.SetCarry(static_cast<std::size_t>(i), s);
}
std::intptr_t TheStringList::Tag(int i) const {
  Check(i);
  return rows_.Tag(static_cast<std::size_t>(i));
}
void TheStringList::SetTag(int i, std::intptr_t v) {
  Check(i);
  rows_.SetTag(static_cast<std::size_t>(i), v);
}
std::uint32_t TheStringList::AttrBits(int i) const {
  Check(i);
  return rows_.Attr(static_cast<std::size_t>(i));
}
void TheStringList::SetAttrBits(int i, std::uint32_t v) {
  Check(i);
  rows_.SetAttr(static_cast<std::size_t>(i), v);
}
std::uint32_t TheStringList::ExtraBits(int i) const {
  Check(i);
  return rows_.Extra(static_cast<std::size_t>(i));
}
void TheStringList::SetExtraBits(int i, std::uint32_t v) {
  Check(i);
  rows_.SetExtra(static_cast<std::size_t>(i), v);
}

void TheStringList::BeginUpdate() {
  if (updateCount_ == 0) Changing();
  ++updateCount_;
}

void TheStringList::EndUpdate() {
  if (updateCount_ == 0) return;
  --updateCount_;
  if (updateCount_ == 0) Changed();
}

// ---- TRowAttributeStringList ----

void TRowAttributeStringList::SetAttrField(int i, int shift, std::uint32_t mask, std::uint32_t v) {
  const std::uint32_t bits = AttrBits(i);
  SetAttrBits(i, (bits & ~(mask << shift)) | ((v & mask) << shift));
}
void TRowAttributeStringList::SetExtraField(int i, int shift, std::uint32_t mask, std::uint32_t v) {
  const std::uint32_t bits = ExtraBits(i);
  SetExtraBits(i, (bits & ~(mask << shift)) | ((v & mask) << shift));
}

TRowAttribute TRowAttributeStringList::RowAttribute(int i) const {
  if (i < 0 || i >= Count()) return raNone;
  return AttributeOf(Rows().Attr(static_cast<std::size_t>(i)));
}
void TRowAttributeStringList::SetRowAttribute(int i, TRowAttribute v) {
  SetAttrField(i, 0, kRowAttributeMask, static_cast<std::uint32_t>(v));
}
TRowAttribute TRowAttributeStringList::PrevRowAttribute(int i) const {
  return AttributeOf(AttrBits(i) >> kPrevRowAttributeShift);
}
void TRowAttributeStringList::SetPrevRowAttribute(int i, TRowAttribute v) {
  SetAttrField(i, kPrevRowAttributeShift, kRowAttributeMask, static_cast<std::uint32_t>(v));
}
int TRowAttributeStringList::OpenBracket(int i) const {
  return static_cast<int>(AttrBits(i) >> kOpenBracketShift & kOpenBracketMask) - kOpenBracketBias;
}
void TRowAttributeStringList::SetOpenBracket(int i, int v) {
  SetAttrField(i, kOpenBracketShift, kOpenBracketMask, static_cast<std::uint32_t>(v + kOpenBracketBias));
}
int TRowAttributeStringList::ParseState(int i) const {
  return static_cast<int>(AttrBits(i) >> kParseStateShift & 0xFF);
}
void TRowAttributeStringList::SetParseState(int i, int v) {
  SetAttrField(i, kParseStateShift, 0xFF, static_cast<std::uint32_t>(v));
}
int TRowAttributeStringList::SplitBytes(int i) const {
  return static_cast<int>(AttrBits(i) >> kSplitBytesShift & 0xFF);
}
void TRowAttributeStringList::SetSplitBytes(int i, int v) {
  SetAttrField(i, kSplitBytesShift, 0xFF, static_cast<std::uint32_t>(v));
}
int TRowAttributeStringList::ParseExtra(int i) const {
  return static_cast<int>(AttrBits(i) >> kParseExtraShift & 0xFF);
}
void TRowAttributeStringList::SetParseExtra(int i, int v) {
  SetAttrField(i, kParseExtraShift, 0xFF, static_cast<std::uint32_t>(v));
}
std::uint8_t TRowAttributeStringList::OpenTokenKind(int i) const {
  return static_cast<std::uint8_t>(ExtraBits(i) >> kOpenTokenKindShift);
}
void TRowAttributeStringList::SetOpenTokenKind(int i, int v) {
  SetExtraField(i, kOpenTokenKindShift, 0xFF, static_cast<std::uint32_t>(v));
}
std::uint8_t TRowAttributeStringList::ParseByte(int i) const {
  return static_cast<std::uint8_t>(ExtraBits(i) >> kParseByteShift);
}
void TRowAttributeStringList::SetParseByte(int i, int v) {
  SetExtraField(i, kParseByteShift, 0xFF, static_cast<std::uint32_t>(v));
}
std::uint16_t TRowAttributeStringList::RowMarks(int i) const { return MarksOf(ExtraBits(i)); }
void TRowAttributeStringList::SetRowMarks(int i, std::uint16_t v) {
  SetExtraField(i, kRowMarksShift, 0xFFFF, v);
}

TRowAttributeData TRowAttributeStringList::LoadRowData(int i) const {
  const std::uint32_t a = AttrBits(i), e = ExtraBits(i);
  TRowAttributeData d;
  d.RowAttribute = AttributeOf(a);
  d.PrevRowAttribute = AttributeOf(a >> kPrevRowAttributeShift);
  d.OpenBracket = static_cast<int>(a >> kOpenBracketShift & kOpenBracketMask) - kOpenBracketBias;
  d.ParseState = static_cast<int>(a >> kParseStateShift & 0xFF);
  d.SplitBytes = static_cast<int>(a >> kSplitBytesShift & 0xFF);
  d.ParseExtra = static_cast<int>(a >> kParseExtraShift & 0xFF);
  d.OpenTokenKind = static_cast<std::uint8_t>(e >> kOpenTokenKindShift);
  d.ParseByte = static_cast<std::uint8_t>(e >> kParseByteShift);
  d.CarryText = CarryText(i);
  return d;
}

void TRowAttributeStringList::StoreRowData(int i, const TRowAttributeData& d) {
  const std::uint32_t a = AttrBits(i), e = ExtraBits(i);
  const std::uint32_t newA =
      (a & kRowAttributeMask) |
      (static_cast<std::uint32_t>(d.PrevRowAttribute) & kRowAttributeMask) << kPrevRowAttributeShift |
      (static_cast<std::uint32_t>(d.OpenBracket + kOpenBracketBias) & kOpenBracketMask) << kOpenBracketShift |
      (static_cast<std::uint32_t>(d.ParseState) & 0xFF) << kParseStateShift |
      (static_cast<std::uint32_t>(d.SplitBytes) & 0xFF) << kSplitBytesShift |
      (static_cast<std::uint32_t>(d.ParseExtra) & 0xFF) << kParseExtraShift;
  const std::uint32_t newE = (e & kExtraKeptBits) |
                             static_cast<std::uint32_t>(d.OpenTokenKind) << kOpenTokenKindShift |
                             static_cast<std::uint32_t>(d.ParseByte) << kParseByteShift;
  SetAttrBits(i, newA);
  SetExtraBits(i, newE);
  SetCarryText(i, d.CarryText);
}

void SplitText(std::string_view text, TTextEditorStringList& list) {
  RowBlockBuilder builder;
  std::size_t start = 0;
  for (std::size_t p = 0; p < text.size(); ++p) {
    const char c = text[p];
    if (c != '\r' && c != '\n') continue;
    builder.Add(text.substr(start, p - start), raBreak);
    if (c == '\r' && p + 1 < text.size() && text[p + 1] == '\n') ++p;
    start = p + 1;
  }
  if (start < text.size()) builder.Add(text.substr(start), raBreak);
  list.SetRows(RowStore(builder.Finish()));
}

}  // namespace tamber
