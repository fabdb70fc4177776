#pragma once

#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>

namespace vek::db {

// The SQL dialect a connection's statements are written in; it decides how a roll back is sent.
enum class Dialect { SqlServer, Oracle };

// Rows of an opened statement, kept in memory (a static cursor).
struct RowSet {
    QStringList columns;
    QVector<QVector<QVariant>> rows;
    int columnIndex(const QString& name) const; // case-insensitive, -1 when absent
};

// Sees every statement text exactly as sent, with the connection's name.
using TraceHook = std::function<void(const QString& connection, const QString& text)>;

// One database connection, named after the data module's member (ADOConnection1, …). The locator says
// where the database is: "sqlite:<file>" for the embedded default, "odbc:<connection string>" for the
// plant's servers. A connection opens itself on first use (and again when its embedded file was removed
// or replaced meanwhile) and never prompts; failures are thrown as VekError with the driver's text.
class Connection {
public:
    Connection(QString name, Dialect dialect, QString locator = {});
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const QString& name() const { return m_name; }
    Dialect dialect() const { return m_dialect; }
    const QString& locator() const { return m_locator; }
    void setLocator(const QString& locator); // closes the connection first

    void open();
    void close();
    bool isOpen() const;

    // Sends a statement (or a batch) that returns no rows.
    void execute(const QString& text);
    // Rows inserted, updated or deleted by the last statement or batch sent, summed over its statements.
    int rowsAffected() const { return m_rowsAffected; }
    // Sends a statement and keeps all the rows of its last result.
    RowSet select(const QString& text);
    // Rolls back whatever transaction is open on this connection; does nothing when none is.
    void rollback();
    // True when a transaction is open (SQLite backend only; ODBC reports false).
    bool inTransaction() const;

    static void setTraceHook(TraceHook hook);

private:
    RowSet run(const QString& text, bool wantRows);
    void ensureOpen();
    bool fileMoved() const; // the embedded database's file is no longer the one at its path

    QString m_name;
    Dialect m_dialect;
    QString m_locator;
    QString m_qtName; // name of the underlying QSqlDatabase
    bool m_sqlite = false;
    void* m_sqliteHandle = nullptr;
    int m_rowsAffected = 0;
};

} // namespace vek::db
