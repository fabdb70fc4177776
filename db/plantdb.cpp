#include "plantdb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

// The scripts live in this static library's resources, which must be brought in by name.
static void initPlantdbResources()
{
    Q_INIT_RESOURCE(plantdb);
}

namespace vekdb {

const QStringList& roles()
{
    static const QStringList r = {QStringLiteral("vek"), QStringLiteral("ServiceCenter"), QStringLiteral("hr"),
                                  QStringLiteral("equip")};
    return r;
}

QStringList splitScript(const QString& script)
{
    QStringList out;
    QString cur;
    bool inLiteral = false;
    bool inComment = false;
    for (qsizetype i = 0; i < script.size(); ++i) {
        const QChar c = script.at(i);
        if (inComment) {
            if (c == QLatin1Char('\n')) {
                inComment = false;
                cur += c;
            }
            continue;
        }
        if (!inLiteral && c == QLatin1Char('-') && i + 1 < script.size() && script.at(i + 1) == QLatin1Char('-')) {
            inComment = true;
            continue;
        }
        if (c == QLatin1Char('\''))
            inLiteral = !inLiteral;
        if (c == QLatin1Char(';') && !inLiteral) {
            if (!cur.trimmed().isEmpty())
                out << cur.trimmed();
            cur.clear();
            continue;
        }
        cur += c;
    }
    if (!cur.trimmed().isEmpty())
        out << cur.trimmed();
    return out;
}

namespace {

QString readResource(const QString& name)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

class ScopedDb {
public:
    explicit ScopedDb(const QString& file)
        : m_name(QStringLiteral("vekdb-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(file);
        if (!db.open())
            m_error = db.lastError().text();
    }
    ~ScopedDb()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }
    const QString& error() const { return m_error; }

private:
    QString m_name;
    QString m_error;
};

QString exec(QSqlDatabase db, const QString& script)
{
    for (const QString& stmt : splitScript(script)) {
        QSqlQuery q(db);
        if (!q.exec(stmt))
            return QStringLiteral("%1\n%2").arg(q.lastError().text(), stmt.left(200));
    }
    return {};
}

} // namespace

QString runScript(const QString& file, const QString& script)
{
    ScopedDb s(file);
    if (!s.error().isEmpty())
        return s.error();
    return exec(s.db(), script);
}

QString createDatabases(const QString& dir, bool demo, bool replace, const QString& clientProgram)
{
    initPlantdbResources();
    if (!QDir().mkpath(dir))
        return QStringLiteral("cannot create %1").arg(dir);
    for (const QString& role : roles()) {
        const QString file = QDir(dir).filePath(role + QStringLiteral(".sqlite"));
        if (QFileInfo::exists(file)) {
            if (!replace)
                continue;
            QFile::remove(file);
            QFile::remove(file + QStringLiteral("-wal"));
            QFile::remove(file + QStringLiteral("-shm"));
        }
        ScopedDb s(file);
        if (!s.error().isEmpty())
            return s.error();
        QSqlDatabase db = s.db();
        // WAL lets several clients on one machine read while one writes.
        QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        QString script = readResource(QStringLiteral(":/plantdb/schema/%1.sql").arg(role));
        if (script.isEmpty())
            return QStringLiteral("no schema for %1").arg(role);
        if (demo)
            script += QStringLiteral(";\n") + readResource(QStringLiteral(":/plantdb/demo/%1.sql").arg(role));
        if (QString err = exec(db, script); !err.isEmpty())
            return QStringLiteral("%1: %2").arg(file, err);
        if (demo && role == QLatin1String("vek") && !clientProgram.isEmpty()) {
            QFile prog(clientProgram);
            if (!prog.open(QIODevice::ReadOnly))
                return QStringLiteral("cannot read %1").arg(clientProgram);
            QSqlQuery q(db);
            q.prepare(QStringLiteral("update tbl_soft set soft = ?"));
            q.addBindValue(prog.readAll());
            if (!q.exec())
                return q.lastError().text();
        }
    }
    return {};
}

} // namespace vekdb
