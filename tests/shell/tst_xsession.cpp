// Under a real X server (Xvfb): Ctrl+Alt+B from another program brings the hidden main window back,
// and a person typing into the real client's login dialog with a newer version announced hands over to
// the updater. Skips cleanly where no X server can be started.

#include "U_datamodule.h"
#include "U_main.h"
#include "forms.h"
#include "notices/U_tctz.h"
#include "notices/U_tzll.h"
#include "notices/datagram.h"
#include "platform/system.h"
#include "testworld.h"
#include "xserver.h"
#include "vekapplication.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QThread>
#include <QUdpSocket>

#include <csignal>

#include <X11/Xlib.h>

using namespace vek;

namespace {

QString g_display; // ":N" of the server this test started, empty when none could be

bool xdotool(const QStringList& args, QString* out = nullptr)
{
    return ::xdotool(g_display, args, out);
}

// The real client started on `display` in the world `w`, logged in by a person typing the shift
// account KPTA2 into its login dialog; its notice port is `port`.
bool startLoggedIn(QProcess& client, TestWorld& w, const QString& display, quint16 port)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("VEKORA_CONFIG"), w.writeIni(QStringLiteral("[network]\nport=%1\n").arg(port)));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), w.dir());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), w.dir() + QStringLiteral("/config"));
    client.setProcessEnvironment(env);
    client.setWorkingDirectory(w.dir());
    client.start(QStringLiteral(VEK_BIN_DIR "/P_vekclient"), {});
    if (!client.waitForStarted())
        return false;
    const QString pid = QString::number(client.processId());
    QString window;
    if (!QTest::qWaitFor([&] {
            return ::xdotool(display, {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), pid},
                             &window) &&
                   !window.isEmpty();
        }, 20000))
        return false;
    auto x = [&](const QStringList& args) { return ::xdotool(display, args); };
    if (!x({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}) ||
        !x({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), QStringLiteral("KPTA2")}) ||
        !x({QStringLiteral("key"), QStringLiteral("Return")}) ||
        !x({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), QStringLiteral("8888")}) ||
        !x({QStringLiteral("key"), QStringLiteral("Return")}))
        return false;
    // Logged in once the main window is up.
    return QTest::qWaitFor([&] {
        QString main;
        return ::xdotool(display, {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), pid,
                                   QStringLiteral("--name"), QStringLiteral("^Vekora客户端$")},
                         &main) &&
               !main.isEmpty();
    }, 20000);
}

// Of the windows `ids` (decimal X ids), the one highest in the stacking order, as the screen shows it.
QString topmostOf(const QStringList& ids)
{
    Display* d = XOpenDisplay(g_display.toUtf8().constData());
    if (!d)
        return {};
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    QString top;
    if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) {
        // Bottom-most first: the last one listed is on top.
        for (int i = int(count) - 1; i >= 0 && top.isEmpty(); --i)
            if (ids.contains(QString::number(children[i])))
                top = QString::number(children[i]);
        XFree(children);
    }
    XCloseDisplay(d);
    return top;
}

QString onlineAddress(TestWorld& w)
{
    return w.value(QStringLiteral("vek"), QStringLiteral("select zxip from tbl_dzb where vekyhm='KPTA2'"));
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

    // A log-out, a shutdown or the loss of the display ends the client as "退出" does: the user is no
    // longer shown online, so nobody sends notices into the void.
    void sessionEndClearsTheOnlineAddress_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM (log-out, shutdown)") << int(SIGTERM);
        QTest::newRow("SIGHUP (session closed)") << int(SIGHUP);
        QTest::newRow("display lost") << 0;
    }
    void sessionEndClearsTheOnlineAddress()
    {
        QFETCH(int, signal);
        TestWorld w(true);
        Xvfb own(QStringLiteral("1024x768x24"), 170); // a server of its own, that this test may end
        QVERIFY(!own.display.isEmpty());
        QProcess client;
        QVERIFY2(startLoggedIn(client, w, own.display, freeUdpPort()), "the client did not come up logged in");
        QCOMPARE(onlineAddress(w), platform::localIPv4Address());
        if (signal)
            ::kill(pid_t(client.processId()), signal);
        else
            own.server.kill();
        QVERIFY2(client.waitForFinished(20000), "the client did not end");
        QCOMPARE(client.exitStatus(), QProcess::NormalExit);
        if (signal)
            QCOMPARE(client.exitCode(), 0);
        QCOMPARE(onlineAddress(w), QString());
    }

    // Datagrams from a neighbour at the real client: hostile headings are shown as the characters
    // sent without holding anything up, and a flood leaves at most the bound of pop-ups on the screen,
    // the last datagram's on top, with the main window still answering.
    void hostileDatagramsAtTheRealClient()
    {
        TestWorld w(true);
        QProcess client;
        const quint16 port = freeUdpPort();
        QVERIFY2(startLoggedIn(client, w, g_display, port), "the client did not come up logged in");
        const QString pid = QString::number(client.processId());
        auto popups = [&] {
            QString out;
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("DISPLAY"), g_display);
            p.setProcessEnvironment(env);
            p.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), pid,
                                                QStringLiteral("--name"), QStringLiteral("^(flood[0-9]+|next)$")});
            p.waitForFinished(20000);
            return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        };
        QUdpSocket s;
        QString tables;
        for (int i = 0; i < 67; ++i)
            tables += QStringLiteral("<table><tr><td>");
        QElapsedTimer t;
        t.start();
        s.writeDatagram(notices::showDatagram(QString(), tables, QStringLiteral("x")), QHostAddress::LocalHost, port);
        s.writeDatagram(notices::showDatagram(QString(), QStringLiteral("<img src=\"/dev/zero\">"), QStringLiteral("x")),
                        QHostAddress::LocalHost, port);
        s.writeDatagram("show|next||", QHostAddress::LocalHost, port);
        QVERIFY2(QTest::qWaitFor([&] { return popups().size() == 1; }, 5000), "the notice after the hostile ones did not pop up");
        QVERIFY2(t.elapsed() < 2000, qPrintable(QStringLiteral("%1 ms").arg(t.elapsed())));

        // Three seconds of a thousand datagrams a second.
        const int n = 3000;
        QElapsedTimer pace;
        pace.start();
        for (int i = 0; i < n; ++i) {
            while (pace.elapsed() < i)
                QThread::usleep(200);
            s.writeDatagram("show|flood" + QByteArray::number(i) + "|" + notices::toGbk(QStringLiteral("洪水|正文")), QHostAddress::LocalHost, port);
        }
        QString top;
        QVERIFY2(QTest::qWaitFor([&] {
                     const QStringList ids = popups();
                     return xdotool({QStringLiteral("getwindowname"), topmostOf(ids)}, &top) &&
                            top == QStringLiteral("flood%1").arg(n - 1);
                 }, 20000),
                 qPrintable(QStringLiteral("on top: ") + top));
        QVERIFY2(popups().size() <= Tmain::kPopupBound, qPrintable(QString::number(popups().size())));
        QCOMPARE(client.state(), QProcess::Running);
        client.terminate();
        QVERIFY(client.waitForFinished(20000));
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
