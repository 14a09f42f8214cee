#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "rtl/Exceptions.h"
#include "rtl/TextFileReader.h"
#include "tests/support/TempDir.h"

namespace zalvert {
namespace {

std::vector<std::string> ReadAll(const std::string& path) {
    TTextFileReader reader(path);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.ReadLine(line)) lines.emplace_back(line);
    return lines;
}

using Lines = std::vector<std::string>;

TEST(TextFileReader, SplitsAtLineFeedsAndDropsCarriageReturns) {
    testing::TTempDir dir;
    EXPECT_EQ(ReadAll(dir.Write("a", "one\ntwo\r\nthree")), (Lines{"one", "two", "three"}));
    EXPECT_EQ(ReadAll(dir.Write("b", "one\n")), (Lines{"one"}));
    EXPECT_EQ(ReadAll(dir.Write("c", "one\n\n")), (Lines{"one", ""}));
    EXPECT_EQ(ReadAll(dir.Write("d", "a\rb\r\r\nc\r")), (Lines{"ab", "c"}));
    EXPECT_EQ(ReadAll(dir.Write("e", "")), Lines{});
    EXPECT_EQ(ReadAll(dir.Write("f", "\n")), (Lines{""}));
}

TEST(TextFileReader, EndsAtCtrlZAtTheStartOfALine) {
    testing::TTempDir dir;
    EXPECT_EQ(ReadAll(dir.Write("a", "one\n\x1Atwo\nthree\n")), (Lines{"one"}));
    EXPECT_EQ(ReadAll(dir.Write("b", "one\x1A\ntwo")), (Lines{"one\x1A", "two"}));
    EXPECT_EQ(ReadAll(dir.Write("c", "\x1A")), Lines{});
}

TEST(TextFileReader, ReadsUtf8AndDropsItsByteOrderMark) {
    testing::TTempDir dir;
    TTextFileReader reader(dir.Write("a", "\xEF\xBB\xBFM\xC3\xBCller;\xC3\x84pfel\n"));
    std::string_view line;
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_TRUE(reader.IsUtf8());
    EXPECT_EQ(line, "M\xC3\xBCller;\xC3\x84pfel");
}

TEST(TextFileReader, ConvertsWindows1252Files) {
    testing::TTempDir dir;
    EXPECT_EQ(ReadAll(dir.Write("a",
                                "M\xFCller;Stra\xDF"
                                "e\r\n\x80 5\r\n")),
              (Lines{"M\xC3\xBCller;Stra\xC3\x9F"
                     "e",
                     "\xE2\x82\xAC 5"}));
}

TEST(TextFileReader, DecidesTheEncodingForTheWholeFile) {
    // The only non-UTF-8 byte sits far past the first chunk.
    testing::TTempDir dir;
    std::string content;
    for (int i = 0; i < 200000; ++i)
        content += "Zeile " + std::to_string(i) +
                   ";Stra\xC3\x9F"
                   "e\n";
    content +=
        "M\xFC"
        "ller\n";
    const Lines lines = ReadAll(dir.Write("big", content));
    ASSERT_EQ(lines.size(), 200001u);
    EXPECT_EQ(lines[0],
              "Zeile 0;Stra\xC3\x83\xC5\xB8"
              "e");  // read as Windows-1252 too
    EXPECT_EQ(lines.back(), "M\xC3\xBCller");
}

TEST(TextFileReader, KeepsLinesWholeAcrossChunkBoundaries) {
    testing::TTempDir dir;
    std::string content;
    Lines expected;
    for (int i = 0; i < 50000; ++i) {
        expected.push_back(std::string(static_cast<size_t>(i % 97), 'x') + std::to_string(i));
        content += expected.back() + (i % 3 == 0 ? "\r\n" : "\n");
    }
    EXPECT_EQ(ReadAll(dir.Write("big", content)), expected);
}

TEST(TextFileReader, RaisesGermanFileErrors) {
    testing::TTempDir dir;
    try {
        TTextFileReader reader(dir.Path() + "missing.csv");
        FAIL() << "no error raised";
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "Datei nicht gefunden");
        EXPECT_EQ(e.ErrorCode(), ENOENT);
    }
    try {
        TTextFileReader reader(dir.Path());
        FAIL() << "no error raised";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), "E/A-Fehler " + std::to_string(EISDIR));
    }
}

}  // namespace
}  // namespace zalvert
