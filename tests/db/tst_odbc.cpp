// The ODBC backend, against the SQLite ODBC driver: statements go through unchanged, rows come back
// by column name, and errors carry the driver's text.

#include "db/connection.h"
#include "db/query.h"
#include "db/sqltext.h"
#include "db/vekerror.h"
#include "testworld.h"

#include <QSqlDatabase>
#include <QTest>

using namespace vek;
using namespace vek::db;

class TstOdbc : public QObject {
    Q_OBJECT
private:
    static QString locator(const TestWorld& w)
    {
        return QStringLiteral("odbc:DRIVER={SQLite3};Database=") + w.dbFile(QStringLiteral("vek"));
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")))
            QSKIP("Qt's ODBC driver is not installed");
    }

    void openQueryExecute()
    {
        TestWorld w;
        Connection c(QStringLiteral("ADOConnection1"), Dialect::SqlServer, locator(w));
        Query q(&c);
        q.add(QStringLiteral("insert into tbl_sys(yhm,kl) values(") + sqlLiteral(QStringLiteral("softvercheck")) +
              QLatin1Char(',') + sqlLiteral(QStringLiteral("2.1.2.8")) + QLatin1Char(')'));
        q.execute();
        QVERIFY(c.isOpen());
        q.clear();
        q.add(QStringLiteral("select kl from tbl_sys where yhm='softvercheck'"));
        q.open();
        QCOMPARE(q.recordCount(), 1);
        QCOMPARE(q.asString(QStringLiteral("KL")), QStringLiteral("2.1.2.8"));
        QCOMPARE(w.value(QStringLiteral("vek"), QStringLiteral("select kl from tbl_sys")), QStringLiteral("2.1.2.8"));
    }

    // The text reaches the server as written: no SQLite rewrite of SQL Server functions.
    void textPassedUnchanged()
    {
        TestWorld w;
        StatementTrace trace;
        Connection c(QStringLiteral("ADOConnection1"), Dialect::SqlServer, locator(w));
        Query q(&c);
        q.add(QStringLiteral("select  getdate() aa"));
        try {
            q.open();
            QFAIL("the SQLite ODBC driver has no getdate()");
        } catch (const VekError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("getdate")), qPrintable(e.message()));
        }
        QCOMPARE(trace.texts(), QStringList{QStringLiteral("select  getdate() aa")});
    }

    void badStatementCarriesDriverText()
    {
        TestWorld w;
        Connection c(QStringLiteral("ADOConnection1"), Dialect::SqlServer, locator(w));
        Query q(&c);
        q.add(QStringLiteral("select * from no_such_table"));
        try {
            q.open();
            QFAIL("no error");
        } catch (const VekError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("no such table")), qPrintable(e.message()));
        }
    }

    void unreachableServer()
    {
        // Nothing listens on port 1 of the loopback address: the driver's refusal comes back as the error.
        Connection c(QStringLiteral("ADOConnection1"), Dialect::SqlServer,
                     QStringLiteral("odbc:DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=1;DATABASE=vek;UID=sa;PWD=vx;TDS_Version=7.3"));
        try {
            c.open();
            QFAIL("connected to nothing");
        } catch (const VekError& e) {
            QVERIFY2(!e.message().trimmed().isEmpty(), "empty error text");
            QVERIFY2(e.message().contains(QStringLiteral("connect"), Qt::CaseInsensitive), qPrintable(e.message()));
        }
        QVERIFY(!c.isOpen());

        Connection noDriver(QStringLiteral("ADOConnection169"), Dialect::SqlServer,
                            QStringLiteral("odbc:DRIVER={No Such Driver};SERVER=127.0.0.1"));
        try {
            noDriver.open();
            QFAIL("opened without a driver");
        } catch (const VekError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("No Such Driver"), Qt::CaseInsensitive) ||
                         e.message().contains(QStringLiteral("not found"), Qt::CaseInsensitive),
                     qPrintable(e.message()));
        }
    }
};

QTEST_GUILESS_MAIN(TstOdbc)
#include "tst_odbc.moc"
