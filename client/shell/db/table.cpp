#include "table.h"

#include "sqltext.h"
#include "vekerror.h"

namespace vek::db {

namespace {
const QString kRowid = QStringLiteral("rowid");
const QString kCrLf = QStringLiteral("\r\n");

QString literalOrNull(const QVariant& v)
{
    return v.isNull() ? QStringLiteral("null") : sqlLiteral(v.toString());
}
} // namespace

Table::Table(Connection* connection, QObject* parent) : QObject(parent), m_connection(connection) {}

bool Table::embedded() const
{
    return m_connection->locator().startsWith(QLatin1String("sqlite:"), Qt::CaseInsensitive);
}

void Table::open()
{
    const bool withRowid = embedded();
    const RowSet rs = m_connection->select(withRowid ? QStringLiteral("select rowid, * from ") + m_tableName
                                                     : QStringLiteral("select * from ") + m_tableName);
    const int skip = withRowid ? 1 : 0;
    m_columns = rs.columns.mid(skip);
    m_rows.clear();
    for (const auto& r : rs.rows) {
        Row row;
        row.values = r.mid(skip);
        row.original = row.values;
        if (withRowid)
            row.rowid = r.value(0).toLongLong();
        m_rows.push_back(std::move(row));
    }
    m_current = m_rows.isEmpty() ? -1 : 0;
    setState(State::Browse);
    Q_EMIT rowsChanged();
    Q_EMIT afterScroll();
}

void Table::close()
{
    m_rows.clear();
    m_columns.clear();
    m_current = -1;
    setState(State::Inactive);
    Q_EMIT rowsChanged();
}

int Table::column(const QString& field) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].compare(field, Qt::CaseInsensitive) == 0)
            return i;
    throw VekError(QStringLiteral("%1: field '%2' not found").arg(m_tableName, field));
}

QString Table::value(int row, const QString& field) const
{
    if (row < 0 || row >= m_rows.size())
        return {};
    return m_rows[row].values.value(column(field)).toString();
}

void Table::setFieldValue(const QString& field, const QString& value)
{
    if (m_current < 0)
        throw VekError(QStringLiteral("%1: no current record").arg(m_tableName));
    const int c = column(field);
    if (m_state == State::Browse)
        edit();
    Row& row = m_rows[m_current];
    row.values[c] = value;
    row.touched = true;
    Q_EMIT rowsChanged();
}

bool Table::modified() const
{
    return m_current >= 0 && m_rows[m_current].touched;
}

void Table::setState(State s)
{
    if (m_state == s)
        return;
    m_state = s;
    Q_EMIT stateChanged();
}

void Table::append()
{
    if (!isActive())
        throw VekError(QStringLiteral("%1: dataset not open").arg(m_tableName));
    checkBrowseMode();
    Row row;
    row.values = QVector<QVariant>(m_columns.size());
    row.original = row.values;
    m_rows.push_back(row);
    m_current = int(m_rows.size()) - 1;
    setState(State::Insert);
    Q_EMIT rowsChanged();
    Q_EMIT afterScroll();
}

void Table::edit()
{
    if (m_current < 0)
        throw VekError(QStringLiteral("%1: no current record").arg(m_tableName));
    if (m_state == State::Browse)
        setState(State::Edit);
}

void Table::checkBrowseMode()
{
    if (m_state == State::Insert && !modified())
        cancel();
    else if (m_state == State::Insert || m_state == State::Edit)
        post();
}

void Table::setRecNo(int recNo)
{
    if (recNo < 1 || recNo > m_rows.size())
        throw VekError(QStringLiteral("%1: record %2 not found").arg(m_tableName).arg(recNo));
    if (recNo == this->recNo())
        return;
    const int droppedBefore = (m_state == State::Insert && !modified() && recNo - 1 > m_current) ? 1 : 0;
    checkBrowseMode();
    m_current = qMin(recNo - 1 - droppedBefore, int(m_rows.size()) - 1);
    Q_EMIT afterScroll();
}

QString Table::keyCondition(const Row& row) const
{
    // The row as it was read: every column's value, and on the embedded backend its rowid too. The
    // rowid alone is not enough: SQLite gives a deleted row's rowid to the next row inserted, so a row
    // that someone else deleted and replaced would be hit in its stead.
    QStringList terms;
    if (row.rowid >= 0)
        terms << QStringLiteral("rowid = %1").arg(row.rowid);
    for (int i = 0; i < m_columns.size(); ++i) {
        const QVariant& v = row.original[i];
        terms << (v.isNull() ? m_columns[i] + QStringLiteral(" is null") : m_columns[i] + QStringLiteral(" = ") + sqlLiteral(v.toString()));
    }
    if (m_connection->dialect() == Dialect::Oracle)
        terms << QStringLiteral("rownum = 1");
    return QStringLiteral(" where ") + terms.join(QStringLiteral(" and "));
}

