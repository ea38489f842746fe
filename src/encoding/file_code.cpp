#include "encoding/file_code.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

#include "encoding/cp932_codec.h"
#include "encoding/dbcs.h"

namespace tamber {

std::string_view FileCodeText(FileCode code) {
  switch (code) {
    case FileCode::Binary: return "BIN";
    case FileCode::ShiftJis: return "S_JIS";
    case FileCode::Jis: return "JIS";
    case FileCode::Euc: return "EUC";
    case FileCode::Utf8: return "UTF-8";
  }
  return {};
}

std::string_view ChrCodeLabel(ChrCodeEnum code) {
  switch (code) {
    case AUTO: return "自動";
    case SJIS: return "シフトJIS";
    case JIS: return "JIS";
    case EUC: return "EUC";
    case UTF8: return "UTF-8";
    case BIN: return "BIN";
  }
  return {};
}

int ProbeBytes(std::string_view head) {
  head = head.substr(0, kProbeLength);
  for (const char ch : head) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x08 || b == 0xFF) return pfBinary;
  }
  if (head.size() > 2 && head.substr(0, 3) == kUtf8Bom) return pfUtf8Bom;
  return pfText;
}

int ProbeFile(const std::string& path) {
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!f) throw std::system_error(errno, std::generic_category(), path);
  char buf[kProbeLength];
  const std::size_t n = std::fread(buf, 1, sizeof buf, f.get());
  if (std::ferror(f.get())) throw std::system_error(EIO, std::generic_category(), path);
  return ProbeBytes(std::string_view(buf, n));
}

std::string NormalizeBreaks(std::string_view s) {
  std::string out;
  out.reserve(s.size() + s.size() / 32);
  std::size_t start = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c != '\r' && c != '\n') continue;
    out.append(s.substr(start, i - start));
    out.append("\r\n");
    if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
    start = i + 1;
  }
  out.append(s.substr(start));
  return out;
}

namespace {

LineEnd FirstBreakStyle(std::string_view s) {
  const std::size_t i = FindLineBreak(s);
  if (i == std::string_view::npos) return LineEnd::CrLf;
  if (s[i] == '\n') return LineEnd::Lf;
  return (i + 1 < s.size() && s[i + 1] == '\n') ? LineEnd::CrLf : LineEnd::Cr;
}

std::string_view BreakBytes(LineEnd e) {
  switch (e) {
    case LineEnd::Lf: return "\n";
    case LineEnd::Cr: return "\r";
    case LineEnd::CrLf: break;
  }
  return "\r\n";
}

bool HasHighByte(std::string_view s) {
  for (const char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

// The text without its final break: what the lines joined with CR LF give.
std::string_view JoinedLines(std::string_view normalized) {
  if (normalized.size() >= 2 && normalized.substr(normalized.size() - 2) == "\r\n")
    normalized.remove_suffix(2);
  return normalized;
}

std::string ToShiftJis(std::string_view text, FileCode from, std::size_t* lost) {
  switch (from) {
    case FileCode::Jis: return JisToSjis(text, lost);
    case FileCode::Euc: return EucToSjis(text, lost);
    case FileCode::Utf8:
      if (text.substr(0, 3) == kUtf8Bom) text.remove_prefix(3);
      return Utf8ToCp932(text, lost);
    case FileCode::ShiftJis:
    case FileCode::Binary: break;
  }
  return std::string(text);
}

std::string FromShiftJis(std::string_view text, const TextFormat& f, std::size_t* lost) {
  switch (f.code) {
    case FileCode::Jis: return SjisToJis(text, lost, f.jis);
    case FileCode::Euc: return SjisToEuc(text, lost);
    case FileCode::Utf8: {
      std::string out = f.bom ? std::string(kUtf8Bom) : std::string();
      out += Cp932ToUtf8(text, lost);
      return out;
    }
    case FileCode::ShiftJis:
    case FileCode::Binary: break;
  }
  return std::string(text);
}

}  // namespace

FileCode DetectFileCode(int probe, std::string_view ext, std::string_view lines) {
  std::string lowerExt(ext);
  for (char& c : lowerExt)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');

  FileCode code;
  if (probe == pfUtf8Bom) {
    code = FileCode::Utf8;
  } else if (lowerExt == ".manifest") {
    code = FileCode::Utf8;
  } else {
    const int detected = DetectCode(lines);
    if (detected == dcBinary)
      code = FileCode::Binary;
    else if (HasHighByte(lines) && IsValidUtf8(lines))
      code = FileCode::Utf8;
    else if (detected == dcJis || detected == dcJisOld)
      code = FileCode::Jis;
    else if (detected == dcEuc)
      code = FileCode::Euc;
    else
      code = FileCode::ShiftJis;
  }
  return code;
}

ClassifiedText ClassifyOpenedFile(int probe, std::string_view ext, std::string_view fileBytes,
                                  bool kanjiAuto) {
  ClassifiedText r;
  r.format.lineEnd = FirstBreakStyle(fileBytes);
  r.format.finalBreak =
      !fileBytes.empty() && (fileBytes.back() == '\r' || fileBytes.back() == '\n');
  r.format.bom = false;
  std::string text = NormalizeBreaks(fileBytes);
  const std::string_view lines = JoinedLines(text);

  const FileCode code = DetectFileCode(probe, ext, lines);
  r.format.bom = probe == pfUtf8Bom;
  r.code = code;
  r.format.code = code;
  if (code == FileCode::Jis) r.format.jis = DetectJisStyle(lines);

  if (!kanjiAuto || code == FileCode::ShiftJis || code == FileCode::Binary) {
    r.format.textCode = code == FileCode::Binary ? FileCode::ShiftJis : code;
    r.text = std::move(text);
    return r;
  }
  r.format.textCode = FileCode::ShiftJis;
  if (code == FileCode::Utf8)
    r.text = ToShiftJis(text, FileCode::Utf8, &r.lost);
  else
    r.text = ConvertCode(text, dcSjis, &r.lost);
  return r;
}

EncodedText EncodeForSave(std::string_view text, const TextFormat& format) {
  if (format.code == FileCode::Binary) throw EncodingError("binary files are not saved");
  EncodedText r;
  std::string converted;
  if (format.textCode == format.code) {
    converted = std::string(text);
  } else {
    const std::string sjis = ToShiftJis(text, format.textCode, &r.lost);
    converted = FromShiftJis(sjis, format, &r.lost);
  }
  // Split into lines at CR LF, CR or LF (a final break makes no empty line)
  // and write them with the file's breaks.
  const std::string_view br = BreakBytes(format.lineEnd);
  std::string& out = r.bytes;
  out.reserve(converted.size() + converted.size() / 32 + 2);
  const std::string_view s = converted;
  std::size_t start = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c != '\r' && c != '\n') continue;
    out.append(s.substr(start, i - start));
    const bool crlf = c == '\r' && i + 1 < s.size() && s[i + 1] == '\n';
    if (crlf) ++i;
    start = i + 1;
    if (start < s.size() || format.finalBreak) out.append(br);
  }
  if (start < s.size()) {
    out.append(s.substr(start));
    if (format.finalBreak) out.append(br);
  }
  return r;
}

}  // namespace tamber
