// Billing records sent twice: refused with the run that stored them or the line
// they repeat, compared as the import stores them; stored again after an undo or
// with the check switched off.

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <random>

#include "import/DuplicateCheck.h"
#include "import/RunUndo.h"
#include "rtl/TextCase.h"
#include "rtl/Utf8.h"
#include "rtl/WholeFile.h"
#include "tests/import/ImportRunFixture.h"

namespace zalvert {
namespace {

using DuplicateCheckTest = testing::ImportRunFixture;

// Recipients longer than a short text kept in place: read from the database into
// memory of their own.
constexpr const char* kFirst =
    "Nordfracht;Autohaus Schneider KG A;01.03.2018;02.03.2018;T1\n"
    "Nordfracht;Autohaus Schneider KG B;01.03.2018;02.03.2018;T2\n"
    "Nordfracht;Autohaus Schneider KG C;01.03.2018;02.03.2018;T3\n";

TEST_F(DuplicateCheckTest, AResentFileStoresOnlyItsNewLines) {
    Start({"Nordfracht"});
    Import(kFirst);
    ASSERT_EQ(Stored().size(), 3u);
    SetClockForTesting(TSystemTime{2026, 12, 9, 8, 0, 0, 0});
    Import(std::string(kFirst) + "Nordfracht;Kunde D;01.03.2018;02.03.2018;T4\n" +
           "Nordfracht;Kunde E;01.03.2018;02.03.2018;T5\n");
    EXPECT_TRUE(ui_.Questions.empty());  // other bytes: no question
    EXPECT_TRUE(ui_.Messages.empty()) << ui_.Messages[0];
    const auto rows = Stored();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[3].Tour, "T4");
    EXPECT_EQ(rows[4].ImportId, 2);
    for (int row = 1; row <= 3; ++row)
        EXPECT_EQ(Mark(row), "Doppelt: bereits mit Import 1 gespeichert") << row;
    EXPECT_EQ(Mark(4), "");
    EXPECT_EQ(view_.Summary,
              "5 Datensätze verarbeitet, 2 Datensätze importiert, 3 Zeilen ungültig, davon 3 "
              "doppelt");
    // The refused lines go into the report beside the archive copy.
    const std::string report =
        ReadWholeFile(dir_.Path() + "archiv/touren-20261209-08_00_00.abgelehnt.csv");
    EXPECT_EQ(
        report,
        "Nordfracht;Autohaus Schneider KG A;01.03.2018;02.03.2018;T1;Doppelt: bereits mit Import 1 "
        "gespeichert\n"
        "Nordfracht;Autohaus Schneider KG B;01.03.2018;02.03.2018;T2;Doppelt: bereits mit Import 1 "
        "gespeichert\n"
        "Nordfracht;Autohaus Schneider KG C;01.03.2018;02.03.2018;T3;Doppelt: bereits mit Import 1 "
        "gespeichert\n");
}

// Letter case (German rules), blanks around the texts and the form of a date make
// no difference; another date, another recipient or another tour does.
TEST_F(DuplicateCheckTest, ComparesAsTheImportStores) {
    Start({"Nordfracht"});
    Import(
        "Nordfracht;Müller Straße;01.03.2018;02.03.2018;T1\n"
        " NORDFRACHT ;MÜLLER STRASSE ;01.03.18;2.3.2018; t1\n"
        "Nordfracht;Müller Straße;01.03.2018;03.03.2018;T1\n"
        "Nordfracht;Muller Straße;01.03.2018;02.03.2018;T1\n"
        "Nordfracht;Müller Straße;01.03.2018;02.03.2018;T1 \n"
        "Nordfracht;Müller Straße;01.03.2018;02.03.2018;T2\n");
    EXPECT_EQ(Mark(1), "");
    EXPECT_EQ(Mark(2), "Doppelt: wie Zeile 1");
    EXPECT_EQ(Mark(3), "");
    EXPECT_EQ(Mark(4), "");  // u is not ü
    EXPECT_EQ(Mark(5), "Doppelt: wie Zeile 1");
    EXPECT_EQ(Mark(6), "");
    EXPECT_EQ(Stored().size(), 4u);
}

TEST_F(DuplicateCheckTest, AfterAnUndoTheSameRecordsImportAgain) {
    Start({"Nordfracht"});
    Import(kFirst);
    ASSERT_EQ(TRunUndo(*data_).Undo(1), 3);
    SetClockForTesting(TSystemTime{2026, 12, 9, 8, 0, 0, 0});
    Import(kFirst);
    EXPECT_TRUE(ui_.Questions.empty());  // an undone run's bytes import anew
    const auto rows = Stored();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].ImportId, 2);
    EXPECT_EQ(Mark(1), "");
}

