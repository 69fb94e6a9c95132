#include "display/font_table.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

namespace quorvel::display {
namespace {

const std::uint8_t* Glyph(int code) { return kFontGlyphs[code - kFontFirstCode]; }

// First and last lit pixel row of a glyph, -1 when the glyph is empty.
int TopRow(int code) {
  for (int r = 0; r < kFontGlyphRows; ++r)
    if (Glyph(code)[r] != 0) return r;
  return -1;
}

int BottomRow(int code) {
  for (int r = kFontGlyphRows - 1; r >= 0; --r)
    if (Glyph(code)[r] != 0) return r;
  return -1;
}

std::string Describe(int code) {
  return "code " + std::to_string(code) + " '" + static_cast<char>(code) + "'";
}

TEST(FontTable, CoversPrintableAsciiPlusDelete) {
  EXPECT_EQ(kFontFirstCode, ' ');
  EXPECT_EQ(kFontFirstCode + kFontGlyphCount - 1, 127);
}

TEST(FontTable, SpaceIsBlankAndEveryOtherGlyphHasPixels) {
  EXPECT_EQ(TopRow(' '), -1);
  for (int code = kFontFirstCode + 1; code < kFontFirstCode + kFontGlyphCount; ++code) {
    EXPECT_NE(TopRow(code), -1) << Describe(code);
  }
}

TEST(FontTable, TopRowAndLeftColumnStayDarkForCellSpacing) {
  for (int code = kFontFirstCode; code < kFontFirstCode + kFontGlyphCount; ++code) {
    EXPECT_EQ(Glyph(code)[0], 0) << Describe(code);
    for (int r = 0; r < kFontGlyphRows; ++r) {
      EXPECT_EQ(Glyph(code)[r] & 0x80, 0) << Describe(code) << " row " << r;
    }
  }
}

TEST(FontTable, PrintableGlyphsStartNoHigherThanAscenderRow) {
  for (int code = '!'; code <= '~'; ++code) {
    EXPECT_GE(TopRow(code), 3) << Describe(code);
  }
}

TEST(FontTable, GlyphsSitOnTheirDesignRows) {
  struct Case {
    const char* chars;
    int top;     // expected first lit row, -1 = not checked
    int bottom;  // expected last lit row, -1 = not checked
  };
  const Case cases[] = {
      {"0123456789", 4, 13},
      {"ABCDEFGHIJKLMNOPRSTUVWXYZ", 4, 13},
      {"Q", 4, 14},
      {"acemnorsuvwxz", 6, 13},
      {"bdfhkl", 3, 13},
      {",gjpqy", -1, 15},
  };
  for (const Case& c : cases) {
    for (const char* p = c.chars; *p != '\0'; ++p) {
      SCOPED_TRACE(Describe(*p));
      if (c.top >= 0) {
        EXPECT_EQ(TopRow(*p), c.top);
      }
      if (c.bottom >= 0) {
        EXPECT_EQ(BottomRow(*p), c.bottom);
      }
    }
  }
}

TEST(FontTable, DotsOfIAndJSitAboveTheXHeight) {
  for (char ch : {'i', 'j'}) {
    const int top = TopRow(ch);
    EXPECT_TRUE(top == 3 || top == 4) << Describe(ch) << " top row " << top;
    EXPECT_EQ(Glyph(ch)[5], 0) << Describe(ch) << ": dot must be separated from the stem";
  }
}

TEST(FontTable, ReferenceGlyphsMatchExactly) {
  struct Case {
    char ch;
    std::array<std::uint8_t, kFontGlyphRows> rows;
  };
  const Case cases[] = {
      {'A', {0x00, 0x00, 0x00, 0x00, 0x18, 0x24, 0x24, 0x42, 0x42, 0x7E, 0x42, 0x42, 0x42, 0x42, 0x00, 0x00}},
      {'a', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3C, 0x42, 0x02, 0x3E, 0x42, 0x42, 0x46, 0x3A, 0x00, 0x00}},
  };
  for (const Case& c : cases) {
    for (int r = 0; r < kFontGlyphRows; ++r) {
      EXPECT_EQ(Glyph(c.ch)[r], c.rows[r]) << Describe(c.ch) << " row " << r;
    }
  }
}

TEST(FontTable, NoTwoGlyphsAreIdentical) {
  for (int a = kFontFirstCode; a < kFontFirstCode + kFontGlyphCount; ++a) {
    for (int b = a + 1; b < kFontFirstCode + kFontGlyphCount; ++b) {
      bool same = true;
      for (int r = 0; r < kFontGlyphRows && same; ++r) same = Glyph(a)[r] == Glyph(b)[r];
      EXPECT_FALSE(same) << Describe(a) << " and " << Describe(b);
    }
  }
}

}  // namespace
}  // namespace quorvel::display
