#include "engine/EngineState.h"

namespace zalvert::engine {

void FailSqlite(TEngineState& engine, const ESqlite& error, const char* source,
                const std::string& context) {
    const std::string message = error.what();
    switch (error.Code()) {
        case SQLITE_CONSTRAINT_UNIQUE:
        case SQLITE_CONSTRAINT_PRIMARYKEY:
            Fail(engine, 3022, source);
        case SQLITE_CONSTRAINT_NOTNULL: {
            // "NOT NULL constraint failed: table.column"
            const size_t dot = message.rfind('.');
            Fail(engine, 3314, source,
                 dot == std::string::npos ? context : message.substr(dot + 1));
        }
        default:
            break;
    }
    switch (error.PrimaryCode()) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            Fail(engine, 3260, source, context);
        case SQLITE_READONLY:
            Fail(engine, 3027, source);
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            // The file is what is unreadable, whatever table was being read.
            Fail(engine, 3343, source, error.File().empty() ? context : error.File());
        case SQLITE_CANTOPEN:
            Fail(engine, 3024, source, context);
        case SQLITE_MISMATCH:
            Fail(engine, 3464, source);
        case SQLITE_ERROR:
            if (message.starts_with("no such table"))
                Fail(engine, 3078, source, message.substr(15));
            if (message.starts_with("no such column")) Fail(engine, 3061, source, "1");
            if (message.find("syntax error") != std::string::npos)
                Fail(engine, 3075, source, context);
            if (message.starts_with("table") && message.find("already exists") != std::string::npos)
                Fail(engine, 3010, source, context);
            if (message.starts_with("index") && message.find("already exists") != std::string::npos)
                Fail(engine, 3012, source, context);
            break;
        default:
            break;
    }
    Fail(engine, 3000, source, message);
}

}  // namespace zalvert::engine
