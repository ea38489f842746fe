#include "settings/store_component.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "../support/bytes.h"
#include "settings/ini_file.h"
#include "temp_dir.h"

namespace tamber {
namespace {

enum TAlign { haNone, haLeft, haCenter, haRight };

// A component shaped like the print settings: a clamped integer, a string,
// a boolean, an enumeration and a font.
class TSample : public TStoreComponent {
 public:
  std::string ClassName() const override { return "TSample"; }
  const std::vector<TPropInfo>& Properties() const override {
    static const std::vector<TPropInfo> table{
        {"ColumnCount", TPropKind::pkInteger,
         [](const TStoreComponent& c) -> TPropValue { return std::int64_t{Self(c).columns}; },
         [](TStoreComponent& c, const TPropValue& v) {
           Self(c).columns = static_cast<int>(std::clamp<std::int64_t>(std::get<std::int64_t>(v), 1, 3));
         }},
        {"Header", TPropKind::pkString,
         [](const TStoreComponent& c) -> TPropValue { return Self(c).header; },
         [](TStoreComponent& c, const TPropValue& v) { Self(c).header = std::get<std::string>(v); }},
        {"LineNumber", TPropKind::pkBoolean,
         [](const TStoreComponent& c) -> TPropValue { return Self(c).lineNumber; },
         [](TStoreComponent& c, const TPropValue& v) { Self(c).lineNumber = std::get<bool>(v); }},
        {"HeaderAlign", TPropKind::pkEnum,
         [](const TStoreComponent& c) -> TPropValue { return std::int64_t{Self(c).align}; },
         [](TStoreComponent& c, const TPropValue& v) {
           Self(c).align = static_cast<TAlign>(std::get<std::int64_t>(v));
         },
         {"haNone", "haLeft", "haCenter", "haRight"}},
        {"Font", TPropKind::pkFont,
         [](const TStoreComponent& c) -> TPropValue { return Self(c).font; },
         [](TStoreComponent& c, const TPropValue& v) { Self(c).font = std::get<TFontData>(v); }},
    };
    return table;
  }
  static TSample& Self(TStoreComponent& c) { return static_cast<TSample&>(c); }
  static const TSample& Self(const TStoreComponent& c) { return static_cast<const TSample&>(c); }

  int columns = 1;
  std::string header;
  bool lineNumber = false;
  TAlign align = haNone;
  TFontData font{"Font", 10, 0, 0, 1};
};

TSample Changed() {
  TSample s;
  s.SetName("StringsPrinter");
  s.columns = 3;
  s.header = std::string("%f \x95\x5C\0end", 9);
  s.lineNumber = true;
  s.align = haRight;
  s.font = TFontData{"\x82\x6c\x82\x72", 12, static_cast<TColor>(0x80000008), fsItalic, 128};
  return s;
}

void ExpectSame(const TSample& a, const TSample& b) {
  EXPECT_EQ(a.columns, b.columns);
  EXPECT_EQ(a.header, b.header);
  EXPECT_EQ(a.lineNumber, b.lineNumber);
  EXPECT_EQ(a.align, b.align);
  EXPECT_EQ(a.font, b.font);
}

TEST(StoreComponentTest, PropertiesRoundTripThroughTheSettingsFile) {
  test::TempDir dir;
  const std::string ini = dir.Write("tamber.ini", "[Printer]\r\nProperty_c=9\r\nProperty_d8=FF\r\n[Other]\r\nx=1\r\n");
  const TSample written = Changed();
  written.WriteComponentToIni(ini, "Printer", "Property");
  TSample read;
  read.ReadComponentFromIni(ini, "Printer", "Property");
  ExpectSame(read, written);
  const TIniFile file = TIniFile::Load(ini);
  EXPECT_EQ(file.ReadValue("Printer", "Property_d8"), std::nullopt) << "stale lines go";
  EXPECT_EQ(file.ReadValue("Other", "x"), "1");
}

TEST(StoreComponentTest, NoStoredStreamLeavesTheComponent) {
  test::TempDir dir;
  TSample s = Changed();
  s.ReadComponentFromIni(dir.File("missing.ini"), "Printer", "Property");
  ExpectSame(s, Changed());
}

TEST(StoreComponentTest, DamagedStreamsChangeNothing) {
  const std::string good = Changed().WriteComponentToStream();
  TSample other;
  std::string wrongClass = good;
  wrongClass[5] = 'X';  // "TSample" becomes "XSample"
  const std::string cases[] = {
      "",
      "TPF1" + good.substr(4),
      good.substr(0, good.size() - 1),  // no end mark
      good.substr(0, good.size() / 2),
      good + "x",                          // bytes after the end mark
      wrongClass,
      good.substr(0, 4) + "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F",  // a length past the end
  };
  for (const std::string& bytes : cases) {
    TSample s;
    EXPECT_FALSE(s.ReadComponentFromStream(bytes)) << test::ToHex(bytes);
    ExpectSame(s, TSample());
  }
  EXPECT_TRUE(other.ReadComponentFromStream(good));
}

TEST(StoreComponentTest, UnknownPropertiesAreSkippedAndSettersKeepRanges) {
  // Hand-made stream: an unknown property, a known one of another kind, an
  // out-of-range column count and an enumeration member this build lacks.
  auto text = [](std::string_view s) { return std::string(1, static_cast<char>(s.size())) + std::string(s); };
  auto i64 = [](std::int64_t v) {
    std::string out;
    for (int i = 0; i < 8; ++i) out += static_cast<char>(static_cast<std::uint64_t>(v) >> (8 * i));
    return out;
  };
  const std::string bytes = "TPF0" + text("TSample") + text("") +
                            text("Future") + "\x03" + text("abc") +
                            text("LineNumber") + "\x01" + i64(1) +
                            text("ColumnCount") + "\x01" + i64(99) +
                            text("HeaderAlign") + "\x04" + text("haJustify") +
                            text("Header") + "\x03" + text("h") + std::string(1, '\0');
  TSample s;
  ASSERT_TRUE(s.ReadComponentFromStream(bytes));
  EXPECT_EQ(s.columns, 3);
  EXPECT_FALSE(s.lineNumber);
  EXPECT_EQ(s.align, haNone);
  EXPECT_EQ(s.header, "h");
}

}  // namespace
}  // namespace tamber
