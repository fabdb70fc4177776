// The SQLite backend's rewrite of SQL Server / Oracle text: only outside string literals, only what
// SQLite cannot parse.

#include "db/sqlitecompat.h"

#include <QTest>

using vek::db::sqlitecompat::translate;

class TstSqliteCompat : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void translate_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QStringList>("out");

        QTest::newRow("plain select unchanged")
            << QStringLiteral("select * from tbl_main \r\n where jsrgh ='1'")
            << QStringList{QStringLiteral("select * from tbl_main \r\n where jsrgh ='1'")};
        QTest::newRow("bare sysdate") << QStringLiteral("f_handle_time=sysdate,\r\nf_state=70")
                                      << QStringList{QStringLiteral("f_handle_time=sysdate(),\r\nf_state=70")};
        QTest::newRow("sysdate in a literal stays") << QStringLiteral("select 'sysdate' from t")
                                                     << QStringList{QStringLiteral("select 'sysdate' from t")};
        QTest::newRow("convert type names quoted")
            << QStringLiteral("where a>=convert(datetime,convert(varchar, getdate(),23)+' 00:00:00.000',120)")
            << QStringList{QStringLiteral(
                   "where a>=convert('datetime',convert('varchar', getdate(),23)||' 00:00:00.000',120)")};
        QTest::newRow("convert with a length") << QStringLiteral("select convert(varchar(10), x, 23)")
                                               << QStringList{QStringLiteral("select convert('varchar(10)', x, 23)")};
        QTest::newRow("plus between numbers stays") << QStringLiteral("select 1+2, len(a)-2")
                                                    << QStringList{QStringLiteral("select 1+2, len(a)-2")};
        QTest::newRow("plus beside a literal") << QStringLiteral("select 'a'+name+'b' from t")
                                               << QStringList{QStringLiteral("select 'a'||name||'b' from t")};
        QTest::newRow("quote doubled inside a literal")
            << QStringLiteral("select 'it''s + sysdate; begin tran' + x")
            << QStringList{QStringLiteral("select 'it''s + sysdate; begin tran' || x")};
        QTest::newRow("batch with transaction")
            << QStringLiteral("begin tran\r\ninsert into t values(\r\n'a;b');\r\ninsert into t values('c');\r\ncommit tran")
            << QStringList{QStringLiteral("BEGIN"), QStringLiteral("insert into t values(\r\n'a;b')"),
                           QStringLiteral("insert into t values('c')"), QStringLiteral("COMMIT")};
        QTest::newRow("upper-case transaction words") << QStringLiteral("BEGIN TRANSACTION;ROLLBACK TRAN")
                                                      << QStringList{QStringLiteral("BEGIN"), QStringLiteral("ROLLBACK")};
        QTest::newRow("empty statements dropped") << QStringLiteral(" ; ;select 1;") << QStringList{QStringLiteral("select 1")};
        QTest::newRow("unterminated literal left to the database")
            << QStringLiteral("select 'abc") << QStringList{QStringLiteral("select 'abc")};
    }
    void translate()
    {
        QFETCH(QString, in);
        QFETCH(QStringList, out);
        QCOMPARE(::translate(in), out);
    }
};

QTEST_GUILESS_MAIN(TstSqliteCompat)
#include "tst_sqlitecompat.moc"
