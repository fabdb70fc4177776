// The embedded databases: the schema holds what the client relies on, and the demo plant lets a person
// try every feature.

#include "plantdb.h"
#include "testworld.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

class TstPlantDb : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void splitsScripts()
    {
        QCOMPARE(vekdb::splitScript(QStringLiteral("a 'x;y';\n-- c; d\nb;;")),
                 (QStringList{QStringLiteral("a 'x;y'"), QStringLiteral("b")}));
    }

    void schemaDefaults()
    {
        TestWorld w;
        // Inserts that do not name sfcy leave the notice unread.
        w.sql(QStringLiteral("vek"), QStringLiteral("insert into tbl_main(bh,xt,jsrgh) values('{A}','消息','10231')"));
        QCOMPARE(w.value(QStringLiteral("vek"), QStringLiteral("select sfcy from tbl_main")), QStringLiteral("否"));
        // The notice key is unique: a failing insert is what makes a batch roll back.
        QVERIFY(!vekdb::runScript(w.dbFile(QStringLiteral("vek")),
                                  QStringLiteral("insert into tbl_main(bh) values('{A}')")).isEmpty());
        QCOMPARE(w.value(QStringLiteral("vek"), QStringLiteral("select count(*) from tbl_jxry")), QStringLiteral("0"));
    }

    void existingFilesAreKept()
    {
        TestWorld w;
        w.sql(QStringLiteral("vek"), QStringLiteral("insert into tbl_sys(yhm,kl) values('mine','1')"));
        QCOMPARE(vekdb::createDatabases(w.dir(), true), QString());
        QCOMPARE(w.value(QStringLiteral("vek"), QStringLiteral("select count(*) from tbl_sys")), QStringLiteral("1"));
    }

    void demoPlant()
    {
        TestWorld w(true);
        const QString vek = QStringLiteral("vek");
        const QString hr = QStringLiteral("hr");
        // The announced version is the client's own, so the demo starts without an upgrade.
        QCOMPARE(w.value(vek, QStringLiteral("select kl from tbl_sys where yhm='softvercheck'")), QStringLiteral("2.1.2.7"));
        QCOMPARE(w.value(vek, QStringLiteral("select count(*) from tbl_soft")), QStringLiteral("1"));

        // The ten shift accounts log in through tbl_jxry with a password.
        QCOMPARE(w.value(vek, QStringLiteral("select count(*) from tbl_jxry where code in ('KPTA1','KPTA2','KPRB3','KPRB4',"
                                             "'KPRB5','KPWC1','KPWC3','MFKP','DGKP','SNKP') and coalesce(password,'')<>''")),
                 QStringLiteral("10"));
        // 'J' accounts whose login names end in 1 and 2 receive the acceptance requests.
        QCOMPARE(w.value(vek, QStringLiteral("select count(distinct substr(vekyhm,-1)) from tbl_dzb where rylb='J' "
                                             "and substr(vekyhm,-1) in ('1','2')")),
                 QStringLiteral("2"));
        // The administrators and every person of the address book can log in through the directory.
        for (const QString& admin : vek::Settings::defaults().admins)
            QCOMPARE(w.value(hr, QStringLiteral("select count(*) from table_zd where rycode='%1' and coalesce(password,'')<>''")
                                     .arg(admin)),
                     QStringLiteral("1"));
        QVERIFY(w.value(vek, QStringLiteral("select count(*) from tbl_dzb where code like '20%' and coalesce(vekyhm,'')<>''"))
                    .toInt() >= 20);
        // A member of the attendance department.
        QVERIFY(w.value(hr, QStringLiteral("select count(*) from table_zd where code like '408302%' and rycode<>''")).toInt() >= 1);
        // Every kind of notice, and the equipment-defect notice names a defect waiting for elimination
        // whose equipment code starts with 02.
        QCOMPARE(w.value(vek, QStringLiteral("select count(distinct xt) from tbl_main where xt in "
                                             "('OA','协同管理','消息','缺陷','设备管理缺陷')")),
                 QStringLiteral("5"));
        const QString flaw = w.value(vek, QStringLiteral("select bz from tbl_main where xt='设备管理缺陷' and sfcy='否'"));
        QVERIFY(!flaw.isEmpty());
        QCOMPARE(w.value(QStringLiteral("equip"),
                         QStringLiteral("select substr(sbdm,1,2) from t_equip_flaw where f_code='%1' and f_state=20").arg(flaw)),
                 QStringLiteral("02"));
    }

    void clientProgramStored()
    {
        QTemporaryDir dir;
        const QString program = dir.path() + QStringLiteral("/client.bin");
        QFile f(program);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\x7f" "ELF\0\x01\x02", 7));
        f.close();
        QCOMPARE(vekdb::createDatabases(dir.path(), true, false, program), QString());
        const QString name = QStringLiteral("plantdb-check");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(dir.path() + QStringLiteral("/vek.sqlite"));
            QVERIFY(db.open());
            QSqlQuery q(QStringLiteral("select soft from tbl_soft"), db);
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toByteArray(), QByteArray("\x7f" "ELF\0\x01\x02", 7));
        }
        QSqlDatabase::removeDatabase(name);
    }
};

QTEST_GUILESS_MAIN(TstPlantDb)
#include "tst_plantdb.moc"
