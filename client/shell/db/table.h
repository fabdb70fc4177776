#pragma once

#include "connection.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>

namespace vek::db {

// All rows of one named table, kept in memory and edited one row at a time, as data-aware windows
// need it. The current row is browsed, being edited, or being inserted (a new row appended at the
// end and not yet stored). Storing sends one INSERT, UPDATE or DELETE built with SQL literals. A row
// is found again by the values it was read with (the tables edited this way have no key column), on
// the embedded backend together with its rowid, read along with the rows; an UPDATE or DELETE that
// finds no such row (someone else deleted or changed it meanwhile) fails with kRowGone. Every failure
// is thrown as VekError and leaves the rows in memory as they were.
class Table : public QObject {
    Q_OBJECT
public:
    static inline const QString kRowGone =
        QStringLiteral("这一行已被其他用户删除或修改，本次操作未执行。");

    enum class State { Inactive, Browse, Edit, Insert };

    explicit Table(Connection* connection, QObject* parent = nullptr);

    Connection* connection() const { return m_connection; }
    void setTableName(const QString& name) { m_tableName = name; }
    const QString& tableName() const { return m_tableName; }

    void open(); // reads every row in the table's own order; the first becomes current
    void close();
    bool isActive() const { return m_state != State::Inactive; }
    State state() const { return m_state; }

    QStringList fieldNames() const { return m_columns; }
    int recordCount() const { return int(m_rows.size()); }
    int recNo() const { return m_current + 1; } // 1-based; 0 when there is no row
    // Moves to another row. A row being edited or inserted is stored first, except a new row that
    // nothing was written into, which is dropped. Throws (and stays) when the store fails.
    void setRecNo(int recNo);

    // Values of the current row (null as "") or of any row.
    QString fieldValue(const QString& field) const { return value(m_current, field); }
    QString value(int row, const QString& field) const;
    // Writes into the current row; a browsed row goes into the editing state first.
    void setFieldValue(const QString& field, const QString& value);

    void append();        // a new empty row at the end, current and in the inserting state
    void edit();          // the current row into the editing state
    void post();          // stores the row being edited or inserted; browsing afterwards
    void cancel();        // drops a new row, restores an edited one
    void deleteCurrent(); // deletes the current row from the table at once
    // Makes the current row browsed again by storing or dropping it (see setRecNo).
    void checkBrowseMode();
    bool modified() const; // the current row has values written since it was read or appended

    // Derived columns, shown but never stored: a function of the row index (0-based). A column added
    // again under the same name replaces the earlier one.
    void addComputedColumn(const QString& name, std::function<QString(int row)> compute);
    // A column looked up by key: the value of resultColumn in the first row of `rows` whose keyColumn
    // equals the row's keyField ("" when none).
    void addLookupColumn(const QString& name, const QString& keyField, const RowSet& rows,
                         const QString& keyColumn, const QString& resultColumn);
    bool isComputed(const QString& name) const;
    QString displayValue(int row, const QString& name) const; // stored or derived

Q_SIGNALS:
    void afterScroll();   // the current row changed (also after open, append, delete)
    void rowsChanged();   // rows were added, removed, re-read or written
    void stateChanged();

private:
    struct Row {
        QVector<QVariant> values;
        QVector<QVariant> original;
        qint64 rowid = -1;
        bool touched = false;
    };
    int column(const QString& field) const;
    QString keyCondition(const Row& row) const;
    void setState(State s);
    void insertRow(Row& row);
    void updateRow(Row& row);
    bool embedded() const;

    Connection* m_connection;
    QString m_tableName;
    QStringList m_columns;
    QVector<Row> m_rows;
    int m_current = -1;
    State m_state = State::Inactive;
    QStringList m_computedNames;
    QVector<std::function<QString(int)>> m_computed;
};

} // namespace vek::db
