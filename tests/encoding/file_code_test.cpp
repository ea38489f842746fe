#include "encoding/file_code.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "../support/bytes.h"
#include "encoding/cp932_codec.h"

namespace tamber {
namespace {

using test::Hex;
using test::ToHex;

TEST(ProbeBytes, ClassifiesTheHead) {
  EXPECT_EQ(ProbeBytes(""), pfText);
  EXPECT_EQ(ProbeBytes("abc"), pfText);
  EXPECT_EQ(ProbeBytes(Hex("EF BB BF")), pfUtf8Bom);
  EXPECT_EQ(ProbeBytes(Hex("EF BB")), pfText);
  EXPECT_EQ(ProbeBytes(Hex("41 00 42")), pfBinary);
  EXPECT_EQ(ProbeBytes(Hex("EF BB BF FF")), pfBinary);
  std::string late(600, 'a');
  late[550] = '\0';  // past the 512 bytes looked at
  EXPECT_EQ(ProbeBytes(late), pfText);
}

TEST(FileCodeText, NamesEveryCode) {
  EXPECT_EQ(FileCodeText(FileCode::Binary), "BIN");
  EXPECT_EQ(FileCodeText(FileCode::ShiftJis), "S_JIS");
  EXPECT_EQ(FileCodeText(FileCode::Jis), "JIS");
  EXPECT_EQ(FileCodeText(FileCode::Euc), "EUC");
  EXPECT_EQ(FileCodeText(FileCode::Utf8), "UTF-8");
  EXPECT_EQ(ChrCodeLabel(AUTO), "自動");
  EXPECT_EQ(ChrCodeLabel(SJIS), "シフトJIS");
}

// A small Japanese text in Shift-JIS: "日本語テキスト ｶﾞ" and "二行目 ~\".
const std::string kSjisLine1 = Cp932ToUtf8("") + Utf8ToCp932("日本語テキスト ｶﾞ");
const std::string kSjisLine2 = Utf8ToCp932("二行目 ~\\");

std::string Join(const std::string& a, const std::string& b, std::string_view br, bool finalBreak) {
  std::string s = a + std::string(br) + b;
  if (finalBreak) s += br;
  return s;
}

struct FileVariant {
  FileCode code;
  bool bom;
};

std::string Encode(std::string_view sjisLine, FileCode code, bool bom, bool& ok) {
  ok = true;
  switch (code) {
    case FileCode::ShiftJis: return std::string(sjisLine);
    case FileCode::Euc: return SjisToEuc(sjisLine);
    case FileCode::Jis: return SjisToJis(sjisLine, nullptr, JisStyle{"\x1B$B", "\x1B(B"});
    case FileCode::Utf8: return (bom ? std::string(kUtf8Bom) : "") + Cp932ToUtf8(sjisLine);
    default: ok = false; return {};
  }
}

TEST(ClassifyAndEncode, GiveBackTheFileBytesExactly) {
  // JIS loses half-width kana (they become full width), so its lines use none.
  const std::string jisLine1 = Utf8ToCp932("日本語テキスト ガ");
  const FileVariant variants[] = {{FileCode::ShiftJis, false}, {FileCode::Euc, false},
                                  {FileCode::Jis, false},      {FileCode::Utf8, true},
                                  {FileCode::Utf8, false}};
  const std::string_view breaks[] = {"\r\n", "\n", "\r"};
  for (const auto& v : variants) {
    for (const std::string_view br : breaks) {
      for (const bool finalBreak : {true, false}) {
        const std::string& line1 = v.code == FileCode::Jis ? jisLine1 : kSjisLine1;
        bool ok;
        const std::string l1 = Encode(line1, v.code, v.bom, ok);
        const std::string l2 = Encode(kSjisLine2, v.code, false, ok);
        const std::string file = Join(l1, l2, br, finalBreak);
        const std::string what = std::string(FileCodeText(v.code)) + (v.bom ? "+BOM" : "") +
                                 " breaks " + ToHex(br) + (finalBreak ? " final" : "");
        const ClassifiedText c = ClassifyOpenedFile(ProbeBytes(file), ".txt", file, true);
        EXPECT_EQ(c.code, v.code) << what;
        EXPECT_EQ(ToHex(c.text), ToHex(Join(line1, kSjisLine2, "\r\n", finalBreak))) << what;
        EXPECT_EQ(c.lost, 0u) << what;
        const EncodedText saved = EncodeForSave(c.text, c.format);
        EXPECT_EQ(ToHex(saved.bytes), ToHex(file)) << what;

        // Read raw (automatic recognition off): the same code, the text as it was.
        const ClassifiedText raw = ClassifyOpenedFile(ProbeBytes(file), ".txt", file, false);
        EXPECT_EQ(raw.code, v.code) << what;
        EXPECT_EQ(ToHex(EncodeForSave(raw.text, raw.format).bytes), ToHex(file)) << what;
      }
    }
  }
}

TEST(ClassifyOpenedFile, FollowsTheDecisionTable) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* ext;
    FileCode code;
  } cases[] = {
      {"ascii", "plain text\n", ".txt", FileCode::ShiftJis},
      {"empty", "", ".txt", FileCode::ShiftJis},
      {"binary by detection", std::string("ab\x02" "cd\n", 6), ".txt", FileCode::Binary},
      {"manifest is UTF-8", "<?xml?>\n", ".MANIFEST", FileCode::Utf8},
      {"undecided hiragana is EUC", Hex("A4 A2 0A"), ".txt", FileCode::Euc},
      {"UTF-8 without mark", "日本\n", ".txt", FileCode::Utf8},
      {"EUC", Hex("C6 FC CB DC 0A"), ".c", FileCode::Euc},
  };
  for (const auto& c : cases) {
    const ClassifiedText r = ClassifyOpenedFile(ProbeBytes(c.bytes), c.ext, c.bytes, true);
    EXPECT_EQ(r.code, c.code) << c.name;
  }
}

