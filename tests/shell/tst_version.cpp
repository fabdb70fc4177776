// The version check: the file version of an executable, the numeric comparison with the announced
// version and its conversion failures, and the hand-over when the updater is missing.

#include "U_datamodule.h"
#include "db/vekerror.h"
#include "platform/fileversion.h"
#include "testworld.h"
#include "version.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>

using namespace vek;

class TstVersion : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void compare_data()
    {
        QTest::addColumn<QString>("announced");
        QTest::addColumn<QString>("result"); // "true", "false" or the error text
        QTest::newRow("next build") << "2.1.2.8" << "true";
        QTest::newRow("same") << "2.1.2.7" << "false";
        QTest::newRow("numeric not text") << "2.1.10.0" << "true";
        QTest::newRow("older") << "2.0.9.9" << "false";
        QTest::newRow("major") << "3.0.0.0" << "true";
        QTest::newRow("major decides before the malformed rest") << "3.x" << "true";
        QTest::newRow("third pair decides") << "2.1.3.x" << "true";
        QTest::newRow("three parts") << "2.1.2" << "'' is not a valid integer value";
        QTest::newRow("empty") << "" << "'' is not a valid integer value";
        QTest::newRow("letters first") << "a.1.2.7" << "'a' is not a valid integer value";
        QTest::newRow("five parts") << "2.1.2.7.1" << "'7.1' is not a valid integer value";
        QTest::newRow("blank inside") << "2. 1.2.7" << "' 1' is not a valid integer value";
    }
    void compare()
    {
        QFETCH(QString, announced);
        QFETCH(QString, result);
        QString got;
        try {
            got = versionIsNewer(QStringLiteral("2.1.2.7"), announced) ? QStringLiteral("true") : QStringLiteral("false");
        } catch (const VekError& e) {
            got = e.message();
        }
        QCOMPARE(got, result);
    }

    void split()
    {
        QCOMPARE(splitVersion(QStringLiteral("2.1.2.7")), (QStringList{"2", "1", "2", "7"}));
        QCOMPARE(splitVersion(QStringLiteral("2.1.2")), (QStringList{"2", "1", "", "2"}));
        QCOMPARE(splitVersion(QStringLiteral("12")), (QStringList{"", "", "", "12"}));
    }

    void fileVersion()
    {
        QCOMPARE(platform::getfilever(QStringLiteral(VEK_BIN_DIR "/P_vekclient" VEK_EXE_SUFFIX)), QStringLiteral("2.1.2.7"));
        // An ELF file without the section, a text file and a missing file have no version.
        QCOMPARE(platform::getfilever(QCoreApplication::applicationFilePath()), QString());
        TestWorld w;
        const QString text = w.dir() + QStringLiteral("/notes.txt");
        QFile f(text);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\x7f" "ELF but not really");
        f.close();
        QCOMPARE(platform::getfilever(text), QString());
        QCOMPARE(platform::getfilever(w.dir() + QStringLiteral("/missing")), QString());
        QCOMPARE(platform::formatFileVersion(0x00020001, 0x00020007), QStringLiteral("2.1.2.7"));
        QCOMPARE(platform::formatFileVersion(0xFFFF0000, 0x0000FFFF), QStringLiteral("65535.0.0.65535"));
    }

    void checksoftver_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("result");
        QTest::newRow("no row") << "" << "false";
        QTest::newRow("newer") << "insert into tbl_sys(yhm,kl) values('softvercheck','2.1.2.8')" << "true";
        QTest::newRow("same") << "insert into tbl_sys(yhm,kl) values('softvercheck','2.1.2.7')" << "false";
        QTest::newRow("malformed") << "insert into tbl_sys(yhm,kl) values('softvercheck','2.1.2')"
                                   << "'' is not a valid integer value";
        QTest::newRow("other rows ignored") << "insert into tbl_sys(yhm,kl) values('SoftVerCheck ','9.9.9.9')" << "false";
    }
    void checksoftver()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, result);
        TestWorld w;
        if (!fixture.isEmpty())
            w.sql(QStringLiteral("vek"), fixture);
        StatementTrace trace;
        TDataModule1 dm(w.settings());
        dm.setExecutablePath(QStringLiteral(VEK_BIN_DIR "/P_vekclient" VEK_EXE_SUFFIX));
        QString got;
        try {
            got = dm.checksoftver() ? QStringLiteral("true") : QStringLiteral("false");
        } catch (const VekError& e) {
            got = e.message();
        }
        QCOMPARE(got, result);
        QCOMPARE(trace.texts(QStringLiteral("ADOConnection1")),
                 QStringList{QStringLiteral("select kl from tbl_sys where yhm='softvercheck'")});
    }

    // The updater missing beside the executable: the user is told which program could not be started,
    // the connections stay open and the process does not end.
    void handoverWithoutUpdater()
    {
        TestWorld w;
        MessageRecorder boxes;
        TDataModule1 dm(w.settings());
        QVERIFY(dm.ADOConnection1.isOpen());
        QVERIFY(!QFile::exists(updaterPath()));
        QVERIFY(!upgradeHandover(dm));
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].caption, QStringLiteral("提示"));
        QCOMPARE(boxes.boxes[0].flags, 48);
        QVERIFY2(boxes.boxes[0].text.contains(updaterPath()), qPrintable(boxes.boxes[0].text));
        QVERIFY(dm.ADOConnection1.isOpen());
    }
};

QTEST_MAIN(TstVersion)
#include "tst_version.moc"
