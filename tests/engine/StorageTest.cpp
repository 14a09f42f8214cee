#include <gtest/gtest.h>

#include "engine/DaoConstants.h"
#include "engine/core/StorageFormat.h"
#include "engine/sqlite/FieldValues.h"
#include "rtl/FormatSettings.h"

namespace zalvert::engine {
namespace {

TEST(StorageFormat, WritesDateTimesAsIsoText) {
    EXPECT_EQ(DateTimeToStorage(EncodeDate(2018, 12, 24)), "2018-12-24 00:00:00");
    EXPECT_EQ(DateTimeToStorage(EncodeDate(2024, 3, 31) + EncodeTime(12, 0, 0, 0)),
              "2024-03-31 12:00:00");
    EXPECT_EQ(DateTimeToStorage(EncodeDate(2018, 1, 9) + EncodeTime(8, 5, 3, 7)),
              "2018-01-09 08:05:03.007");
    // Rounding to the millisecond may carry into the next day.
    EXPECT_EQ(DateTimeToStorage(EncodeDate(2018, 12, 31) + 0.9999999999), "2019-01-01 00:00:00");
    EXPECT_EQ(DateTimeToStorage(EncodeDate(1899, 12, 29) - 0.25), "1899-12-29 06:00:00");
}

TEST(StorageFormat, ReadsWhatItWrites) {
    for (double value : {0.0, 43458.5, 43458.0 + EncodeTime(23, 59, 59, 999), -1.25, 2958465.0}) {
        const auto back = StorageToDateTime(DateTimeToStorage(value));
        ASSERT_TRUE(back) << value;
        EXPECT_NEAR(*back, value, 1e-8) << value;
    }
    EXPECT_EQ(StorageToDateTime("2018-12-24"), EncodeDate(2018, 12, 24));
    EXPECT_EQ(StorageToDateTime("2018-12-24T10:00:00"),
              EncodeDate(2018, 12, 24) + EncodeTime(10, 0, 0, 0));
    EXPECT_FALSE(StorageToDateTime("2018-02-30 00:00:00"));
    EXPECT_FALSE(StorageToDateTime("24.12.2018"));
    EXPECT_FALSE(StorageToDateTime("2018-12-24 10:00:00x"));
    EXPECT_EQ(StorageToDateTime("2018-12-24 10:00:00.5"),
              EncodeDate(2018, 12, 24) + EncodeTime(10, 0, 0, 500));
    for (const char* bad : {"", "2018", "2018-12", "2018-12-24 ", "2018-12-24 10:00", "20181-2-24",
                            "2018-12-24 25:00:00", "2018-12-24 10:0a:00"})
        EXPECT_FALSE(StorageToDateTime(bad)) << bad;
}

// Conversions remember their last few values: runs and turns of more values than
// they keep must each give their own text and date.
TEST(StorageFormat, GivesEachValueItsOwnTextInRunsAndTurns) {
    const std::pair<double, const char*> dates[] = {
        {EncodeDate(2018, 12, 3), "2018-12-03 00:00:00"},
        {EncodeDate(2018, 12, 4), "2018-12-04 00:00:00"},
        {EncodeDate(2018, 12, 5), "2018-12-05 00:00:00"},
        {EncodeDate(2019, 1, 1) + EncodeTime(6, 0, 0, 0), "2019-01-01 06:00:00"},
        {EncodeDate(2020, 2, 29), "2020-02-29 00:00:00"},
        {EncodeDate(1899, 12, 30), "1899-12-30 00:00:00"}};
    for (int round = 0; round < 3; ++round)
        for (size_t i = 0; i < std::size(dates); ++i)
            for (size_t k : {i, (i + 3) % std::size(dates), i}) {
                EXPECT_EQ(DateTimeToStorage(dates[k].first), dates[k].second);
                EXPECT_EQ(StorageToDateTime(dates[k].second), dates[k].first);
            }
    EXPECT_EQ(DateTimeToStorage(1e12), "");
    EXPECT_FALSE(StorageToDateTime("2018-13-01 00:00:00"));
    EXPECT_EQ(DateTimeToStorage(dates[0].first), dates[0].second);
}

TEST(FieldValues, StoresEachTypeInItsForm) {
    FormatSettings() = TFormatSettings::German();
    EXPECT_EQ(ToStorage({dbBoolean, 1, true}, Variant("False")), Variant(std::int64_t{0}));
    EXPECT_EQ(ToStorage({dbBoolean, 1, true}, Variant(-1)), Variant(std::int64_t{1}));
    EXPECT_EQ(ToStorage({dbCurrency, 8, true}, Variant(1.23456)), Variant(1.2346));
    EXPECT_EQ(ToStorage({dbByte, 1, true}, Variant("255")), Variant(std::int64_t{255}));
    EXPECT_EQ(ToStorage({dbText, 5, false}, Variant(12.5)), Variant("12,5"));
    EXPECT_EQ(ToStorage({dbDate, 8, true}, Variant::FromDate(EncodeDate(2018, 1, 2))),
              Variant("2018-01-02 00:00:00"));
    EXPECT_EQ(ToStorage({dbGUID, 16, true},
                        Variant(TBytes{0x3d, 0x2c, 0x1b, 0x0a, 0x5f, 0x4e, 0x71, 0x60, 0x82, 0x93,
                                       0xa4, 0xb5, 0xc6, 0xd7, 0xe8, 0xf9})),
              Variant("{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}"));
    EXPECT_TRUE(ToStorage({dbLong, 4, true}, Variant()).IsNull());
    EXPECT_THROW(ToStorage({dbByte, 1, true}, Variant(256)), EValueRefused);
    EXPECT_THROW(ToStorage({dbBinary, 2, true}, Variant(TBytes{1, 2, 3})), EValueRefused);
    EXPECT_EQ(FromStorage({dbDate, 8, true}, Variant("2018-01-02 00:00:00")),
              Variant::FromDate(EncodeDate(2018, 1, 2)));
    EXPECT_EQ(FromStorage({dbBoolean, 1, true}, Variant(std::int64_t{1})), Variant(true));
    EXPECT_EQ(FromStorage({dbCurrency, 8, true}, Variant(1.2346)).AsCurrency().Scaled, 12346);
    // Values another tool stored in another form come back as they are.
    EXPECT_EQ(FromStorage({dbDate, 8, true}, Variant("gestern")), Variant("gestern"));
}

}  // namespace
}  // namespace zalvert::engine
