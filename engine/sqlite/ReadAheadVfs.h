#pragma once
// A file layer over SQLite's own whose database files read ahead while they are
// read in order, up or down: a read that continues the last one fetches a
// growing stretch of the file with it, and the pages beyond it come from that
// stretch. A reader that walks a large table once (the first ids of a keyset's
// blocks) then makes one system call for dozens of pages instead of one a page;
// a read out of order fetches no more than it asks for. What is kept serves one
// read transaction at most: every lock taken or given up starts afresh.
// Everything else passes through unchanged.

namespace zalvert::engine {

// The name to open a connection with (sqlite3_open_v2's last argument); the layer
// is registered with SQLite at the first call, and not made the default.
const char* ReadAheadVfsName();

}  // namespace zalvert::engine
