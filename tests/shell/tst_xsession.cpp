// Under a real X server (Xvfb): Ctrl+Alt+B from another program brings the hidden main window back,
// and a person typing into the real client's login dialog with a newer version announced hands over to
// the updater. Skips cleanly where no X server can be started.

#include "U_datamodule.h"
#include "U_main.h"
#include "forms.h"
#include "notices/U_tctz.h"
#include "notices/U_tzll.h"
#include "platform/system.h"
#include "testworld.h"
#include "xserver.h"
#include "vekapplication.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QThread>
#include <QUdpSocket>

using namespace vek;

namespace {

QString g_display; // ":N" of the server this test started, empty when none could be

bool xdotool(const QStringList& args, QString* out = nullptr)
{
    return ::xdotool(g_display, args, out);
}

} // namespace

class TstXSession : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (g_display.isEmpty())
            QSKIP("no X server could be started (Xvfb and xdotool are needed)");
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    }

    void hotKeyShowsTheHiddenWindow()
    {
        TestWorld w;
        MessageRecorder boxes;
        Settings s = w.settings();
        s.port = 0;
        TDataModule1 dm(s);
        forms::DataModule1 = &dm;
        dm.cur_user.cur_yhm = QStringLiteral("10231");
        {
            Tmain m;
            forms::main = &m;
            m.show();
            QVERIFY(QTest::qWaitForWindowExposed(&m));
            m.close(); // hides
            QVERIFY(!m.isVisible());
            QTest::qWait(200);
            QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+b")}));
            QVERIFY2(QTest::qWaitFor([&] { return m.isVisible(); }, 10000), "Ctrl+Alt+B did not show the window");
            QCOMPARE(m.pt_title->text(), QStringLiteral("通知浏览"));
            // On a visible window it changes nothing.
            QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+b")}));
            QTest::qWait(300);
            QVERIFY(m.isVisible());
            VekApplication::instance()->destroyOwned();
            forms::main = nullptr;
        }
        forms::DataModule1 = nullptr;
    }

    // A notice pops up without taking the keyboard from what the user is typing in.
    void popupLeavesTheFocus()
    {
        TestWorld w;
        MessageRecorder boxes;
        Settings s = w.settings();
        s.port = freeUdpPort();
        TDataModule1 dm(s);
        forms::DataModule1 = &dm;
        {
            Tmain m;
            forms::main = &m;
            m.show();
            QVERIFY(QTest::qWaitForWindowExposed(&m));
            m.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&m));
            m.tzll->RzEdit1->setVisible(true);
            m.tzll->Panel5->setVisible(true);
            m.tzll->RzEdit1->setFocus();
            QTRY_VERIFY(m.tzll->RzEdit1->hasFocus());
            m.IdUDPServerUDPRead("show|通知|消息|x");
            QVERIFY(QTest::qWaitFor([] {
                for (QWidget* t : QApplication::topLevelWidgets())
                    if (qobject_cast<Ttctz*>(t) && t->isVisible())
                        return true;
                return false;
            }, 5000));
            QTest::qWait(300);
            QCOMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&m));
            QVERIFY(m.tzll->RzEdit1->hasFocus());
            VekApplication::instance()->destroyOwned();
            forms::main = nullptr;
        }
        forms::DataModule1 = nullptr;
    }

    // A newer version announced: the login starts the updater beside the client and the client ends
    // with exit code 0; the main window never appears and the online address stays set.
    void loginHandsOverToTheUpdater()
    {
        TestWorld w(true);
        w.sql(QStringLiteral("vek"), QStringLiteral("update tbl_sys set kl='2.1.2.8' where yhm='softvercheck'"));
        const QString folder = w.dir() + QStringLiteral("/install");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::copy(QStringLiteral(VEK_BIN_DIR "/P_vekclient"), folder + QStringLiteral("/P_vekclient")));
        const QString marker = w.dir() + QStringLiteral("/updater-ran");
        const QString updater = folder + QStringLiteral("/p_vekupd");
        {
            QFile f(updater);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QStringLiteral("#!/bin/sh\necho started > '%1'\n").arg(marker).toUtf8());
        }
        QFile::setPermissions(updater, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QProcess client;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), g_display);
        env.insert(QStringLiteral("VEKORA_CONFIG"), w.writeIni(QStringLiteral("[network]\nport=%1\n").arg(freeUdpPort())));
        // The shipped client shows every box to the person: it does not log them where this names.
        env.insert(QStringLiteral("VEKORA_MESSAGE_LOG"), w.dir() + QStringLiteral("/boxes"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), w.dir());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), w.dir() + QStringLiteral("/config"));
        client.setProcessEnvironment(env);
        client.setWorkingDirectory(w.dir());
        client.start(folder + QStringLiteral("/P_vekclient"), {});
        QVERIFY(client.waitForStarted());

        QString window;
        QVERIFY2(QTest::qWaitFor([&] {
                     return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                     QString::number(client.processId())},
                                    &window) &&
                            !window.isEmpty();
                 }, 20000),
                 "the login dialog did not appear");
        window = window.section(QLatin1Char('\n'), 0, 0);
        QVERIFY(xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}));
        QVERIFY(xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), QStringLiteral("KPTA2")}));
        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
        QVERIFY(xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), QStringLiteral("8888")}));
        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));

        QVERIFY2(client.waitForFinished(20000), "the client did not end");
        QCOMPARE(client.exitStatus(), QProcess::NormalExit);
        QCOMPARE(client.exitCode(), 0);
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(marker); }, 5000));
        QVERIFY(!QFile::exists(w.dir() + QStringLiteral("/boxes"))); // no box, and none answered behind the person's back
        QCOMPARE(w.value(QStringLiteral("vek"), QStringLiteral("select zxip from tbl_dzb where vekyhm='KPTA2'")),
                 platform::localIPv4Address());
    }
};

int main(int argc, char** argv)
{
    Xvfb xvfb(QStringLiteral("1280x800x24"), 91);
    g_display = xvfb.display;
    if (!g_display.isEmpty()) {
        qputenv("DISPLAY", g_display.toUtf8());
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    VekApplication app(argc, argv);
    TstXSession t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_xsession.moc"
