#include <gtest/gtest.h>

#include <string>

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
    const std::string huge(3 << 20, 'x'), large((1 << 20) + 1, 'y'), full(1 << 20, 'z');
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

}  // namespace
}  // namespace zalvert
