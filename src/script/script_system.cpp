#include "script/script_system.h"

#include "base/color.h"
#include "script/script_windows.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace tamber::script {

void RegisterEarlyLibrary(TIfPasScript& engine) {
  TTypeRec* longint = engine.TypeByCode(tcLongInt);
  TTypeRec* str = engine.TypeByCode(tcString);
  engine.RegisterFunction(
      [](TIfPasScript&, void*, TProcedure&, Value* result, std::span<Value> args) -> std::uint16_t {
        const Value& v = Deref(args[0]);
        WriteString(*result, std::to_string(v.code == tcCardinal ? static_cast<std::int64_t>(v.i) : ReadInteger(v)));
        return 0;
      },
      "function IntToStr(i: Integer): string");
  engine.RegisterFunction(
      [](TIfPasScript&, void*, TProcedure&, Value* result, std::span<Value> args) -> std::uint16_t {
        WriteString(*result, std::string(1, static_cast<char>(ReadInteger(Deref(args[0])))));
        return 0;
      },
      "function Chr(b: Byte): string");
  engine.RegisterFunction(
      [](TIfPasScript&, void*, TProcedure&, Value* result, std::span<Value> args) -> std::uint16_t {
        const std::string s = ReadString(Deref(args[0]));
        std::int64_t from = ReadInteger(Deref(args[1]));
        std::int64_t count = ReadInteger(Deref(args[2]));
        if (from < 1) from = 1;
        if (count < 0 || from > static_cast<std::int64_t>(s.size())) count = 0;
        if (count > 0) WriteString(*result, s.substr(from - 1, count));
        return 0;
      },
      "function Copy(s: string; from, count: Integer): string");
  // Length takes a string or an array: its parameter is untyped.
  TParamList untyped;
  untyped.isFunction = true;
  untyped.result = longint;
  untyped.params.push_back({pmValue, "S", nullptr});
  engine.RegisterInternal("LENGTH", untyped,
                          [](TIfPasScript&, void*, TProcedure&, Value* result, std::span<Value> args) -> std::uint16_t {
                            const Value& v = Deref(args[0]);
                            if (v.code == tcString) WriteInteger(*result, static_cast<std::int64_t>(v.Str().size()));
                            else if (v.code == tcChar) WriteInteger(*result, 1);
                            else if (v.code == tcArray) WriteInteger(*result, static_cast<std::int64_t>(v.a->items.size()));
                            else return ecTypeMismatch;
                            return 0;
                          });
  TParamList setLen;
  setLen.params.push_back({pmVar, "A", nullptr});
  setLen.params.push_back({pmValue, "N", longint});
  engine.RegisterInternal("SETARRAYLENGTH", setLen,
                          [](TIfPasScript& e, void*, TProcedure&, Value*, std::span<Value> args) -> std::uint16_t {
                            Value& a = Deref(args[0]);
                            if (a.code != tcArray) return ecTypeMismatch;
                            if (!e.SetArrayLength(a, ReadInteger(Deref(args[1])))) return e.ErrorCode() ? e.ErrorCode() : static_cast<std::uint16_t>(ecOutOfMemory);
                            return 0;
                          });
  TParamList getLen;
  getLen.isFunction = true;
  getLen.result = longint;
  getLen.params.push_back({pmVar, "A", nullptr});
  engine.RegisterInternal("GETARRAYLENGTH", getLen,
                          [](TIfPasScript&, void*, TProcedure&, Value* result, std::span<Value> args) -> std::uint16_t {
                            const Value& a = Deref(args[0]);
                            if (a.code != tcArray) return ecTypeMismatch;
                            WriteInteger(*result, static_cast<std::int64_t>(a.a->items.size()));
                            return 0;
                          });
  (void)str;
}

}  // namespace tamber::script

