#include "base/color.h"

#include <gtest/gtest.h>

#include "highlight/fountain_color.h"
#include "settings/value_codec.h"

namespace tamber {
namespace {

// Both floors that once defined colours compile together and share one type.
TEST(Color, FountainsAndSettingsShareOneColourType) {
  TFountainColor c;
  c.SetColor(clWindowText);
  EXPECT_EQ(StringToColor(ColorToString(c.Color())), clWindowText);
  EXPECT_EQ(StringToColor("$80000005"), clWindow);
  EXPECT_EQ(StringToColor("-2147483643"), clWindow);
}

TEST(Color, SystemColoursAndComponents) {
  EXPECT_TRUE(IsSystemColor(clHighlight));
  EXPECT_EQ(SystemColorIndex(clHighlight), 13u);
  EXPECT_FALSE(IsSystemColor(clNone));
  EXPECT_FALSE(IsSystemColor(clWhite));
  const TColor c = Rgb(0x12, 0x34, 0x56);
  EXPECT_EQ(c, 0x563412u);
  EXPECT_EQ(RedOf(c), 0x12u);
  EXPECT_EQ(GreenOf(c), 0x34u);
  EXPECT_EQ(BlueOf(c), 0x56u);
}

}  // namespace
}  // namespace tamber
