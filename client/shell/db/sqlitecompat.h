#pragma once

#include <QDateTime>
#include <QStringList>

#include <functional>

struct sqlite3;

namespace vek::db {

// The embedded SQLite backend speaks the plant's SQL Server and Oracle dialects through these
// helpers: a few server functions registered on each connection and a rewrite, outside string
// literals, of what SQLite cannot parse. No other part of the client knows about dialects.
namespace sqlitecompat {

// Splits a statement text (lines joined by CR LF) into the statements SQLite runs one by one and
// rewrites each: bare `sysdate`, a type name as first argument of `convert`, `+` beside a string
// literal, `begin tran` / `commit tran` / `rollback tran`, and `;`-separated batches.
QStringList translate(const QString& text);

// Registers getdate(), sysdate(), len(), convert() on an open SQLite handle.
void registerFunctions(sqlite3* handle);

// The clock behind getdate() and sysdate(); tests fix it. An empty function restores the real clock.
void setServerClock(std::function<QDateTime()> clock);
QDateTime serverNow();

// Text forms the functions produce: SQL Server datetime with milliseconds, Oracle date to the second.
inline constexpr const char* kDateTimeMs = "yyyy-MM-dd HH:mm:ss.zzz";
inline constexpr const char* kDateTime = "yyyy-MM-dd HH:mm:ss";

} // namespace sqlitecompat
} // namespace vek::db
