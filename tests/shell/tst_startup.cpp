// Start-up and teardown: the single-instance guard, an unreachable main catalog, the notice port held
// by another program, a corrupt settings file, the upgrade hand-over as a process, and the statement
// the main window's destruction sends.

#include "U_datamodule.h"
#include "U_main.h"
#include "forms.h"
#include "testworld.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QUdpSocket>

using namespace vek;

namespace {

QStringList readLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// A client process (the test build) in the test's world, its message boxes written to a log and
// answered at once.
struct ClientRun {
    QProcess process;
    QString log;

    ClientRun(const TestWorld& w, const QString& ini, const QString& name, const QString& program = {})
    {
        log = w.dir() + QLatin1Char('/') + name + QStringLiteral(".boxes");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("VEKORA_CONFIG"), ini);
        env.insert(QStringLiteral("VEKORA_MESSAGE_LOG"), log);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), w.dir());
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(w.dir());
        process.setProgram(program.isEmpty() ? QStringLiteral(VEK_TEST_BIN_DIR "/P_vekclient") : program);
    }
    ~ClientRun()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    QStringList boxes() const { return readLines(log); }
    bool waitForBox(int ms = 15000) const
    {
        return QTest::qWaitFor([&] { return !boxes().isEmpty(); }, ms);
    }
};

bool portTaken(quint16 port)
{
    QUdpSocket s;
    return !s.bind(QHostAddress::AnyIPv4, port);
}

} // namespace