void Table::insertRow(Row& row)
{
    QStringList names, values;
    for (int i = 0; i < m_columns.size(); ++i) {
        if (row.values[i].isNull())
            continue;
        names << m_columns[i];
        values << sqlLiteral(row.values[i].toString());
    }
    if (names.isEmpty()) {
        names << m_columns.value(0);
        values << QStringLiteral("null");
    }
    m_connection->execute(QStringList{QStringLiteral("insert into %1(%2)").arg(m_tableName, names.join(QLatin1Char(','))),
                                      QStringLiteral(" values(%1)").arg(values.join(QLatin1Char(',')))}
                              .join(kCrLf));
    if (embedded()) {
        const RowSet rs = m_connection->select(QStringLiteral("select last_insert_rowid()"));
        row.rowid = rs.rows.isEmpty() ? -1 : rs.rows[0].value(0).toLongLong();
    }
}

void Table::updateRow(Row& row)
{
    QStringList sets;
    for (int i = 0; i < m_columns.size(); ++i)
        if (row.values[i] != row.original[i] || row.values[i].isNull() != row.original[i].isNull())
            sets << m_columns[i] + QStringLiteral(" = ") + literalOrNull(row.values[i]);
    if (sets.isEmpty())
        return;
    const bool top = row.rowid < 0 && m_connection->dialect() == Dialect::SqlServer;
    m_connection->execute(QStringList{QStringLiteral("update %1%2").arg(top ? QStringLiteral("top (1) ") : QString(), m_tableName),
                                      QStringLiteral(" set ") + sets.join(QStringLiteral(", ")), keyCondition(row)}
                              .join(kCrLf));
    if (m_connection->rowsAffected() == 0)
        throw VekError(kRowGone);
}

void Table::post()
{
    if (m_state != State::Insert && m_state != State::Edit)
        return;
    Row& row = m_rows[m_current];
    if (m_state == State::Insert)
        insertRow(row);
    else
        updateRow(row);
    row.original = row.values;
    row.touched = false;
    setState(State::Browse);
    Q_EMIT rowsChanged();
}

void Table::cancel()
{
    if (m_state == State::Insert) {
        m_rows.removeAt(m_current);
        m_current = qMin(m_current, int(m_rows.size()) - 1);
        setState(State::Browse);
        Q_EMIT rowsChanged();
        Q_EMIT afterScroll();
    } else if (m_state == State::Edit) {
        Row& row = m_rows[m_current];
        row.values = row.original;
        row.touched = false;
        setState(State::Browse);
        Q_EMIT rowsChanged();
        Q_EMIT afterScroll();
    }
}

void Table::deleteCurrent()
{
    if (m_current < 0)
        throw VekError(QStringLiteral("%1: no current record").arg(m_tableName));
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    const Row& row = m_rows[m_current];
    const bool top = row.rowid < 0 && m_connection->dialect() == Dialect::SqlServer;
    m_connection->execute(QStringList{QStringLiteral("delete %1from %2").arg(top ? QStringLiteral("top (1) ") : QString(), m_tableName),
                                      keyCondition(row)}
                              .join(kCrLf));
    if (m_connection->rowsAffected() == 0)
        throw VekError(kRowGone);
    m_rows.removeAt(m_current);
    m_current = qMin(m_current, int(m_rows.size()) - 1);
    setState(State::Browse);
    Q_EMIT rowsChanged();
    Q_EMIT afterScroll();
}

void Table::addComputedColumn(const QString& name, std::function<QString(int)> compute)
{
    for (int i = 0; i < m_computedNames.size(); ++i)
        if (m_computedNames[i].compare(name, Qt::CaseInsensitive) == 0) {
            m_computed[i] = std::move(compute);
            Q_EMIT rowsChanged();
            return;
        }
    m_computedNames << name;
    m_computed << std::move(compute);
    Q_EMIT rowsChanged();
}

void Table::addLookupColumn(const QString& name, const QString& keyField, const RowSet& rows,
                            const QString& keyColumn, const QString& resultColumn)
{
    QHash<QString, QString> map;
    const int k = rows.columnIndex(keyColumn), r = rows.columnIndex(resultColumn);
    if (k < 0 || r < 0)
        throw VekError(QStringLiteral("lookup column %1: field not found").arg(name));
    for (const auto& row : rows.rows) {
        const QString key = row.value(k).toString();
        if (!map.contains(key))
            map.insert(key, row.value(r).toString());
    }
    addComputedColumn(name, [this, keyField, map](int row) { return map.value(value(row, keyField)); });
}

bool Table::isComputed(const QString& name) const
{
    return m_computedNames.contains(name, Qt::CaseInsensitive);
}

QString Table::displayValue(int row, const QString& name) const
{
    for (int i = 0; i < m_computedNames.size(); ++i)
        if (m_computedNames[i].compare(name, Qt::CaseInsensitive) == 0)
            return m_computed[i](row);
    return value(row, name);
}

} // namespace vek::db
