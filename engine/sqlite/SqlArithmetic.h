#pragma once
// The dialect's + and - as SQL functions: texts joined by +, dates (stored as
// ISO text) moved by days and subtracted to days, Null when either side is Null;
// private to the engine.

#include <sqlite3.h>

namespace zalvert::engine {

// zi_add(a, b) and zi_sub(a, b); zi_bool(x), a stored yes/no as -1 or 0, and
// zi_yesno(x), any true value as the stored 1 or 0.
void RegisterSqlArithmetic(sqlite3* db);

}  // namespace zalvert::engine
