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

std::string MessageOfReading(const std::string& path) {
    try {
        TTextFileReader reader(path);
    } catch (const EInOutError& e) {
        return e.Message();
    }
    return "no error raised";
}

TEST(TextFileReader, RaisesGermanFileErrorsNamingTheFile) {
    testing::TTempDir dir;
    EXPECT_EQ(MessageOfReading(dir.Path() + "missing.csv"),
              "Die Datei \"" + dir.Path() +
                  "missing.csv\" kann nicht gelesen werden: Datei nicht "
                  "gefunden.");
    EXPECT_EQ(MessageOfReading(dir.Path()), "Die Datei \"" + dir.Path() +
                                                "\" kann nicht gelesen werden: Das ist ein "
                                                "Ordner, keine Datei.");
}

// A spreadsheet's "Unicode text": UTF-16 with its byte-order mark, CR LF line ends.
std::string Utf16(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

TEST(TextFileReader, DecodesUtf16WithItsByteOrderMark) {
    testing::TTempDir dir;
    const std::u16string text = u"M\u00fcller;Stra\u00dfe;\U0001F69A\r\nZeile 2\r\n";
    const Lines expected{
        "M\xC3\xBCller;Stra\xC3\x9F"
        "e;\xF0\x9F\x9A\x9A",
        "Zeile 2"};
    EXPECT_EQ(ReadAll(dir.Write("le", Utf16(text, false))), expected);
    EXPECT_EQ(ReadAll(dir.Write("be", Utf16(text, true))), expected);
    TTextFileReader reader(dir.Path() + "be");
    EXPECT_EQ(reader.Encoding(), TTextEncoding::Utf16BE);
}

TEST(TextFileReader, TakesCarriageReturnAsLineEndWhenTheFileHasNoLineFeed) {
    testing::TTempDir dir;
    EXPECT_EQ(ReadAll(dir.Write("a", "one\rtwo\r\rthree")), (Lines{"one", "two", "", "three"}));
    EXPECT_EQ(ReadAll(dir.Write("b", Utf16(u"a;b\rc;d\r", false))), (Lines{"a;b", "c;d"}));
    // One line feed anywhere: carriage returns are dropped as before.
    EXPECT_EQ(ReadAll(dir.Write("c", "one\rtwo\n")), (Lines{"onetwo"}));
}

TEST(TextFileReader, RefusesFilesInNoKnownEncoding) {
    testing::TTempDir dir;
    const std::string refused = " ist keine Textdatei in einer bekannten Kodierung";
    // UTF-16 without its mark, binary data, a UTF-16 file cut in a character.
    for (const std::string& content :
         {std::string("a\0;\0b\0\n\0", 8), std::string("PK\3\4\0\0", 6), Utf16(u"ab", false) + "c",
          Utf16(u"a", false) + std::string("\x00\xD8", 2)})
        EXPECT_NE(
            MessageOfReading(dir.Write("x", content)).find("\"" + dir.Path() + "x\"" + refused),
            std::string::npos)
            << MessageOfReading(dir.Path() + "x");
}

TEST(TextFileReader, ShowsEveryByteToItsObserverOnce) {
    testing::TTempDir dir;
    std::string content;
    for (int i = 0; i < 300000; ++i) content += "Zeile " + std::to_string(i) + "\n";
    std::string seen;
    TTextFileReader reader(dir.Write("big", "\xEF\xBB\xBF" + content),
                           [&](std::string_view bytes) { seen += bytes; });
    EXPECT_EQ(seen, "\xEF\xBB\xBF" + content);
    std::string_view line;
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(line, "Zeile 0");
}

TEST(TextFileReader, ReadsOneVeryLongLine) {
    testing::TTempDir dir;
    const std::string field(5'000'000, 'x');
    EXPECT_EQ(ReadAll(dir.Write("long", "a;" + field + "\nb")), (Lines{"a;" + field, "b"}));
}

}  // namespace
}  // namespace zalvert
