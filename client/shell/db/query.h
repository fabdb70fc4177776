#pragma once

#include "connection.h"

#include <QDateTime>
#include <QStringList>

namespace vek::db {

// A statement bound to one connection for its whole life. The statement is an ordered list of lines,
// sent joined by CR LF. open() keeps every row in memory: a static cursor with a record count, a
// current row (the first after opening), next/eof and record numbers counted from 1.
class Query {
public:
    explicit Query(Connection* connection);

    Connection* connection() const { return m_connection; }

    // Statement lines.
    void clear() { m_lines.clear(); }
    void add(const QString& line) { m_lines << line; }
    const QStringList& lines() const { return m_lines; }
    void setLines(const QStringList& lines) { m_lines = lines; }
    QString text() const;

    void open();  // sends the statement and keeps its rows
    void close(); // drops them
    bool isActive() const { return m_active; }
    void execute(); // sends a statement or batch that returns no rows
    int rowsAffected() const { return m_rowsAffected; } // rows changed by the last execute()

    int recordCount() const { return int(m_rows.rows.size()); }
    bool isEmpty() const { return m_rows.rows.isEmpty(); }
    bool eof() const { return m_current >= m_rows.rows.size(); }
    void first() { m_current = 0; }
    void next();
    int recNo() const; // 1-based; 0 when there is no current row
    void setRecNo(int recNo); // throws when there is no such record

    bool hasField(const QString& name) const { return m_rows.columnIndex(name) >= 0; }
    QStringList fieldNames() const { return m_rows.columns; }
    // Values of the current row; "" / invalid when there is no current row. An unknown column throws.
    QVariant value(const QString& name) const;
    QString asString(const QString& name) const;
    QDateTime asDateTime(const QString& name) const; // throws when the value is not a date-time
    void saveToFile(const QString& name, const QString& path) const; // byte column, unchanged

    // Text form of a value as the client reads it: null → "", dates ISO, numbers without exponent.
    static QString toText(const QVariant& v);

private:
    int fieldIndex(const QString& name) const;

    Connection* m_connection;
    QStringList m_lines;
    RowSet m_rows;
    qsizetype m_current = 0;
    bool m_active = false;
    int m_rowsAffected = 0;
};

} // namespace vek::db