TEST_F(DuplicateCheckTest, SwitchedOffTheyAreStoredAsBefore) {
    moreImportSettings_ = "doppelte=1\n";
    Start({"Nordfracht"});
    Import(std::string(kFirst) + "Nordfracht;Autohaus Schneider KG A;01.03.2018;02.03.2018;T1\n");
    EXPECT_EQ(Stored().size(), 4u);
    SetClockForTesting(TSystemTime{2026, 12, 9, 8, 0, 0, 0});
    Import(std::string(kFirst) + "Nordfracht;Kunde D;01.03.2018;02.03.2018;T4\n");
    EXPECT_EQ(Stored().size(), 8u);
    EXPECT_EQ(view_.Summary,
              "4 Datensätze verarbeitet, 4 Datensätze importiert, 0 Zeilen ungültig");
}

// A file large enough for its lines' keys to be made in two halves at once: lines
// repeated within either half and across them, refused lines in both, and lines of
// a run stored before, each marked as a single pass over the lines would mark it.
// Thousands of stored records, read while the lines' keys are made: the reading
// hashes them itself.
TEST_F(DuplicateCheckTest, MarksEveryLineOfALargeFileAsInOrder) {
    Start({"Nordfracht"});
    const auto line = [](int key, bool known) {
        return std::string(known ? "Nordfracht" : "Elbe Spedition") + ";Kunde " +
               std::to_string(key) + ";0" + std::to_string(1 + key % 9) + ".03.2018;" +
               std::to_string(10 + key % 19) + ".03.2018;T" + std::to_string(key % 500) + "\n";
    };
    std::map<int, int> first = {{11, 0}, {29999, 0}};  // key: first row, 0 for stored
    std::string before = line(11, true) + line(29999, true) + line(1, false);
    for (int key = 3; key <= 12000; key += 3) {
        before += line(key, true);
        first[key] = 0;
    }
    Import(before);
    ASSERT_EQ(Stored().size(), first.size());
    SetClockForTesting(TSystemTime{2026, 12, 9, 8, 0, 0, 0});
    const int lines = 30000;
    std::vector<int> keys(lines + 1);
    std::string file;
    for (int row = 1; row <= lines; ++row) {
        keys[row] = row % 10 == 0 ? row - 9 : row % 10 == 5 ? lines + 1 - row : row;
        file += line(keys[row], row % 7 != 0);
    }
    Import(file);
    const size_t storedBefore = first.size();
    int stored = 0;
    for (int row = 1; row <= lines; ++row) {
        std::string expected;
        if (row % 7 == 0) {
            expected = "falsche Firma";
        } else if (const auto it = first.find(keys[row]); it == first.end()) {
            first[keys[row]] = row;
            ++stored;
        } else {
            expected = it->second == 0 ? "Doppelt: bereits mit Import 1 gespeichert"
                                       : "Doppelt: wie Zeile " + std::to_string(it->second);
        }
        ASSERT_EQ(Mark(row), expected) << "row " << row;
    }
    EXPECT_EQ(Stored().size(), storedBefore + static_cast<size_t>(stored));
}

// A short file against many stored records: the lines are done long before the
// stored keys are read, and the run's thread hashes them as they come.
TEST_F(DuplicateCheckTest, FindsEveryStoredRecordOfALargerTable) {
    Start({"Nordfracht"});
    const auto line = [](int key) {
        return "Nordfracht;Kunde " + std::to_string(key) + ";0" + std::to_string(1 + key % 9) +
               ".03.2018;" + std::to_string(10 + key % 19) + ".03.2018;T" +
               std::to_string(key % 500) + "\n";
    };
    const int storedKeys = 40000;
    std::string before;
    for (int key = 1; key <= storedKeys; ++key) before += line(key);
    Import(before);
    ASSERT_EQ(Stored().size(), static_cast<size_t>(storedKeys));
    SetClockForTesting(TSystemTime{2026, 12, 9, 8, 0, 0, 0});
    std::string file;
    std::vector<int> keys(2001);
    for (int row = 1; row <= 2000; ++row) {
        keys[row] = row % 10 == 0 ? keys[row - 1] : row * 37;
        file += line(keys[row]);
    }
    Import(file);
    int added = 0;
    for (int row = 1; row <= 2000; ++row) {
        std::string expected;
        if (keys[row] <= storedKeys)
            expected = "Doppelt: bereits mit Import 1 gespeichert";
        else if (row % 10 == 0)
            expected = "Doppelt: wie Zeile " + std::to_string(row - 1);
        else
            ++added;
        ASSERT_EQ(Mark(row), expected) << "row " << row;
    }
    EXPECT_EQ(Stored().size(), static_cast<size_t>(storedKeys + added));
}

