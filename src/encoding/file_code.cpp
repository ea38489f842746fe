#include "encoding/file_code.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "encoding/byte_sink.h"
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

namespace {

// s with every break (CR LF, CR or LF) as br, appended to out.
void AppendWithBreaks(std::string_view s, std::string_view br, std::string& out) {
  out.reserve(out.size() + s.size() + s.size() / 16 + 2);
  const char* p = s.data();
  const char* const end = p + s.size();
  while (p < end) {
    // The next CR or LF: memchr runs far faster than a byte loop.
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    const char* stop = lf ? lf : end;
    const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(stop - p)));
    if (cr) stop = cr;
    out.append(p, static_cast<std::size_t>(stop - p));
    if (stop == end) break;
    out.append(br);
    p = stop + 1;
    if (*stop == '\r' && p < end && *p == '\n') ++p;
  }
}

}  // namespace

void NormalizeBreaksInto(std::string_view s, std::string& out) {
  out.clear();
  AppendWithBreaks(s, "\r\n", out);
}

std::string NormalizeBreaks(std::string_view s) {
  std::string out;
  NormalizeBreaksInto(s, out);
  return out;
}

std::string_view LineBreakBytes(LineEnd e) {
  switch (e) {
    case LineEnd::Lf: return "\n";
    case LineEnd::Cr: return "\r";
    case LineEnd::CrLf: break;
  }
  return "\r\n";
}

namespace {

LineEnd FirstBreakStyle(std::string_view s) {
  const std::size_t i = FindLineBreak(s);
  if (i == std::string_view::npos) return LineEnd::CrLf;
  if (s[i] == '\n') return LineEnd::Lf;
  return (i + 1 < s.size() && s[i + 1] == '\n') ? LineEnd::CrLf : LineEnd::Cr;
}


bool HasHighByte(std::string_view s) { return AsciiRunEnd(s, 0) < s.size(); }

// The bytes without their final break (CR LF, CR or LF): the lines.
std::string_view JoinedLines(std::string_view bytes) {
  if (bytes.size() >= 2 && bytes.substr(bytes.size() - 2) == "\r\n")
    bytes.remove_suffix(2);
  else if (!bytes.empty() && (bytes.back() == '\r' || bytes.back() == '\n'))
    bytes.remove_suffix(1);
  return bytes;
}

std::string ToShiftJis(std::string_view text, FileCode from, std::size_t* lost,
                       Utf8Forms* forms = nullptr) {
  switch (from) {
    case FileCode::Jis: return JisToSjis(text, lost);
    case FileCode::Euc: return EucToSjis(text, lost);
    case FileCode::Utf8:
      if (text.substr(0, 3) == kUtf8Bom) text.remove_prefix(3);
      return Utf8ToCp932(text, lost, forms);
    case FileCode::ShiftJis:
    case FileCode::Binary: break;
  }
  return std::string(text);
}

// Shift-JIS text in f.code (not Shift-JIS), without a byte-order mark.
std::string FromShiftJis(std::string_view text, const TextFormat& f, std::size_t* lost) {
  switch (f.code) {
    case FileCode::Jis: return SjisToJis(text, lost, f.jis);
    case FileCode::Euc: return SjisToEuc(text, lost);
    case FileCode::Utf8: return Cp932ToUtf8(text, lost, f.otherForms);
    case FileCode::ShiftJis:
    case FileCode::Binary: break;
  }
  return std::string(text);
}

}  // namespace

std::string FileExtension(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return std::string(path.substr(dot));
}

