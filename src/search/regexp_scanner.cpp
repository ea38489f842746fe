#include "search/regexp_scanner.h"

#include "encoding/dbcs.h"
#include "search/regexp_error.h"

namespace tamber {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class Scanner {
 public:
  explicit Scanner(std::string_view p) : p_(p) {}

  std::vector<TRxToken> Run() {
    std::vector<TRxToken> out;
    for (;;) {
      const TRxToken t = inClass_ ? NextInClass() : NextOutside();
      out.push_back(t);
      if (t.kind == rxEnd) return out;
    }
  }

 private:
  bool AtEnd() const { return i_ >= p_.size(); }
  unsigned char Peek() const { return static_cast<unsigned char>(p_[i_]); }

  // One character, raw (no escape): its code; i_ moves past it.
  std::uint16_t RawChar() {
    const unsigned char b = Peek();
    if (IsLeadByte(b)) {
      if (i_ + 1 >= p_.size()) ThrowRegExpError(kReBadDbcs, i_ + 1);
      const unsigned char t = static_cast<unsigned char>(p_[i_ + 1]);
      i_ += 2;
      return static_cast<std::uint16_t>(b << 8 | t);
    }
    ++i_;
    return b;
  }

  // A character that may be an escape. Precondition: not at the end.
  std::uint16_t Char() {
    if (Peek() != '\\') return RawChar();
    ++i_;
    if (AtEnd()) ThrowRegExpError(kReBackslashAtEnd, i_ + 1);
    switch (Peek()) {
      case 'b': ++i_; return 0x08;
      case 'n': ++i_; return 0x0A;
      case 'r': ++i_; return 0x0D;
      case 't': ++i_; return 0x09;
      case 'x': {
        ++i_;
        unsigned v = 0;
        int digits = 0;
        while (digits < 4 && !AtEnd() && HexValue(p_[i_]) >= 0) {
          v = v * 16 + static_cast<unsigned>(HexValue(p_[i_]));
          ++i_;
          ++digits;
        }
        if (digits == 0) ThrowRegExpError(kReBadHex, i_ + 1);
        return static_cast<std::uint16_t>(v);
      }
      default:
        break;
    }
    if (Peek() >= '0' && Peek() <= '7') {
      unsigned long v = 0;
      int digits = 0;
      while (digits < 6 && !AtEnd() && Peek() >= '0' && Peek() <= '7') {
        v = v * 8 + (Peek() - '0');
        ++i_;
        ++digits;
      }
      if (v > 0xFFFF) ThrowRegExpError(kReBadOctal, i_ + 1);
      return static_cast<std::uint16_t>(v);
    }
    return RawChar();
  }

  TRxToken Make(TRxTokenKind kind, std::size_t start, std::uint16_t code = 0,
                std::uint16_t code2 = 0) const {
    return TRxToken{kind, code, code2, start, i_ - start};
  }

  TRxToken NextOutside() {
    const std::size_t start = i_;
    if (AtEnd()) return Make(rxEnd, start);
    TRxTokenKind kind;
    switch (Peek()) {
      case '|': kind = rxUnion; break;
      case '(': kind = rxLParen; break;
      case ')': kind = rxRParen; break;
      case '*': kind = rxStar; break;
      case '+': kind = rxPlus; break;
      case '?': kind = rxOptional; break;
      case '.': kind = rxDot; break;
      case '^': kind = rxLineHead; break;
      case '$': kind = rxLineTail; break;
      case ']': kind = rxClassEnd; break;
      case '[':
        ++i_;
        if (AtEnd()) ThrowRegExpError(kReNoBracket, i_ + 1);
        inClass_ = true;
        if (Peek() == '^') {
          ++i_;
          return Make(rxNegClass, start);
        }
        return Make(rxClass, start);
      default: {
        const std::uint16_t c = Char();
        return Make(rxChar, start, c, c);
      }
    }
    ++i_;
    return Make(kind, start);
  }

  // class item := "]" | c [ "-" d ]
  TRxToken NextInClass() {
    const std::size_t start = i_;
    if (AtEnd()) ThrowRegExpError(kReNoBracket, i_ + 1);
    if (Peek() == ']') {
      ++i_;
      inClass_ = false;
      return Make(rxClassEnd, start);
    }
    const std::uint16_t c = Char();
    if (AtEnd()) ThrowRegExpError(kReNoBracket, i_ + 1);
    if (Peek() == '-') {
      const std::size_t dash = i_;
      ++i_;
      if (AtEnd()) ThrowRegExpError(kReNoBracket, i_ + 1);
      if (Peek() == ']') {
        i_ = dash;  // "-]": the dash is an item of its own
        return Make(rxChar, start, c, c);
      }
      const std::uint16_t d = Char();
      if (d < c) ThrowRegExpError(kReBadRange, i_ + 1);
      return Make(rxRange, start, c, d);
    }
    return Make(rxChar, start, c, c);
  }

  std::string_view p_;
  std::size_t i_ = 0;
  bool inClass_ = false;
};

}  // namespace

std::vector<TRxToken> ScanRegExp(std::string_view pattern) { return Scanner(pattern).Run(); }

}  // namespace tamber