TEST(RecordKeyHasher, GivesTheSameHashOnlyForTheSameKey) {
    TRecordKeyHasher hasher;
    const TDateTime day = EncodeDate(2018, 3, 1);
    const TRecordKeyHash key = hasher.Hash({"Alpha", "Beta", "T1", day, day + 1});
    EXPECT_EQ(hasher.Hash({"ALPHA ", " beta", "t1", day, day + 1}), key);
    // The field a text stands in counts, not only the texts one after the other.
    EXPECT_NE(hasher.Hash({"AlphaBeta", "", "T1", day, day + 1}), key);
    EXPECT_NE(hasher.Hash({"Alpha", "BetaT1", "", day, day + 1}), key);
    EXPECT_NE(hasher.Hash({"Alpha", "Beta", "T1", day + 1, day}), key);
    EXPECT_NE(hasher.Hash({"Alpha", "Beta", "T1", day, day + 1 + 1.0 / 86400}), key);
}

// Two-byte characters are folded one by one, others with their whole text: both
// as ICU folds the text.
TEST(RecordKeyHasher, FoldsEveryCharacterAsTheWholeTextFolds) {
    TRecordKeyHasher hasher;
    const auto key = [&](const std::string& text) { return hasher.Hash({text, "", "", 1, 1}); };
    for (const char* text : {"Straße", "Ölmühle Groß", "ΣΊΣΥΦΟΣ", "Пётр Чайковский", "ŉ", "ǅ",
                             "Müller € KG", "ﬃ Logistik", "\xC3",
                             "a\xFF"
                             "b",
                             "Ẵ"})
        EXPECT_EQ(key(text), key(FoldedCase(text))) << text;
    EXPECT_EQ(key("STRASSE"), key("straße"));
    EXPECT_EQ(key("ÖLMÜHLE GROSS"), key("ölmühle groß"));
    EXPECT_NE(key("Müller"), key("Muller"));
    EXPECT_NE(key("Ölmühle"), key("Olmühle"));
}

// ASCII goes eight bytes at a time, the rest of a text one by one: every character
// in either place is told from every other, unless the two differ only in case.
TEST(RecordKeyHasher, TellsAsciiCharactersApartExceptByCase) {
    TRecordKeyHasher hasher;
    for (size_t place : {3u, 13u, 19u}) {
        std::vector<TRecordKeyHash> keys(128);
        for (int c = 1; c < 128; ++c) {
            std::string text = "Qrstuvw.XYZ;abc-DEFgh";  // 21 bytes: two words and a tail
            text[place] = static_cast<char>(c);
            keys[c] = hasher.Hash({text, "", "", 1, 1});
        }
        for (int c = 1; c < 128; ++c)
            for (int d = c + 1; d < 128; ++d)
                ASSERT_EQ(keys[c] == keys[d],
                          AsciiLower(static_cast<char>(c)) == AsciiLower(static_cast<char>(d)))
                    << "place " << place << ": " << c << " and " << d;
    }
    // A character beyond ASCII in a word leaves the ASCII before it to the word.
    EXPECT_EQ(hasher.Hash({"ABCDEFGHIJ\xC3\x84KLM", "", "", 1, 1}),
              hasher.Hash({"abcdefghij\xC3\xA4klm", "", "", 1, 1}));
    EXPECT_EQ(hasher.Hash({"ABC\xC3\x84"
                           "DEFGHIJKLMNOP",
                           "", "", 1, 1}),
              hasher.Hash({"abc\xC3\xA4"
                           "defghijklmnop",
                           "", "", 1, 1}));
}

