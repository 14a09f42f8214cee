#include "dao/FieldTypeMapping.h"

#include <cstdio>

#include "dao/ZedaDaoTableSupport.h"
#include "engine/DaoConstants.h"
#include "rtl/DateTime.h"
#include "rtl/Utf8.h"

namespace zalvert {

using namespace engine;

int RefineDaoType(int daoType, long attributes, const std::optional<std::string>& format) {
    if (daoType == dbDate) {
        if (!format) return dbTimeStamp;
        const std::string upper = AsciiUpperCase(*format);
        if (upper == "LONG TIME" || upper == "MEDIUM TIME" || upper == "SHORT TIME") return dbTime;
        if (upper == "GENERAL DATE") return dbTimeStamp;
        return dbDate;
    }
    if (daoType == dbLong && (attributes & dbAutoIncrField) != 0) return kDaoAutoIncrement;
    return daoType;
}

int DaoFieldSize(int daoType, int engineSize) {
    switch (daoType) {
        case dbBinary:
        case dbText:
        case dbLongBinary:
        case dbMemo:
        case dbGUID:
        case dbVarBinary:
        case dbChar:
            return daoType == dbText && engineSize == 0 ? 255 : engineSize;
        default:
            return 0;
    }
}

TFieldType DatasetFieldType(int refinedDaoType) {
    switch (refinedDaoType) {
        case dbBoolean:
            return TFieldType::ftBoolean;
        case dbByte:
        case dbInteger:
            return TFieldType::ftSmallint;
        case dbLong:
        case dbBigInt:
            return TFieldType::ftInteger;
        case kDaoAutoIncrement:
            return TFieldType::ftAutoInc;
        case dbCurrency:
            return TFieldType::ftCurrency;
        case dbSingle:
        case dbDouble:
        case dbNumeric:
        case dbDecimal:
        case dbFloat:
            return TFieldType::ftFloat;
        case dbDate:
            return TFieldType::ftDate;
        case dbTime:
            return TFieldType::ftTime;
        case dbTimeStamp:
            return TFieldType::ftDateTime;
        case dbBinary:
        case dbGUID:
            return TFieldType::ftBytes;
        case dbText:
        case dbChar:
            return TFieldType::ftString;
        case dbLongBinary:
        case dbVarBinary:
            return TFieldType::ftBlob;
        case dbMemo:
            return TFieldType::ftMemo;
        default:
            return TFieldType::ftUnknown;
    }
}

int DatasetFieldSize(int refinedDaoType, int daoSize) {
    switch (refinedDaoType) {
        case dbText:
            return daoSize == 0 ? 255 : daoSize;
        case dbBinary:
        case dbLongBinary:
        case dbMemo:
        case dbGUID:
        case dbVarBinary:
        case dbChar:
            return daoSize;
        default:
            return 0;
    }
}

std::string FieldTypeListName(TFieldType type) {
    switch (type) {
        case TFieldType::ftString:
            return "ftString";
        case TFieldType::ftSmallint:
            return "ftSmallInt";
        case TFieldType::ftInteger:
            return "ftInteger";
        case TFieldType::ftWord:
            return "ftWord";
        case TFieldType::ftBoolean:
            return "ftBoolean";
        case TFieldType::ftFloat:
            return "ftFloat";
        case TFieldType::ftCurrency:
            return "ftCurrency";
        case TFieldType::ftBCD:
            return "ftBCD";
        case TFieldType::ftDate:
            return "ftDate";
        case TFieldType::ftTime:
            return "ftTime";
        case TFieldType::ftDateTime:
            return "ftDateTime";
        case TFieldType::ftAutoInc:
            return "ftAutoInc";
        case TFieldType::ftBlob:
            return "ftBlob";
        case TFieldType::ftMemo:
            return "ftMemo";
        default:
            return "ftUnknown";
    }
}

// Hour 12 follows the clock's custom: 12 AM is midnight, 12 PM is noon.
std::string DateDefaultText(const std::string& text) {
    int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0, used = 0;
    if (std::sscanf(text.c_str(), "%d/%d/%d%n", &month, &day, &year, &used) != 3) return {};
    std::string rest = text.substr(static_cast<size_t>(used));
    if (!rest.empty()) {
        int timeUsed = 0;
        const int fields = std::sscanf(rest.c_str(), " %d:%d%n:%d%n", &hour, &minute, &timeUsed,
                                       &second, &timeUsed);
        if (fields < 2) return {};
        std::string suffix = AsciiUpperCase(rest.substr(static_cast<size_t>(timeUsed)));
        if (suffix == " PM") {
            if (hour < 12) hour += 12;
        } else if (suffix == " AM") {
            if (hour == 12) hour = 0;
        } else if (!suffix.empty()) {
            return {};
        }
        if (hour > 23 || minute > 59 || second > 59) return {};
    }
    const auto date = TryEncodeDate(year, month, day);
    if (!date) return {};
    const long long days = static_cast<long long>(*date) + kDateDelta;
    const long long ms = ((hour * 60LL + minute) * 60LL + second) * 1000LL;
    return daotable::DateTimeText(days, ms);
}

}  // namespace zalvert
