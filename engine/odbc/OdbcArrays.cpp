#include "engine/odbc/OdbcArrays.h"

#include <charconv>

#include "engine/DaoConstants.h"
#include "engine/core/StorageFormat.h"
#include "engine/odbc/OdbcApi.h"

namespace zalvert::engine::odbc {
namespace {

void AppendNumber(std::string& out, auto number) {
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, end);
}

// Inside an element's quotes only the quote and the backslash are escaped. The
// stretches between them are appended whole: a character at a time was most of
// the sending thread's work.
void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '"' || text[i] == '\\') {
            out.append(text.data() + start, i - start);
            out += '\\';
            start = i;  // the character itself opens the next stretch
        }
    out.append(text.data() + start, text.size() - start);
    out += '"';
}

void AppendElement(std::string& out, const Variant& value) {
    switch (value.Type()) {
        case TVarType::Empty:
        case TVarType::Null:
            out += "NULL";
            return;
        case TVarType::String:
            AppendQuoted(out, value.StringValue());
            return;
        case TVarType::Boolean:
            out += value.AsBoolean() ? "t" : "f";
            return;
        case TVarType::Integer:
        case TVarType::Int64:
            AppendNumber(out, value.AsInt64());
            return;
        case TVarType::Double:
            // The shortest text that reads back as the same double.
            out += '"';
            AppendNumber(out, value.AsDouble());
            out += '"';
            return;
        case TVarType::Currency:
            out += CurrencyText(value.AsCurrency());
            return;
        case TVarType::Date: {
            // The stored form "2018-12-03 14:07:09.250" is the server's timestamp text.
            char text[kStorageDateSize];
            out += '"';
            out.append(text, DateTimeToStorage(value.AsDateTime(), text));
            out += '"';
            return;
        }
        case TVarType::Bytes: {
            // bytea's hex form; its backslash escaped for the array.
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\"\\\\x";
            for (const unsigned char byte : value.AsBytes()) {
                out += kHex[byte >> 4];
                out += kHex[byte & 15];
            }
            out += '"';
            return;
        }
        default:
            AppendQuoted(out, value.AsString());
            return;
    }
}

}  // namespace

std::string_view ArrayElementType(int daoType) {
    switch (daoType) {
        case dbBoolean:
            return "boolean";
        case dbByte:
        case dbInteger:
        case dbLong:
        case dbBigInt:
            return "bigint";
        case dbCurrency:
        case dbNumeric:
        case dbDecimal:
            return "numeric";
        case dbSingle:
        case dbDouble:
        case dbFloat:
            return "double precision";
        case dbDate:
        case dbTimeStamp:
            return "timestamp";
        case dbText:
        case dbMemo:
        case dbChar:
            return "text";
        case dbBinary:
        case dbVarBinary:
        case dbLongBinary:
            return "bytea";
        default:
            return {};
    }
}

namespace {

constexpr char kSeparator = '\x1f';
constexpr char kNullMark = '\x1e';

}  // namespace

bool TakesSeparatedTexts(std::string_view element) {
    return element == "text";
}

std::string UnnestedColumn(std::string_view element) {
    const std::string literal = "CAST(? AS " + std::string(element) + "[])";
    if (!TakesSeparatedTexts(element)) return "unnest(" + literal + ")";
    // chr() of a constant is folded into the plan once.
    return "unnest(COALESCE(string_to_array(CAST(? AS text), chr(31), chr(30)), " + literal + "))";
}

bool AppendSeparatedTexts(std::string& out, const Variant* values, size_t rows, size_t width,
                          size_t column) {
    const size_t before = out.size();
    for (size_t row = 0; row < rows; ++row) {
        const Variant& value = values[row * width + column];
        if (row > 0) out += kSeparator;
        if (value.IsEmptyOrNull()) {
            out += kNullMark;
            continue;
        }
        const bool fits = value.Type() == TVarType::String &&
                          value.StringValue().find(kSeparator) == std::string::npos &&
                          value.StringValue() != std::string_view(&kNullMark, 1) &&
                          !(rows == 1 && value.StringValue().empty());
        if (!fits) {
            out.resize(before);
            return false;
        }
        out += value.StringValue();
    }
    return true;
}

void AppendArrayLiteral(std::string& out, const Variant* values, size_t rows, size_t width,
                        size_t column) {
    out += '{';
    for (size_t row = 0; row < rows; ++row) {
        if (row > 0) out += ',';
        AppendElement(out, values[row * width + column]);
    }
    out += '}';
}

}  // namespace zalvert::engine::odbc