class TstStartup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void secondCopyIsRefused()
    {
        TestWorld w(true);
        const quint16 port = freeUdpPort();
        const QString ini = w.writeIni(QStringLiteral("[network]\nport=%1\n").arg(port));
        ClientRun first(w, ini, QStringLiteral("first"));
        first.process.start();
        QVERIFY(first.process.waitForStarted());
        QVERIFY2(QTest::qWaitFor([&] { return portTaken(port); }, 15000), "the first client never bound its port");

        ClientRun second(w, ini, QStringLiteral("second"));
        second.process.start();
        QVERIFY(second.process.waitForFinished(15000));
        QCOMPARE(second.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.process.exitCode(), 0);
        QCOMPARE(second.boxes(), QStringList{QStringLiteral("提示\t48\t程序已经运行，请在托盘中打开！")});

        QTest::qWait(300);
        QCOMPARE(first.process.state(), QProcess::Running);
        QVERIFY(first.boxes().isEmpty());
    }

    void unreachableMainCatalogDoesNotStopTheStart()
    {
        TestWorld w(true);
        const quint16 port = freeUdpPort();
        const QString ini = w.writeIni(QStringLiteral("[network]\nport=%1\n[databases]\nvek=sqlite:%2/nowhere/vek.sqlite\n")
                                           .arg(port)
                                           .arg(w.dir()));
        ClientRun run(w, ini, QStringLiteral("run"));
        run.process.start();
        QVERIFY(run.waitForBox());
        const QStringList boxes = run.boxes();
        QVERIFY2(boxes.first().startsWith(QStringLiteral("Vekora客户端\t16\t")), qPrintable(boxes.first()));
        QVERIFY2(boxes.first().contains(QStringLiteral("unable to open database file")), qPrintable(boxes.first()));
        // The start goes on: the main window holds the port and the login dialog waits.
        QVERIFY(QTest::qWaitFor([&] { return portTaken(port); }, 15000));
        QCOMPARE(run.process.state(), QProcess::Running);
    }

    void portHeldEndsWithExitCode1()
    {
        TestWorld w(true);
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress::AnyIPv4, 0));
        const QString ini = w.writeIni(QStringLiteral("[network]\nport=%1\n").arg(holder.localPort()));
        ClientRun run(w, ini, QStringLiteral("run"));
        run.process.start();
        QVERIFY(run.process.waitForFinished(15000));
        QCOMPARE(run.process.exitCode(), 1);
        const QStringList boxes = run.boxes();
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes.first().startsWith(QStringLiteral("Vekora客户端\t16\t")), qPrintable(boxes.first()));
        QVERIFY2(boxes.first().contains(QStringLiteral("address is already in use"), Qt::CaseInsensitive), qPrintable(boxes.first()));
    }

    void corruptSettingsNamedWithPath()
    {
        TestWorld w(true);
        const QString ini = w.dir() + QStringLiteral("/broken.ini");
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[databases]\nvek\n");
        f.close();
        ClientRun run(w, ini, QStringLiteral("run"));
        run.process.start();
        QVERIFY(run.process.waitForFinished(15000));
        QCOMPARE(run.process.exitCode(), 1);
        QVERIFY2(run.boxes().value(0).contains(ini), qPrintable(run.boxes().value(0)));
    }

    // The hand-over starts <folder>/p_vekupd and ends the process with exit code 0; without an updater
    // the user is told and the process goes on.
    void handoverAsProcess()
    {
        TestWorld w(true);
        const QString folder = w.dir() + QStringLiteral("/install");
        QVERIFY(QDir().mkpath(folder));
        const QString probe = folder + QStringLiteral("/probe");
        QVERIFY(QFile::copy(QStringLiteral(VEK_PROBE), probe));
        const QString marker = w.dir() + QStringLiteral("/updater-ran");
        const QString updater = folder + QStringLiteral("/p_vekupd");
        {
            QFile s(updater);
            QVERIFY(s.open(QIODevice::WriteOnly));
            s.write(QStringLiteral("#!/bin/sh\necho started > '%1'\n").arg(marker).toUtf8());
        }
        QFile::setPermissions(updater, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString ini = w.writeIni();

        ClientRun run(w, ini, QStringLiteral("run"), probe);
        run.process.start();
        QVERIFY(run.process.waitForFinished(15000));
        QCOMPARE(run.process.exitCode(), 0);
        QVERIFY(run.boxes().isEmpty());
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(marker); }, 5000));

        QVERIFY(QFile::remove(updater));
        ClientRun missing(w, ini, QStringLiteral("missing"), probe);
        missing.process.start();
        QVERIFY(missing.process.waitForFinished(15000));
        QCOMPARE(missing.process.exitCode(), 3); // the probe's code for "not handed over"
        QCOMPARE(missing.boxes().size(), 1);
        QVERIFY2(missing.boxes().first().startsWith(QStringLiteral("提示\t48\t")), qPrintable(missing.boxes().first()));
        QVERIFY2(missing.boxes().first().contains(updater), qPrintable(missing.boxes().first()));
    }

    // The data module reports an unreachable main catalog in the default error box and stays usable.
    void dataModuleWithUnreachableCatalog()
    {
        TestWorld w;
        Settings s = w.settings();
        s.setDatabase(QStringLiteral("vek"), QStringLiteral("sqlite:") + w.dir() + QStringLiteral("/missing.sqlite"));
        MessageRecorder boxes;
        TDataModule1 dm(s);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].caption, QStringLiteral("Vekora客户端"));
        QCOMPARE(boxes.boxes[0].flags, 16);
        QVERIFY(boxes.boxes[0].text.contains(QStringLiteral("unable to open database file")));
        QVERIFY(!dm.ADOConnection1.isOpen());
        QVERIFY(!dm.ADOConnectionORA.isOpen() && !dm.ADOConnectionJXB.isOpen() && !dm.ADOConnection169.isOpen());
    }

    void disconnectallClosesEveryConnection()
    {
        TestWorld w;
        TDataModule1 dm(w.settings());
        dm.ADOConnectionORA.open();
        dm.ADOConnectionJXB.open();
        dm.ADOConnection169.open();
        dm.disconnectall();
        QVERIFY(!dm.ADOConnection1.isOpen() && !dm.ADOConnectionORA.isOpen() && !dm.ADOConnectionJXB.isOpen() &&
                !dm.ADOConnection169.isOpen());
    }

    // Destroying a never-shown main window clears the online address with the empty login name.
    void destructionClearsTheOnlineAddress()
    {
        TestWorld w;
        w.sql(QStringLiteral("vek"), QStringLiteral("insert into tbl_dzb(code,name,vekyhm,zxip) values('20','厂部','','10.0.0.7');"
                                                    "insert into tbl_dzb(code,name,vekyhm,zxip) values('2001','张三','10231','10.0.0.8')"));
        Settings s = w.settings();
        s.port = freeUdpPort();
        TDataModule1 dm(s);
        forms::DataModule1 = &dm;
        StatementTrace trace;
        {
            Tmain m;
        }
        forms::DataModule1 = nullptr;
        QCOMPARE(trace.texts(QStringLiteral("ADOConnection1")),
                 QStringList{QStringLiteral("update tbl_dzb set zxip='' \r\n where vekyhm=''")});
        QCOMPARE(w.rows(QStringLiteral("vek"), QStringLiteral("select code, zxip from tbl_dzb order by code")),
                 (QList<QStringList>{{"20", ""}, {"2001", "10.0.0.8"}}));
    }
};

QTEST_MAIN(TstStartup)
#include "tst_startup.moc"
