#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtl/FileNameText.h"
#include "rtl/Utf8.h"

namespace zalvert {
namespace {

TEST(FileNameText, WritesBytesThatAreNoUtf8AsHexAndKeepsTheRest) {
    EXPECT_EQ(FileNameText("/import/touren.csv"), "/import/touren.csv");
    EXPECT_EQ(FileNameText("/import/Müller ß €.csv"), "/import/Müller ß €.csv");
    // A Latin-1 name, as an older system or a copied disk leaves it.
    EXPECT_EQ(FileNameText("M\xFCller.csv"), "M\\xFCller.csv");
    EXPECT_EQ(FileNameText("a\\b"), "a\\\\b");
    // Overlong forms, surrogates and a character cut off at the end are no UTF-8.
    EXPECT_EQ(FileNameText("\xC0\x80"), "\\xC0\\x80");
    EXPECT_EQ(FileNameText("\xED\xA0\x80"), "\\xED\\xA0\\x80");
    EXPECT_EQ(FileNameText("x\xE2\x82"), "x\\xE2\\x82");
    EXPECT_TRUE(IsValidUtf8(FileNameText("\xFF\xFE\x80 \xC3")));
}

TEST(FileNameText, GivesBackTheVeryBytes) {
    for (const std::string& name :
         std::vector<std::string>{"M\xFCller.csv", "a\\b\\xFC", "\\x", "\\xG1", "Müller\xC3",
                                  std::string("\0\x01", 2), "\xE2\x82\xAC\xE2\x82", "\\\\x41"}) {
        EXPECT_EQ(FileNameFromText(FileNameText(name)), name) << FileNameText(name);
    }
    // Texts not written by FileNameText keep their backslashes.
    EXPECT_EQ(FileNameFromText("C:\\import\\x.csv"), "C:\\import\\x.csv");
    EXPECT_EQ(FileNameFromText("\\x4"), "\\x4");
    EXPECT_EQ(FileNameFromText("\\xfc"), "\xFC");
}

}  // namespace
}  // namespace zalvert