TEST(ClassifyOpenedFile, AControlBytePastTheProbeIsText) {
  // 600 bytes of ASCII, a NUL at 894, then Japanese: binary only if the NUL
  // were looked at, and it lies past the bytes that decide binary.
  const std::string sjis = Utf8ToCp932("日本語のテキスト\r\n");
  const struct {
    FileCode code;
    std::string line;
  } cases[] = {
      {FileCode::Utf8, Cp932ToUtf8(sjis)},
      {FileCode::Euc, SjisToEuc(sjis)},
      {FileCode::ShiftJis, sjis},
  };
  for (const auto& c : cases) {
    std::string file(894, 'a');
    file += '\0';
    file += "\r\n" + c.line;
    const ClassifiedText r = ClassifyOpenedFile(ProbeBytes(file), ".txt", file, true);
    EXPECT_EQ(r.code, c.code) << FileCodeText(c.code);
    EXPECT_EQ(r.text.substr(894, 3), std::string("\0\r\n", 3)) << FileCodeText(c.code);
    EXPECT_EQ(r.text.substr(897), sjis) << FileCodeText(c.code);
  }
  // Within the first 512 bytes the same byte still makes the file binary.
  std::string early(600, 'a');
  early[100] = '\0';
  EXPECT_EQ(ClassifyOpenedFile(pfText, ".txt", early + sjis, true).code, FileCode::Binary);
}

