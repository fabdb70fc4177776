// A day at the plant on one machine. Three workstations, each a network namespace of its own with its
// own IPv4 address, host name and screen (Xvfb), joined by a bridge in a fourth namespace. Each runs the
// client's start-up against the same demo databases and is worked through its control line as a
// person would (vek_station); the notices travel as real datagrams between the addresses. At the end
// one workstation is upgraded through the real updater and the new client is logged in by typing.
//
// Needs root (network namespaces), iproute2, util-linux's unshare, Xvfb, xdotool and ImageMagick;
// skips otherwise. Screenshots of each workstation's screen go to VEK_PLANT_SHOTS (or the folder given
// in the environment variable of that name).

#include "platform/fileversion.h"
#include "testworld.h"
#include "xserver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <memory>
#include <unistd.h>

namespace {

QString shotsDir()
{
    const QString named = qEnvironmentVariable("VEK_PLANT_SHOTS");
    return named.isEmpty() ? QStringLiteral(VEK_PLANT_SHOTS) : named;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs a command as root; returns its exit code (-1 when it could not run), output in `out`.
int run(const QString& program, const QStringList& args, QString* out = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(30000))
        return -1;
    if (out)
        *out = QString::fromUtf8(p.readAll()).trimmed();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// The grid row (1-based) of a browser listing answer that shows `text`, 0 when none does.
int rowOf(const QStringList& answer, const QString& text)
{
    for (int i = 1; i < answer.size(); ++i)
        if (answer[i].contains(text))
            return i;
    return 0;
}

QString unescape(const QString& s)
{
    QString r;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] != QLatin1Char('\\') || i + 1 == s.size()) {
            r += s[i];
            continue;
        }
        const QChar c = s[++i];
        r += c == QLatin1Char('t') ? QChar(u'\t') : c == QLatin1Char('n') ? QChar(u'\n') : c == QLatin1Char('r') ? QChar(u'\r') : c;
    }
    return r;
}

// One workstation: its namespace, screen, folder and the running station program.
struct Workstation {
    int number = 0;
    QString ns, host, ip, dir;
    std::unique_ptr<Xvfb> screen;
    QProcess process;
    QByteArray buffer;
    QList<QStringList> replies;
    QList<QStringList> popups; // caption, heading, body
    QStringList boxes;         // caption: text
    bool mainShown = false;

    QString boxLog() const { return dir + QStringLiteral("/boxes.log"); }

    void read()
    {
        buffer += process.readAllStandardOutput();
        qsizetype eol;
        while ((eol = buffer.indexOf('\n')) >= 0) {
            QStringList fields = QString::fromUtf8(buffer.left(eol)).split(QLatin1Char('\t'));
            buffer.remove(0, eol + 1);
            for (QString& f : fields)
                f = unescape(f);
            const QString kind = fields.takeFirst();
            if (kind == QLatin1String("popup"))
                popups << fields;
            else if (kind == QLatin1String("box"))
                boxes << fields.value(0) + QStringLiteral(": ") + fields.value(1);
            else if (kind == QLatin1String("main"))
                mainShown = true;
            else
                replies << (QStringList{kind} + fields);
        }
    }

    // Sends a command and waits for its answer: "ok" and the reply's fields, or fails the test.
    QStringList command(const QStringList& fields, int ms = 30000)
    {
        replies.clear();
        process.write(fields.join(QLatin1Char('\t')).toUtf8() + '\n');
        if (!QTest::qWaitFor([&] { return !replies.isEmpty() || process.state() == QProcess::NotRunning; }, ms))
            return {QStringLiteral("timeout"), fields.join(QLatin1Char(' '))};
        if (replies.isEmpty())
            return {QStringLiteral("ended"), QString::fromUtf8(readAll(dir + QStringLiteral("/stderr.log")))};
        return replies.takeFirst();
    }
};

