#include "dataset/Params.h"

#include <cctype>

#include "dataset/DatabaseError.h"
#include "dataset/DbConsts.h"
#include "rtl/Utf8.h"

namespace zalvert {
namespace {

bool IsNameChar(unsigned char c) {
    return std::isalnum(c) || c == '_' || c >= 0x80;
}

}  // namespace

size_t SkipQuoted(std::string_view sql, size_t i) {
    const char c = sql[i];
    if (c != '\'' && c != '"' && c != '[' && c != '#') return i;
    const char close = c == '[' ? ']' : c;
    for (++i; i < sql.size(); ++i) {
        if (sql[i] != close) continue;
        // A quote inside a string is doubled.
        if ((close == '\'' || close == '"') && i + 1 < sql.size() && sql[i + 1] == close) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return sql.size();
}

std::vector<std::string> FindParamNames(std::string_view sql) {
    std::vector<std::string> names;
    size_t i = 0;
    while (i < sql.size()) {
        if (const size_t after = SkipQuoted(sql, i); after != i) {
            i = after;
            continue;
        }
        if (sql[i] != ':') {
            ++i;
            continue;
        }
        if (i + 1 < sql.size() && sql[i + 1] == ':') {  // "::" is no parameter
            i += 2;
            continue;
        }
        ++i;
        std::string name;
        if (i < sql.size() && (sql[i] == '"' || sql[i] == '\'' || sql[i] == '[')) {
            const char close = sql[i] == '[' ? ']' : sql[i];
            const size_t end = sql.find(close, i + 1);
            if (end == std::string_view::npos) break;
            name = std::string(sql.substr(i + 1, end - i - 1));
            i = end + 1;
        } else if (i < sql.size() && std::isdigit(static_cast<unsigned char>(sql[i]))) {
            // ":30" is a time or a number, never a parameter.
            continue;
        } else {
            while (i < sql.size() && IsNameChar(static_cast<unsigned char>(sql[i])))
                name += sql[i++];
        }
        if (!name.empty()) names.push_back(name);
    }
    return names;
}

TParam& TParams::Items(int index) {
    return items_.at(static_cast<size_t>(index));
}
const TParam& TParams::Items(int index) const {
    return items_.at(static_cast<size_t>(index));
}

TParam& TParams::CreateParam(TFieldType type, const std::string& name, TParamType paramType) {
    TParam param;
    param.Name = name;
    param.DataType = type;
    param.ParamType = paramType;
    items_.push_back(param);
    return items_.back();
}

TParam* TParams::FindParam(std::string_view name) {
    const std::string wanted = AsciiUpperCase(name);
    for (TParam& p : items_)
        if (AsciiUpperCase(p.Name) == wanted) return &p;
    return nullptr;
}

TParam& TParams::ParamByName(std::string_view name) {
    if (TParam* p = FindParam(name)) return *p;
    DatabaseError(dbconsts::Format(dbconsts::SParameterNotFound, {std::string(name)}));
}

void TParams::AssignValues(const TParams& other) {
    for (const TParam& source : other.items_)
        if (TParam* p = FindParam(source.Name)) {
            p->Value = source.Value;
            p->DataType = source.DataType;
        }
}

void TParams::ParseSQL(std::string_view sql) {
    TParams old;
    old.items_ = std::move(items_);
    items_.clear();
    for (const std::string& name : FindParamNames(sql))
        if (!FindParam(name)) CreateParam(TFieldType::ftUnknown, name, TParamType::ptInput);
    AssignValues(old);
}

}  // namespace zalvert
