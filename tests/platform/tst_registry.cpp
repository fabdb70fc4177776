// The registry stand-in: the export format read and written back, case-insensitive names, and a
// missing, empty or corrupt file that holds no keys.

#include "platform/registry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vek::platform;

class TstRegistry : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_file;

    void writeFile(const QByteArray& bytes)
    {
        QFile f(m_file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

private Q_SLOTS:
    void init()
    {
        m_file = m_dir.path() + QStringLiteral("/HKLM.reg");
        QFile::remove(m_file);
        qputenv("VEKORA_REGISTRY", m_file.toUtf8());
    }

    void writeThenRead()
    {
        QVERIFY(!registry::keyExists(QStringLiteral("software\\VEK")));
        QVERIFY(registry::writeDword(QStringLiteral("software\\VEK"), QStringLiteral("sfzddl"), 1));
        QVERIFY(registry::writeString(QStringLiteral("software\\VEK"), QStringLiteral("yhm"), QStringLiteral("张三\"'\\%")));
        QVERIFY(registry::writeString(QStringLiteral("software\\VEK"), QStringLiteral("ip"), QStringLiteral("1.1.1.1")));
        // Names are case-insensitive: the value keeps the name it was created with.
        QVERIFY(registry::writeString(QStringLiteral("SOFTWARE\\vek\\"), QStringLiteral("IP"), QStringLiteral("10.0.0.5")));
        QFile f(m_file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()),
                 QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\software\\VEK]\r\n"
                                "\"sfzddl\"=dword:00000001\r\n\"yhm\"=\"张三\\\"'\\\\%\"\r\n\"ip\"=\"10.0.0.5\"\r\n"));
        QVERIFY(registry::keyExists(QStringLiteral("\\Software\\Vek\\")));
        const auto yhm = registry::read(QStringLiteral("software\\VEK"), QStringLiteral("YHM"));
        QVERIFY(yhm && yhm->kind == registry::Kind::String);
        QCOMPARE(yhm->text, QStringLiteral("张三\"'\\%"));
        const auto flag = registry::read(QStringLiteral("software\\VEK"), QStringLiteral("sfzddl"));
        QVERIFY(flag && flag->kind == registry::Kind::Dword && flag->dword == 1);
        QVERIFY(!registry::read(QStringLiteral("software\\VEK"), QStringLiteral("kl")));
    }

    void unusableFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("no header") << QByteArray("[HKEY_LOCAL_MACHINE\\software\\VEK]\r\n\"ip\"=\"1.2.3.4\"\r\n");
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe garbage", 12);
    }
    void unusableFiles()
    {
        QFETCH(QByteArray, bytes);
        writeFile(bytes);
        QVERIFY(!registry::keyExists(QStringLiteral("software\\VEK")));
        QVERIFY(!registry::read(QStringLiteral("software\\VEK"), QStringLiteral("ip")));
        // Writing replaces what could not be read with a valid file.
        QVERIFY(registry::writeString(QStringLiteral("software\\VEK"), QStringLiteral("ip"), QStringLiteral("1")));
        QCOMPARE(registry::read(QStringLiteral("software\\VEK"), QStringLiteral("ip"))->text, QStringLiteral("1"));
    }

    // Lines that cannot be read are passed over; the rest of the key still reads.
    void damagedLines()
    {
        writeFile("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\software\\VEK]\n"
                  "\"sfzddl\"=hex:01,00\n\"yhm\"=\"unterminated\n\"kl\"=dword:zz\n\"ip\"=\"10.1.1.1\"\n"
                  "garbage line\n\"x\"=dword:123456789\n");
        QVERIFY(registry::keyExists(QStringLiteral("software\\VEK")));
        QVERIFY(!registry::read(QStringLiteral("software\\VEK"), QStringLiteral("sfzddl")));
        QVERIFY(!registry::read(QStringLiteral("software\\VEK"), QStringLiteral("yhm")));
        QVERIFY(!registry::read(QStringLiteral("software\\VEK"), QStringLiteral("kl")));
        QVERIFY(!registry::read(QStringLiteral("software\\VEK"), QStringLiteral("x")));
        QCOMPARE(registry::read(QStringLiteral("software\\VEK"), QStringLiteral("ip"))->text, QStringLiteral("10.1.1.1"));
    }

    void otherKeysKept()
    {
        writeFile("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\software\\Other]\r\n\"a\"=\"b\"\r\n");
        QVERIFY(registry::writeDword(QStringLiteral("software\\VEK"), QStringLiteral("sfzddl"), 1));
        QCOMPARE(registry::read(QStringLiteral("software\\Other"), QStringLiteral("a"))->text, QStringLiteral("b"));
    }
};

QTEST_GUILESS_MAIN(TstRegistry)
#include "tst_registry.moc"
