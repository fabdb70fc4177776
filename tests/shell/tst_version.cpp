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

namespace {

// A small 64-bit ELF file: header, the version section (2.1.2.7), the section-name table, and the
// section table (null, .vek.version, .shstrtab) at kShoff.
constexpr int kShoff = 64 + 8 + 24;

void put(QByteArray& b, qsizetype at, int size, quint64 v)
{
    for (int i = 0; i < size; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xff);
}

QByteArray smallElf()
{
    QByteArray b(kShoff + 3 * 64, '\0');
    b.replace(0, 8, QByteArray("\x7f" "ELF\x02\x01\x01", 8));
    put(b, 0x10, 2, 2);       // executable
    put(b, 0x12, 2, 62);      // x86-64
    put(b, 0x14, 4, 1);
    put(b, 0x28, 8, kShoff);  // section table
    put(b, 0x34, 2, 64);      // header size
    put(b, 0x3A, 2, 64);      // section entry size
    put(b, 0x3C, 2, 3);       // sections
    put(b, 0x3E, 2, 2);       // the name table's index
    put(b, 64, 4, 0x00020001); // 2.1
    put(b, 68, 4, 0x00020007); // 2.7
    const QByteArray names("\0.vek.version\0.shstrtab\0", 24);
    b.replace(72, 24, names);
    auto section = [&](int i, quint32 name, quint32 type, quint64 offset, quint64 size) {
        const qsizetype at = kShoff + i * 64;
        put(b, at, 4, name);
        put(b, at + 4, 4, type);
        put(b, at + 0x18, 8, offset);
        put(b, at + 0x20, 8, size);
    };
    section(1, 1, 1, 64, 8);    // .vek.version, PROGBITS
    section(2, 14, 3, 72, 24);  // .shstrtab, STRTAB
    return b;
}

} // namespace

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

    // Every size and offset in the file is checked before it is used: crafted headers give no version
    // (or the version, where the damage does not touch it), never a read outside the file.
    void craftedHeaders_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("version");
        const QByteArray good = smallElf();
        QTest::newRow("well formed") << good << QStringLiteral("2.1.2.7");
        QByteArray b = good;
        put(b, 0x28, 8, quint64(0) - 3 * 64 + 8); // section table offset: plus its size wraps to 8
        QTest::newRow("section table offset wraps") << b << QString();
        b = good;
        put(b, 0x28, 8, quint64(1) << 63); // past the largest signed offset
        QTest::newRow("section table offset beyond 2^63") << b << QString();
        b = good;
        put(b, kShoff + 2 * 64 + 0x18, 8, quint64(0) - 8); // the name table's offset
        QTest::newRow("name table offset wraps") << b << QString();
        b = good;
        put(b, kShoff + 2 * 64 + 0x20, 8, 13); // the name table: ".vek.version" without its NUL
        QTest::newRow("name table ends inside a name") << b << QStringLiteral("2.1.2.7");
        b = good;
        put(b, kShoff + 1 * 64 + 0x18, 8, quint64(b.size()) - 4); // the version's 8 bytes run past the end
        QTest::newRow("version past the end") << b << QString();
        b = good;
        put(b, kShoff + 1 * 64, 4, 0xFFFFFFF0u); // a name far outside the name table
        QTest::newRow("name index outside the table") << b << QString();
        QTest::newRow("header only") << good.left(64) << QString();
    }
    void craftedHeaders()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, version);
        TestWorld w;
        const QString path = w.dir() + QStringLiteral("/crafted");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(file);
        f.close();
        QCOMPARE(platform::getfilever(path), version);
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