namespace tamber::script {

namespace {

using Args = std::span<Value>;
#define TAMBER_FN [](TIfPasScript & e, void*, TProcedure & pr, Value * res, Args a) -> std::uint16_t

inline Value& Arg(Args a, std::size_t k) { return Deref(a[k]); }

// Shift-JIS lead bytes: the byte after one is a trail byte, never a character of its own.
inline bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
inline std::size_t CharLength(std::string_view s, std::size_t i) {
  return IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

std::string MapCase(std::string_view s, bool upper) {
  std::string out(s);
  for (std::size_t i = 0; i < out.size();) {
    const std::size_t n = CharLength(out, i);
    if (n == 1) {
      char& c = out[i];
      if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      else if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    i += n;
  }
  return out;
}

// Position (from 1) of needle in hay starting at a character boundary, 0 if none.
std::int64_t CharPos(std::string_view needle, std::string_view hay) {
  if (needle.empty()) return 0;
  for (std::size_t i = 0; i + needle.size() <= hay.size(); i += CharLength(hay, i))
    if (hay.compare(i, needle.size(), needle) == 0) return static_cast<std::int64_t>(i) + 1;
  return 0;
}

void SetChar(Value& v, unsigned char c) {
  if (v.code == tcChar) v.i = c;
}

std::uint16_t HostFailure(TIfPasScript& e, const std::string& message) {
  e.SetError(ecCustomError, message);
  return ecCustomError;
}

std::uint16_t InvalidDate(TIfPasScript& e) {
  e.SetError(ecCustomError, "Invalid date");
  return ecCustomError;
}

bool ParseInteger(std::string_view s, std::int64_t* out) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  const bool hex = i < s.size() && s[i] == '$';
  if (hex) ++i;
  if (i >= s.size()) return false;
  std::uint64_t v = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f') d = (c | 0x20) - 'a' + 10;
    else return false;
    v = v * (hex ? 16 : 10) + d;
    if (v > (hex ? 0xFFFFFFFFull : 0x80000000ull)) return false;
  }
  if (!hex && !neg && v > 0x7FFFFFFF) return false;
  *out = neg ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v);
  if (hex) *out = static_cast<std::int32_t>(static_cast<std::uint32_t>(v)) * (neg ? -1 : 1);
  return true;
}

bool ParseReal(std::string_view s, long double* out) {
  std::string t(s);
  while (!t.empty() && t.back() == ' ') t.pop_back();
  std::size_t b = 0;
  while (b < t.size() && t[b] == ' ') ++b;
  t.erase(0, b);
  if (t.empty()) return false;
  for (char c : t)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) return false;
  char* end = nullptr;
  const long double v = std::strtold(t.c_str(), &end);
  if (end != t.c_str() + t.size()) return false;
  *out = v;
  return true;
}

std::string Repeat(std::string_view s, std::int64_t n, bool* tooLong) {
  if (s.empty() || n <= 0) return {};
  if (static_cast<std::uint64_t>(n) > TIfPasScript::kMaxStringLength) {
    *tooLong = true;
    return {};
  }
  return std::string(static_cast<std::size_t>(n), s[0]);
}

// ---------------------------------------------------------------- dates

std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int* year, int* month, int* day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = static_cast<int>(y + (*month <= 2));
}

constexpr std::int64_t kEpochOffset = 25569;  // 1970-01-01 in days since 1899-12-30

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool EncodeTimeValue(int h, int m, int s, int ms, double* out) {
  if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59 || ms < 0 || ms > 999) return false;
  *out = (h * 3600000.0 + m * 60000.0 + s * 1000.0 + ms) / 86400000.0;
  return true;
}

void DecodeTimeValue(double dt, int* h, int* m, int* s, int* ms) {
  double frac = std::fabs(dt - std::trunc(dt));
  auto total = static_cast<std::int64_t>(std::llround(frac * 86400000.0));
  if (total >= 86400000) total = 86399999;
  *h = static_cast<int>(total / 3600000);
  *m = static_cast<int>(total / 60000 % 60);
  *s = static_cast<int>(total / 1000 % 60);
  *ms = static_cast<int>(total % 1000);
}

// The date and time formats of the Japanese locale: yyyy/mm/dd and h:nn:ss.
std::string DateText(double dt) {
  int y, m, d;
  DecodeDateValue(dt, &y, &m, &d);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", y, m, d);
  return buf;
}

std::string TimeText(double dt) {
  int h, m, s, ms;
  DecodeTimeValue(dt, &h, &m, &s, &ms);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d:%02d:%02d", h, m, s);
  return buf;
}

// Reads up to three numbers separated by one of seps; returns their count.
int ReadNumbers(std::string_view s, std::size_t* i, const char* seps, int* out) {
  int n = 0;
  while (n < 3) {
    std::size_t start = *i;
    int v = 0;
    while (*i < s.size() && s[*i] >= '0' && s[*i] <= '9' && *i - start < 5) v = v * 10 + (s[(*i)++] - '0');
    if (*i == start) return -1;
    out[n++] = v;
    if (*i < s.size() && std::strchr(seps, s[*i]) && s[*i] != '\0') {
      ++*i;
      continue;
    }
    break;
  }
  return n;
}

bool ParseDate(std::string_view s, std::size_t* i, double* out) {
  int v[3];
  const int n = ReadNumbers(s, i, "/-.", v);
  if (n == 3) return EncodeDateValue(v[0] < 100 ? v[0] + 2000 : v[0], v[1], v[2], out);
  if (n == 2) {
    // Month and day of the current year.
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return EncodeDateValue(tm.tm_year + 1900, v[0], v[1], out);
  }
  return false;
}

bool ParseTime(std::string_view s, std::size_t* i, double* out) {
  int v[3] = {0, 0, 0};
  const int n = ReadNumbers(s, i, ":", v);
  if (n < 2) return false;
  return EncodeTimeValue(v[0], v[1], n == 3 ? v[2] : 0, 0, out);
}

std::string Trimmed(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return std::string(s.substr(b, e - b));
}