TEST(ClassifyOpenedFile, UndecidedTextIsSettledByReadingItBothWays) {
  // Short EUC texts of kana and kanji that the byte heuristics leave undecided.
  const char* const lines[] = {
      "ありがとうございます",       "きょうはいいてんきですね", "今日は良い天気です",
      "カタカナとひらがな",         "日本語の文章",             "これはテストです。",
      "設定ファイルを読み込みます", "よろしくおねがいします",   "東京都",
      "おはよう",
  };
  std::string euc;
  for (std::size_t count = 1; count <= std::size(lines); ++count) {
    euc += SjisToEuc(Utf8ToCp932(lines[count - 1])) + "\n";
    if (count == 1) {
      ASSERT_EQ(DetectCode(euc), dcEucOrSjis);
    }
    const ClassifiedText r = ClassifyOpenedFile(ProbeBytes(euc), ".txt", euc, true);
    EXPECT_EQ(r.code, FileCode::Euc) << count << " lines";
    EXPECT_EQ(Cp932ToUtf8(r.text).substr(0, std::strlen(lines[0]) + 2), lines[0] + std::string("\r\n"));
  }
  // Half-width katakana in Shift-JIS that is no EUC text (AE AF is a pair of
  // an empty row) stays Shift-JIS, unconverted: ﾃｽﾄｼｮｯﾌﾟ.
  const std::string sjis = Hex("C3 BD C4 BC AE AF CC DF 0D 0A");
  ASSERT_EQ(DetectCode(sjis), dcEucOrSjis);
  const ClassifiedText r = ClassifyOpenedFile(ProbeBytes(sjis), ".txt", sjis, true);
  EXPECT_EQ(r.code, FileCode::ShiftJis);
  EXPECT_EQ(r.text, sjis);
  // Valid both ways: the reading with the kana wins (あ, not ､｢), and one with
  // only half-width katakana against level-1 kanji is EUC too, as nkf has it.
  EXPECT_EQ(DecideEucOrSjis(Hex("A4 A2")), dcEuc);
  EXPECT_EQ(DecideEucOrSjis(Hex("B6 DE B7 DE")), dcEuc);
  // A level-2 kanji either way: a tie, which stays Shift-JIS.
  EXPECT_EQ(DecideEucOrSjis(Hex("E0 A1")), dcSjis);
}

TEST(ClassifyOpenedFile, CountsCharactersShiftJisCannotHold) {
  const std::string file = "emoji 😀 and €\n";
  const ClassifiedText r = ClassifyOpenedFile(ProbeBytes(file), ".txt", file, true);
  EXPECT_EQ(r.code, FileCode::Utf8);
  EXPECT_EQ(r.lost, 2u);
}

// The characters that CP932 maps only one way, in pairs sharing one code.
struct SharedPair {
  const char* read;   // the form CP932 gives back for the code
  const char* other;  // the form that falls on the same code
  const char* code;
};
const SharedPair kSharedPairs[] = {
    {"～", "〜", "81 60"}, {"∥", "‖", "81 61"}, {"－", "−", "81 7C"}, {"￠", "¢", "81 91"},
    {"￡", "£", "81 92"},  {"￢", "¬", "81 CA"}, {"―", "—", "81 5C"},
};

TEST(ClassifyAndEncode, UnicodeFilesKeepTheFormTheyUsedOfASharedCode) {
  for (const auto& p : kSharedPairs) {
    for (const char* form : {p.read, p.other}) {
      const std::string file = std::string("price ") + form + "100\n" + form + "\n";
      const ClassifiedText c = ClassifyOpenedFile(ProbeBytes(file), ".txt", file, true);
      ASSERT_EQ(c.code, FileCode::Utf8) << form;
      EXPECT_EQ(c.lost, 0u) << form;
      EXPECT_EQ(ToHex(c.text.substr(6, 2)), ToHex(Hex(p.code))) << form;
      EXPECT_EQ(EncodeForSave(c.text, c.format).bytes, file) << form;
      // A character typed in the editor takes the form the file uses.
      EXPECT_EQ(EncodeForSave(c.text + Hex(p.code), c.format).bytes, file + form) << form;
    }
    // A file using both forms cannot be written back as it was.
    const std::string both = std::string(p.read) + p.other + p.other + "\n";
    const ClassifiedText c = ClassifyOpenedFile(ProbeBytes(both), ".txt", both, true);
    EXPECT_EQ(c.lost, 2u) << p.other;
    EXPECT_EQ(EncodeForSave(c.text, c.format).bytes, std::string(p.read) + p.read + p.read + "\n");
  }
  // Shift-JIS texts and new documents write what CP932 reads.
  TextFormat f;
  f.code = FileCode::Utf8;
  f.bom = false;
  EXPECT_EQ(EncodeForSave(Hex("81 60 81 5C"), f).bytes, "～―");
}

TEST(ClassifyOpenedFile, YenAndOverlineInUnicodeFilesAreALoss) {
  // They fall on 5C and 7E, which are written back as backslash and tilde.
  for (const char* s : {"price ¥100\n", "x‾\n"}) {
    const std::string file = s;
    const ClassifiedText c = ClassifyOpenedFile(ProbeBytes(file), ".txt", file, true);
    EXPECT_EQ(c.code, FileCode::Utf8) << s;
    EXPECT_EQ(c.lost, 1u) << s;
  }
}

