// Deployment settings: defaults, what a file may say, a corrupt file reported with its path, and a file
// saved by Notepad (UTF-8 with a byte-order mark, CR LF) read by the client and by the updater alike.

#include "registry.h" // the updater's reading of its [updater] section
#include "settings.h"
#include "testworld.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace vek;

namespace {
QString write(const QTemporaryDir& dir, const QByteArray& text)
{
    const QString path = dir.path() + QStringLiteral("/vekora.ini");
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text);
    return path;
}
} // namespace

class TstSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void defaults()
    {
        qputenv("XDG_DATA_HOME", "/srv/data");
        const Settings s = Settings::defaults();
        QCOMPARE(s.database(QStringLiteral("vek")), QStringLiteral("sqlite:/srv/data/vekora/vek.sqlite"));
        QCOMPARE(s.database(QStringLiteral("ServiceCenter")), QStringLiteral("sqlite:/srv/data/vekora/ServiceCenter.sqlite"));
        QCOMPARE(s.database(QStringLiteral("hr")), QStringLiteral("sqlite:/srv/data/vekora/hr.sqlite"));
        QCOMPARE(s.database(QStringLiteral("equip")), QStringLiteral("sqlite:/srv/data/vekora/equip.sqlite"));
        QCOMPARE(s.admins.size(), 3);
        QCOMPARE(s.port, quint16(2136));
        qunsetenv("XDG_DATA_HOME");
    }

    void readsAFile()
    {
        QTemporaryDir dir;
        const QString path = write(dir, "; plant settings\n"
                                        "[databases]\n"
                                        "vek=odbc:DRIVER={FreeTDS};SERVER=10.0.0.5;PORT=1433;DATABASE=vek;UID=sa;PWD=vx   ; ADOConnection1\n"
                                        "ServiceCenter = sqlite:data/sc.sqlite\n"
                                        "[plant]\n"
                                        "server=10.0.0.5\n"
                                        "admins=20001, 20002 ,3001\n"
                                        "update_host=10.0.0.9\n"
                                        "[updater]\n"
                                        "odbc=DRIVER={FreeTDS};SERVER={ip};DATABASE=vek\n"
                                        "[network]\n"
                                        "port=31999\n");
        const Settings s = Settings::fromFile(path);
        QCOMPARE(s.source, path);
        QCOMPARE(s.database(QStringLiteral("vek")),
                 QStringLiteral("odbc:DRIVER={FreeTDS};SERVER=10.0.0.5;PORT=1433;DATABASE=vek;UID=sa;PWD=vx"));
        QCOMPARE(s.database(QStringLiteral("servicecenter")), QStringLiteral("sqlite:") + dir.path() + QStringLiteral("/data/sc.sqlite"));
        QVERIFY(s.database(QStringLiteral("hr")).endsWith(QStringLiteral("/vekora/hr.sqlite"))); // default kept
        QCOMPARE(s.server, QStringLiteral("10.0.0.5"));
        QCOMPARE(s.admins, (QStringList{"20001", "20002", "3001"}));
        QCOMPARE(s.updateHost, QStringLiteral("10.0.0.9"));
        QCOMPARE(s.updaterOdbc, QStringLiteral("DRIVER={FreeTDS};SERVER={ip};DATABASE=vek"));
        QCOMPARE(s.port, quint16(31999));
    }

    void corrupt_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("where");
        QTest::newRow("no equals sign") << QByteArray("[databases]\nvek sqlite:x\n") << QStringLiteral("第 2 行");
        QTest::newRow("value before a section") << QByteArray("vek=sqlite:x\n") << QStringLiteral("第 1 行");
        QTest::newRow("unterminated section") << QByteArray("[plant\n") << QStringLiteral("第 1 行");
        QTest::newRow("unknown database") << QByteArray("[databases]\n\nmysql=sqlite:x\n") << QStringLiteral("第 3 行");
        QTest::newRow("unknown locator") << QByteArray("[databases]\nvek=postgres://x\n") << QStringLiteral("第 2 行");
        QTest::newRow("empty sqlite file") << QByteArray("[databases]\nhr=sqlite:\n") << QStringLiteral("第 2 行");
        QTest::newRow("bad port") << QByteArray("[network]\nport=70000\n") << QStringLiteral("第 2 行");
        QTest::newRow("not utf-8") << QByteArray("[plant]\nserver=\xff\xfe\n") << QStringLiteral("UTF-8");
    }
    void corrupt()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, where);
        QTemporaryDir dir;
        const QString path = write(dir, text);
        const QString error = errorOf([&] { Settings::fromFile(path); });
        QVERIFY2(error.contains(path), qPrintable(error));
        QVERIFY2(error.contains(where), qPrintable(error));
    }

    void savedByNotepad_data()
    {
        QTest::addColumn<QByteArray>("text");
        const QByteArray body = "[updater]\r\nodbc=DRIVER={FreeTDS};SERVER={ip};DATABASE=vek2\r\n"
                                "[plant]\r\nserver=10.0.0.7\r\nadmins=1,2\r\n";
        QTest::newRow("UTF-8 with a byte-order mark, CR LF") << QByteArray("\xEF\xBB\xBF") + body;
        QTest::newRow("UTF-8 with a byte-order mark, LF") << QByteArray("\xEF\xBB\xBF") + QByteArray(body).replace("\r\n", "\n");
        QTest::newRow("UTF-8, CR LF") << body;
    }
    void savedByNotepad()
    {
        QFETCH(QByteArray, text);
        QTemporaryDir dir;
        const QString path = write(dir, text);
        const Settings s = Settings::fromFile(path);
        QCOMPARE(s.updaterOdbc, QStringLiteral("DRIVER={FreeTDS};SERVER={ip};DATABASE=vek2"));
        QCOMPARE(s.server, QStringLiteral("10.0.0.7"));
        QCOMPARE(s.admins, (QStringList{"1", "2"}));
        qputenv("VEKORA_CONFIG", path.toUtf8());
        const QString updater = vekupd::odbcTemplate();
        qunsetenv("VEKORA_CONFIG");
        QCOMPARE(updater, QStringLiteral("DRIVER={FreeTDS};SERVER={ip};DATABASE=vek2"));
    }

    // A FIFO named as the settings file would hold the start forever: it is refused with its path.
    void fifoRefused()
    {
#ifndef Q_OS_UNIX
        QSKIP("FIFOs in the file system are a POSIX matter");
#else
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/vekora.ini");
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        const QString error = errorOf([&] { Settings::fromFile(path); });
        QVERIFY2(error.contains(path), qPrintable(error));
        qputenv("VEKORA_CONFIG", path.toUtf8());
        const QString updater = vekupd::odbcTemplate(); // the built-in template
        qunsetenv("VEKORA_CONFIG");
        QCOMPARE(updater, QStringLiteral("DRIVER={FreeTDS};SERVER={ip};PORT=1433;DATABASE=vek;UID=sa;PWD=vx"));
#endif
    }

    void namedFileMissing()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/nowhere.ini");
        qputenv("VEKORA_CONFIG", path.toUtf8());
        const QString error = errorOf([] { Settings::load(); });
        qunsetenv("VEKORA_CONFIG");
        QVERIFY2(error.contains(path), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TstSettings)
#include "tst_settings.moc"