namespace {

// How the classification takes the rule of well-formed UTF-8.
enum class Utf8Rule {
  kWhole,   // checked on the whole text
  kStart,   // checked on the start; *unchecked set when the rest is not
  kBroken,  // known to fail
};

constexpr std::size_t kUtf8CheckedStart = 1 << 16;

FileCode DetectCode(int probe, std::string_view ext, std::string_view lines, Utf8Rule rule,
                    bool* unchecked) {
  std::string lowerExt(ext);
  for (char& c : lowerExt)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');

  if (probe == pfUtf8Bom || lowerExt == ".manifest") return FileCode::Utf8;
  const int detected = DetectTextCode(lines);
  if (detected == dcBinary) return FileCode::Binary;
  if (rule != Utf8Rule::kBroken && HasHighByte(lines)) {
    if (rule == Utf8Rule::kWhole || lines.size() <= kUtf8CheckedStart) {
      if (IsValidUtf8(lines)) return FileCode::Utf8;
    } else {
      // The start ends before a byte that begins a character, so that a
      // well-formed text has a well-formed start.
      std::size_t stop = kUtf8CheckedStart;
      auto continuation = [&](std::size_t i) { return (static_cast<unsigned char>(lines[i]) & 0xC0) == 0x80; };
      for (int k = 0; k < 3 && continuation(stop); ++k) --stop;
      if (IsValidUtf8(lines.substr(0, stop))) {
        *unchecked = true;
        return FileCode::Utf8;
      }
    }
  }
  if (detected == dcJis || detected == dcJisOld) return FileCode::Jis;
  if (detected == dcEuc || (detected == dcEucOrSjis && DecideEucOrSjis(lines) == dcEuc))
    return FileCode::Euc;
  return FileCode::ShiftJis;
}

TextFormat Classify(int probe, std::string_view ext, std::string_view fileBytes, bool kanjiAuto,
                    Utf8Rule rule) {
  TextFormat f;
  f.lineEnd = FirstBreakStyle(fileBytes);
  f.finalBreak = !fileBytes.empty() && (fileBytes.back() == '\r' || fileBytes.back() == '\n');
  const std::string_view lines = JoinedLines(fileBytes);
  // Only a text that is converted can be checked while it is read.
  if (!kanjiAuto && rule == Utf8Rule::kStart) rule = Utf8Rule::kWhole;
  const FileCode code = DetectCode(probe, ext, lines, rule, &f.utf8Unchecked);
  f.bom = probe == pfUtf8Bom;
  f.code = code;
  if (code == FileCode::Jis) f.jis = DetectJisStyle(lines);
  if (!kanjiAuto || code == FileCode::ShiftJis || code == FileCode::Binary)
    f.textCode = code == FileCode::Binary ? FileCode::ShiftJis : code;
  else
    f.textCode = FileCode::ShiftJis;
  return f;
}

}  // namespace

FileCode DetectFileCode(int probe, std::string_view ext, std::string_view lines) {
  bool unchecked = false;
  return DetectCode(probe, ext, lines, Utf8Rule::kWhole, &unchecked);
}

TextFormat ClassifyFileBytes(int probe, std::string_view ext, std::string_view fileBytes,
                             bool kanjiAuto, Utf8Check check) {
  return Classify(probe, ext, fileBytes, kanjiAuto,
                  check == Utf8Check::kByDecoder ? Utf8Rule::kStart : Utf8Rule::kWhole);
}

FileDecoder::FileDecoder(std::string_view fileBytes, const TextFormat& format, bool normalizeBreaks)
    : bytes_(fileBytes), format_(format), normalize_(normalizeBreaks) {
  Start();
}

void FileDecoder::Start() {
  from_ = format_.textCode == FileCode::ShiftJis ? format_.code : FileCode::ShiftJis;
  if (from_ == FileCode::Binary) from_ = FileCode::ShiftJis;
  pos_ = 0;
  lost_ = 0;
  forms_ = {};
  jisShift_ = 0;
  // The mark is not part of the text converted from UTF-8.
  if (from_ == FileCode::Utf8 && bytes_.substr(0, 3) == kUtf8Bom) pos_ = 3;
}

