#include "query.h"

#include "vekerror.h"

#include <QFile>
#include <QSaveFile>

namespace vek::db {

Query::Query(Connection* connection) : m_connection(connection) {}

QString Query::text() const
{
    return m_lines.join(QStringLiteral("\r\n"));
}

void Query::open()
{
    close();
    m_rows = m_connection->select(text());
    m_current = 0;
    m_active = true;
}

void Query::close()
{
    m_rows = RowSet();
    m_current = 0;
    m_active = false;
}

void Query::execute()
{
    m_rowsAffected = 0;
    m_connection->execute(text());
    m_rowsAffected = m_connection->rowsAffected();
}

void Query::next()
{
    if (m_current < m_rows.rows.size())
        ++m_current;
}

int Query::recNo() const
{
    return eof() ? 0 : int(m_current) + 1;
}

void Query::setRecNo(int recNo)
{
    if (recNo < 1 || recNo > m_rows.rows.size())
        throw VekError(QStringLiteral("Record %1 not found").arg(recNo));
    m_current = recNo - 1;
}

int Query::fieldIndex(const QString& name) const
{
    const int i = m_rows.columnIndex(name);
    if (i < 0) {
        if (!m_active)
            throw VekError(QStringLiteral("Query is not open: field '%1' cannot be read").arg(name));
        throw VekError(QStringLiteral("Field '%1' not found").arg(name));
    }
    return i;
}

QVariant Query::value(const QString& name) const
{
    const int i = fieldIndex(name);
    if (eof())
        return {};
    return m_rows.rows[m_current][i];
}

QString Query::toText(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return {};
    switch (v.metaType().id()) {
    case QMetaType::QDateTime:
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QTime:
        return v.toTime().toString(QStringLiteral("HH:mm:ss"));
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(v.toDouble(), 'g', 15);
    case QMetaType::QByteArray:
        return QString::fromUtf8(v.toByteArray());
    default:
        return v.toString();
    }
}

QString Query::asString(const QString& name) const
{
    return toText(value(name));
}

QDateTime Query::asDateTime(const QString& name) const
{
    const QVariant v = value(name);
    if (!v.isValid() || v.isNull())
        return {};
    if (v.metaType().id() == QMetaType::QDateTime)
        return v.toDateTime();
    if (v.metaType().id() == QMetaType::QDate)
        return v.toDate().startOfDay();
    const QString s = v.toString().trimmed();
    static const char* formats[] = {"yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss.zzz",
                                    "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-dd"};
    for (const char* f : formats) {
        const QDateTime dt = QDateTime::fromString(s, QLatin1String(f));
        if (dt.isValid())
            return dt;
    }
    throw VekError(QStringLiteral("'%1' is not a valid date and time").arg(s));
}

void Query::saveToFile(const QString& name, const QString& path) const
{
    const QVariant v = value(name);
    const QByteArray bytes = v.metaType().id() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw VekError(QStringLiteral("Cannot write %1: %2").arg(path, f.errorString()));
}

} // namespace vek::db
