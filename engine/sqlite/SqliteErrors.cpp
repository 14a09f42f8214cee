#include "engine/sqlite/SqliteErrors.h"

namespace zalvert::engine {

void FailSqlite(TEngineState& engine, const ESqlite& error, const char* source,
                const std::string& context) {
    const std::string message = error.what();
    switch (error.Code()) {
        case SQLITE_CONSTRAINT_UNIQUE:
        case SQLITE_CONSTRAINT_PRIMARYKEY:
            Fail(engine, TDaoErr::DuplicateKey, source);
        case SQLITE_CONSTRAINT_NOTNULL: {
            // "NOT NULL constraint failed: table.column"
            const size_t dot = message.rfind('.');
            Fail(engine, TDaoErr::NullNotAllowed, source,
                 dot == std::string::npos ? context : message.substr(dot + 1));
        }
        default:
            break;
    }
    switch (error.PrimaryCode()) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            Fail(engine, TDaoErr::Locked, source, context);
        case SQLITE_READONLY:
            Fail(engine, TDaoErr::ReadOnly, source);
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            // The file is what is unreadable, whatever table was being read.
            Fail(engine, TDaoErr::UnrecognizedFormat, source,
                 error.File().empty() ? context : error.File());
        case SQLITE_CANTOPEN:
            Fail(engine, TDaoErr::FileNotFound, source, context);
        case SQLITE_MISMATCH:
            Fail(engine, TDaoErr::CriteriaTypeMismatch, source);
        case SQLITE_ERROR:
            if (message.starts_with("no such table"))
                Fail(engine, TDaoErr::TableNotFound, source, message.substr(15));
            if (message.starts_with("no such column"))
                Fail(engine, TDaoErr::TooFewParameters, source, "1");
            if (message.find("syntax error") != std::string::npos)
                Fail(engine, TDaoErr::SyntaxError, source, context);
            if (message.starts_with("table") && message.find("already exists") != std::string::npos)
                Fail(engine, TDaoErr::TableExists, source, context);
            if (message.starts_with("index") && message.find("already exists") != std::string::npos)
                Fail(engine, TDaoErr::ObjectExists, source, context);
            break;
        default:
            break;
    }
    Fail(engine, TDaoErr::EngineError, source, message);
}

}  // namespace zalvert::engine
