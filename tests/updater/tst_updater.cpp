// The updater: its window in this process (connection states, the upgrade and its outcomes, the
// client's file replaced only as a whole) and the program itself as a process with its box log.

#include "U_form1.h"
#include "avi.h"
#include "boxes.h"
#include "testworld.h"
#include "xserver.h"
#include "ui_U_form1.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QStandardPaths>
#include <QTest>
#include <QUdpSocket>

#include "platform/fileversion.h"

#include <csignal>
#include <filesystem>
#include <signal.h>
#include <sys/stat.h>
#include <optional>
#include <sys/resource.h>

using namespace vekupd;

namespace {

const QString kConnectError = QStringLiteral("错误\t16\t连接服务器IP地址错误或网络不正常\n请用旧版本软件成功登陆一次");
const QString kConfirm = QStringLiteral("提示\t33\t升级前请确认关闭客户端应用程序，确定升级吗！");
const QString kNoRow = QStringLiteral("提示\t48\t软件下载异常,请与维护人员联系!");
const QString kSuccess = QStringLiteral("提示\t48\t升级成功!");
const QByteArray kOldClient = "#!/bin/sh\n# the old client\n";

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A program that leaves a mark beside itself when it runs, padded to `size` bytes.
QByteArray markingProgram(const QByteArray& mark, qsizetype size = 0)
{
    QByteArray p = "#!/bin/sh\necho " + mark + " > \"$(dirname \"$0\")/started\"\n";
    while (p.size() < size)
        p += "# padding padding padding padding padding padding padding padding padding\n";
    return p;
}

void writeRegistry(const TestWorld& w, const QByteArray& body)
{
    writeFile(w.dir() + QStringLiteral("/HKLM.reg"),
              "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\software\\VEK]\n" + body);
}

void pointRegistryAtDb(const TestWorld& w)
{
    writeRegistry(w, "\"ip\"=\"sqlite:" + w.dbFile(QStringLiteral("vek")).toUtf8() + "\"\n");
}


// The updater's folder: FIND.AVI and the old client.
struct Folder {
    QTemporaryDir dir;
    explicit Folder(bool withClient = true, const QByteArray& avi = readAll(QStringLiteral(VEK_FIND_AVI)))
    {
        if (!avi.isNull())
            writeFile(path(QStringLiteral("FIND.AVI")), avi);
        if (withClient)
            writeFile(path(QStringLiteral("P_vekclient")), kOldClient);
    }
    QString path(const QString& name = {}) const { return name.isEmpty() ? dir.path() : dir.filePath(name); }
    // The programs of this build in place of the stand-in client: P_vekclient and p_vekupd as the plant
    // installs them, or their test builds, which log their boxes to VEKORA_MESSAGE_LOG and answer them.
    enum Build { Shipped, TestBuild };
    bool installBuiltPrograms(Build build) const
    {
        const QString from = build == Shipped ? QStringLiteral(VEK_BIN_DIR) : QStringLiteral(VEK_TEST_BIN_DIR);
        QFile::remove(path(QStringLiteral("P_vekclient")));
        return QFile::copy(from + QStringLiteral("/P_vekclient"), path(QStringLiteral("P_vekclient"))) &&
               QFile::copy(from + QStringLiteral("/p_vekupd"), path(QStringLiteral("p_vekupd")));
    }
    QStringList entries() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden); }
};

// Records the boxes as "caption<TAB>flags<TAB>text" and answers from a queue, else with OK.
struct Boxes {
    QStringList seen;
    QList<int> answers;
    Boxes()
    {
        setMessageBoxHandler([this](const QString& text, const QString& caption, int flags) {
            seen << caption + QLatin1Char('\t') + QString::number(flags) + QLatin1Char('\t') + text;
            return answers.isEmpty() ? int(IdOk) : answers.takeFirst();
        });
    }
    ~Boxes() { setMessageBoxHandler({}); }
};

bool addressRowVisible(const TForm1& f)
{
    return f.ui->ipEdit->mapTo(&f, QPoint(0, f.ui->ipEdit->height())).y() <= f.height();
}

// The file-size limit of this process, lowered for a while; writes past it fail instead of ending us.
struct FileSizeLimit {
    rlimit old{};
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit l = old;
        l.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &l);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old); }
};

// Clicks "升级(&Y)": it sits in the bottom bar, 44 pixels high, at x 212..287 of the 282-pixel window.
void clickUpgrade(const Xvfb& x, const QString& window)
{
    QTest::qWait(500);
    QVERIFY(xdotool(x.display, {QStringLiteral("mousemove"), QStringLiteral("--window"), window, QStringLiteral("250"),
                                QStringLiteral("%1").arg(282 - 44 + 23)}));
    QVERIFY(xdotool(x.display, {QStringLiteral("click"), QStringLiteral("1")}));
}

// A visible window of the process `pid` titled exactly `caption`, other than `except`; waits up to
// `ms` (0: looks once). "" when there is none.
QString waitForBox(const Xvfb& x, const QString& pid, const QString& caption, const QString& except = {}, int ms = 60000)
{
    QString found;
    auto look = [&] {
        QString id;
        if (xdotool(x.display, {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                pid, QStringLiteral("--name"), QLatin1Char('^') + caption + QLatin1Char('$')}, &id) &&
            !id.isEmpty() && id != except)
            found = id;
        return !found.isEmpty();
    };
    if (!look() && ms > 0)
        (void)QTest::qWaitFor(look, ms);
    return found;
}

// Presses the default button of the real message box `box` of process `pid`, and waits until it is gone.
bool answerBox(const Xvfb& x, const QString& pid, const QString& caption, const QString& box)
{
    if (!xdotool(x.display, {QStringLiteral("windowfocus"), QStringLiteral("--sync"), box}) ||
        !xdotool(x.display, {QStringLiteral("key"), QStringLiteral("Return")}))
        return false;
    return QTest::qWaitFor([&] { return waitForBox(x, pid, caption, {}, 0) != box; }, 10000);
}

