// Any text as the engine's SQL: either a syntax error of the engine, or one
// statement of SQLite text that SQLite parses (names it does not know aside).

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/DaoConstants.h"
#include "engine/sqlite/SqlFunctions.h"
#include "engine/sqlite/SqlTranslator.h"
#include "rtl/FormatSettings.h"

namespace {

sqlite3* Database() {
    static sqlite3* db = [] {
        sqlite3* handle = nullptr;
        if (sqlite3_open(":memory:", &handle) != SQLITE_OK) std::abort();
        zalvert::engine::RegisterSqlFunctions(handle);
        return handle;
    }();
    return db;
}

// SQLite's own words for text it cannot parse; a message that merely quotes such
// words (a table named so) is not one.
bool IsSyntaxError(const std::string& message) {
    return (message.starts_with("near \"") && message.ends_with("syntax error")) ||
           message == "incomplete input" || message.starts_with("unrecognized token:");
}

bool OnlyBlanks(const char* text) {
    for (; *text; ++text)
        if (*text != ' ' && *text != '\t' && *text != '\n' && *text != '\r') return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    zalvert::FormatSettings() = zalvert::TFormatSettings::German();
    const std::string_view sql(reinterpret_cast<const char*>(data), size);
    std::string translated;
    try {
        // Some fields are text, some yes/no, so that their translations are written too.
        translated =
            zalvert::engine::TranslateSql(sql, [](std::string_view, std::string_view column) {
                if (column.empty()) return 0;
                const int kind = static_cast<unsigned char>(column[0]) % 3;
                return kind == 0   ? zalvert::engine::dbText
                       : kind == 1 ? zalvert::engine::dbBoolean
                                   : 0;
            }).Sql;
    } catch (const zalvert::engine::ESqlSyntax&) {
        return 0;
    }
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(Database(), translated.c_str(),
                                      static_cast<int>(translated.size()), &stmt, &tail);
    if (rc == SQLITE_OK && tail && !OnlyBlanks(tail)) std::abort();  // more than one statement
    if (rc != SQLITE_OK) {
        const std::string message = sqlite3_errmsg(Database());
        if (IsSyntaxError(message)) {
            std::fprintf(stderr, "translated: %s\nSQLite: %s\n", translated.c_str(),
                         message.c_str());
            std::abort();
        }
    }
    sqlite3_finalize(stmt);
    return 0;
}
