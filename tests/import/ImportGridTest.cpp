#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "import/ImportGrid.h"

namespace zalvert {
namespace {

TEST(ImportGrid, StartsWithTitleRowAndOneEmptyRow) {
    TImportGrid grid;
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.ColCount(), 6);
    EXPECT_EQ(grid.Cells(0, 0), "");
    EXPECT_EQ(grid.Cells(5, 1), "");
    EXPECT_EQ(grid.Cells(3, 100000), "");
}

TEST(ImportGrid, StoresAndOverwritesCells) {
    TImportGrid grid;
    grid.SetCells(0, 1, "Alpha");
    grid.SetCells(5, 9000, "falsche Firma");
    grid.SetCells(0, 1, "Beta GmbH");
    grid.SetCells(2, 1, "");
    EXPECT_EQ(grid.Cells(0, 1), "Beta GmbH");
    EXPECT_EQ(grid.Cells(5, 9000), "falsche Firma");
    EXPECT_EQ(grid.Cells(2, 1), "");
    EXPECT_EQ(grid.Cells(1, 9000), "");
}

TEST(ImportGrid, KeepsColumnsPastTheShownOnesAside) {
    TImportGrid grid;
    grid.SetCells(6, 1, "g");
    grid.SetCells(1000, 3, "far");
    EXPECT_EQ(grid.Cells(6, 1), "g");
    EXPECT_EQ(grid.Cells(1000, 3), "far");
    EXPECT_EQ(grid.Cells(6, 3), "");
    EXPECT_THROW(grid.SetCells(-1, 0, "x"), std::out_of_range);
}

TEST(ImportGrid, RowsPastTheRowCountKeepTheirCells) {
    TImportGrid grid;
    grid.SetCells(4, 10, "T17");
    grid.SetRowCount(3);
    EXPECT_EQ(grid.RowCount(), 3);
    grid.SetRowCount(11);
    EXPECT_EQ(grid.Cells(4, 10), "T17");
    EXPECT_THROW(grid.SetRowCount(0), std::out_of_range);
}

TEST(ImportGrid, KeepsTextsLongerThanItsBlocksBesideShortOnes) {
    TImportGrid grid;
    // The store's blocks hold 1 MiB, those of a large grid 2 MiB.
    const std::string huge(5 << 20, 'x'), large((2 << 20) + 1, 'y'), full(1 << 20, 'z');
    grid.SetCells(0, 1, "vorher");
    grid.SetCells(1, 1, huge);
    grid.SetCells(2, 1, "danach");
    grid.SetCells(3, 1, large);
    grid.SetCells(4, 1, full);
    grid.SetCells(0, 2, "zuletzt");
    EXPECT_EQ(grid.Cells(0, 1), "vorher");
    EXPECT_EQ(grid.Cells(1, 1), huge);
    EXPECT_EQ(grid.Cells(2, 1), "danach");
    EXPECT_EQ(grid.Cells(3, 1), large);
    EXPECT_EQ(grid.Cells(4, 1), full);
    EXPECT_EQ(grid.Cells(0, 2), "zuletzt");
}

TEST(ImportGrid, KeepsEveryTextWhenOverwritingManyTimes) {
    // Enough rewriting to make the store move its live texts several times.
    TImportGrid grid;
    const int rows = 20000;
    for (int round = 0; round < 12; ++round)
        for (int row = 0; row < rows; ++row)
            grid.SetCells(row % 7, row,
                          "round " + std::to_string(round) + " row " + std::to_string(row) +
                              std::string(40, '.'));
    grid.SetCells(6, 7, "aside");
    for (int row = 0; row < rows; ++row)
        ASSERT_EQ(grid.Cells(row % 7, row),
                  "round 11 row " + std::to_string(row) + std::string(40, '.'));
    EXPECT_EQ(grid.Cells(6, 7), "aside");
    // Dead texts do not pile up: the 12 rounds wrote about 14 MB of text.
    EXPECT_LT(grid.MemoryUsage(), 10u << 20);
}

// Any order of writes, short, empty and long texts, overwrites and the store's
// compaction: every cell reads back as last written.
TEST(ImportGrid, ReadsEveryCellAsLastWrittenWhateverTheOrder) {
    TImportGrid grid;
    std::map<std::pair<int, int>, std::string> expected;
    std::mt19937 random(4711);
    const auto text = [&](int kind) {
        switch (kind % 10) {
            case 0:
                return std::string();
            case 1:  // too long to be counted in a line
                return std::string(70000 + random() % 50, static_cast<char>('a' + random() % 26));
            default:
                return std::string(random() % 30, static_cast<char>('A' + random() % 26)) +
                       std::to_string(random());
        }
    };
    for (int step = 0; step < 40000; ++step) {
        const int row = static_cast<int>(random() % 400);
        if (step % 3 == 0) {  // a row read as a file's line: its columns in order
            for (int col = 0; col < 5; ++col) {
                const std::string t = text(random() % 60 == 0 ? 1 : 2);
                grid.SetCells(col, row, t);
                expected[{col, row}] = t;
            }
        } else if (step % 3 == 1 && step % 5 < 3) {
            // A line of up to eight fields at once, into a row used before or a new
            // one; a new one at times gets a second, as after a line too short.
            const int lineRow = step % 2 ? row : 400 + step;
            for (int again = 0; again < (step % 7 == 0 ? 2 : 1); ++again) {
                std::vector<std::string> fields(random() % 9);
                for (std::string& t : fields)
                    t = text(random() % 60 == 0 ? 1 : random() % 3 == 0 ? 0 : 2);
                grid.SetLine(lineRow, std::vector<std::string_view>(fields.begin(), fields.end()));
                for (size_t col = 0; col < fields.size(); ++col)
                    expected[{static_cast<int>(col), lineRow}] = fields[col];
            }
        } else {
            const int col = static_cast<int>(random() % 8);
            const std::string t = text(static_cast<int>(random() % (step % 50 == 0 ? 10 : 9)));
            grid.SetCells(col, row, t);
            expected[{col, row}] = t;
        }
        if (step % 997 != 0) continue;
        for (const auto& [cell, t] : expected)
            ASSERT_EQ(grid.Cells(cell.first, cell.second), t)
                << "column " << cell.first << ", row " << cell.second << ", step " << step;
    }
    for (const auto& [cell, t] : expected)
        ASSERT_EQ(grid.Cells(cell.first, cell.second), t)
            << "column " << cell.first << ", row " << cell.second;
    // The long texts written and overwritten were given up, not kept.
    EXPECT_LT(grid.MemoryUsage(), 64u << 20);
}

// The verdict column: the same few texts on most rows, then more distinct ones
// than can be numbered, texts too long to number, and each overwritten by another
// kind, across a compaction of the store.
TEST(ImportGrid, KeepsEveryVerdictWhateverItsKind) {
    TImportGrid grid;
    const int rows = 70000;
    const auto verdict = [](int row, int round) {
        switch ((row + round) % 5) {
            case 0:
                return std::string("falsche Firma");
            case 1:
            case 2:  // 84,000 texts in all
                return "Doppelt: wie Zeile " + std::to_string(row) + "/" + std::to_string(round);
            case 3:
                return std::string(300, static_cast<char>('a' + row % 26));
            default:
                return std::string();
        }
    };
    for (int round = 0; round < 3; ++round) {
        for (int row = 1; row <= rows; ++row) {
            grid.SetCells(0, row, "Zeile " + std::to_string(row) + std::string(200, '.'));
            grid.SetCells(5, row, verdict(row, round));
        }
        for (int row = 1; row <= rows; ++row)
            ASSERT_EQ(grid.Cells(5, row), verdict(row, round)) << "row " << row;
    }
    EXPECT_EQ(grid.Cells(0, rows), "Zeile " + std::to_string(rows) + std::string(200, '.'));
}

TEST(ImportGrid, ARowOfAFilesLineCostsItsTextAndLittleMore) {
    TImportGrid grid;
    const int rows = 100000;
    for (int row = 1; row <= rows; ++row) {
        grid.SetCells(0, row, "Spedition Müller GmbH");
        grid.SetCells(1, row, "Empfänger " + std::to_string(row));
        grid.SetCells(2, row, "03.12.2018");
        grid.SetCells(3, row, "04.12.2018");
        grid.SetCells(4, row, "T" + std::to_string(row % 500));
    }
    for (int row = 1; row <= rows; row += 5) grid.SetCells(5, row, "falsche Firma");
    EXPECT_EQ(grid.Cells(1, 4711), "Empfänger 4711");
    EXPECT_EQ(grid.Cells(4, rows), "T0");
    EXPECT_EQ(grid.Cells(5, 6), "falsche Firma");
    EXPECT_EQ(grid.Cells(5, 7), "");
    // About 65 bytes of text and 16 of references a row, with the blocks' slack
    // (eight references a row would be 48 bytes).
    EXPECT_LT(grid.MemoryUsage(), static_cast<size_t>(rows) * 88);
}

TEST(ImportGrid, KeepsTheRowsOfALargeFileAcrossItsBlocks) {
    // Past the first blocks of rows and text the store takes larger ones.
    TImportGrid grid;
    const int rows = 300000;
    const auto line = [](int row) {
        return std::vector<std::string>{"Firma " + std::to_string(row % 97),
                                        "Empfänger " + std::to_string(row), "03.12.2018",
                                        "04.12.2018", "T" + std::to_string(row)};
    };
    for (int row = 1; row <= rows; ++row) {
        const std::vector<std::string> texts = line(row);
        const std::vector<std::string_view> cells(texts.begin(), texts.end());
        grid.SetLine(row, cells);
    }
    grid.SetRowCount(rows + 1);
    grid.ReleaseSlack();
    // Rows written after the store gave back its slack, into the room it gave back.
    const int more = 5000;
    for (int row = rows + 1; row <= rows + more; ++row) {
        const std::vector<std::string> texts = line(row);
        const std::vector<std::string_view> cells(texts.begin(), texts.end());
        grid.SetLine(row, cells);
    }
    for (int row = 1; row <= rows + more; row += row < 140000 ? 4093 : 7) {
        const std::vector<std::string> texts = line(row);
        for (int col = 0; col < 5; ++col) ASSERT_EQ(grid.Cells(col, row), texts[col]) << row;
        ASSERT_EQ(grid.Cells(5, row), "") << row;
    }
    EXPECT_EQ(grid.Cells(0, rows + more + 1), "");  // beyond every row written
    grid.SetCells(5, rows, "falsche Firma");
    EXPECT_EQ(grid.Cells(5, rows), "falsche Firma");
    EXPECT_EQ(grid.Cells(4, rows + more), "T" + std::to_string(rows + more));
    EXPECT_LT(grid.MemoryUsage(), static_cast<size_t>(rows) * 80);
}

}  // namespace
}  // namespace zalvert
