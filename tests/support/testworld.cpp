#include "testworld.h"

#include "db/connection.h"
#include "db/sqlitecompat.h"
#include "db/vekerror.h"
#include "platform/messagebox.h"
#include "plantdb.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QTest>
#include <QUdpSocket>
#include <QUuid>

TestWorld::TestWorld(bool demo)
{
    m_oldCwd = QDir::currentPath();
    const QString err = vekdb::createDatabases(m_dir.path(), demo);
    if (!err.isEmpty())
        qFatal("cannot create the test databases: %s", qPrintable(err));
    QDir().mkpath(m_dir.path() + QStringLiteral("/cwd"));
    QDir::setCurrent(m_dir.path() + QStringLiteral("/cwd"));
    qputenv("VEKORA_REGISTRY", (m_dir.path() + QStringLiteral("/HKLM.reg")).toUtf8());
}

TestWorld::~TestWorld()
{
    QDir::setCurrent(m_oldCwd);
}

QString TestWorld::dbFile(const QString& role) const
{
    return m_dir.path() + QLatin1Char('/') + role + QStringLiteral(".sqlite");
}

vek::Settings TestWorld::settings() const
{
    vek::Settings s = vek::Settings::defaults();
    for (const QString& role : vekdb::roles())
        s.setDatabase(role, QStringLiteral("sqlite:") + dbFile(role));
    return s;
}

QString TestWorld::writeIni(const QString& extra) const
{
    const QString path = m_dir.path() + QStringLiteral("/vekora.ini");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    QString text = QStringLiteral("[databases]\n");
    for (const QString& role : vekdb::roles())
        text += QStringLiteral("%1=sqlite:%2\n").arg(role, dbFile(role));
    text += extra;
    f.write(text.toUtf8());
    return path;
}

namespace {
template <typename F>
void withDb(const QString& file, F f)
{
    const QString name = QStringLiteral("testworld-") + QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(file));
        f(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}
} // namespace

void TestWorld::sql(const QString& role, const QString& script) const
{
    const QString err = vekdb::runScript(dbFile(role), script);
    if (!err.isEmpty())
        qFatal("fixture statement failed: %s", qPrintable(err));
}

QList<QStringList> TestWorld::rows(const QString& role, const QString& select) const
{
    QList<QStringList> out;
    withDb(dbFile(role), [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        if (!q.exec(select))
            qFatal("fixture query failed: %s: %s", qPrintable(select), qPrintable(q.lastError().text()));
        while (q.next()) {
            QStringList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
            out << row;
        }
    });
    return out;
}

void TestWorld::storeSoftware(const QString& yhts, const QString& diff, const QByteArray& program) const
{
    withDb(dbFile(QStringLiteral("vek")), [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("insert into tbl_soft (yhts, diff, soft) values (?, ?, ?)"));
        q.addBindValue(yhts);
        q.addBindValue(diff);
        q.addBindValue(program);
        if (!q.exec())
            qFatal("cannot store the program: %s", qPrintable(q.lastError().text()));
    });
}

QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const vek::VekError& e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}

long residentKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

QByteArray newerClient(const QString& program)
{
    QFile f(program.isEmpty() ? QStringLiteral(VEK_BIN_DIR "/P_vekclient") : program);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("the built client cannot be read");
    QByteArray client = f.readAll();
    const QByteArray stamp = QByteArray::fromHex("0100020007000200"); // 2.1.2.7 in the version section
    if (client.count(stamp) != 1)
        qFatal("the client's version stamp 2.1.2.7 was not found exactly once");
    return client.replace(stamp, QByteArray::fromHex("0100020008000200"));
}

QString TestWorld::value(const QString& role, const QString& select) const
{
    const QList<QStringList> r = rows(role, select);
    return r.isEmpty() || r.first().isEmpty() ? QString() : r.first().first();
}

MessageRecorder::MessageRecorder()
{
    vek::platform::setMessageBoxHandler([this](const QString& text, const QString& caption, int flags) {
        boxes.append({text, caption, flags});
        return answers.isEmpty() ? vek::platform::defaultAnswer(flags) : answers.takeFirst();
    });
}

MessageRecorder::~MessageRecorder()
{
    vek::platform::setMessageBoxHandler({});
}

QStringList MessageRecorder::texts() const
{
    QStringList t;
    for (const Box& b : boxes)
        t << b.text;
    return t;
}

StatementTrace::StatementTrace()
{
    vek::db::Connection::setTraceHook([this](const QString& c, const QString& t) { statements.append({c, t}); });
}

StatementTrace::~StatementTrace()
{
    vek::db::Connection::setTraceHook({});
}

QStringList StatementTrace::texts(const QString& connection) const
{
    QStringList t;
    for (const auto& s : statements)
        if (connection.isEmpty() || s.first == connection)
            t << s.second;
    return t;
}

quint16 freeUdpPort()
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        const auto port = quint16(20000 + QRandomGenerator::global()->bounded(12000));
        QUdpSocket probe;
        if (probe.bind(QHostAddress::AnyIPv4, port))
            return port;
    }
    qFatal("no free UDP port");
}

QList<QByteArray> receiveDatagrams(QUdpSocket& socket, int expected)
{
    QList<QByteArray> out;
    auto drain = [&] {
        while (socket.hasPendingDatagrams())
            out << socket.receiveDatagram().data();
    };
    (void)QTest::qWaitFor([&] {
        drain();
        return expected > 0 && out.size() >= expected;
    }, expected > 0 ? 3000 : 200);
    drain();
    return out;
}

ServerClock::ServerClock(const QDateTime& now)
{
    vek::db::sqlitecompat::setServerClock([now] { return now; });
}

ServerClock::~ServerClock()
{
    vek::db::sqlitecompat::setServerClock({});
}

void typeText(QWidget* widget, const QString& text)
{
    // Enter may move the focus: what follows goes where the focus went.
    for (const QChar ch : text) {
        if (ch == QLatin1Char('\n')) {
            QTest::keyClick(widget, Qt::Key_Return);
            if (QWidget* next = QApplication::focusWidget())
                widget = next;
            continue;
        }
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}
