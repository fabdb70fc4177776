// The data-access layer on the embedded backend: connections, the static cursor, reading by column
// name, the literal helper, errors with the driver's text, the trace hook and roll back.

#include "db/connection.h"
#include "db/query.h"
#include "db/sqltext.h"
#include "db/vekerror.h"
#include "testworld.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using namespace vek;
using namespace vek::db;

class TstDataAccess : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void literalHelper()
    {
        QCOMPARE(sqlLiteral(QStringLiteral("O'Brien")), QStringLiteral("'O''Brien'"));
        QCOMPARE(sqlLiteral(QString()), QStringLiteral("''"));
        QCOMPARE(sqlLiteral(QStringLiteral("''")), QStringLiteral("''''''"));
    }

    // Values with quotes, %, backslashes, line breaks and Chinese go in through the literal helper and
    // come back unchanged, and compare equal in a where clause.
    void valuesRoundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("quote") << QStringLiteral("it's 'quoted'");
        QTest::newRow("percent") << QStringLiteral("100% 20%");
        QTest::newRow("backslash") << QStringLiteral("C:\\temp\\new\\");
        QTest::newRow("chinese") << QStringLiteral("锅炉#2给水泵“异响”");
        QTest::newRow("crlf") << QStringLiteral("line1\r\nline2");
        QTest::newRow("sql looking") << QStringLiteral("'; drop table tbl_main; --");
    }
    void valuesRoundTrip()
    {
        QFETCH(QString, value);
        TestWorld w;
        Connection c(QStringLiteral("ADOConnection1"), Dialect::SqlServer, QStringLiteral("sqlite:") + w.dbFile(QStringLiteral("vek")));
        Query q(&c);
        q.add(QStringLiteral("insert into tbl_sys(yhm,kl) values(") + sqlLiteral(QStringLiteral("k")) + QLatin1Char(',') +
              sqlLiteral(value) + QStringLiteral(")"));
        q.execute();
        q.clear();
        q.add(QStringLiteral("select kl from tbl_sys where kl=") + sqlLiteral(value));
        q.open();
        QCOMPARE(q.recordCount(), 1);
        QCOMPARE(q.asString(QStringLiteral("KL")), value);
        QCOMPARE(w.value(QStringLiteral("vek"), QStringLiteral("select kl from tbl_sys where yhm='k'")), value);
    }

    void staticCursor()
    {
        TestWorld w;
        w.sql(QStringLiteral("vek"), QStringLiteral("insert into tbl_sys(yhm,kl,sfbdip) values('a','1',null);"
                                                    "insert into tbl_sys(yhm,kl,sfbdip) values('b','2','是');"
                                                    "insert into tbl_sys(yhm,kl,sfbdip) values('c','3','否');"));
        Connection c(QStringLiteral("ADOConnection1"), Dialect::SqlServer, QStringLiteral("sqlite:") + w.dbFile(QStringLiteral("vek")));
        QVERIFY(!c.isOpen());
        Query q(&c);
        q.add(QStringLiteral("select yhm, kl, sfbdip, 7 as n, 2.5 as d"));
        q.add(QStringLiteral(" from tbl_sys order by yhm"));
        QCOMPARE(q.text(), QStringLiteral("select yhm, kl, sfbdip, 7 as n, 2.5 as d\r\n from tbl_sys order by yhm"));
        q.open();
        QVERIFY(c.isOpen()); // opened itself on first use
        QCOMPARE(q.recordCount(), 3);
        QCOMPARE(q.recNo(), 1);
        QCOMPARE(q.asString(QStringLiteral("yhm")), QStringLiteral("a"));
        QCOMPARE(q.asString(QStringLiteral("SFBDIP")), QString()); // null reads as ""
        QCOMPARE(q.asString(QStringLiteral("n")), QStringLiteral("7"));
        QCOMPARE(q.asString(QStringLiteral("d")), QStringLiteral("2.5"));
        q.next();
        QCOMPARE(q.asString(QStringLiteral("sfbdip")), QStringLiteral("是"));
        q.setRecNo(3);
        QCOMPARE(q.asString(QStringLiteral("yhm")), QStringLiteral("c"));
        QVERIFY_THROWS_EXCEPTION(VekError, q.setRecNo(4));
        QCOMPARE(q.recNo(), 3); // a failed move leaves the cursor where it was
        q.next();
        QVERIFY(q.eof());
        QCOMPARE(q.asString(QStringLiteral("yhm")), QString());
        QVERIFY_THROWS_EXCEPTION(VekError, q.asString(QStringLiteral("nosuchcolumn")));
        q.close();
        QCOMPARE(q.recordCount(), 0);
    }

    void dateTimeAndBytes()
    {
        TestWorld w;
        ServerClock clock(QDateTime(QDate(2026, 12, 10), QTime(8, 15, 30, 250)));
        Connection c(QStringLiteral("ADOConnection1"), Dialect::SqlServer, QStringLiteral("sqlite:") + w.dbFile(QStringLiteral("vek")));
        Query q(&c);
        q.add(QStringLiteral("select  getdate() aa"));
        q.open();
        QCOMPARE(q.asDateTime(QStringLiteral("aa")), QDateTime(QDate(2026, 12, 10), QTime(8, 15, 30, 250)));

        QByteArray bytes;
        for (int i = 0; i < 256; ++i)
            bytes.append(char(i));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("blobwriter"));
            db.setDatabaseName(w.dbFile(QStringLiteral("vek")));
            QVERIFY(db.open());
            QSqlQuery ins(db);
            ins.prepare(QStringLiteral("insert into tbl_soft(yhts,diff,soft) values('p','d',?)"));
            ins.addBindValue(bytes);
            QVERIFY(ins.exec());
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("blobwriter"));
        q.close();
        q.clear();
        q.add(QStringLiteral("select * from tbl_soft"));
        q.open();
        const QString out = w.dir() + QStringLiteral("/soft.bin");
        q.saveToFile(QStringLiteral("soft"), out);
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes);
    }

    void errorsCarryTheDriverText()
    {
        TestWorld w;
        Connection c(QStringLiteral("ADOConnection1"), Dialect::SqlServer, QStringLiteral("sqlite:") + w.dbFile(QStringLiteral("vek")));
        Query q(&c);
        q.add(QStringLiteral("select * from no_such_table"));
        const QString error = errorOf([&] { q.open(); });
        QVERIFY2(error.contains(QStringLiteral("no such table: no_such_table")), qPrintable(error));

        // A missing database file is an unreachable database, never a new empty file.
        const QString missing = w.dir() + QStringLiteral("/gone/vek.sqlite");
        Connection gone(QStringLiteral("ADOConnection1"), Dialect::SqlServer, QStringLiteral("sqlite:") + missing);
        Query g(&gone);
        g.add(QStringLiteral("select 1"));
        const QString missingError = errorOf([&] { g.open(); });
        QVERIFY2(missingError.contains(QStringLiteral("unable to open database file")), qPrintable(missingError));
        QVERIFY(!gone.isOpen());
        QVERIFY(!QFile::exists(missing));

        Connection odd(QStringLiteral("ADOConnection169"), Dialect::SqlServer, QStringLiteral("mysql://x"));
        QVERIFY_THROWS_EXCEPTION(VekError, odd.open());
    }

    void traceSeesTextAsSent()
    {
        TestWorld w;
        StatementTrace trace;
        Connection c(QStringLiteral("ADOConnectionORA"), Dialect::Oracle, QStringLiteral("sqlite:") + w.dbFile(QStringLiteral("hr")));
        Query q(&c);
        q.add(QStringLiteral("select * from table_zd"));
        q.add(QStringLiteral(" where rycode='1'"));
        q.open();
        QCOMPARE(trace.statements.size(), 1);
        QCOMPARE(trace.statements.first().first, QStringLiteral("ADOConnectionORA"));
        QCOMPARE(trace.statements.first().second, QStringLiteral("select * from table_zd\r\n where rycode='1'"));
    }

    // A batch that fails half-way leaves its transaction open; the roll back removes every row of it.
    void failedBatchRollsBack()
    {
        TestWorld w;
        w.sql(QStringLiteral("vek"), QStringLiteral("insert into tbl_main(bh,xt) values('{DUP}','x')"));
        Connection c(QStringLiteral("ADOConnection1"), Dialect::SqlServer, QStringLiteral("sqlite:") + w.dbFile(QStringLiteral("vek")));
        Query q(&c);
        q.add(QStringLiteral("begin tran"));
        q.add(QStringLiteral("insert into tbl_main(bh,xt) values('{NEW1}','消息');"));
        q.add(QStringLiteral("insert into tbl_main(bh,xt) values('{DUP}','消息');"));
        q.add(QStringLiteral("commit tran"));
        QVERIFY_THROWS_EXCEPTION(VekError, q.execute());
        QVERIFY(c.inTransaction());
        c.rollback();
        QVERIFY(!c.inTransaction());
        QCOMPARE(w.value(QStringLiteral("vek"), QStringLiteral("select count(*) from tbl_main")), QStringLiteral("1"));
        c.rollback(); // nothing open: no error
    }

    void closeAndReopen()
    {
        TestWorld w;
        Connection c(QStringLiteral("ADOConnection1"), Dialect::SqlServer, QStringLiteral("sqlite:") + w.dbFile(QStringLiteral("vek")));
        c.open();
        QVERIFY(c.isOpen());
        c.close();
        QVERIFY(!c.isOpen());
        Query q(&c);
        q.add(QStringLiteral("select count(*) n from tbl_sys"));
        q.open();
        QCOMPARE(q.asString(QStringLiteral("n")), QStringLiteral("0"));
    }
};

QTEST_GUILESS_MAIN(TstDataAccess)
#include "tst_dataaccess.moc"
