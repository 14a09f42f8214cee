#include <gtest/gtest.h>

#include "dao/FieldTypeMapping.h"
#include "engine/DaoConstants.h"

namespace zalvert {
namespace {

using namespace engine;

TEST(FieldTypeMapping, RefinesDatesLongsAndTexts) {
    EXPECT_EQ(RefineDaoType(dbDate, 0, std::nullopt), dbTimeStamp);
    EXPECT_EQ(RefineDaoType(dbDate, 0, std::string("medium time")), dbTime);
    EXPECT_EQ(RefineDaoType(dbDate, 0, std::string("Long Time")), dbTime);
    EXPECT_EQ(RefineDaoType(dbDate, 0, std::string("General Date")), dbTimeStamp);
    EXPECT_EQ(RefineDaoType(dbDate, 0, std::string("Short Date")), dbDate);
    EXPECT_EQ(RefineDaoType(dbLong, dbAutoIncrField | dbFixedField, std::nullopt),
              kDaoAutoIncrement);
    EXPECT_EQ(RefineDaoType(dbLong, dbFixedField, std::nullopt), dbLong);
    EXPECT_EQ(DaoFieldSize(dbText, 0), 255);
    EXPECT_EQ(DaoFieldSize(dbText, 50), 50);
    EXPECT_EQ(DaoFieldSize(dbLong, 4), 0);
    EXPECT_EQ(DaoFieldSize(dbGUID, 16), 16);
}

TEST(FieldTypeMapping, MapsEngineTypesToDatasetTypes) {
    struct TRow {
        int Dao;
        TFieldType Type;
        int Size;
    };
    const TRow rows[] = {
        {dbBoolean, TFieldType::ftBoolean, 0},
        {dbByte, TFieldType::ftSmallint, 0},
        {dbInteger, TFieldType::ftSmallint, 0},
        {dbLong, TFieldType::ftInteger, 0},
        {kDaoAutoIncrement, TFieldType::ftAutoInc, 0},
        {dbCurrency, TFieldType::ftCurrency, 0},
        {dbSingle, TFieldType::ftFloat, 0},
        {dbDouble, TFieldType::ftFloat, 0},
        {dbDate, TFieldType::ftDate, 0},
        {dbTime, TFieldType::ftTime, 0},
        {dbTimeStamp, TFieldType::ftDateTime, 0},
        {dbBinary, TFieldType::ftBytes, 8},
        {dbText, TFieldType::ftString, 8},
        {dbLongBinary, TFieldType::ftBlob, 8},
        {dbMemo, TFieldType::ftMemo, 8},
        {dbGUID, TFieldType::ftBytes, 8},
        {dbBigInt, TFieldType::ftInteger, 0},
        {dbVarBinary, TFieldType::ftBlob, 8},
        {dbChar, TFieldType::ftString, 8},
        {dbNumeric, TFieldType::ftFloat, 0},
        {dbDecimal, TFieldType::ftFloat, 0},
        {dbFloat, TFieldType::ftFloat, 0},
        {99, TFieldType::ftUnknown, 0},
    };
    for (const TRow& row : rows) {
        EXPECT_EQ(DatasetFieldType(row.Dao), row.Type) << row.Dao;
        EXPECT_EQ(DatasetFieldSize(row.Dao, 8), row.Size) << row.Dao;
    }
    EXPECT_EQ(DatasetFieldSize(dbText, 0), 255);
    EXPECT_EQ(FieldTypeListName(TFieldType::ftSmallint), "ftSmallInt");
    EXPECT_EQ(FieldTypeListName(TFieldType::ftBytes), "ftUnknown");
}

TEST(FieldTypeMapping, ReadsDateDefaultsAsDayNumberAndMilliseconds) {
    EXPECT_EQ(DateDefaultText("3/31/2024"), "738976 0");
    EXPECT_EQ(DateDefaultText("3/31/2024 12:00"), "738976 43200000");
    EXPECT_EQ(DateDefaultText("3/31/2024 1:30:15 PM"), "738976 48615000");
    EXPECT_EQ(DateDefaultText("3/31/2024 12:00:00 AM"), "738976 0");
    EXPECT_EQ(DateDefaultText("3/31/2024 12:00:00 PM"), "738976 43200000");
    EXPECT_EQ(DateDefaultText("2/30/2024"), "");
    EXPECT_EQ(DateDefaultText("Date()"), "");
    EXPECT_EQ(DateDefaultText("3/31/2024 25:00"), "");
}

}  // namespace
}  // namespace zalvert
