// 16-bit text: conversions at the host boundary and the name comparisons.
#include <gtest/gtest.h>

#include <string>

#include "app/text.h"

TEST(Text, Utf8RoundTripsThroughSixteenBits)
{
    const char* samples[] = {"plain", "caf\xc3\xa9", "\xe2\x82\xac 5", "\xf0\x9f\x98\x80 smile", ""};
    for (const char* s : samples) {
        char16_t wide[64];
        char back[64];
        ASSERT_TRUE(textFromUtf8(wide, 64, s));
        ASSERT_TRUE(textToUtf8(back, sizeof back, wide));
        EXPECT_STREQ(back, s);
    }
    char16_t small[4];
    EXPECT_FALSE(textFromUtf8(small, 4, "toolong"));
    EXPECT_EQ(std::u16string(small), u"too");
    char16_t bad[8];
    EXPECT_FALSE(textFromUtf8(bad, 8,
                              "a\xff"
                              "b"));
    EXPECT_EQ(std::u16string(bad), u"a\uFFFDb");
}

TEST(Text, ComparisonsFoldOnlyAsciiLetters)
{
    EXPECT_EQ(textCompareNoCase(u"Graphics/Def0.TGA", u"graphics/def0.tga"), 0);
    EXPECT_NE(textCompareNoCase(u"\u00e9", u"\u00c9"), 0);
    EXPECT_LT(textCompare(u"abc", u"abcd"), 0);  // a prefix sorts first
    EXPECT_GT(textCompare(u"b", u"abcd"), 0);
    // Letters compare as upper case, so '[' (just after 'Z') sorts after 'a'.
    EXPECT_GT(textCompareNoCase(u"[", u"a"), 0);
    EXPECT_LT(textCompare(u"[", u"a"), 0);
}

TEST(Text, CopyAndAppendNeverOverflow)
{
    char16_t buf[6];
    EXPECT_TRUE(textCopy(buf, 6, u"abc"));
    EXPECT_FALSE(textAppend(buf, 6, u"def"));
    EXPECT_EQ(std::u16string(buf), u"abc");
    EXPECT_TRUE(textAppend(buf, 6, u"de"));
    EXPECT_EQ(std::u16string(buf), u"abcde");
    EXPECT_FALSE(textCopy(buf, 6, u"abcdefgh"));
    EXPECT_EQ(std::u16string(buf), u"abcde");
    char latin[8];
    textToLatin1(latin, sizeof latin, u"\u00e9\u4e2d");
    EXPECT_STREQ(latin, "\xe9?");
}