#define COMMAND(ws, ...)                                                                                   \
    do {                                                                                                   \
        const QStringList reply_ = (ws).command({__VA_ARGS__});                                            \
        QVERIFY2(reply_.value(0) == QLatin1String("ok"), qPrintable(QStringLiteral("workstation %1: %2")   \
                                                                       .arg((ws).number)                   \
                                                                       .arg(reply_.join(QLatin1Char(' '))))); \
    } while (false)

} // namespace

class TstPlant : public QObject {
    Q_OBJECT

    std::unique_ptr<TestWorld> w;
    QString lan;
    Workstation ws[3];
    QString caption; // the pop-up caption of a person's notice, as seen in the morning

    Workstation& station(int n) { return ws[n - 1]; }

    // The pop-ups each workstation has shown so far.
    QList<qsizetype> popupCounts() const { return {ws[0].popups.size(), ws[1].popups.size(), ws[2].popups.size()}; }

    // Waits for exactly one new pop-up on workstation `n` and, a moment later, none anywhere else.
    QStringList expectPopupOnlyOn(int n, const QList<qsizetype>& before)
    {
        Workstation& target = station(n);
        if (!QTest::qWaitFor([&] { return target.popups.size() > before[n - 1]; }, 10000))
            return {};
        QTest::qWait(1000); // datagrams to the wrong place would have arrived by now
        for (int i = 1; i <= 3; ++i)
            if (station(i).popups.size() != before[i - 1] + (i == n ? 1 : 0))
                return {QStringLiteral("unexpected pop-ups on workstation %1").arg(i)};
        return target.popups.last();
    }

    // The time of day on the database server, as every workstation sees it.
    void setClocks(const QString& time)
    {
        for (Workstation& s : ws)
            COMMAND(s, QStringLiteral("clock"), QStringLiteral("2026-12-10T") + time);
    }

    void grabAll(const QString& moment)
    {
        for (Workstation& s : ws)
            QVERIFY2(s.screen->grab(shotsDir() + QStringLiteral("/ws%1-%2.png").arg(s.number).arg(moment)),
                     qPrintable(moment));
    }

    QString vek(const QString& select) const { return w->value(QStringLiteral("vek"), select); }