TEST(ClassifyOpenedFile, MarkStaysInTheTextWhenRecognitionIsOff) {
  const std::string file = std::string(kUtf8Bom) + "abc\r\n";
  const ClassifiedText r = ClassifyOpenedFile(pfUtf8Bom, ".txt", file, false);
  EXPECT_EQ(r.code, FileCode::Utf8);
  EXPECT_EQ(r.text, file);
  const ClassifiedText on = ClassifyOpenedFile(pfUtf8Bom, ".txt", file, true);
  EXPECT_EQ(on.text, "abc\r\n");
  // Saved back: exactly one mark.
  EXPECT_EQ(EncodeForSave(on.text, on.format).bytes, file);
  EXPECT_EQ(EncodeForSave(r.text, r.format).bytes, file);
}

TEST(EncodeForSave, ConvertsFromWhatTheTextIsNotFromADetection) {
  // 髙 (FB FC) begins the text: a detection would call it EUC.
  const std::string sjis = Hex("FB FC 88 9F");
  TextFormat f;
  f.code = FileCode::Euc;
  EncodedText e = EncodeForSave(sjis, f);
  EXPECT_EQ(ToHex(e.bytes), ToHex(SjisToEuc(sjis)));
  EXPECT_EQ(e.lost, 0u);  // 髙 goes to its NEC-selected twin

  // Made only of A1..DF pairs (undecided by detection): still converted.
  f.code = FileCode::Jis;
  e = EncodeForSave(Hex("B1 B2"), f);
  EXPECT_EQ(ToHex(e.bytes), ToHex(Hex("1B 24 42 25 22 25 24 1B 28 4A")));
}

TEST(EncodeForSave, TheTextsOwnEndDecidesTheFinalBreak) {
  // Opened with and without a final break, in each code and line-end style;
  // the user adds or removes the last break and saves.
  const FileVariant variants[] = {{FileCode::ShiftJis, false}, {FileCode::Euc, false},
                                  {FileCode::Jis, false}, {FileCode::Utf8, true},
                                  {FileCode::Utf8, false}};
  const std::string line = Utf8ToCp932("日本語テキスト");
  for (const auto& v : variants) {
    for (const std::string_view br : {"\r\n", "\n", "\r"}) {
      for (const bool hadBreak : {true, false}) {
        bool ok;
        const std::string l = Encode(line, v.code, v.bom, ok);
        const std::string plain = Encode(line, v.code, false, ok);
        const std::string file = Join(l, plain, br, hadBreak);
        const std::string what = std::string(FileCodeText(v.code)) + " breaks " + ToHex(br) +
                                 (hadBreak ? " had a final break" : " had none");
        const ClassifiedText c = ClassifyOpenedFile(ProbeBytes(file), ".txt", file, true);
        ASSERT_EQ(c.code, v.code) << what;
        std::string edited = c.text;
        if (hadBreak)
          edited.resize(edited.size() - 2);
        else
          edited += "\r\n";
        EXPECT_EQ(ToHex(EncodeForSave(edited, c.format).bytes), ToHex(Join(l, plain, br, !hadBreak)))
            << what;
      }
    }
  }
}

TEST(EncodeForSave, NewDocumentsGetCrLf) {
  TextFormat f;  // a new document
  EXPECT_EQ(EncodeForSave("a\r\nb", f).bytes, "a\r\nb");
  EXPECT_EQ(EncodeForSave("a\nb\rc\r\n", f).bytes, "a\r\nb\r\nc\r\n");
  EXPECT_EQ(EncodeForSave("", f).bytes, "");
  f.code = FileCode::Utf8;
  EXPECT_EQ(EncodeForSave("a\n", f).bytes, "\xEF\xBB\xBF" "a\r\n");
  f.code = FileCode::Jis;
  // The kanji set is closed before the break, never after it.
  EXPECT_EQ(ToHex(EncodeForSave(Hex("88 9F 0D 0A"), f).bytes), ToHex(Hex("1B 24 42 30 21 1B 28 4A 0D 0A")));
  f.code = FileCode::Binary;
  EXPECT_THROW(EncodeForSave("a", f), EncodingError);
}

