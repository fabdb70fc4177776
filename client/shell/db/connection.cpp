#include "connection.h"

#include "sqlitecompat.h"
#include "vekerror.h"

#include <sqlite3.h>

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>

#include <atomic>

namespace vek::db {

namespace {

TraceHook& traceHook()
{
    static TraceHook hook;
    return hook;
}

std::atomic<quint64> connectionSerial{0};

QString errorText(const QSqlError& e)
{
    QString db = e.databaseText().trimmed();
    QString drv = e.driverText().trimmed();
    if (db.isEmpty())
        return drv.isEmpty() ? QStringLiteral("Unknown database error") : drv;
    if (drv.isEmpty() || db.contains(drv))
        return db;
    return db + QLatin1Char(' ') + drv;
}

} // namespace

int RowSet::columnIndex(const QString& name) const
{
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

Connection::Connection(QString name, Dialect dialect, QString locator)
    : m_name(std::move(name)), m_dialect(dialect), m_locator(std::move(locator))
{
    m_qtName = QStringLiteral("vek-%1-%2").arg(m_name).arg(++connectionSerial);
}

Connection::~Connection()
{
    close();
}

void Connection::setLocator(const QString& locator)
{
    close();
    m_locator = locator;
}

bool Connection::isOpen() const
{
    return QSqlDatabase::contains(m_qtName) && QSqlDatabase::database(m_qtName, false).isOpen();
}

void Connection::open()
{
    if (isOpen())
        return;
    close();

    QSqlDatabase db;
    if (m_locator.startsWith(QLatin1String("sqlite:"), Qt::CaseInsensitive)) {
        const QString path = m_locator.mid(7);
        if (path.isEmpty())
            throw VekError(QStringLiteral("%1: no database file given").arg(m_name));
        m_sqlite = true;
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_qtName);
        // mode=rw: a missing file is an unreachable database, never a new empty one.
        QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
        url.setQuery(QStringLiteral("mode=rw"));
        db.setDatabaseName(url.toString(QUrl::FullyEncoded));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    } else if (m_locator.startsWith(QLatin1String("odbc:"), Qt::CaseInsensitive)) {
        m_sqlite = false;
        db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_qtName);
        db.setDatabaseName(m_locator.mid(5));
    } else {
        throw VekError(QStringLiteral("%1: unknown database locator \"%2\" (expected sqlite:<file> or odbc:<connection string>)")
                           .arg(m_name, m_locator));
    }

    if (!db.isValid()) {
        const QString text = errorText(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_qtName);
        throw VekError(QStringLiteral("%1: database driver not available: %2").arg(m_name, text));
    }
    if (!db.open()) {
        const QString text = errorText(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_qtName);
        throw VekError(text);
    }
    if (!m_sqlite && m_dialect == Dialect::SqlServer) {
        // A statement that fails inside a batch aborts and rolls back the batch's whole transaction,
        // so a failed send leaves none of its rows behind. Servers that do not know it ignore it.
        QSqlQuery(db).exec(QStringLiteral("SET XACT_ABORT ON"));
    }
    if (m_sqlite) {
        const QVariant h = db.driver()->handle();
        if (h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0) {
            m_sqliteHandle = *static_cast<sqlite3* const*>(h.constData());
            sqlitecompat::registerFunctions(static_cast<sqlite3*>(m_sqliteHandle));
        }
    }
}

void Connection::close()
{
    m_sqliteHandle = nullptr;
    if (!QSqlDatabase::contains(m_qtName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_qtName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_qtName);
}

bool Connection::fileMoved() const
{
    int moved = 0;
    return m_sqliteHandle &&
           sqlite3_file_control(static_cast<sqlite3*>(m_sqliteHandle), "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK &&
           moved != 0;
}

void Connection::ensureOpen()
{
    // An embedded database file removed or replaced while open would go on being used through the
    // open handle, unseen by anyone else: start again from the path, which reports a missing file.
    if (m_sqlite && isOpen() && fileMoved())
        close();
    if (!isOpen())
        open();
}

void Connection::setTraceHook(TraceHook hook)
{
    traceHook() = std::move(hook);
}

void Connection::execute(const QString& text)
{
    run(text, false);
}

RowSet Connection::select(const QString& text)
{
    return run(text, true);
}

RowSet Connection::run(const QString& text, bool wantRows)
{
    if (const TraceHook& hook = traceHook())
        hook(m_name, text);
    ensureOpen();
    QSqlDatabase db = QSqlDatabase::database(m_qtName, false);

    const QStringList statements = m_sqlite ? sqlitecompat::translate(text) : QStringList{text};
    RowSet rows;
    m_rowsAffected = 0;
    for (const QString& stmt : statements) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(stmt))
            throw VekError(errorText(q.lastError()));
        if (!q.isSelect() && q.numRowsAffected() > 0)
            m_rowsAffected += q.numRowsAffected();
        if (wantRows && q.isSelect()) {
            rows = RowSet();
            const QSqlRecord rec = q.record();
            for (int i = 0; i < rec.count(); ++i)
                rows.columns << rec.fieldName(i);
            while (q.next()) {
                QVector<QVariant> row(rec.count());
                for (int i = 0; i < rec.count(); ++i)
                    row[i] = q.value(i);
                rows.rows.push_back(std::move(row));
            }
            if (q.lastError().isValid())
                throw VekError(errorText(q.lastError()));
        }
        q.finish();
    }
    return rows;
}

bool Connection::inTransaction() const
{
    return m_sqlite && m_sqliteHandle && isOpen() && sqlite3_get_autocommit(static_cast<sqlite3*>(m_sqliteHandle)) == 0;
}

void Connection::rollback()
{
    if (!isOpen())
        return;
    if (m_sqlite) {
        if (inTransaction())
            run(QStringLiteral("ROLLBACK"), false);
        return;
    }
    run(m_dialect == Dialect::SqlServer ? QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK TRAN") : QStringLiteral("ROLLBACK"),
        false);
}

} // namespace vek::db