// Keys that share the part a slot compares first, or the slot they start at, are
// told apart by the whole key; a full table of first rows still finds them.
TEST(LineKeys, KeepsTheFirstRowOfEveryKey) {
    const int rows = 300;
    TLineKeys keys(rows + 1);
    for (int row = 1; row <= 100; ++row) keys.Add(row, {static_cast<std::uint64_t>(row) << 40, 7});
    keys.Add(101, {1ULL << 40, 8});        // the first half of row 1's
    keys.Add(102, {(1ULL << 40) | 1, 7});  // the tag of row 1's
    keys.Add(103, {1ULL << 40, 7});        // row 1's key
    keys.Add(104, {100ULL << 40, 7});
    for (int row = 105; row < rows - 1; ++row) keys.Add(row, {0, static_cast<std::uint32_t>(row)});
    keys.Add(rows - 1, {0, 0});  // a key of two zero halves is a key like any other
    keys.Add(rows, {0, 0});
    EXPECT_THROW(keys.Add(rows, {0, 0}), std::logic_error);
    keys.EndAdding();
    EXPECT_TRUE(keys.Taken(rows - 1));
    EXPECT_EQ(keys.EarlierRow(rows), rows - 1);
    EXPECT_EQ(keys.Find({0, 0}), rows - 1);
    for (int row : {1, 100, 101, 102, 105, rows - 1}) EXPECT_FALSE(keys.EarlierRow(row)) << row;
    EXPECT_EQ(keys.EarlierRow(103), 1);
    EXPECT_EQ(keys.EarlierRow(104), 100);
    EXPECT_EQ(keys.Find({1ULL << 40, 7}), 1);
    EXPECT_EQ(keys.Find({(1ULL << 40) | 1, 7}), 102);
    EXPECT_FALSE(keys.Find({2ULL << 40, 8}));
    // A stored record marks the first line with its key, the earliest run counting;
    // the line's repeats see the mark.
    for (int run : {5, 3, 4}) keys.MarkStored(1, run);
    EXPECT_EQ(keys.StoredRun(1), 3);
    EXPECT_EQ(keys.StoredRun(103), 3);
    EXPECT_FALSE(keys.StoredRun(101));
    keys.MarkStored(100, 0);  // a record entered by hand, of no run
    EXPECT_EQ(keys.StoredRun(104), 0);
    EXPECT_TRUE(keys.Taken(103));
    EXPECT_FALSE(keys.Taken(0));
    EXPECT_FALSE(keys.Taken(rows + 1));
    keys.EndMatching();
    EXPECT_FALSE(keys.Find({1ULL << 40, 7}));
    EXPECT_THROW(keys.Add(rows, {1, 1}), std::logic_error);
}

// Every line's answers, against a plain model of the file: the first row of each
// key, and the earliest run that stored it, whatever the run: one entered by hand,
// runs met again after others, numbers at either end of the range. They stay as
// they were once the matching ends and the keys go.
TEST(LineKeys, AnswerForEveryLineBeforeAndAfterTheKeysGo) {
    const auto Spread = [](std::uint64_t key) { return (key + 1) * 0x9E3779B97F4A7C15ULL; };
    const int rows = 20'000;
    std::mt19937 random(7);
    TLineKeys keys(rows + 1);
    std::map<std::uint64_t, int> firstRow;
    std::map<int, std::uint64_t> keyOf;
    for (int row = 1; row <= rows; ++row) {
        if (random() % 10 == 0) continue;
        const std::uint64_t key = random() % 3'000;
        keys.Add(row, {Spread(key), 1});
        firstRow.try_emplace(key, row);
        keyOf[row] = key;
    }
    keys.EndAdding();
    const int runs[] = {0, 1, 2, 17, 1'000'000, -5, INT_MAX, INT_MIN};
    std::map<std::uint64_t, int> earliestRun;
    for (std::uint64_t key = 0; key < 3'000; key += 2) {
        const auto first = keys.Find({Spread(key), 1});
        ASSERT_EQ(first.has_value(), firstRow.contains(key));
        if (!first) continue;
        EXPECT_EQ(*first, firstRow[key]);
        for (int times = 1 + static_cast<int>(random() % 2); times > 0; --times) {
            const int run = runs[random() % std::size(runs)];
            keys.MarkStored(*first, run);
            const auto [known, added] = earliestRun.try_emplace(key, run);
            if (!added) known->second = std::min(known->second, run);
        }
    }
    const auto expectAnswers = [&](const char* when) {
        for (int row = 0; row <= rows + 1; ++row) {
            const auto line = keyOf.find(row);
            EXPECT_EQ(keys.Taken(row), line != keyOf.end()) << when << row;
            if (line == keyOf.end()) continue;
            const int first = firstRow[line->second];
            EXPECT_EQ(keys.EarlierRow(row), first == row ? std::nullopt : std::optional(first))
                << when << row;
            const auto run = earliestRun.find(line->second);
            EXPECT_EQ(keys.StoredRun(row),
                      run == earliestRun.end() ? std::nullopt : std::optional(run->second))
                << when << row;
        }
    };
    expectAnswers("before the end, row ");
    keys.EndMatching();
    expectAnswers("after the end, row ");
    EXPECT_FALSE(keys.Find({Spread(0), 1}));
    EXPECT_THROW(keys.MarkStored(1, 1), std::logic_error);
}

}  // namespace
}  // namespace zalvert