TEST(EncodeForSave, ReportsCharactersTheTargetCannotHold) {
  TextFormat f;
  f.code = FileCode::Euc;
  const EncodedText e = EncodeForSave(Hex("F0 40 41 0D 0A"), f);  // a user-defined character
  EXPECT_EQ(e.lost, 1u);
  EXPECT_EQ(ToHex(e.bytes), ToHex(Hex("A2 AE 41 0D 0A")));
}

// The text of a file converted whole, as the pieces must give it.
std::string WholeText(std::string_view file, const TextFormat& f) {
  std::string text = NormalizeBreaks(file);
  if (f.textCode != FileCode::ShiftJis || f.code == FileCode::ShiftJis) return text;
  if (f.code == FileCode::Jis) return JisToSjis(text);
  if (f.code == FileCode::Euc) return EucToSjis(text);
  std::string_view t = text;
  if (t.substr(0, 3) == kUtf8Bom) t.remove_prefix(3);
  return Utf8ToCp932(t);
}

TEST(FileDecoder, PiecesJoinToTheTextConvertedWhole) {
  const std::size_t piece = FileDecoder::kPiece;
  // Lines of every length, a CR LF across the first part's end, lone CRs and
  // LFs, and a line longer than a part.
  std::string sjis;
  const std::string words[] = {Utf8ToCp932("日本語"), Utf8ToCp932("ｶﾞｷﾞ"), "abc ", Utf8ToCp932("表示"), "\t"};
  for (std::size_t i = 0; sjis.size() < piece - 1; ++i) {
    sjis += words[i % 5];
    if (i % 7 == 6) sjis += i % 3 ? "\r\n" : (i % 2 ? "\n" : "\r");
  }
  sjis.resize(piece - 1);
  sjis += "\r\n";
  for (std::size_t i = 0; sjis.size() < 2 * piece + piece / 2; ++i) sjis += words[i % 4];
  sjis += "\n";
  for (std::size_t i = 0; sjis.size() < 4 * piece; ++i) sjis += words[i % 5] + (i % 9 ? "" : "\r\n");

  for (const FileCode code : {FileCode::ShiftJis, FileCode::Euc, FileCode::Jis, FileCode::Utf8}) {
    bool ok;
    const std::string file = Encode(sjis, code, code == FileCode::Utf8, ok);
    for (const bool kanjiAuto : {true, false}) {
      const TextFormat f = ClassifyFileBytes(ProbeBytes(file), ".txt", file, kanjiAuto);
      ASSERT_EQ(f.code, code);
      FileDecoder decoder(file, f);
      std::string joined;
      std::size_t pieces = 0;
      for (std::string_view p; decoder.Next(&p);) {
        if (decoder.Consumed() < file.size()) {
          const auto last = static_cast<unsigned char>(p.back());
          EXPECT_TRUE(last == '\n' || last < 0x40) << FileCodeText(code) << " piece " << pieces;
        }
        joined += p;
        ++pieces;
      }
      EXPECT_GT(pieces, 3u);
      EXPECT_EQ(decoder.Consumed(), file.size());
      EXPECT_TRUE(joined == WholeText(file, f)) << FileCodeText(code) << " auto " << kanjiAuto;
      // Keeping the file's breaks gives the same text but for the breaks.
      FileDecoder keeping(file, f, false);
      std::string kept;
      for (std::string_view p; keeping.Next(&p);) kept += p;
      EXPECT_TRUE(NormalizeBreaks(kept) == joined) << FileCodeText(code) << " auto " << kanjiAuto;
      EXPECT_EQ(std::count(kept.begin(), kept.end(), '\n'), std::count(file.begin(), file.end(), '\n'));
      EXPECT_EQ(std::count(kept.begin(), kept.end(), '\r'), std::count(file.begin(), file.end(), '\r'));
    }
  }
}