enum class DateKind { Date, Time, DateTime };

bool ParseDateKind(std::string_view text, DateKind kind, double* out) {
  const std::string s = Trimmed(text);
  std::size_t i = 0;
  double d = 0, t = 0;
  if (kind == DateKind::Time) {
    if (!ParseTime(s, &i, &t)) return false;
  } else {
    if (!ParseDate(s, &i, &d)) return false;
    if (kind == DateKind::DateTime && i < s.size()) {
      while (i < s.size() && s[i] == ' ') ++i;
      if (!ParseTime(s, &i, &t)) return false;
    }
  }
  if (i != s.size()) return false;
  *out = d < 0 ? d - t : d + t;
  return true;
}

double NowValue() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t tt = system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&tt, &tm);
  const int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  double d = 0, t = 0;
  EncodeDateValue(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, &d);
  EncodeTimeValue(tm.tm_hour, tm.tm_min, tm.tm_sec, ms, &t);
  return d + t;
}

std::mt19937& Generator() {
  static std::mt19937 gen(static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  return gen;
}

// ---------------------------------------------------------------- StringList

using StringVec = std::vector<std::string>;

std::uint16_t StringListMethod(TIfPasScript& e, void*, TProcedure& pr, Value* res, Args a) {
  Value* data = TIfPasScript::InstanceField(a[0], "DATA");
  if (!data) return ecClassNotInitialized;
  auto* list = static_cast<StringVec*>(data->res.ptr);
  const std::string& n = pr.name;
  if (n == "!CREATE") {
    if (list) {  // Create called again on a live list keeps it
      list->clear();
      return 0;
    }
    list = new StringVec;
    data->res.ptr = list;
    e.AddResource(list, [](void* p) { delete static_cast<StringVec*>(p); });
    return 0;
  }
  if (!list || !e.ContainsResource(list)) return ecClassNotInitialized;
  auto index = [&](std::size_t k) { return static_cast<std::int64_t>(ReadInteger(Arg(a, k))); };
  auto inRange = [&](std::int64_t i) { return i >= 0 && i < static_cast<std::int64_t>(list->size()); };
  if (n == "!DESTROY") {
    e.RemoveResource(list);
    delete list;
    data->res.ptr = nullptr;
  } else if (n == "!CLEAR") {
    list->clear();
  } else if (n == "!GETITEM") {
    const std::int64_t i = index(1);
    WriteString(*res, inRange(i) ? (*list)[i] : std::string());
  } else if (n == "!SETITEM") {
    const std::int64_t i = index(1);
    if (inRange(i)) (*list)[i] = ReadString(Arg(a, 2));
  } else if (n == "!COUNT") {
    WriteInteger(*res, static_cast<std::int64_t>(list->size()));
  } else if (n == "!ADD") {
    WriteInteger(*res, static_cast<std::int64_t>(list->size()));
    list->push_back(ReadString(Arg(a, 1)));
  } else if (n == "!DELETE") {
    const std::int64_t i = index(1);
    if (inRange(i)) list->erase(list->begin() + i);
  } else {
    return ecUnknownIdentifier;
  }
  return 0;
}

}  // namespace

