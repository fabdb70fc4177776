// The single-instance guard: held, refused to a second holder, and a lock that cannot be made at all
// (its path a folder or a symbolic link) reported with the reason; the client then does not start.

#include "platform/singleinstance.h"
#include "testworld.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

using namespace vek;
using Result = platform::SingleInstance::Result;

class TstSingleInstance : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString lockPath() const { return m_dir.path() + QStringLiteral("/vek_client.lock"); }

private Q_SLOTS:
    void init()
    {
        QDir(lockPath()).removeRecursively();
        QFile::remove(lockPath());
        qputenv("XDG_RUNTIME_DIR", m_dir.path().toUtf8());
    }

    void heldOnceOnly()
    {
        const auto first = platform::createSingleInstance();
        QCOMPARE(first->acquire(QStringLiteral("vek_client")), Result::Acquired);
        const auto second = platform::createSingleInstance();
        QCOMPARE(second->acquire(QStringLiteral("vek_client")), Result::AlreadyRunning);
    }

    void unusablePath_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a folder") << "folder" << QString::fromLocal8Bit(std::strerror(EISDIR));
        QTest::newRow("a symbolic link") << "link" << QString::fromLocal8Bit(std::strerror(ELOOP));
    }
    void unusablePath()
    {
        QFETCH(QString, what);
        QFETCH(QString, reason);
        if (what == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(lockPath()));
        else
            QVERIFY(QFile::link(m_dir.path() + QStringLiteral("/elsewhere"), lockPath()));
        const auto guard = platform::createSingleInstance();
        QCOMPARE(guard->acquire(QStringLiteral("vek_client")), Result::Failed);
        QCOMPARE(guard->errorString(), QStringLiteral("无法建立单实例锁 %1：%2").arg(lockPath(), reason));
        QVERIFY(!QFile::exists(m_dir.path() + QStringLiteral("/elsewhere")));
    }

    // The client says why and ends, instead of running unguarded beside another copy.
    void clientStopsWithTheReason()
    {
        TestWorld w(true);
        QVERIFY(QDir().mkpath(w.dir() + QStringLiteral("/vek_client.lock")));
        const quint16 port = freeUdpPort();
        const QString log = w.dir() + QStringLiteral("/boxes.log");
        QProcess client;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("VEKORA_CONFIG"), w.writeIni(QStringLiteral("[network]\nport=%1\n").arg(port)));
        env.insert(QStringLiteral("VEKORA_MESSAGE_LOG"), log);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), w.dir());
        client.setProcessEnvironment(env);
        client.setWorkingDirectory(w.dir());
        client.start(QStringLiteral(VEK_TEST_BIN_DIR "/P_vekclient"), {}); // the build whose boxes are logged
        QVERIFY(client.waitForFinished(15000));
        QCOMPARE(client.exitStatus(), QProcess::NormalExit);
        QCOMPARE(client.exitCode(), 1);
        QFile f(log);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList boxes = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(boxes, QStringList{QStringLiteral("Vekora客户端\t16\t无法建立单实例锁 %1/vek_client.lock：%2")
                                        .arg(w.dir(), QString::fromLocal8Bit(std::strerror(EISDIR)))});
    }
};

QTEST_GUILESS_MAIN(TstSingleInstance)
#include "tst_singleinstance.moc"