// A text taken for UTF-8 by its start is checked by the decoder: what the
// reader ends with is what the classification of the whole text gives, also
// when a byte far on shows the text is not UTF-8 after all.
TEST(FileDecoder, FinishesTheUtf8CheckOfTheClassification) {
  std::string utf8;
  while (utf8.size() < 3 * FileDecoder::kPiece) utf8 += "日本語のテキスト 〜 text\n";
  const std::string kana = Utf8ToCp932("かなのテキスト\n");
  const struct Case {
    const char* name;
    std::string file;
    FileCode code;
    bool startsOver;
  } cases[] = {
      {"UTF-8 throughout", utf8 + "終わり", FileCode::Utf8, false},
      {"a Shift-JIS line at the end", utf8 + kana, FileCode::ShiftJis, true},
      {"an EUC line in the middle", utf8 + SjisToEuc(kana) + utf8, FileCode::ShiftJis, true},
      {"one stray byte as the last", utf8 + "\x80", FileCode::ShiftJis, true},
      {"a break style and no final break", "a\r" + utf8 + "\xE3\x81", FileCode::ShiftJis, true},
  };
  for (const Case& c : cases) {
    const TextFormat eager = ClassifyFileBytes(ProbeBytes(c.file), ".txt", c.file, true);
    const TextFormat lazy = ClassifyFileBytes(ProbeBytes(c.file), ".txt", c.file, true, Utf8Check::kByDecoder);
    EXPECT_EQ(eager.code, c.code) << c.name;
    EXPECT_FALSE(eager.utf8Unchecked) << c.name;
    EXPECT_EQ(lazy.code, FileCode::Utf8) << c.name;
    EXPECT_TRUE(lazy.utf8Unchecked) << c.name;

    FileDecoder whole(c.file, eager, false);
    std::string expected;
    for (std::string_view p; whole.Next(&p);) expected += p;
    FileDecoder decoder(c.file, lazy, false);
    std::string text;
    bool startedOver = false;
    for (std::string_view p; decoder.Next(&p);) {
      if (decoder.StartedOver()) {
        startedOver = true;
        text.clear();
      }
      text += p;
    }
    const TextFormat& f = decoder.Format();
    EXPECT_EQ(startedOver, c.startsOver) << c.name;
    EXPECT_EQ(f.code, eager.code) << c.name;
    EXPECT_EQ(f.textCode, eager.textCode) << c.name;
    EXPECT_EQ(f.lineEnd, eager.lineEnd) << c.name;
    EXPECT_EQ(f.finalBreak, eager.finalBreak) << c.name;
    EXPECT_FALSE(f.utf8Unchecked) << c.name;
    EXPECT_TRUE(text == expected) << c.name;
    EXPECT_EQ(decoder.Lost(), whole.Lost()) << c.name;
    EXPECT_EQ(decoder.OtherForms(), whole.OtherForms()) << c.name;
    EXPECT_EQ(decoder.Consumed(), c.file.size()) << c.name;

    const ClassifiedText opened = ClassifyOpenedFile(ProbeBytes(c.file), ".txt", c.file, true);
    EXPECT_EQ(opened.code, eager.code) << c.name;
    EXPECT_TRUE(opened.text == NormalizeBreaks(expected)) << c.name;
    EXPECT_EQ(opened.lost, whole.Lost()) << c.name;
    // Read raw, nothing is converted, so the classification checks it all.
    EXPECT_FALSE(ClassifyFileBytes(ProbeBytes(c.file), ".txt", c.file, false, Utf8Check::kByDecoder).utf8Unchecked);
  }
}

TEST(FileDecoder, CarriesTheJisKanjiSetFromPieceToPiece) {
  // A JIS text that never leaves the kanji set at a break: the set holds on.
  std::string file = "\x1B$B";
  while (file.size() < 3 * FileDecoder::kPiece) file += "F|K\\8l\r\n";  // 日本語
  const TextFormat f = ClassifyFileBytes(pfText, ".txt", file, true);
  ASSERT_EQ(f.code, FileCode::Jis);
  FileDecoder decoder(file, f);
  std::string joined;
  for (std::string_view p; decoder.Next(&p);) joined += p;
  EXPECT_TRUE(joined == JisToSjis(file));
  EXPECT_EQ(joined.substr(joined.size() - 8), Utf8ToCp932("日本語\r\n"));
}

TEST(NormalizeBreaks, MakesEveryBreakCrLf) {
  EXPECT_EQ(NormalizeBreaks("a\rb\nc\r\nd\n\re"), "a\r\nb\r\nc\r\nd\r\n\r\ne");
  EXPECT_EQ(NormalizeBreaks("\r"), "\r\n");
  EXPECT_EQ(NormalizeBreaks(""), "");
}

}  // namespace
}  // namespace tamber