std::string FormatFloatGeneral(long double x) {
  if (std::isnan(x)) return "Nan";
  if (std::isinf(x)) return x < 0 ? "-Inf" : "+Inf";
  if (x == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14Le", x);  // d.dddddddddddddde±x: 15 significant digits
  std::string s(buf);
  const std::size_t ep = s.find('e');
  const int exp = std::atoi(s.c_str() + ep + 1);
  std::string mant = s.substr(0, ep);
  const bool neg = mant[0] == '-';
  if (neg) mant.erase(0, 1);
  std::string digits = mant.substr(0, 1) + mant.substr(2);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = neg ? "-" : "";
  if (exp < -5 || exp >= 15) {
    out += digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(exp);
    return out;
  }
  if (exp < 0) {
    out += "0." + std::string(static_cast<std::size_t>(-exp - 1), '0') + digits;
    return out;
  }
  if (static_cast<int>(digits.size()) <= exp + 1) {
    out += digits + std::string(static_cast<std::size_t>(exp + 1 - static_cast<int>(digits.size())), '0');
    return out;
  }
  out += digits.substr(0, exp + 1) + "." + digits.substr(exp + 1);
  return out;
}

namespace {

std::string Grouped(std::string digits) {
  // Thousands separators in the integer part of an unsigned decimal text.
  const std::size_t dot = digits.find('.');
  std::string intPart = digits.substr(0, dot);
  const std::string rest = dot == std::string::npos ? std::string() : digits.substr(dot);
  std::string out;
  const std::size_t n = intPart.size();
  for (std::size_t k = 0; k < n; ++k) {
    if (k > 0 && (n - k) % 3 == 0) out += ',';
    out += intPart[k];
  }
  return out + rest;
}

// v (not negative) with the decimals, halves rounded away from zero.
std::string Fixed(long double v, int decimals) {
  long double scale = 1;
  for (int k = 0; k < decimals; ++k) scale *= 10;
  if (v * scale < 1e18L) {
    std::string digits = std::to_string(std::llroundl(v * scale));
    if (decimals == 0) return digits;
    if (static_cast<int>(digits.size()) <= decimals) digits.insert(0, decimals + 1 - digits.size(), '0');
    digits.insert(digits.size() - decimals, 1, '.');
    return digits;
  }
  char buf[512];
  std::snprintf(buf, sizeof buf, "%.*Lf", decimals, v);
  return buf;
}

}  // namespace

bool FormatNumber(std::string_view f, bool isInteger, std::int64_t iv, long double rv, std::string* out) {
  std::string result;
  bool used = false;
  for (std::size_t k = 0; k < f.size();) {
    if (f[k] != '%') {
      result += f[k++];
      continue;
    }
    ++k;
    if (k < f.size() && f[k] == '%') {
      result += '%';
      ++k;
      continue;
    }
    bool left = false;
    if (k < f.size() && f[k] == '-') {
      left = true;
      ++k;
    }
    int width = 0, precision = -1;
    while (k < f.size() && f[k] >= '0' && f[k] <= '9' && width < 10000) width = width * 10 + (f[k++] - '0');
    if (k < f.size() && f[k] == '.') {
      ++k;
      precision = 0;
      while (k < f.size() && f[k] >= '0' && f[k] <= '9' && precision < 10000) precision = precision * 10 + (f[k++] - '0');
    }
    if (k >= f.size() || used || width > 1000 || precision > 100) return false;
    const char type = static_cast<char>(f[k] | 0x20);
    ++k;
    std::string text;
    switch (type) {
      case 'd':
      case 'u':
      case 'x': {
        if (!isInteger) return false;
        std::uint64_t mag;
        bool neg = false;
        if (type == 'd') {
          neg = iv < 0;
          mag = neg ? static_cast<std::uint64_t>(-iv) : static_cast<std::uint64_t>(iv);
        } else {
          mag = static_cast<std::uint32_t>(iv);
        }
        char buf[32];
        std::snprintf(buf, sizeof buf, type == 'x' ? "%llX" : "%llu", static_cast<unsigned long long>(mag));
        text = buf;
        if (precision > static_cast<int>(text.size())) text.insert(0, precision - text.size(), '0');
        if (neg) text.insert(0, 1, '-');
        break;
      }
      case 'e':
      case 'f':
      case 'g':
      case 'n':
      case 'm': {
        if (isInteger) return false;
        if (type == 'g') {
          text = FormatFloatGeneral(rv);
          break;
        }
        const bool neg = rv < 0;
        const long double mag = neg ? -rv : rv;
        if (type == 'e') {
          // d.ddd…E+ddd with precision significant digits (15 by default).
          const int digits = precision < 1 ? 15 : precision;
          char buf[512];
          std::snprintf(buf, sizeof buf, "%.*Le", digits - 1, mag);
          std::string sbuf(buf);
          const std::size_t ep = sbuf.find('e');
          const int exp = std::atoi(sbuf.c_str() + ep + 1);
          char ebuf[16];
          std::snprintf(ebuf, sizeof ebuf, "E%c%03d", exp < 0 ? '-' : '+', exp < 0 ? -exp : exp);
          text = sbuf.substr(0, ep) + ebuf;
        } else if (type == 'f') {
          text = Fixed(mag, precision < 0 ? 2 : precision);
        } else if (type == 'n') {
          text = Grouped(Fixed(mag, precision < 0 ? 2 : precision));
        } else {
          // Money in the Japanese form: the yen sign (0x5C in Shift-JIS), no decimals by default.
          text = "\\" + Grouped(Fixed(mag, precision < 0 ? 0 : precision));
        }
        if (neg && text.find_first_not_of("0.,\\") != std::string::npos) text.insert(0, 1, '-');
        break;
      }
      default: return false;
    }
    used = true;
    if (static_cast<int>(text.size()) < width)
      text = left ? text + std::string(width - text.size(), ' ') : std::string(width - text.size(), ' ') + text;
    result += text;
  }
  *out = std::move(result);
  return true;
}

bool EncodeDateValue(int year, int month, int day, double* out) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  if (day > kDays[month - 1] + (month == 2 && IsLeap(year))) return false;
  *out = static_cast<double>(DaysFromCivil(year, month, day) + kEpochOffset);
  return true;
}

void DecodeDateValue(double dt, int* year, int* month, int* day) {
  CivilFromDays(static_cast<std::int64_t>(std::trunc(dt)) - kEpochOffset, year, month, day);
}