std::size_t FileDecoder::CutPoint() const {
  const std::size_t n = bytes_.size();
  // Each part of kPiece bytes is looked at once, however long the line.
  for (std::size_t from = pos_; from + kPiece < n; from += kPiece) {
    const std::string_view part = bytes_.substr(from, kPiece);
    // After the last break, with the LF of a CR LF.
    std::size_t cut = part.find_last_of("\r\n");
    if (cut != std::string_view::npos) {
      cut += from + 1;
      if (bytes_[cut - 1] == '\r' && bytes_[cut] == '\n') ++cut;
      return cut;
    }
    // A line longer than the part: after a byte that is a character of its
    // own in Shift-JIS, EUC and UTF-8 alike. JIS pairs are made of such
    // bytes, so a JIS line is taken whole.
    if (from_ != FileCode::Jis) {
      for (std::size_t i = part.size(); i-- > 0;) {
        const auto c = static_cast<unsigned char>(part[i]);
        if (c < 0x40 && c != 0x1B) return from + i + 1;
      }
    }
  }
  return n;
}

bool FileDecoder::Next(std::string_view* piece) {
  startedOver_ = false;
  for (;;) {
    if (pos_ >= bytes_.size()) {
      format_.utf8Unchecked = false;  // every byte has been read in the code
      return false;
    }
    const std::size_t end = CutPoint();
    const std::string_view in = bytes_.substr(pos_, end - pos_);
    pos_ = end;
    std::string_view text = in;
    switch (from_) {
      // Each result takes over the storage of the last.
      case FileCode::Jis:
        converted_ = JisToSjis(in, &lost_, &jisShift_, std::move(converted_));
        text = converted_;
        break;
      case FileCode::Euc:
        converted_ = EucToSjis(in, &lost_, std::move(converted_));
        text = converted_;
        break;
      case FileCode::Utf8: {
        const std::size_t room = Utf8ToCp932Bound(in.size());
        if (buffer_.size() < room) buffer_.resize(room);
        bool wellFormed = true;
        const std::size_t n = Utf8ToCp932Into(in, buffer_.data(), &lost_, &forms_, &wellFormed);
        if (!wellFormed && format_.utf8Unchecked) {
          // Not UTF-8 after all: the text is classified by the other rules
          // (the ones before UTF-8 had passed it) and read again.
          format_ = Classify(pfText, {}, bytes_, /*kanjiAuto=*/true, Utf8Rule::kBroken);
          Start();
          startedOver_ = true;
          continue;
        }
        text = std::string_view(buffer_.data(), n);
        break;
      }
      case FileCode::ShiftJis:
      case FileCode::Binary: break;
    }
    if (normalize_) {
      NormalizeBreaksInto(text, out_);
      text = out_;
    }
    *piece = text;
    return true;
  }
}

ClassifiedText ClassifyOpenedFile(int probe, std::string_view ext, std::string_view fileBytes,
                                  bool kanjiAuto) {
  ClassifiedText r;
  const TextFormat format = ClassifyFileBytes(probe, ext, fileBytes, kanjiAuto, Utf8Check::kByDecoder);
  r.text.reserve(fileBytes.size() + fileBytes.size() / 16);
  FileDecoder decoder(fileBytes, format);
  for (std::string_view piece; decoder.Next(&piece);) {
    if (decoder.StartedOver()) r.text.clear();
    r.text.append(piece);
  }
  r.format = decoder.Format();
  r.code = r.format.code;
  r.format.otherForms = decoder.OtherForms();
  r.lost = decoder.Lost();
  return r;
}

EncodedText EncodeForSave(std::string_view text, const TextFormat& format) {
  if (format.code == FileCode::Binary) throw EncodingError("binary files are not saved");
  EncodedText r;
  std::string sjisCopy, converted;
  std::string_view bytes = text;  // the text in the file's code
  if (format.textCode != format.code) {
    std::string_view sjis = text;
    if (format.textCode != FileCode::ShiftJis) {
      sjisCopy = ToShiftJis(text, format.textCode, &r.lost);
      sjis = sjisCopy;
    }
    bytes = sjis;
    if (format.code != FileCode::ShiftJis) {
      converted = FromShiftJis(sjis, format, &r.lost);
      bytes = converted;
      if (format.code == FileCode::Utf8 && format.bom) r.bytes = kUtf8Bom;
    }
  }
  // Every break, CR LF, CR or LF, is written as the file's break; whether the
  // last line ends with one is the text's own affair.
  AppendWithBreaks(bytes, LineBreakBytes(format.lineEnd), r.bytes);
  return r;
}

}  // namespace tamber
