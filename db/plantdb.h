#pragma once

#include <QString>
#include <QStringList>

namespace vekdb {

// The four embedded databases, by role; each is the file <role>.sqlite.
const QStringList& roles();

// Splits an SQL script into statements at ";" outside string literals.
QStringList splitScript(const QString& script);

// Creates <dir>/<role>.sqlite for each role from the schema, with the demo plant's rows when `demo`
// is set. Existing files are left alone unless `replace` is set. When `clientProgram` names a file,
// its bytes become tbl_soft.soft. Returns an error text, empty on success.
QString createDatabases(const QString& dir, bool demo, bool replace = false, const QString& clientProgram = {});

// Runs a script on one database file; returns an error text, empty on success.
QString runScript(const QString& file, const QString& script);

} // namespace vekdb