void RegisterSystemLibrary(TIfPasScript& en, ScriptWindowHost* windows) {
  TTypeRec* longint = en.TypeByCode(tcLongInt);
  TTypeRec* str = en.TypeByCode(tcString);
  // Standard functions.
  en.RegisterFunction(TAMBER_FN {
    const std::string s = ReadString(Arg(a, 0));
    const std::int64_t i = ReadInteger(Arg(a, 1));
    if (i < 1 || i > static_cast<std::int64_t>(s.size())) return ecOutOfRange;
    SetChar(*res, static_cast<unsigned char>(s[i - 1]));
    return 0;
  }, "function StrGet(var s: string; I: Longint): char");
  en.RegisterFunction(TAMBER_FN {
    Value& c = Arg(a, 0);
    const std::int64_t i = ReadInteger(Arg(a, 1));
    Value& s = Arg(a, 2);
    if (s.code != tcString || i < 1 || i > static_cast<std::int64_t>(s.Str().size())) return ecOutOfRange;
    s.MutableStr()[i - 1] = static_cast<char>(c.i);
    return 0;
  }, "procedure StrSet(c: char; i: Longint; var s: string): char");
  en.RegisterFunction(TAMBER_FN {
    SetChar(*res, static_cast<unsigned char>(ReadInteger(Arg(a, 0))));
    return 0;
  }, "function Chr(b: Byte): Char");
  en.RegisterFunction(TAMBER_FN {
    const std::string s = ReadString(Arg(a, 0));
    std::int64_t v = 0;
    if (!ParseInteger(s, &v)) return HostFailure(e, "'" + s + "' is not a valid integer value");
    WriteInteger(*res, v);
    return 0;
  }, "function StrToInt(s: string): Integer");
  en.RegisterFunction(TAMBER_FN {
    WriteString(*res, std::to_string(ReadInteger(Arg(a, 0))));
    return 0;
  }, "function IntToStr(i: Longint): string");
  en.RegisterFunction(TAMBER_FN {
    WriteString(*res, MapCase(ReadString(Arg(a, 0)), true));
    return 0;
  }, "function Uppercase(s: string): string");
  en.RegisterFunction(TAMBER_FN {
    const std::string s = ReadString(Arg(a, 0));
    std::int64_t from = ReadInteger(Arg(a, 1));
    std::int64_t count = ReadInteger(Arg(a, 2));
    if (from < 1) from = 1;
    if (count < 0 || from > static_cast<std::int64_t>(s.size())) count = 0;
    if (count > 0) WriteString(*res, s.substr(from - 1, count));
    return 0;
  }, "function Copy(s: string; i1, i2: Longint): string");
  en.RegisterFunction(TAMBER_FN {
    Value& s = Arg(a, 0);
    const std::int64_t from = ReadInteger(Arg(a, 1));
    const std::int64_t count = ReadInteger(Arg(a, 2));
    if (s.code != tcString) return ecTypeMismatch;
    const auto len = static_cast<std::int64_t>(s.Str().size());
    if (from < 1 || from > len || count <= 0) return 0;
    s.MutableStr().erase(from - 1, count);
    return 0;
  }, "procedure Delete(var s: string; i1,i2: Longint)");
  en.RegisterFunction(TAMBER_FN {
    const std::string add = ReadString(Arg(a, 0));
    Value& s = Arg(a, 1);
    std::int64_t at = ReadInteger(Arg(a, 2));
    if (s.code != tcString) return ecTypeMismatch;
    const auto len = static_cast<std::int64_t>(s.Str().size());
    if (len + add.size() > TIfPasScript::kMaxStringLength) return ecOutOfMemory;
    if (at < 1) at = 1;
    if (at > len) at = len + 1;
    s.MutableStr().insert(at - 1, add);
    return 0;
  }, "procedure Insert(s1: string; var s: string; i1: Longint)");
  en.RegisterFunction(TAMBER_FN {
    WriteInteger(*res, CharPos(ReadString(Arg(a, 0)), ReadString(Arg(a, 1))));
    return 0;
  }, "function Pos(s1, s2: string): Longint");
  // Length also gives the number of elements of an array.
  TParamList untyped;
  untyped.isFunction = true;
  untyped.result = longint;
  untyped.params.push_back({pmValue, "S", nullptr});
  en.RegisterInternal("Length", untyped, TAMBER_FN {
    const Value& v = Arg(a, 0);
    if (v.code == tcString) WriteInteger(*res, static_cast<std::int64_t>(v.Str().size()));
    else if (v.code == tcChar) WriteInteger(*res, 1);
    else if (v.code == tcArray) WriteInteger(*res, static_cast<std::int64_t>(v.a->items.size()));
    else return ecTypeMismatch;
    return 0;
  });
  en.RegisterFunction(TAMBER_FN {
    WriteString(*res, MapCase(ReadString(Arg(a, 0)), false));
    return 0;
  }, "function LowerCase(s: string): string");
  en.RegisterFunction(TAMBER_FN {
    WriteString(*res, Trimmed(ReadString(Arg(a, 0))));
    return 0;
  }, "function Trim(s: string): string");
  en.RegisterFunction(TAMBER_FN {
    WriteInteger(*res, static_cast<std::int64_t>(std::trunc(ReadReal(Arg(a, 0)) + 0.5L)));
    return 0;
  }, "function Int(s: Extended): Longint");
  en.RegisterFunction(TAMBER_FN {
    WriteString(*res, FormatFloatGeneral(ReadReal(Arg(a, 0))));
    return 0;
  }, "function FloatToStr(s: Extended): string");
  en.RegisterFunction(TAMBER_FN {
    long double v = 0;
    WriteReal(*res, ParseReal(ReadString(Arg(a, 0)), &v) ? v : 0);
    return 0;
  }, "function StrToFloat(s: string): Extended;");
  auto repeat = TAMBER_FN {
    bool tooLong = false;
    const std::string r = Repeat(ReadString(Arg(a, 0)), ReadInteger(Arg(a, 1)), &tooLong);
    if (tooLong) return ecOutOfMemory;
    WriteString(*res, r);
    return 0;
  };
  en.RegisterFunction(repeat, "function replicate(s: string; i: Longint): string");
  en.RegisterFunction(TAMBER_FN {
    WriteString(*res, "2.82");
    return 0;
  }, "function Version: string");
  en.RegisterFunction(TAMBER_FN {
    const std::string s = ReadString(Arg(a, 0));
    const std::int64_t n = ReadInteger(Arg(a, 1));
    if (n > 0) WriteString(*res, s.substr(0, static_cast<std::size_t>(n)));
    return 0;
  }, "function Left(s: string; i: Longint): string");
  en.RegisterFunction(repeat, "function StringOfChar(s: string; i: Integer): string");
  en.RegisterFunction(TAMBER_FN {
    Value& s = Arg(a, 0);
    std::int64_t n = ReadInteger(Arg(a, 1));
    if (s.code != tcString) return ecTypeMismatch;
    if (n < 0) n = 0;
    if (static_cast<std::uint64_t>(n) > TIfPasScript::kMaxStringLength) return ecOutOfMemory;
    s.MutableStr().resize(static_cast<std::size_t>(n), '\0');  // new bytes are zero
    return 0;
  }, "procedure SetLength(var S: String; L: Longint);");
  en.RegisterFunction(TAMBER_FN {
    WriteReal(*res, std::fabs(ReadReal(Arg(a, 0))));
    return 0;
  }, "function abs(s: extended): extended;");

  // Internal functions.
  auto params = [](ParamMode mode, TTypeRec* result, bool isFunction, TTypeRec* second = nullptr) {
    TParamList l;
    l.isFunction = isFunction;
    l.result = result;
    l.params.push_back({mode, isFunction && !second ? "MYVAR" : "ARR", nullptr});
    if (second) l.params.push_back({pmValue, "NEWLEN", second});
    return l;
  };
  TParamList getType = params(pmValue, str, true);
  en.RegisterInternal("GetType", getType, TAMBER_FN {
    const Value& v = Arg(a, 0);
    WriteString(*res, v.type && !v.type->name.empty() ? v.type->name : std::string("VAR"));
    return 0;
  });
  en.RegisterInternal("GetArrayLength", params(pmVar, longint, true), TAMBER_FN {
    const Value& v = Arg(a, 0);
    if (v.code != tcArray) return ecTypeMismatch;
    WriteInteger(*res, static_cast<std::int64_t>(v.a->items.size()));
    return 0;
  });
  TParamList setLen = params(pmVar, nullptr, false, longint);
  en.RegisterInternal("SetArrayLength", setLen, TAMBER_FN {
    Value& v = Arg(a, 0);
    if (v.code != tcArray) return ecTypeMismatch;
    if (!e.SetArrayLength(v, ReadInteger(Arg(a, 1)))) return e.ErrorCode() ? e.ErrorCode() : std::uint16_t{ecOutOfMemory};
    return 0;
  });
  en.RegisterInternal("Assigned", params(pmValue, en.TypeByCode(tcBoolean), true), TAMBER_FN {
    const Value& v = Arg(a, 0);
    switch (v.code) {
      case tcClass: {
        TIFInstance* inst = TIfPasScript::InstanceOf(v);
        WriteBoolean(*res, inst && !inst->freed);
        return 0;
      }
      case tcClassRef:
      case tcResourcePointer: WriteBoolean(*res, v.res.ptr != nullptr); return 0;
      case tcProcType: WriteBoolean(*res, v.proc != nullptr); return 0;
      case tcNil: WriteBoolean(*res, false); return 0;
      default: return ecTypeMismatch;
    }
  });
  auto lowHigh = [longint](bool high) {
    return [high, longint](TIfPasScript&, void*, TProcedure&, Value* res, Args a) -> std::uint16_t {
      const Value& v = Arg(a, 0);
      if (v.code == tcEnum) {
        *res = Value(v.type);
        res->i = high ? v.type->enumMax : 0;
        return 0;
      }
      if (v.code == tcArray) {
        *res = Value(longint);
        res->i = high ? static_cast<std::int64_t>(v.a->items.size()) - 1 : 0;
        return 0;
      }
      return ecTypeMismatch;
    };
  };
  en.RegisterInternal("Low", params(pmConst, nullptr, true), lowHigh(false));
  en.RegisterInternal("High", params(pmConst, nullptr, true), lowHigh(true));
  en.RegisterInternal("Ord", params(pmValue, longint, true), TAMBER_FN {
    const Value& v = Arg(a, 0);
    if (v.code == tcChar || v.code == tcEnum) {
      WriteInteger(*res, v.i);
      return 0;
    }
    if (v.code == tcString) {
      if (v.Str().size() != 1) return ecOutOfRange;
      WriteInteger(*res, static_cast<unsigned char>(v.Str()[0]));
      return 0;
    }
    return ecTypeMismatch;
  });
  auto step = [](int delta) {
    return [delta](TIfPasScript&, void*, TProcedure&, Value* res, Args a) -> std::uint16_t {
      const Value& v = Arg(a, 0);
      if (v.code != tcEnum) return ecTypeMismatch;
      const std::int64_t n = v.i + delta;
      if (n < 0 || n > v.type->enumMax) return ecOutOfRange;
      *res = Value(v.type);
      res->i = n;
      return 0;
    };
  };
  en.RegisterInternal("Pred", params(pmValue, nullptr, true), step(-1));
  en.RegisterInternal("Succ", params(pmValue, nullptr, true), step(1));

  en.RegisterFunction(TAMBER_FN {
    const long double x = ReadReal(Arg(a, 0));
    if (x < 0) return HostFailure(e, "Invalid floating point operation");
    WriteReal(*res, std::sqrt(x));
    return 0;
  }, "function SQRT(s: Extended): Extended");
  en.RegisterFunction(TAMBER_FN {
    WriteInteger(*res, static_cast<std::int64_t>(std::nearbyintl(ReadReal(Arg(a, 0)))));  // halves to even
    return 0;
  }, "function Round(s: Extended): Longint");
  en.RegisterFunction(TAMBER_FN {
    WriteInteger(*res, static_cast<std::int64_t>(std::truncl(ReadReal(Arg(a, 0)))));
    return 0;
  }, "function Trunc(s: Extended): Longint");
  en.RegisterFunction(TAMBER_FN {
    WriteReal(*res, 3.1415926535897932385L);
    return 0;
  }, "function PI: Extended");
  en.RegisterFunction(TAMBER_FN {
    const std::int64_t n = ReadInteger(Arg(a, 0));
    WriteInteger(*res, n > 0 ? static_cast<std::int64_t>(Generator()() % static_cast<std::uint64_t>(n)) : 0);
    return 0;
  }, "function Random(i:integer):integer");
  en.RegisterFunction(TAMBER_FN {
    Generator().seed(static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    return 0;
  }, "procedure Randomize");

  en.RegisterClassType("StringList",
                       "class(TObject) private data: ResourcePointer;public constructor Create; destructor Destroy; "
                       "override; procedure Clear;function GetItem(I: Integer): string;procedure SetItem(I: Integer; "
                       "S: string);function Count: Integer; function Add(s: string): Integer;procedure Delete(I: "
                       "Integer);end;",
                       StringListMethod);

  auto constant = [&](const char* name, std::int64_t v) {
    en.RegisterVariable(name, "Integer", true);
    if (Value* g = en.GetVariable(name)) g->i = v;
  };
  constant("fsBold", tamber::fsBold);
  constant("fsItalic", tamber::fsItalic);
  constant("fsUnderline", tamber::fsUnderline);
  constant("fsStrikeOut", tamber::fsStrikeOut);
  en.RegisterType("TNotifyEvent", "procedure(Sender: TObject);");
  en.RegisterType("TCloseQueryEvent", "procedure(Sender: TObject; Var CanClose: Boolean);");
  en.RegisterType("TKeyPressEvent", "procedure(Sender: TObject; var Key: Char);");
  WindowLibrary* lib = RegisterControlClass(en, windows);
  RegisterProcessMessages(en, lib);
  constant("bsNone", 0);
  constant("bsSingle", 1);
  constant("bsDialog", 2);
  constant("bsSizeable", 3);
  constant("BiSystemMenu", 1);
  constant("biMinimize", 2);
  constant("biMaximize", 4);
  RegisterFormAndControls(en, lib);

  en.RegisterType("TDateTime", "Double");
  en.RegisterFunction(TAMBER_FN {
    double d = 0;
    if (!EncodeDateValue(ReadInteger(Arg(a, 0)), ReadInteger(Arg(a, 1)), ReadInteger(Arg(a, 2)), &d))
      return InvalidDate(e);
    WriteReal(*res, d);
    return 0;
  }, "function EncodeDate(Year, Month, Day: Word): TDateTime;");
  en.RegisterFunction(TAMBER_FN {
    double t = 0;
    if (!EncodeTimeValue(ReadInteger(Arg(a, 0)), ReadInteger(Arg(a, 1)), ReadInteger(Arg(a, 2)),
                         ReadInteger(Arg(a, 3)), &t))
      return InvalidDate(e);
    WriteReal(*res, t);
    return 0;
  }, "function EncodeTime(Hour, Min, Sec, MSec: Word): TDateTime;");
  en.RegisterFunction(TAMBER_FN {
    int y, m, d;
    DecodeDateValue(static_cast<double>(ReadReal(Arg(a, 0))), &y, &m, &d);
    WriteInteger(Arg(a, 1), y);
    WriteInteger(Arg(a, 2), m);
    WriteInteger(Arg(a, 3), d);
    return 0;
  }, "procedure DecodeDate(DateTime: TDateTime; var Year, Month, Day: Word);");
  en.RegisterFunction(TAMBER_FN {
    int h, m, s, ms;
    DecodeTimeValue(static_cast<double>(ReadReal(Arg(a, 0))), &h, &m, &s, &ms);
    WriteInteger(Arg(a, 1), h);
    WriteInteger(Arg(a, 2), m);
    WriteInteger(Arg(a, 3), s);
    WriteInteger(Arg(a, 4), ms);
    return 0;
  }, "procedure DecodeTime(DateTime: TDateTime; var Hour, Min, Sec, MSec: Word);");
  en.RegisterFunction(TAMBER_FN {
    WriteReal(*res, std::trunc(NowValue()));
    return 0;
  }, "function Date: TDateTime;");
  en.RegisterFunction(TAMBER_FN {
    const double n = NowValue();
    WriteReal(*res, n - std::trunc(n));
    return 0;
  }, "function Time: TDateTime;");
  en.RegisterFunction(TAMBER_FN {
    WriteReal(*res, NowValue());
    return 0;
  }, "function Now: TDateTime;");
  en.RegisterFunction(TAMBER_FN {
    WriteString(*res, DateText(static_cast<double>(ReadReal(Arg(a, 0)))));
    return 0;
  }, "function DateToStr(DateTime: TDateTime): string;");
  en.RegisterFunction(TAMBER_FN {
    WriteString(*res, TimeText(static_cast<double>(ReadReal(Arg(a, 0)))));
    return 0;
  }, "function TimeToStr(DateTime: TDateTime): string;");
  en.RegisterFunction(TAMBER_FN {
    const double dt = static_cast<double>(ReadReal(Arg(a, 0)));
    std::string s = DateText(dt);
    if (dt != std::trunc(dt)) s += " " + TimeText(dt);
    WriteString(*res, s);
    return 0;
  }, "function DateTimeToStr(DateTime: TDateTime): string;");
  struct Parse {
    const char* decl;
    DateKind kind;
    bool withDefault;
  };
  for (const Parse& p : {Parse{"function StrToDate(S: string): TDateTime;", DateKind::Date, false},
                         Parse{"function StrToDateDef(S: string; Default: TDateTime): TDateTime;", DateKind::Date, true},
                         Parse{"function StrToTime(S: string): TDateTime;", DateKind::Time, false},
                         Parse{"function StrToTimeDef(S: string; Default: TDateTime): TDateTime;", DateKind::Time, true},
                         Parse{"function StrToDateTime(S: string): TDateTime;", DateKind::DateTime, false},
                         Parse{"function StrToDateTimeDef(S: string; Default: TDateTime): TDateTime;",
                               DateKind::DateTime, true}}) {
    en.RegisterFunction(
        [p](TIfPasScript& e, void*, TProcedure&, Value* res, Args a) -> std::uint16_t {
          double v = 0;
          if (!ParseDateKind(ReadString(Arg(a, 0)), p.kind, &v)) {
            if (!p.withDefault) return InvalidDate(e);
            v = static_cast<double>(ReadReal(Arg(a, 1)));
          }
          WriteReal(*res, v);
          return 0;
        },
        p.decl);
  }
  // Formatting of one number (also offered by the editor library).
  auto formatted = [](bool isInteger) {
    return [isInteger](TIfPasScript& e, void*, TProcedure&, Value* res, Args a) -> std::uint16_t {
      const std::string format = ReadString(Arg(a, 0));
      std::string out;
      if (!FormatNumber(format, isInteger, ReadInteger(Arg(a, 1)), ReadReal(Arg(a, 1)), &out))
        return HostFailure(e, "Format '" + format + "' invalid or incompatible with argument");
      WriteString(*res, out);
      return 0;
    };
  };
  en.RegisterFunction(formatted(true), "function IntToStrF(s:string, n:integer):string");
  en.RegisterFunction(formatted(false), "function FloatToStrF(s:string, f:double):string");
}

#undef TAMBER_FN

}  // namespace tamber::script
