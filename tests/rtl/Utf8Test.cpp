#include <gtest/gtest.h>

#include "rtl/CodePage.h"
#include "rtl/Utf8.h"

namespace zalvert {
namespace {

TEST(Utf8Validation, AcceptsWellFormedText) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("plain ASCII text that is longer than eight bytes"));
    EXPECT_TRUE(IsValidUtf8("M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x98\x80"));
    EXPECT_TRUE(
        IsValidUtf8("\xEF\xBB\xBF"
                    "BOM"));
}

TEST(Utf8Validation, RefusesOverlongSurrogatesAndTruncatedForms) {
    EXPECT_FALSE(IsValidUtf8("M\xFCller"));         // Windows-1252
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));          // overlong NUL
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));      // overlong slash
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(IsValidUtf8("abc\xC3"));           // cut off at the end
    EXPECT_FALSE(IsValidUtf8("\x80"));              // lone continuation byte
}

TEST(Utf8Validation, ChecksCharactersSplitAcrossChunks) {
    TUtf8Validator validator;
    validator.Feed("M\xC3");
    validator.Feed("\xBCller \xE2\x82");
    EXPECT_FALSE(validator.Finish());
    validator.Feed("\xAC");
    EXPECT_TRUE(validator.Finish());
    TUtf8Validator broken;
    broken.Feed("\xE2\x82");
    broken.Feed("x");
    EXPECT_FALSE(broken.Finish());
}

TEST(Utf8Text, CountsCharactersNotBytes) {
    EXPECT_EQ(Utf8Length("24.12."), 6u);
    EXPECT_EQ(Utf8Length("\xC3\xA4\xC3\xB6.12."), 6u);
}

TEST(Utf8Text, LowerCaseChangesOnlyAsciiLetters) {
    EXPECT_EQ(AsciiLowerCase("M\xC3\x9CLLER Transporte GmbH"), "m\xC3\x9Cller transporte gmbh");
}

TEST(Utf8Text, FoldsLatinOneUpperCaseLetters) {
    EXPECT_EQ(FoldCase(U'\u00DC'), U'\u00FC');  // Ü
    EXPECT_EQ(FoldCase(U'\u00D7'), U'\u00D7');  // the multiplication sign stays
    EXPECT_EQ(FoldCase(U'Q'), U'q');
    size_t pos = 0;
    EXPECT_EQ(NextCodePoint("\xC3\x9C"
                            "x",
                            pos),
              U'\u00DC');
    EXPECT_EQ(pos, 2u);
}

TEST(CodePages, ConvertsWindows1252WithoutLosingBytes) {
    EXPECT_EQ(AnsiToUtf8("M\xFCller \x80 \xDF"), "M\xC3\xBCller \xE2\x82\xAC \xC3\x9F");
    // 0x81 has no character in the code page; it survives as U+0081.
    EXPECT_EQ(AnsiToUtf8("a\x81z"), "a\xC2\x81z");
}

}  // namespace
}  // namespace zalvert