    bool startStation(Workstation& s, const QString& program)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), s.screen->display);
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.qpa.*=false"));
        env.insert(QStringLiteral("VEKORA_CONFIG"), s.dir + QStringLiteral("/vekora.ini"));
        env.insert(QStringLiteral("VEKORA_REGISTRY"), s.dir + QStringLiteral("/HKLM.reg"));
        env.insert(QStringLiteral("VEKORA_MESSAGE_LOG"), s.boxLog()); // the updater's and a plain client's boxes
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), s.dir + QStringLiteral("/run"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), s.dir + QStringLiteral("/config"));
        s.process.setProcessEnvironment(env);
        s.process.setWorkingDirectory(s.dir);
        s.process.setStandardErrorFile(s.dir + QStringLiteral("/stderr.log"));
        QObject::connect(&s.process, &QProcess::readyReadStandardOutput, &s.process, [&s] { s.read(); });
        // In the workstation's namespace, under its own host name (its hosts file comes with the namespace).
        s.process.start(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("exec"), s.ns, QStringLiteral("unshare"),
                                              QStringLiteral("--uts"), QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                                              QStringLiteral("hostname \"$0\" && exec \"$1\""), s.host, program});
        return s.process.waitForStarted(10000);
    }

    void tearDownNetwork()
    {
        for (Workstation& s : ws) {
            if (s.ns.isEmpty())
                continue;
            run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("delete"), s.ns});
            QDir(QStringLiteral("/etc/netns/") + s.ns).removeRecursively();
        }
        if (!lan.isEmpty())
            run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("delete"), lan});
        QDir().rmdir(QStringLiteral("/etc/netns")); // only when no other namespace has files there
    }

    // Namespaces and hosts files of an earlier run that ended without cleaning up (its process is gone).
    static void removeLeftovers()
    {
        QString list;
        run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("list")}, &list);
        static const QRegularExpression ours(QStringLiteral("^vekplant(\\d+)-(lan|ws\\d)$"));
        QStringList names = list.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        names += QDir(QStringLiteral("/etc/netns")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (QString name : names) {
            name = name.section(QLatin1Char(' '), 0, 0);
            const QRegularExpressionMatch m = ours.match(name);
            if (!m.hasMatch() || QFile::exists(QStringLiteral("/proc/") + m.captured(1)))
                continue;
            run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("delete"), name});
            QDir(QStringLiteral("/etc/netns/") + name).removeRecursively();
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (geteuid() != 0)
            QSKIP("network namespaces need root");
        for (const char* tool : {"ip", "unshare", "Xvfb", "xdotool", "import"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QString::fromLatin1(tool))));
        removeLeftovers();
        const QString tag = QString::number(getpid());
        lan = QStringLiteral("vekplant%1-lan").arg(tag);
        QString out;
        if (run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("add"), lan}, &out) != 0) {
            lan.clear();
            QSKIP(qPrintable(QStringLiteral("network namespaces cannot be made here: ") + out));
        }

        w = std::make_unique<TestWorld>(true);
        // Nobody is online before the day starts.
        w->sql(QStringLiteral("vek"), QStringLiteral("update tbl_dzb set zxip=''"));
        QVERIFY(QDir().mkpath(shotsDir()));

        const auto ipn = [&](const QStringList& args) {
            QString o;
            const int rc = run(QStringLiteral("ip"), args, &o);
            return rc == 0 ? QString() : args.join(QLatin1Char(' ')) + QStringLiteral(": ") + o;
        };
        QString failed = ipn({QStringLiteral("-n"), lan, QStringLiteral("link"), QStringLiteral("add"), QStringLiteral("br0"),
                              QStringLiteral("type"), QStringLiteral("bridge")});
        if (failed.isEmpty())
            failed = ipn({QStringLiteral("-n"), lan, QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("br0"), QStringLiteral("up")});
        QVERIFY2(failed.isEmpty(), qPrintable(failed));

        const QString ini = QStringLiteral("[databases]\nvek=sqlite:%1\nServiceCenter=sqlite:%2\nhr=sqlite:%3\nequip=sqlite:%4\n"
                                           "[plant]\nserver=sqlite:%1\n")
                                .arg(w->dbFile(QStringLiteral("vek")), w->dbFile(QStringLiteral("ServiceCenter")),
                                     w->dbFile(QStringLiteral("hr")), w->dbFile(QStringLiteral("equip")));
        for (int i = 0; i < 3; ++i) {
            Workstation& s = ws[i];
            s.number = i + 1;
            s.ns = QStringLiteral("vekplant%1-ws%2").arg(tag).arg(s.number);
            s.host = QStringLiteral("ws%1").arg(s.number);
            s.ip = QStringLiteral("10.66.0.%1").arg(10 + s.number);
            s.dir = w->dir() + QStringLiteral("/ws%1").arg(s.number);
            QVERIFY(QDir().mkpath(s.dir + QStringLiteral("/run")));
            {
                QFile f(s.dir + QStringLiteral("/vekora.ini"));
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(ini.toUtf8());
            }
            // The hosts file of the workstation: `ip netns exec` puts it over /etc/hosts.
            QVERIFY(QDir().mkpath(QStringLiteral("/etc/netns/") + s.ns));
            {
                QFile f(QStringLiteral("/etc/netns/%1/hosts").arg(s.ns));
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(QStringLiteral("127.0.0.1\tlocalhost\n%1\t%2\n").arg(s.ip, s.host).toUtf8());
            }
            const QString port = QStringLiteral("p%1").arg(s.number);
            for (const QStringList& args : QList<QStringList>{
                     {QStringLiteral("netns"), QStringLiteral("add"), s.ns},
                     {QStringLiteral("-n"), lan, QStringLiteral("link"), QStringLiteral("add"), port, QStringLiteral("type"),
                      QStringLiteral("veth"), QStringLiteral("peer"), QStringLiteral("name"), QStringLiteral("eth0"),
                      QStringLiteral("netns"), s.ns},
                     {QStringLiteral("-n"), lan, QStringLiteral("link"), QStringLiteral("set"), port, QStringLiteral("master"),
                      QStringLiteral("br0"), QStringLiteral("up")},
                     {QStringLiteral("-n"), s.ns, QStringLiteral("addr"), QStringLiteral("add"), s.ip + QStringLiteral("/24"),
                      QStringLiteral("dev"), QStringLiteral("eth0")},
                     {QStringLiteral("-n"), s.ns, QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("eth0"), QStringLiteral("up")},
                     {QStringLiteral("-n"), s.ns, QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"), QStringLiteral("up")}}) {
                failed = ipn(args);
                QVERIFY2(failed.isEmpty(), qPrintable(failed));
            }
            s.screen = std::make_unique<Xvfb>(QStringLiteral("1280x800x24"), 170 + 30 * i);
            QVERIFY2(!s.screen->display.isEmpty(), "no X server for a workstation");
        }

        // The third workstation runs from an installation folder of its own, with the updater and the
        // plain client beside it, so that it can be upgraded (the test builds, which log their boxes).
        const QString folder = station(3).dir + QStringLiteral("/install");
        QVERIFY(QDir().mkpath(folder));
        for (const char* name : {"P_vekclient", "p_vekupd", "FIND.AVI"})
            QVERIFY(QFile::copy(QStringLiteral(VEK_TEST_BIN_DIR "/") + QString::fromLatin1(name), folder + QLatin1Char('/') + QString::fromLatin1(name)));
        QVERIFY(QFile::copy(QStringLiteral(VEK_STATION), folder + QStringLiteral("/vek_station")));

        for (Workstation& s : ws)
            QVERIFY(startStation(s, s.number == 3 ? folder + QStringLiteral("/vek_station") : QStringLiteral(VEK_STATION)));
    }

    void cleanupTestCase()
    {
        for (Workstation& s : ws) {
            if (s.process.state() != QProcess::NotRunning) {
                s.process.closeWriteChannel(); // a station ends when its control line closes
                if (!s.process.waitForFinished(5000)) {
                    s.process.kill();
                    s.process.waitForFinished(5000);
                }
            }
        }
        // The plain client started by the updater, if it is still there.
        run(QStringLiteral("pkill"), {QStringLiteral("-f"), station(3).dir + QStringLiteral("/install/P_vekclient")});
        for (Workstation& s : ws)
            s.screen.reset();
        tearDownNetwork();
    }

    // 08:00: each workstation logs in as a different person; each is online at its own address.
    void morningLogins()
    {
        const QStringList users{QStringLiteral("10301"), QStringLiteral("KPTA2"), QStringLiteral("10402")};
        const QStringList passwords{QStringLiteral("1234"), QStringLiteral("8888"), QStringLiteral("1234")};
        for (Workstation& s : ws) {
            COMMAND(s, QStringLiteral("clock"), QStringLiteral("2026-12-10T08:00:00"));
            COMMAND(s, QStringLiteral("login"), users[s.number - 1], passwords[s.number - 1]);
        }
        for (Workstation& s : ws) {
            QVERIFY2(QTest::qWaitFor([&] { return s.mainShown; }, 20000),
                     qPrintable(QStringLiteral("workstation %1: %2").arg(s.number).arg(s.boxes.join(QLatin1Char(';')))));
            QCOMPARE(vek(QStringLiteral("select zxip from tbl_dzb where vekyhm='%1'").arg(users[s.number - 1])), s.ip);
            QCOMPARE(s.boxes, QStringList());
        }
        QCOMPARE(vek(QStringLiteral("select count(*) from tbl_dzb where zxip<>''")), QStringLiteral("3"));
        grabAll(QStringLiteral("1-logged-in"));
    }

    // 08:05: 陈晓燕 signs in for the morning on the third workstation.
    void morningAttendance()
    {
        Workstation& s = station(3);
        COMMAND(s, QStringLiteral("clock"), QStringLiteral("2026-12-10T08:05:00"));
        COMMAND(s, QStringLiteral("nav"), QStringLiteral("上午签到"));
        QCOMPARE(w->rows(QStringLiteral("ServiceCenter"),
                         QStringLiteral("select username,operationtime,attendancetype,usercode from Attendance")),
                 (QList<QStringList>{{QStringLiteral("陈晓燕"), QStringLiteral("2026-12-10 08:05:00.000"), QStringLiteral("出勤"),
                                      QStringLiteral("10402")}}));
        QCOMPARE(s.boxes, QStringList{QStringLiteral("提示: 您今天上午签到成功！")});
    }

    // 09:00: 孙建军 sends a notice to 陈晓燕; only her workstation pops it up. She reads it and answers;
    // only his workstation pops up the answer.
    void noticeToAPersonAndTheReply()
    {
        Workstation& a = station(1);
        Workstation& c = station(3);
        setClocks(QStringLiteral("09:00:00"));
        COMMAND(a, QStringLiteral("nav"), QStringLiteral("发送通知"));
        COMMAND(a, QStringLiteral("choose"), QStringLiteral("陈晓燕 在线"));
        COMMAND(a, QStringLiteral("subject"), QStringLiteral("10点在检修部会议室开安全例会"));
        auto before = popupCounts();
        COMMAND(a, QStringLiteral("send"));
        QVERIFY(a.boxes.endsWith(QStringLiteral("提示: 发送成功！")));
        const QStringList popup = expectPopupOnlyOn(3, before);
        QVERIFY2(popup.size() == 3, qPrintable(popup.join(QLatin1Char(' '))));
        QVERIFY2(popup.join(QLatin1Char(' ')).contains(QStringLiteral("10点在检修部会议室开安全例会")), qPrintable(popup.join(QLatin1Char(' '))));
        caption = popup[0];
        QCOMPARE(w->rows(QStringLiteral("vek"), QStringLiteral("select fsr,fsrgh,jsr,jsrgh,sfcy from tbl_main where zt='10点在检修部会议室开安全例会'")),
                 (QList<QStringList>{{QStringLiteral("孙建军"), QStringLiteral("10301"), QStringLiteral("陈晓燕"), QStringLiteral("10402"),
                                      QStringLiteral("否")}}));
        grabAll(QStringLiteral("2-notice-popped-up"));

        COMMAND(c, QStringLiteral("clock"), QStringLiteral("2026-12-10T09:02:00"));
        COMMAND(c, QStringLiteral("nav"), QStringLiteral("通知浏览"));
        // Unread and read notices alike, so that the row stays in the listing once it is read.
        QStringList rows = c.command({QStringLiteral("query"), QStringLiteral("0"), QStringLiteral("0")});
        int row = rowOf(rows, QStringLiteral("10点在检修部会议室开安全例会"));
        QVERIFY2(rows.value(0) == QLatin1String("ok") && row > 0, qPrintable(rows.join(QLatin1Char('\n'))));
        rows = c.command({QStringLiteral("read"), QString::number(row)});
        QCOMPARE(vek(QStringLiteral("select sfcy from tbl_main where zt='10点在检修部会议室开安全例会'")), QStringLiteral("是"));
        row = rowOf(rows, QStringLiteral("10点在检修部会议室开安全例会"));
        QVERIFY2(rows.value(0) == QLatin1String("ok") && row > 0, qPrintable(rows.join(QLatin1Char('\n'))));
        before = popupCounts();
        COMMAND(c, QStringLiteral("reply"), QString::number(row), QStringLiteral("收到，准时参加"));
        const QStringList answer = expectPopupOnlyOn(1, before);
        QVERIFY2(answer.join(QLatin1Char(' ')).contains(QStringLiteral("收到，准时参加")), qPrintable(answer.join(QLatin1Char(' '))));
        QCOMPARE(w->rows(QStringLiteral("vek"), QStringLiteral("select fsrgh,jsrgh,jsr from tbl_main where zt='收到，准时参加'")),
                 (QList<QStringList>{{QStringLiteral("10402"), QStringLiteral("10301"), QStringLiteral("孙建军")}}));
        grabAll(QStringLiteral("3-reply-popped-up"));
    }

    // 09:30: the shift account on the second workstation sends to the whole 电气班: a row for each of
    // its three people, and a pop-up only where one of them is online (孙建军 on the first).
    void noticeToADepartment()
    {
        Workstation& b = station(2);
        setClocks(QStringLiteral("09:30:00"));
        COMMAND(b, QStringLiteral("nav"), QStringLiteral("发送通知"));
        COMMAND(b, QStringLiteral("choose"), QStringLiteral("电气班"));
        COMMAND(b, QStringLiteral("subject"), QStringLiteral("#2炉B磨煤机停运检修，请电气班配合隔离"));
        const auto before = popupCounts();
        COMMAND(b, QStringLiteral("send"));
        QVERIFY(b.boxes.endsWith(QStringLiteral("提示: 发送成功！")));
        const QStringList popup = expectPopupOnlyOn(1, before);
        QVERIFY2(popup.join(QLatin1Char(' ')).contains(QStringLiteral("#2炉B磨煤机停运检修")), qPrintable(popup.join(QLatin1Char(' '))));
        QCOMPARE(w->rows(QStringLiteral("vek"), QStringLiteral("select jsrgh,fsrgh from tbl_main where zt like '#2炉B磨煤机停运检修%' order by jsrgh")),
                 (QList<QStringList>{{QStringLiteral("10301"), QStringLiteral("KPTA2")},
                                     {QStringLiteral("10302"), QStringLiteral("KPTA2")},
                                     {QStringLiteral("10303"), QStringLiteral("KPTA2")}}));
    }

    // 10:30: 孙建军 reports a broken computer on the IT defect page.
    void itDefectReport()
    {
        Workstation& a = station(1);
        COMMAND(a, QStringLiteral("clock"), QStringLiteral("2026-12-10T10:30:00"));
        COMMAND(a, QStringLiteral("nav"), QStringLiteral("MIS 缺陷"));
        const QStringList reply = a.command({QStringLiteral("report"), QStringLiteral("10301"), QStringLiteral("6021"),
                                             QStringLiteral("检修楼302"), QStringLiteral("打印机卡纸，无法打印工作票"),
                                             QStringLiteral("联想 M720"), QStringLiteral("1")});
        QCOMPARE(reply, (QStringList{QStringLiteral("ok"), QStringLiteral("孙建军"), QStringLiteral("检修部")}));
        QVERIFY2(a.boxes.endsWith(QStringLiteral("提示: 报缺成功！")), qPrintable(a.boxes.join(QLatin1Char(';'))));
        QCOMPARE(w->rows(QStringLiteral("ServiceCenter"),
                         QStringLiteral("select userid,username,tel,address,computertype,faultdescription,reportdate from reportbugs "
                                        "where reportdate like '2026-12-10%'")),
                 (QList<QStringList>{{QStringLiteral("10301"), QStringLiteral("孙建军"), QStringLiteral("6021"), QStringLiteral("检修楼302"),
                                      QStringLiteral("联想 M720"), QStringLiteral("打印机卡纸，无法打印工作票"),
                                      QStringLiteral("2026-12-10 10:30:00.000")}}));
        grabAll(QStringLiteral("4-defect-reported"));
    }

    // 11:00: 孙建军 eliminates the #2 unit's defect from his notice; the acceptance request pops up on
    // the #2 unit shift's workstation only.
    void defectEliminationAndAcceptance()
    {
        Workstation& a = station(1);
        setClocks(QStringLiteral("11:00:00"));
        COMMAND(a, QStringLiteral("nav"), QStringLiteral("通知浏览"));
        const QStringList rows = a.command({QStringLiteral("query"), QStringLiteral("0"), QStringLiteral("2")});
        const int row = rowOf(rows, QStringLiteral("QX-2026-031"));
        QVERIFY2(row > 0, qPrintable(rows.join(QLatin1Char('\n'))));
        COMMAND(a, QStringLiteral("eliminate"), QString::number(row));
        const auto before = popupCounts();
        COMMAND(a, QStringLiteral("eliminator"), QStringLiteral("10302"), QStringLiteral("更换润滑油泵电机轴承，试转正常"));
        const QStringList popup = expectPopupOnlyOn(2, before);
        QVERIFY2(popup.join(QLatin1Char(' ')).contains(QStringLiteral("缺陷验收")), qPrintable(popup.join(QLatin1Char(' '))));
        grabAll(QStringLiteral("5-acceptance-popped-up"));
        COMMAND(a, QStringLiteral("close"));
        QCOMPARE(w->rows(QStringLiteral("equip"),
                         QStringLiteral("select f_state,f_handle_man,f_handle_detail,f_handle_time,f_handle_result,f_handle_team "
                                        "from t_equip_flaw where f_code='F2026111800031'")),
                 (QList<QStringList>{{QStringLiteral("70"), QStringLiteral("马超"), QStringLiteral("更换润滑油泵电机轴承，试转正常"),
                                      QStringLiteral("2026-12-10 11:00:00"), QStringLiteral("1"), QStringLiteral("电气班")}}));
        QVERIFY2(a.boxes.endsWith(QStringLiteral("提示: 消缺成功！")), qPrintable(a.boxes.join(QLatin1Char(';'))));
        QCOMPARE(w->rows(QStringLiteral("vek"), QStringLiteral("select lx,zt,fsrgh,jsr,jsrgh from tbl_main where lx='请验收' and fsrq='2026-12-10'")),
                 (QList<QStringList>{{QStringLiteral("请验收"), QStringLiteral("缺陷代码：QX-2026-031"), QStringLiteral("10301"),
                                      QStringLiteral("#2机组甲值"), QStringLiteral("KPTA2")}}));
    }

    // 11:30: 孙建军 changes his MIS password; the personnel directory has the new one.
    void passwordChange()
    {
        Workstation& a = station(1);
        COMMAND(a, QStringLiteral("clock"), QStringLiteral("2026-12-10T11:30:00"));
        COMMAND(a, QStringLiteral("nav"), QStringLiteral("MIS口令更改"));
        const qsizetype boxes = a.boxes.size();
        COMMAND(a, QStringLiteral("password"), QStringLiteral("1234"), QStringLiteral("Dq#2026x"));
        QCOMPARE(a.boxes.mid(boxes), QStringList{QStringLiteral("提示: 更改口令成功，请牢记新口令！")});
        QCOMPARE(w->value(QStringLiteral("hr"), QStringLiteral("select password from table_zd where rycode='10301'")), QStringLiteral("Dq#2026x"));
        QVERIFY(vek(QStringLiteral("select zhxgklsj from tbl_dzb where vekyhm='10301'")).startsWith(QStringLiteral("2026-12-10 11:30:00")));
    }

    // 13:00: a new version is announced; the third workstation's periodic check prompts, the updater
    // writes the new client over the old one and starts it, and 陈晓燕 logs in to it by typing. A notice
    // sent to her then pops up on the upgraded workstation.
    void upgradeOfOneWorkstation()
    {
        Workstation& c = station(3);
        const QString client = c.dir + QStringLiteral("/install/P_vekclient");
        const QByteArray newClient = newerClient(QStringLiteral(VEK_TEST_BIN_DIR "/P_vekclient"));
        w->sql(QStringLiteral("vek"), QStringLiteral("update tbl_sys set kl='2.1.2.8' where yhm='softvercheck';delete from tbl_soft"));
        w->storeSoftware(QStringLiteral("发现新版本 2.1.2.8"), QStringLiteral("修正若干问题"), newClient);

        COMMAND(c, QStringLiteral("clock"), QStringLiteral("2026-12-10T13:00:00"));
        const QStringList prompt = c.command({QStringLiteral("vercheck")});
        QCOMPARE(prompt, (QStringList{QStringLiteral("ok"), QStringLiteral("open")}));
        grabAll(QStringLiteral("6-upgrade-prompt"));
        w->sql(QStringLiteral("vek"), QStringLiteral("update tbl_dzb set zxip='' where vekyhm='10402'"));
        COMMAND(c, QStringLiteral("upgrade"));
        QVERIFY2(c.process.waitForFinished(20000), "the workstation did not hand over");
        QCOMPARE(c.process.exitCode(), 0);

        const QString updater = c.screen->waitForWindow(QStringLiteral("^软件升级$"));
        QVERIFY2(!updater.isEmpty(), qPrintable(QStringLiteral("the updater did not come up: ") + QString::fromUtf8(readAll(c.boxLog())) +
                                                QString::fromUtf8(readAll(c.dir + QStringLiteral("/stderr.log")))));
        QTest::qWait(500);
        grabAll(QStringLiteral("7-updater"));
        // "升级(&Y)" sits in the bottom bar, 44 pixels high, at x 212..287.
        QVERIFY(xdotool(c.screen->display, {QStringLiteral("mousemove"), QStringLiteral("--window"), updater, QStringLiteral("250"),
                                            QString::number(282 - 44 + 23)}));
        QVERIFY(xdotool(c.screen->display, {QStringLiteral("click"), QStringLiteral("1")}));
        QVERIFY2(QTest::qWaitFor([&] { return readAll(c.boxLog()).contains("升级成功!"); }, 30000), readAll(c.boxLog()).constData());
        QCOMPARE(vek::platform::getfilever(client), QStringLiteral("2.1.2.8"));
        QCOMPARE(readAll(client), newClient);

        // The new client's login dialog: the focused window once the updater has gone.
        const QString login = c.screen->waitForWindowOf(client, 60000);
        QVERIFY2(!login.isEmpty(),
                 qPrintable(QStringLiteral("the new client did not come up: ") + QString::fromUtf8(readAll(c.boxLog()))));
        QTest::qWait(500);
        QVERIFY(xdotool(c.screen->display, {QStringLiteral("windowfocus"), QStringLiteral("--sync"), login}));
        for (const QString& typed : {QStringLiteral("10402"), QStringLiteral("1234")}) {
            QVERIFY(xdotool(c.screen->display, {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), typed}));
            QVERIFY(xdotool(c.screen->display, {QStringLiteral("key"), QStringLiteral("Return")}));
        }
        QVERIFY2(QTest::qWaitFor([&] { return vek(QStringLiteral("select zxip from tbl_dzb where vekyhm='10402'")) == c.ip; }, 20000),
                 qPrintable(QStringLiteral("the upgraded workstation did not log in: ") + QString::fromUtf8(readAll(c.boxLog()))));

        // A notice from the first workstation pops up on the upgraded one.
        Workstation& a = station(1);
        COMMAND(a, QStringLiteral("nav"), QStringLiteral("发送通知"));
        COMMAND(a, QStringLiteral("choose"), QStringLiteral("陈晓燕 在线"));
        COMMAND(a, QStringLiteral("subject"), QStringLiteral("新版本已安装"));
        COMMAND(a, QStringLiteral("send"));
        QVERIFY2(!c.screen->waitForWindow(QStringLiteral("^%1$").arg(QRegularExpression::escape(caption)), 10000).isEmpty(),
                 "no pop-up on the upgraded workstation");
        QTest::qWait(500);
        grabAll(QStringLiteral("8-upgraded-client-popped-up"));
        QCOMPARE(QString::fromUtf8(readAll(c.boxLog())).split(QLatin1Char('\n')).filter(QStringLiteral("升级")).size(), 2); // the question and the success, nothing else
    }
};

QTEST_MAIN(TstPlant)
#include "tst_plant.moc"
