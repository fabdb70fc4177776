// The ODBC backend, against the SQLite ODBC driver: statements go through unchanged, rows come back
// by column name, and errors carry the driver's text.

#include "db/connection.h"
#include "db/query.h"
#include "db/sqltext.h"
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
        const QString error = errorOf([&] { q.open(); }); // the SQLite ODBC driver has no getdate()
        QVERIFY2(error.contains(QStringLiteral("getdate")), qPrintable(error));
        QCOMPARE(trace.texts(), QStringList{QStringLiteral("select  getdate() aa")});
    }

    void badStatementCarriesDriverText()
    {
        TestWorld w;
        Connection c(QStringLiteral("ADOConnection1"), Dialect::SqlServer, locator(w));
        Query q(&c);
        q.add(QStringLiteral("select * from no_such_table"));
        const QString error = errorOf([&] { q.open(); });
        QVERIFY2(error.contains(QStringLiteral("no such table")), qPrintable(error));
    }

    void unreachableServer()
    {
        // Nothing listens on port 1 of the loopback address: the driver's refusal comes back as the error.
        Connection c(QStringLiteral("ADOConnection1"), Dialect::SqlServer,
                     QStringLiteral("odbc:DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=1;DATABASE=vek;UID=sa;PWD=vx;TDS_Version=7.3"));
        const QString error = errorOf([&] { c.open(); });
        QVERIFY2(!error.trimmed().isEmpty(), "empty error text");
        QVERIFY2(error.contains(QStringLiteral("connect"), Qt::CaseInsensitive), qPrintable(error));
        QVERIFY(!c.isOpen());

        Connection noDriver(QStringLiteral("ADOConnection169"), Dialect::SqlServer,
                            QStringLiteral("odbc:DRIVER={No Such Driver};SERVER=127.0.0.1"));
        const QString driverError = errorOf([&] { noDriver.open(); });
        QVERIFY2(driverError.contains(QStringLiteral("No Such Driver"), Qt::CaseInsensitive) ||
                     driverError.contains(QStringLiteral("not found"), Qt::CaseInsensitive),
                 qPrintable(driverError));
    }
};

QTEST_GUILESS_MAIN(TstOdbc)
#include "tst_odbc.moc"