// The titles of the visible windows, for a failure's message.
QStringList visibleTitles(const Xvfb& x)
{
    QStringList titles;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), x.display);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), QStringLiteral("."),
                                        QStringLiteral("getwindowname"), QStringLiteral("%@")});
    p.waitForFinished(20000);
    for (const QString& t : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        titles << QLatin1Char('"') + t + QLatin1Char('"');
    return titles;
}

// Whether the process `pid` has ended: gone, or a zombie waiting for whoever adopted it.
bool processEnded(const QString& pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = status.readAll();
    const qsizetype at = text.indexOf("State:");
    return text.mid(at, text.indexOf('\n', at) - at).contains("zombie");
}

} // namespace

class TstUpdater : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void connectionStates_data()
    {
        QTest::addColumn<QByteArray>("registry"); // the values under the key; "<none>": no file at all
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("shownAddress");
        QTest::newRow("sqlite locator") << QByteArray("<db>") << true << QStringLiteral("sqlite:<db>");
        QTest::newRow("names in other case") << QByteArray("<upper>") << true << QStringLiteral("sqlite:<db>");
        QTest::newRow("no registry file") << QByteArray("<none>") << false << QString();
        QTest::newRow("registry file without its header") << QByteArray("<garbage>") << false << QString();
        QTest::newRow("no ip value") << QByteArray("\"yhm\"=\"1001\"\n") << false << QString();
        QTest::newRow("ip is a number") << QByteArray("\"ip\"=dword:00000001\n") << false << QString();
        QTest::newRow("sqlite file missing") << QByteArray("\"ip\"=\"sqlite:/nonexistent/vek.sqlite\"\n") << false
                                             << QStringLiteral("sqlite:/nonexistent/vek.sqlite");
        QTest::newRow("server unreachable") << QByteArray("\"ip\"=\"10.0.0.5\"\n") << false << QStringLiteral("10.0.0.5");
    }
    void connectionStates()
    {
        QFETCH(QByteArray, registry);
        QFETCH(bool, connected);
        QFETCH(QString, shownAddress);
        TestWorld w;
        // Any server address goes into the settings' template; this driver does not exist.
        qputenv("VEKORA_CONFIG", w.writeIni(QStringLiteral("[updater]\nodbc=DRIVER={no such driver};SERVER={ip}\n")).toUtf8());
        const QString db = w.dbFile(QStringLiteral("vek"));
        if (registry == "<db>")
            pointRegistryAtDb(w);
        else if (registry == "<upper>")
            writeFile(w.dir() + QStringLiteral("/HKLM.reg"), "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\vek]\r\n\"IP\"=\"sqlite:" + db.toUtf8() + "\"\r\n");
        else if (registry == "<garbage>")
            writeFile(w.dir() + QStringLiteral("/HKLM.reg"), "[HKEY_LOCAL_MACHINE\\software\\VEK]\n\"ip\"=\"sqlite:" + db.toUtf8() + "\"\n");
        else if (registry != "<none>")
            writeRegistry(w, registry);
        w.storeSoftware(QStringLiteral("发现新版本 2.1.2.8"), QStringLiteral("1. 修正通知浏览"), markingProgram("new"));
        Folder folder;
        Boxes boxes;

        TForm1 f(folder.path());
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QTest::qWait(50);
        QCOMPARE(f.windowTitle(), QStringLiteral("软件升级"));
        QCOMPARE(f.ui->ipEdit->text(), QString(shownAddress).replace(QStringLiteral("<db>"), db));
        QVERIFY(!f.ui->waitPanel->isVisible());
        if (connected) {
            QVERIFY(boxes.seen.isEmpty());
            QCOMPARE(f.frameGeometry().height(), 282);
            QVERIFY(f.ui->sjButton->isEnabled());
            QVERIFY(!f.ui->ljButton->isEnabled());
            QCOMPARE(f.ui->lb_ts->text(), QStringLiteral("发现新版本 2.1.2.8"));
            QCOMPARE(f.ui->Memo2->toPlainText(), QStringLiteral("1. 修正通知浏览"));
            QVERIFY(!addressRowVisible(f));
        } else {
            QCOMPARE(boxes.seen, QStringList{kConnectError});
            QCOMPARE(f.frameGeometry().height(), 331);
            QVERIFY(!f.ui->sjButton->isEnabled());
            QVERIFY(f.ui->ljButton->isEnabled());
            QVERIFY(f.ui->ipEdit->hasFocus());
            QVERIFY(f.ui->lb_ts->text().isEmpty());
            QVERIFY(addressRowVisible(f));
        }
        QCOMPARE(f.width(), 381);
        // The picture strip fills the left edge of the upper area in both states.
        QCOMPARE(f.ui->Image1->geometry(), QRect(0, 0, 96, f.ui->upperArea->height()));
        QCOMPARE(f.ui->upperArea->height() + f.ui->bottomBar->height(), f.height());
        // Nothing of the upper area's content but the address row is cut off.
        for (QWidget* c : {static_cast<QWidget*>(f.ui->lb_ts), static_cast<QWidget*>(f.ui->Memo2),
                           static_cast<QWidget*>(f.ui->ljButton), f.ui->waitPanel})
            QVERIFY2(c->geometry().bottom() < f.ui->upperArea->height(), qPrintable(c->objectName()));
        qunsetenv("VEKORA_CONFIG");
    }

    void typedAddressIsIgnoredAndConnectRetries()
    {
        TestWorld w;
        writeRegistry(w, "\"ip\"=\"sqlite:" + w.dir().toUtf8() + "/missing.sqlite\"\n");
        w.storeSoftware(QStringLiteral("新版本"), QString(), markingProgram("new"));
        Folder folder;
        Boxes boxes;
        TForm1 f(folder.path());
        QVERIFY(!f.connected());

        f.ui->ipEdit->setText(QStringLiteral("sqlite:") + w.dbFile(QStringLiteral("vek")));
        f.ui->ljButton->click();
        QVERIFY(!f.connected());
        QCOMPARE(f.ui->ipEdit->text(), QStringLiteral("sqlite:") + w.dir() + QStringLiteral("/missing.sqlite"));
        QCOMPARE(boxes.seen, (QStringList{kConnectError, kConnectError}));
        QVERIFY(!f.ui->sjButton->isEnabled());

        // Once the login has stored a reachable address, "连接" connects.
        pointRegistryAtDb(w);
        f.ui->ljButton->click();
        QVERIFY(f.connected());
        QCOMPARE(boxes.seen.size(), 2);
        QCOMPARE(f.ui->lb_ts->text(), QStringLiteral("新版本"));
        QCOMPARE(f.height(), 282);
        QVERIFY(f.ui->sjButton->isEnabled());
        QVERIFY(!f.ui->ljButton->isEnabled());
    }

    // The prompt line comes from a row: markup in it is shown as the characters stored, nothing loaded.
    void promptShownAsPlainText()
    {
        TestWorld w;
        pointRegistryAtDb(w);
        const QString prompt = QStringLiteral("<b>新版本</b><img src=\"/dev/zero\">");
        w.storeSoftware(prompt, QStringLiteral("<i>说明</i>"), markingProgram("new"));
        Folder folder;
        Boxes boxes;
        TForm1 f(folder.path());
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QTRY_VERIFY(f.connected());
        QCOMPARE(f.ui->lb_ts->text(), prompt);
        QCOMPARE(f.ui->Memo2->toPlainText(), QStringLiteral("<i>说明</i>"));
        const QImage shown = f.ui->lb_ts->grab().toImage();
        f.ui->lb_ts->setTextFormat(Qt::PlainText);
        f.ui->lb_ts->setText(QString());
        f.ui->lb_ts->setText(prompt);
        QCOMPARE(shown, f.ui->lb_ts->grab().toImage());
    }

    // "连接" opens the key as RegCreateKey does: a missing key is created, in a registry file created
    // with its header when there is none; what the file holds already is kept.
    void connectCreatesTheKey_data()
    {
        QTest::addColumn<QByteArray>("before"); // "<none>": no file
        QTest::addColumn<QByteArray>("after");
        const QByteArray header = "Windows Registry Editor Version 5.00";
        QTest::newRow("no registry file") << QByteArray("<none>") << header + "\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VEK]\n";
        const QByteArray other = header + "\r\n\r\n[HKEY_LOCAL_MACHINE\\software\\Other]\r\n\"a\"=\"1\"";
        QTest::newRow("other keys kept") << other << other + "\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VEK]\r\n";
        const QByteArray present = header + "\n\n[HKEY_LOCAL_MACHINE\\software\\vek]\n\"yhm\"=\"1001\"\n";
        QTest::newRow("key present") << present << present;
        QTest::newRow("not in the export format") << QByteArray("garbage\n") << QByteArray("garbage\n");
    }
    void connectCreatesTheKey()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        TestWorld w;
        const QString registry = w.dir() + QStringLiteral("/HKLM.reg");
        if (before != "<none>")
            writeFile(registry, before);
        Folder folder;
        Boxes boxes;
        TForm1 f(folder.path());
        QCOMPARE(readAll(registry), after);
        QVERIFY(!f.connected()); // no address in it
        QCOMPARE(boxes.seen, QStringList{kConnectError});
    }

    // The new client starts as WinExec starts a program: in the updater's own working folder, which
    // is not the folder the client lives in.
    void newClientStartsInTheUpdatersWorkingFolder()
    {
        TestWorld w;
        pointRegistryAtDb(w);
        w.storeSoftware(QStringLiteral("新版本"), QString(), "#!/bin/sh\npwd -P > \"$(dirname \"$0\")/started\"\n");
        Folder folder;
        Boxes seen;
        TForm1 f(folder.path());
        QVERIFY(f.connected());
        const QString workingFolder = QFileInfo(QDir::currentPath()).canonicalFilePath();
        QVERIFY(workingFolder != QFileInfo(folder.path()).canonicalFilePath());
        f.ui->sjButton->click();
        QCOMPARE(seen.seen, (QStringList{kConfirm, kSuccess}));
        QVERIFY2(QTest::qWaitFor([&] { return QFile::exists(folder.path(QStringLiteral("started"))); }, 10000), "the new client was not started");
        QTest::qWait(100);
        QCOMPARE(QString::fromUtf8(readAll(folder.path(QStringLiteral("started")))).trimmed(), workingFolder);
    }

    // The programs the plant installs hold no hook that answers their boxes from the environment;
    // only the test builds do.
    void shippedProgramsHaveNoTestHooks_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("hooked");
        QTest::newRow("P_vekclient") << QStringLiteral(VEK_BIN_DIR "/P_vekclient") << false;
        QTest::newRow("p_vekupd") << QStringLiteral(VEK_BIN_DIR "/p_vekupd") << false;
        QTest::newRow("test build of P_vekclient") << QStringLiteral(VEK_TEST_BIN_DIR "/P_vekclient") << true;
        QTest::newRow("test build of p_vekupd") << QStringLiteral(VEK_TEST_BIN_DIR "/p_vekupd") << true;
    }
    void shippedProgramsHaveNoTestHooks()
    {
        QFETCH(QString, program);
        QFETCH(bool, hooked);
        const QByteArray bytes = readAll(program);
        QVERIFY(bytes.startsWith("\x7f" "ELF"));
        for (const QString& name : {QStringLiteral("VEKORA_MESSAGE_LOG"), QStringLiteral("VEKORA_MESSAGE_ANSWERS")}) {
            const QByteArray utf16(reinterpret_cast<const char*>(name.utf16()), name.size() * 2);
            QCOMPARE(bytes.contains(name.toLatin1()) || bytes.contains(utf16), hooked);
        }
    }

    void upgradeOutcomes_data()
    {
        QTest::addColumn<QList<QByteArray>>("rows"); // soft of each tbl_soft row
        QTest::addColumn<bool>("clientBefore");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("outcome"); // "written <mark>", "untouched" or "error: <text>"
        QTest::addColumn<QStringList>("boxes");
        const QByteArray elf = readAll(QStringLiteral(VEK_BIN_DIR "/p_vekupd"));
        QTest::newRow("one row") << QList<QByteArray>{markingProgram("one")} << true << int(IdOk)
                                 << QStringLiteral("written one") << QStringList{kConfirm, kSuccess};
        QTest::newRow("several rows, the first wins")
            << QList<QByteArray>{markingProgram("first"), markingProgram("second")} << true << int(IdOk)
            << QStringLiteral("written first") << QStringList{kConfirm, kSuccess};
        QTest::newRow("client file absent") << QList<QByteArray>{markingProgram("created")} << false << int(IdOk)
                                            << QStringLiteral("written created") << QStringList{kConfirm, kSuccess};
        QTest::newRow("cancel in the confirmation") << QList<QByteArray>{markingProgram("one")} << true << int(IdCancel)
                                                    << QStringLiteral("untouched") << QStringList{kConfirm};
        QTest::newRow("no row") << QList<QByteArray>{} << true << int(IdOk) << QStringLiteral("closed")
                                << QStringList{kConfirm, kNoRow};
        QTest::newRow("empty blob") << QList<QByteArray>{QByteArray()} << true << int(IdOk)
                                    << QStringLiteral("error: 数据库中存储的程序为空") << QStringList{kConfirm};
        QTest::newRow("truncated program") << QList<QByteArray>{elf.left(elf.size() / 2)} << true << int(IdOk)
                                           << QStringLiteral("error: 存储的程序不完整") << QStringList{kConfirm};
        QTest::newRow("not a program") << QList<QByteArray>{QByteArray("hello")} << true << int(IdOk)
                                       << QStringLiteral("error: 不是可执行程序") << QStringList{kConfirm};
        // 64 bytes of ELF header whose table offsets wrap past the end of the address space when the
        // table's size is added: the bound check must not be fooled into reading there.
        // The other table is left out (no entries at offset 0), as a stripped-down header would.
        auto wrapping = [&](int offsetAt, int entSizeAt, int countAt) {
            QByteArray b = elf.left(64);
            for (int at : {0x20, 0x28})
                for (int i = 0; i < 8; ++i)
                    b[at + i] = 0;
            for (int at : {0x38, 0x3C})
                b[at] = b[at + 1] = 0;
            auto rd16 = [&](int at) { return quint64(uchar(b[at])) | quint64(uchar(b[at + 1])) << 8; };
            // The largest table there can be: its offset then lies 4 GiB before the bytes.
            b[entSizeAt] = b[entSizeAt + 1] = b[countAt] = b[countAt + 1] = char(0xff);
            const quint64 offset = quint64(0) - rd16(entSizeAt) * rd16(countAt); // offset + table size == 0
            for (int i = 0; i < 8; ++i)
                b[offsetAt + i] = char((offset >> (8 * i)) & 0xff);
            return b;
        };
        const QByteArray wrapsPh = wrapping(0x20, 0x36, 0x38), wrapsSh = wrapping(0x28, 0x3A, 0x3C);
        QTest::newRow("program header offset wraps") << QList<QByteArray>{wrapsPh} << true << int(IdOk)
                                                     << QStringLiteral("error: 存储的程序不完整") << QStringList{kConfirm};
        QTest::newRow("section header offset wraps") << QList<QByteArray>{wrapsSh} << true << int(IdOk)
                                                     << QStringLiteral("error: 存储的程序不完整") << QStringList{kConfirm};
    }
    void upgradeOutcomes()
    {
        QFETCH(QList<QByteArray>, rows);
        QFETCH(bool, clientBefore);
        QFETCH(int, answer);
        QFETCH(QString, outcome);
        QFETCH(QStringList, boxes);
        TestWorld w;
        pointRegistryAtDb(w);
        for (int i = 0; i < rows.size(); ++i)
            w.storeSoftware(QStringLiteral("提示%1").arg(i + 1), QString(), rows[i]);
        Folder folder(clientBefore);
        Boxes seen;
        seen.answers = {answer};
        TForm1 f(folder.path());
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QVERIFY(f.connected());
        QCOMPARE(f.ui->lb_ts->text(), rows.isEmpty() ? QString() : QStringLiteral("提示1"));

        f.ui->sjButton->click();
        const QString client = folder.path(QStringLiteral("P_vekclient"));
        const QByteArray oldContent = clientBefore ? kOldClient : QByteArray("<missing>");
        if (outcome.startsWith(QLatin1String("written "))) {
            const QByteArray mark = outcome.mid(8).toUtf8();
            QCOMPARE(seen.seen, boxes);
            QCOMPARE(readAll(client), markingProgram(mark));
            QVERIFY(QFileInfo(client).permissions() & QFileDevice::ExeOwner);
            QVERIFY2(QTest::qWaitFor([&] { return readAll(folder.path(QStringLiteral("started"))) == mark + "\n"; }, 10000),
                     "the new client was not started");
            QVERIFY(!f.isVisible());
            QCOMPARE(folder.entries(), (QStringList{QStringLiteral("FIND.AVI"), QStringLiteral("P_vekclient"), QStringLiteral("started")}));
        } else if (outcome.startsWith(QLatin1String("error: "))) {
            QCOMPARE(seen.seen.size(), 2);
            QCOMPARE(seen.seen.first(), boxes.first());
            QVERIFY2(seen.seen[1].startsWith(QStringLiteral("软件升级\t16\t升级失败，原客户端程序未改动。\n")), qPrintable(seen.seen[1]));
            QVERIFY2(seen.seen[1].contains(outcome.mid(7)), qPrintable(seen.seen[1]));
            QCOMPARE(readAll(client), oldContent);
            QVERIFY(f.isVisible()); // another try or cancel
            QVERIFY(!f.ui->waitPanel->isVisible());
        } else {
            QCOMPARE(seen.seen, boxes);
            QCOMPARE(readAll(client), oldContent);
            QCOMPARE(f.isVisible(), outcome == QLatin1String("untouched"));
            QVERIFY(!f.ui->waitPanel->isVisible());
        }
        if (!outcome.startsWith(QLatin1String("written ")))
            QVERIFY(!QFile::exists(folder.path(QStringLiteral("started"))));
    }

    // The client's file is replaced only as a whole: a write that fails part-way or a rename that
    // fails leaves the old client and no temporary file.
    void failedWriteLeavesTheOldClient_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("reason");
        QTest::newRow("file size limit hit part-way") << QStringLiteral("limit") << QStringLiteral("已写");
        QTest::newRow("rename over a folder fails") << QStringLiteral("folder") << QStringLiteral("无法替换");
    }
    void failedWriteLeavesTheOldClient()
    {
        QFETCH(QString, how);
        QFETCH(QString, reason);
        TestWorld w;
        pointRegistryAtDb(w);
        w.storeSoftware(QStringLiteral("新版本"), QString(), markingProgram("new", 256 * 1024));
        Folder folder(how != QLatin1String("folder"));
        if (how == QLatin1String("folder")) {
            QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("P_vekclient/keep")));
        }
        Boxes seen;
        TForm1 f(folder.path());
        QVERIFY(f.connected());
        {
            std::optional<FileSizeLimit> limit;
            if (how == QLatin1String("limit"))
                limit.emplace(64 * 1024);
            f.ui->sjButton->click();
        }
        QCOMPARE(seen.seen.size(), 2);
        QVERIFY2(seen.seen[1].startsWith(QStringLiteral("软件升级\t16\t升级失败，原客户端程序未改动。\n")), qPrintable(seen.seen[1]));
        QVERIFY2(seen.seen[1].contains(reason), qPrintable(seen.seen[1]));
        if (how == QLatin1String("folder"))
            QVERIFY(QFileInfo(folder.path(QStringLiteral("P_vekclient/keep"))).isDir());
        else
            QCOMPARE(readAll(folder.path(QStringLiteral("P_vekclient"))), kOldClient);
        QCOMPARE(folder.entries(), (QStringList{QStringLiteral("FIND.AVI"), QStringLiteral("P_vekclient")}));
        QTest::qWait(200);
        QVERIFY(!QFile::exists(folder.path(QStringLiteral("started"))));
    }

    void unplayableAnimation_data()
    {
        QTest::addColumn<QByteArray>("avi"); // null: no FIND.AVI
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << QByteArray() << QStringLiteral("无法打开动画文件");
        QTest::newRow("truncated") << readAll(QStringLiteral(VEK_FIND_AVI)).left(500) << QStringLiteral("文件不完整");
        // The palette's header size near 4 GiB: added to the palette it wraps past the bound.
        QByteArray wraps = readAll(QStringLiteral(VEK_FIND_AVI));
        const qsizetype strf = wraps.indexOf("strf") + 8;
        for (const auto& [at, value] : {std::pair<qsizetype, quint32>{strf, 0xFFFFFF00u}, {strf + 32, 64u}})
            for (int i = 0; i < 4; ++i)
                wraps[at + i] = char((value >> (8 * i)) & 0xff);
        QTest::newRow("palette offset wraps") << wraps << QStringLiteral("调色板不完整");
    }
    void unplayableAnimation()
    {
        QFETCH(QByteArray, avi);
        QFETCH(QString, reason);
        TestWorld w;
        pointRegistryAtDb(w);
        w.storeSoftware(QStringLiteral("新版本"), QString(), markingProgram("new"));
        Folder folder(true, avi);
        Boxes seen;
        TForm1 f(folder.path());
        f.show();
        QVERIFY(QTest::qWaitFor([&] { return !seen.seen.isEmpty(); }, 2000));
        // The error at creation; no connection attempt: unconnected, both buttons enabled.
        QCOMPARE(seen.seen.size(), 1);
        QVERIFY2(seen.seen[0].startsWith(QStringLiteral("软件升级\t16\t")) && seen.seen[0].contains(reason) &&
                     seen.seen[0].contains(QStringLiteral("FIND.AVI")),
                 qPrintable(seen.seen[0]));
        QVERIFY(!f.connected());
        QVERIFY(f.ui->sjButton->isEnabled());
        QVERIFY(f.ui->ljButton->isEnabled());
        QVERIFY(f.ui->ipEdit->text().isEmpty());

        f.ui->ljButton->click();
        QVERIFY(f.connected());
        // Every upgrade stops with the same error once the wait panel shows, before anything is written.
        f.ui->sjButton->click();
        QCOMPARE(seen.seen.size(), 3);
        QCOMPARE(seen.seen[1], kConfirm);
        QCOMPARE(seen.seen[2], seen.seen[0]);
        QCOMPARE(readAll(folder.path(QStringLiteral("P_vekclient"))), kOldClient);
        QVERIFY(f.isVisible());
    }

    // A failure while reading the stored program is reported over the running wait animation, and
    // the window stays open.
    void readFailureLeavesTheWaitPanelRunning()
    {
        TestWorld w;
        pointRegistryAtDb(w);
        w.storeSoftware(QStringLiteral("新版本"), QString(), markingProgram("new"));
        Folder folder;
        TForm1 f(folder.path());
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QVERIFY(f.connected());
        QVERIFY(!f.ui->waitPanel->isVisible());
        w.sql(QStringLiteral("vek"), QStringLiteral("drop table tbl_soft"));

        QStringList seen;
        bool panelShown = false, playing = false;
        setMessageBoxHandler([&](const QString& text, const QString& caption, int) {
            seen << caption + QLatin1Char('\t') + text;
            panelShown = f.ui->waitPanel->isVisible() && f.ui->Label2->isVisible();
            playing = f.ui->Animate1->isPlaying();
            return int(IdOk);
        });
        f.ui->sjButton->click();
        setMessageBoxHandler({});
        QCOMPARE(seen.size(), 2);
        QVERIFY2(seen[1].startsWith(QStringLiteral("软件升级\t")) && seen[1].contains(QStringLiteral("tbl_soft")), qPrintable(seen[1]));
        QVERIFY(panelShown);
        QVERIFY(playing);
        QCOMPARE(f.ui->Label2->text(), QStringLiteral("正在升级您的系统，请稍候..."));
        QVERIFY(f.isVisible());
        QCOMPARE(readAll(folder.path(QStringLiteral("P_vekclient"))), kOldClient);
    }


    // The whole loop as the plant runs it, with the programs it installs and their real boxes on a
    // virtual X server: the database announces 2.1.2.8 and stores a client that says so; a login at the
    // old client starts the updater; the updater asks, writes the new client, says "升级成功!" and waits
    // until the person has read it; only then it starts the new client and ends. The new client no
    // longer finds a newer version.
    void wholeLoop()
    {
        Xvfb x;
        if (x.display.isEmpty())
            QSKIP("no X server could be started (Xvfb and xdotool are needed)");
        TestWorld w(true);
        const QString db = w.dbFile(QStringLiteral("vek"));
        w.sql(QStringLiteral("vek"), QStringLiteral("update tbl_sys set kl='2.1.2.8' where yhm='softvercheck'"));
        const QByteArray newClient = newerClient();
        w.sql(QStringLiteral("vek"), QStringLiteral("delete from tbl_soft"));
        w.storeSoftware(QStringLiteral("发现新版本 2.1.2.8"), QString(), newClient);

        Folder folder;
        const QString client = folder.path(QStringLiteral("P_vekclient"));
        QVERIFY(folder.installBuiltPrograms(Folder::Shipped));
        QCOMPARE(vek::platform::getfilever(client), QStringLiteral("2.1.2.7"));

        // The programs the plant installs show every box to the person, whatever the environment says.
        const QString log = w.dir() + QStringLiteral("/boxes.log");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), x.display);
        env.insert(QStringLiteral("VEKORA_CONFIG"),
                   w.writeIni(QStringLiteral("[network]\nport=%1\n[plant]\nserver=sqlite:%2\n").arg(freeUdpPort()).arg(db)));
        env.insert(QStringLiteral("VEKORA_MESSAGE_LOG"), log);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), w.dir());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), w.dir() + QStringLiteral("/config"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QString()); // a failure to reach the display says why
        QProcess old;
        old.setProcessEnvironment(env);
        old.setWorkingDirectory(w.dir());
        QString login;
        QByteArray failures;
        // A client that could not reach the freshly started display is started once more.
        for (int attempt = 0; attempt < 2 && login.isEmpty(); ++attempt) {
            old.start(client, {});
            QVERIFY(old.waitForStarted());
            (void)QTest::qWaitFor([&] {
                return old.state() == QProcess::NotRunning ||
                       (xdotool(x.display, {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                            QString::number(old.processId())}, &login) && !login.isEmpty());
            }, 20000);
            if (login.isEmpty()) {
                old.kill();
                old.waitForFinished(5000);
                failures += old.readAllStandardError();
            }
        }
        QVERIFY2(!login.isEmpty(), qPrintable(QStringLiteral("the login dialog did not appear: ") + QString::fromUtf8(failures)));
        QVERIFY(xdotool(x.display, {QStringLiteral("windowfocus"), QStringLiteral("--sync"), login}));
        for (const QString& typed : {QStringLiteral("KPTA2"), QStringLiteral("8888")}) {
            QVERIFY(xdotool(x.display, {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), typed}));
            QVERIFY(xdotool(x.display, {QStringLiteral("key"), QStringLiteral("Return")}));
        }
        QVERIFY2(old.waitForFinished(20000), "the old client did not hand over");
        QCOMPARE(old.exitCode(), 0);

        const QString updater = x.waitForWindow(QStringLiteral("^软件升级$"), 60000);
        if (updater.isEmpty())
            x.grab(w.dir() + QStringLiteral("/../updater-missing.png"));
        QVERIFY2(!updater.isEmpty(), qPrintable(QStringLiteral("the updater did not come up; on screen: ") + visibleTitles(x).join(QLatin1String(", ")) +
                                                QString::fromUtf8(old.readAllStandardError())));
        QString updaterPid;
        QVERIFY(xdotool(x.display, {QStringLiteral("getwindowpid"), updater}, &updaterPid));
        clickUpgrade(x, updater);

        // The question, answered with its default button, OK.
        const QString question = waitForBox(x, updaterPid, QStringLiteral("提示"));
        QVERIFY2(!question.isEmpty(), "the question did not come up");
        QVERIFY(answerBox(x, updaterPid, QStringLiteral("提示"), question));
        QVERIFY2(QTest::qWaitFor([&] { return readAll(client) == newClient; }, 20000), "the new client was not written");
        QVERIFY(QFileInfo(client).isExecutable());
        QCOMPARE(vek::platform::getfilever(client), QStringLiteral("2.1.2.8"));

        // "升级成功!" stays until the person answers it; the new client is started only then.
        const QString success = waitForBox(x, updaterPid, QStringLiteral("提示"), question);
        QVERIFY2(!success.isEmpty(), "the success message did not come up");
        QTest::qWait(1000);
        QCOMPARE(waitForBox(x, updaterPid, QStringLiteral("提示"), question, 0), success);
        QVERIFY(!processEnded(updaterPid));
        QVERIFY(x.waitForWindowOf(client, 0).isEmpty());
        QVERIFY(answerBox(x, updaterPid, QStringLiteral("提示"), success));
        QVERIFY2(QTest::qWaitFor([&] { return processEnded(updaterPid); }, 10000), "the updater did not end");

        // The new client comes up with its login dialog: no newer version any more.
        QVERIFY2(!x.waitForWindowOf(client, 60000).isEmpty(), "the new client did not start");
        QTest::qWait(1000);
        QVERIFY(x.waitForWindow(QStringLiteral("^软件升级$"), 0).isEmpty()); // no further updater run
        QVERIFY(!QFile::exists(log)); // nothing was answered behind the person's back
    }

    // With no stored program the updater says "软件下载异常,请与维护人员联系!" and waits until the person
    // has read it; then it ends, the client untouched. The program the plant installs, on a virtual X
    // server.
    void noStoredProgramMessageWaitsForTheUser()
    {
        Xvfb x;
        if (x.display.isEmpty())
            QSKIP("no X server could be started (Xvfb and xdotool are needed)");
        TestWorld w;
        pointRegistryAtDb(w);
        w.sql(QStringLiteral("vek"), QStringLiteral("delete from tbl_soft"));
        Folder folder;
        QVERIFY(QFile::copy(QStringLiteral(VEK_BIN_DIR "/p_vekupd"), folder.path(QStringLiteral("p_vekupd"))));
        const QString log = w.dir() + QStringLiteral("/boxes.log");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), x.display);
        env.insert(QStringLiteral("VEKORA_CONFIG"), w.dir() + QStringLiteral("/none.ini"));
        env.insert(QStringLiteral("VEKORA_MESSAGE_LOG"), log); // not honoured by the shipped program
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(folder.path(QStringLiteral("p_vekupd")), {});
        QVERIFY(p.waitForStarted());
        const QString pid = QString::number(p.processId());
        const QString window = waitForBox(x, pid, QStringLiteral("软件升级"));
        QVERIFY2(!window.isEmpty(), qPrintable(QStringLiteral("the updater did not come up; on screen: ") + visibleTitles(x).join(QLatin1String(", ")) +
                                               QStringLiteral("; state %1; ").arg(int(p.state())) + QString::fromUtf8(p.readAllStandardError())));
        clickUpgrade(x, window);

        const QString question = waitForBox(x, pid, QStringLiteral("提示"));
        QVERIFY2(!question.isEmpty(), "the question did not come up");
        QVERIFY(answerBox(x, pid, QStringLiteral("提示"), question));
        const QString message = waitForBox(x, pid, QStringLiteral("提示"), question);
        QVERIFY2(!message.isEmpty(), "the message did not come up");
        QTest::qWait(1000);
        QCOMPARE(waitForBox(x, pid, QStringLiteral("提示"), question, 0), message);
        QCOMPARE(p.state(), QProcess::Running);
        QVERIFY(answerBox(x, pid, QStringLiteral("提示"), message));
        QVERIFY2(p.waitForFinished(10000), "the updater did not end");
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(readAll(folder.path(QStringLiteral("P_vekclient"))), kOldClient);
        QVERIFY(!QFile::exists(folder.path(QStringLiteral("started"))));
        QVERIFY(!QFile::exists(log));
    }

    // The updater ended by SIGKILL while it writes the new client: the old client stays whole and
    // starts, nothing half-written is left, and the next upgrade goes through.
    void killedWhileWritingKeepsTheOldClient()
    {
        Xvfb x;
        if (x.display.isEmpty())
            QSKIP("no X server could be started (Xvfb and xdotool are needed)");
        TestWorld w;
        pointRegistryAtDb(w);
        // Big enough that writing it takes a while.
        const QByteArray big = markingProgram("killed") + QByteArray(160 * 1024 * 1024, '#');
        w.storeSoftware(QStringLiteral("新版本"), QString(), big);

        Folder folder;
        const QString client = folder.path(QStringLiteral("P_vekclient"));
        QVERIFY(folder.installBuiltPrograms(Folder::TestBuild));
        const QByteArray oldClient = readAll(client);
        const QString oldVersion = vek::platform::getfilever(client);
        QVERIFY(!oldVersion.isEmpty());

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), x.display);
        env.insert(QStringLiteral("VEKORA_MESSAGE_LOG"), w.dir() + QStringLiteral("/updater.log")); // boxes answer OK
        env.insert(QStringLiteral("VEKORA_CONFIG"), w.dir() + QStringLiteral("/none.ini"));
        QProcess updater;
        updater.setProcessEnvironment(env);
        updater.start(folder.path(QStringLiteral("p_vekupd")), {});
        QVERIFY(updater.waitForStarted());
        const QString window = x.waitForWindow(QStringLiteral("^软件升级$"), 60000);
        QVERIFY2(!window.isEmpty(), "the updater did not come up");
        QTest::qWait(500);
        QVERIFY(xdotool(x.display, {QStringLiteral("mousemove"), QStringLiteral("--window"), window, QStringLiteral("250"),
                                    QStringLiteral("%1").arg(282 - 44 + 23)}));
        QVERIFY(xdotool(x.display, {QStringLiteral("click"), QStringLiteral("1")}));

        // The bytes go to a temporary file in the client's folder (on Linux an unnamed one); once it holds
        // some of them, the updater is killed.
        const QString fdDir = QStringLiteral("/proc/%1/fd").arg(updater.processId());
        qint64 written = -1;
        QElapsedTimer waited;
        waited.start();
        while (written < 0 && waited.elapsed() < 30000) {
            std::error_code ec;
            for (const auto& fd : std::filesystem::directory_iterator(fdDir.toStdString(), ec)) {
                const QString target = QString::fromStdString(std::filesystem::read_symlink(fd.path(), ec).string());
                if (!target.startsWith(folder.path() + QLatin1Char('/')) || target.endsWith(QLatin1String("FIND.AVI")))
                    continue;
                struct stat st {};
                const qint64 size = ::stat(fd.path().c_str(), &st) == 0 ? qint64(st.st_size) : 0;
                if (size > 0) {
                    ::kill(pid_t(updater.processId()), SIGKILL);
                    written = size;
                    break;
                }
            }
        }
        QVERIFY2(written > 0, "the updater wrote no temporary file");
        QVERIFY(updater.waitForFinished(10000));
        QCOMPARE(updater.exitStatus(), QProcess::CrashExit);
        QVERIFY2(written < big.size(), qPrintable(QString::number(written))); // ended midway
        // Nothing half-written is left behind under any name.
        QCOMPARE(folder.entries(), (QStringList{QStringLiteral("FIND.AVI"), QStringLiteral("P_vekclient"), QStringLiteral("p_vekupd")}));

        // The old client is untouched: the same bytes, its version, still a program that starts.
        QCOMPARE(readAll(client), oldClient);
        QCOMPARE(vek::platform::getfilever(client), oldVersion);
        QVERIFY(QFileInfo(client).isExecutable());
        QProcess old;
        QProcessEnvironment clientEnv = QProcessEnvironment::systemEnvironment();
        clientEnv.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        clientEnv.insert(QStringLiteral("VEKORA_CONFIG"), w.writeIni(QStringLiteral("[network]\nport=%1\n").arg(freeUdpPort())));
        clientEnv.insert(QStringLiteral("VEKORA_MESSAGE_LOG"), w.dir() + QStringLiteral("/client.log"));
        clientEnv.insert(QStringLiteral("XDG_RUNTIME_DIR"), w.dir());
        clientEnv.insert(QStringLiteral("XDG_CONFIG_HOME"), w.dir() + QStringLiteral("/config"));
        old.setProcessEnvironment(clientEnv);
        old.setWorkingDirectory(w.dir());
        old.start(client, {});
        QVERIFY(old.waitForStarted());
        QVERIFY(!old.waitForFinished(2000)); // up, waiting for a login
        QCOMPARE(readAll(w.dir() + QStringLiteral("/client.log")), QByteArray("<missing>")); // and no error box
        old.kill();
        old.waitForFinished();

        // The next upgrade goes through, and takes away a temporary file that an interrupted run left
        // where unnamed ones are not available.
        writeFile(folder.path(QStringLiteral(".P_vekclient.k1LLed")), big.left(4096));
        w.sql(QStringLiteral("vek"), QStringLiteral("update tbl_soft set soft = X'%1'").arg(QString::fromLatin1(markingProgram("next").toHex())));
        Boxes seen;
        TForm1 f(folder.path());
        QVERIFY(f.connected());
        f.ui->sjButton->click();
        QCOMPARE(seen.seen, (QStringList{kConfirm, kSuccess}));
        QCOMPARE(readAll(client), markingProgram("next"));
        QVERIFY2(QTest::qWaitFor([&] { return readAll(folder.path(QStringLiteral("started"))) == "next\n"; }, 10000),
                 "the new client was not started");
        QCOMPARE(folder.entries(), (QStringList{QStringLiteral("FIND.AVI"), QStringLiteral("P_vekclient"), QStringLiteral("p_vekupd"),
                                                QStringLiteral("started")}));
    }

    // The program (its test build) started from a folder of its own, its boxes written to a log.
    void programStates_data()
    {
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<bool>("withAvi");
        QTest::addColumn<QString>("firstBox"); // empty: none within the wait
        QTest::newRow("connected") << true << true << QString();
        QTest::newRow("not connected") << false << true << kConnectError;
        QTest::newRow("FIND.AVI missing") << true << false << QStringLiteral("软件升级\t16\t无法打开动画文件");
    }
    void programStates()
    {
        QFETCH(bool, reachable);
        QFETCH(bool, withAvi);
        QFETCH(QString, firstBox);
        TestWorld w;
        if (reachable)
            pointRegistryAtDb(w);
        Folder folder(true, withAvi ? readAll(QStringLiteral(VEK_FIND_AVI)) : QByteArray());
        QVERIFY(QFile::copy(QStringLiteral(VEK_TEST_BIN_DIR "/p_vekupd"), folder.path(QStringLiteral("p_vekupd"))));
        const QString log = w.dir() + QStringLiteral("/boxes.log");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("VEKORA_MESSAGE_LOG"), log);
        env.insert(QStringLiteral("VEKORA_CONFIG"), w.dir() + QStringLiteral("/none.ini"));
        p.setProcessEnvironment(env);
        p.start(folder.path(QStringLiteral("p_vekupd")), {});
        QVERIFY(p.waitForStarted());
        auto lines = [&] {
            return QString::fromUtf8(readAll(log)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        };
        if (firstBox.isEmpty()) {
            QTest::qWait(1500);
            QCOMPARE(QString::fromUtf8(readAll(log)), QStringLiteral("<missing>"));
        } else {
            QVERIFY(QTest::qWaitFor([&] { return QFile::exists(log); }, 10000));
            QTest::qWait(300);
            QCOMPARE(lines().size(), 1);
            QVERIFY2(lines()[0].startsWith(QString(firstBox).replace(QLatin1Char('\n'), QStringLiteral("\\n"))), qPrintable(lines()[0]));
        }
        QCOMPARE(p.state(), QProcess::Running); // the window waits for the user
        p.kill();
        p.waitForFinished();
        QCOMPARE(readAll(folder.path(QStringLiteral("P_vekclient"))), kOldClient);
    }
};

QTEST_MAIN(TstUpdater)
#include "tst_updater.moc"
