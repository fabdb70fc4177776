// The registry stand-in: the export format read and written back, case-insensitive names, a missing,
// empty or corrupt file that holds no keys; regedit's own export (UTF-16LE with a byte-order mark)
// read by the client and by the updater's reader alike; a rewrite that keeps every other key and value;
// a FIFO or a device at the path refused without blocking.

#include "platform/registry.h"
#include "registry.h" // the updater's reader

#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <future>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vek::platform;

namespace {

QByteArray utf16(const QString& text)
{
    QStringEncoder e(QStringConverter::Utf16LE);
    return QByteArray("\xFF\xFE", 2) + QByteArray(e(text));
}

// A key as regedit 5 exports it: CR LF, a wrapped binary value, an expandable string, comments.
const QString kExport = QStringLiteral(
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\VEK]\r\n"
    "\"sfzddl\"=dword:00000001\r\n"
    "\"yhm\"=\"张三\"\r\n"
    "\"kl\"=\"p\\\"w\"\r\n"
    "\"blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,\\\r\n"
    "  18,19,1a\r\n"
    "\"path\"=hex(2):25,00,50,00,41,00,54,00,48,00,25,00,00,00\r\n"
    "\"ip\"=\"10.0.0.5\"\r\n"
    "@=\"default\"\r\n"
    "\r\n"
    "; another program's settings\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n"
    "\"ip\"=\"192.168.1.1\"\r\n"
    "\r\n");

// Runs `read` on another thread; false when it has not returned within two seconds (it blocks). A
// reader blocked in opening the FIFO `fifo` is then let go by a writer that opens and closes it.
template <typename F>
bool returnsAtOnce(F read, const QString& fifo)
{
    auto done = std::async(std::launch::async, read);
    if (done.wait_for(std::chrono::seconds(2)) == std::future_status::ready)
        return true;
    const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0)
        ::close(fd);
    return false;
}

} // namespace

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

    // The same export in the encodings a workstation may hold it in: both readers find the values.
    void encodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("UTF-16LE with a byte-order mark (regedit)") << utf16(kExport);
        QTest::newRow("UTF-8 with a byte-order mark") << QByteArray("\xEF\xBB\xBF") + kExport.toUtf8();
        QTest::newRow("UTF-8") << kExport.toUtf8();
        QTest::newRow("UTF-8, LF line ends") << QString(kExport).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).toUtf8();
    }
    void encodings()
    {
        QFETCH(QByteArray, bytes);
        writeFile(bytes);
        const QString key = QStringLiteral("software\\VEK");
        QCOMPARE(registry::read(key, QStringLiteral("yhm"))->text, QStringLiteral("张三"));
        QCOMPARE(registry::read(key, QStringLiteral("kl"))->text, QStringLiteral("p\"w"));
        QCOMPARE(registry::read(key, QStringLiteral("ip"))->text, QStringLiteral("10.0.0.5"));
        QCOMPARE(registry::read(key, QStringLiteral("sfzddl"))->dword, 1u);
        QVERIFY(!registry::read(key, QStringLiteral("blob"))); // no string or number: not read
        QCOMPARE(registry::read(QStringLiteral("software\\Other"), QStringLiteral("ip"))->text, QStringLiteral("192.168.1.1"));
        // The updater reads the server address from the same file.
        QCOMPARE(vekupd::readRegistryString(key, QStringLiteral("ip")), QStringLiteral("10.0.0.5"));
        QCOMPARE(vekupd::readRegistryString(key, QStringLiteral("YHM")), QStringLiteral("张三"));
    }

    // Writing a value into regedit's export changes that value's line and nothing else, in the
    // file's own encoding.
    void rewriteKeepsTheRest()
    {
        writeFile(utf16(kExport));
        const QString key = QStringLiteral("software\\VEK");
        QVERIFY(registry::writeString(key, QStringLiteral("IP"), QStringLiteral("10.0.0.9")));
        QVERIFY(registry::writeString(key, QStringLiteral("new"), QStringLiteral("x")));
        QVERIFY(registry::writeString(QStringLiteral("software\\Third"), QStringLiteral("a"), QStringLiteral("b")));
        QFile f(m_file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QString expected = kExport;
        expected.replace(QStringLiteral("\"ip\"=\"10.0.0.5\"\r\n@=\"default\"\r\n"),
                         QStringLiteral("\"ip\"=\"10.0.0.9\"\r\n@=\"default\"\r\n\"new\"=\"x\"\r\n"));
        expected += QStringLiteral("\r\n[HKEY_LOCAL_MACHINE\\software\\Third]\r\n\"a\"=\"b\"\r\n");
        QCOMPARE(f.readAll(), utf16(expected));
        QCOMPARE(vekupd::readRegistryString(key, QStringLiteral("ip")), QStringLiteral("10.0.0.9"));
        QCOMPARE(registry::read(QStringLiteral("software\\Other"), QStringLiteral("ip"))->text, QStringLiteral("192.168.1.1"));
    }

    // The rewrite on its own, case by case: which line changes, where a new one goes.
    void rewrite_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("after");
        const QByteArray h = "Windows Registry Editor Version 5.00\r\n\r\n";
        QTest::newRow("value in the middle of its key")
            << h + "[HKEY_LOCAL_MACHINE\\software\\VEK]\r\n\"a\"=\"1\"\r\n\"ip\"=\"old\"\r\n\"b\"=dword:00000002\r\n"
            << "software\\VEK" << "ip"
            << h + "[HKEY_LOCAL_MACHINE\\software\\VEK]\r\n\"a\"=\"1\"\r\n\"ip\"=\"new\"\r\n\"b\"=dword:00000002\r\n";
        QTest::newRow("new value at the end of its key, before the next key")
            << h + "[HKEY_LOCAL_MACHINE\\software\\VEK]\r\n\"a\"=\"1\"\r\n\r\n[HKEY_LOCAL_MACHINE\\software\\X]\r\n\"ip\"=\"x\"\r\n"
            << "software\\VEK" << "ip"
            << h + "[HKEY_LOCAL_MACHINE\\software\\VEK]\r\n\"a\"=\"1\"\r\n\"ip\"=\"new\"\r\n\r\n[HKEY_LOCAL_MACHINE\\software\\X]\r\n\"ip\"=\"x\"\r\n";
        QTest::newRow("a wrapped binary value replaced whole")
            << h + "[HKEY_LOCAL_MACHINE\\software\\VEK]\r\n\"ip\"=hex:01,02,\\\r\n  03,04\r\n\"z\"=\"1\"\r\n"
            << "software\\VEK" << "ip"
            << h + "[HKEY_LOCAL_MACHINE\\software\\VEK]\r\n\"ip\"=\"new\"\r\n\"z\"=\"1\"\r\n";
        QTest::newRow("last line without a line end")
            << h + "[HKEY_LOCAL_MACHINE\\software\\VEK]\r\n\"a\"=\"1\"" << "software\\VEK" << "ip"
            << h + "[HKEY_LOCAL_MACHINE\\software\\VEK]\r\n\"a\"=\"1\"\r\n\"ip\"=\"new\"\r\n";
        QTest::newRow("LF line ends kept")
            << QByteArray("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\software\\Y]\n\"a\"=\"1\"\n")
            << "software\\VEK" << "ip"
            << QByteArray("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\software\\Y]\n\"a\"=\"1\"\n"
                          "\n[HKEY_LOCAL_MACHINE\\software\\VEK]\n\"ip\"=\"new\"\n");
        QTest::newRow("a key deleted further down is written anew after it")
            << h + "[HKEY_LOCAL_MACHINE\\software\\VEK]\r\n\"a\"=\"1\"\r\n\r\n[-HKEY_LOCAL_MACHINE\\software\\VEK]\r\n"
            << "software\\VEK" << "ip"
            << h + "[HKEY_LOCAL_MACHINE\\software\\VEK]\r\n\"a\"=\"1\"\r\n\r\n[-HKEY_LOCAL_MACHINE\\software\\VEK]\r\n"
                   "\r\n[HKEY_LOCAL_MACHINE\\software\\VEK]\r\n\"ip\"=\"new\"\r\n";
        QTest::newRow("the key written twice: every entry of the value")
            << h + "[HKEY_LOCAL_MACHINE\\software\\VEK]\r\n\"ip\"=\"1\"\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\vek]\r\n\"IP\"=\"2\"\r\n"
            << "software\\VEK" << "ip"
            << h + "[HKEY_LOCAL_MACHINE\\software\\VEK]\r\n\"ip\"=\"new\"\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\vek]\r\n\"IP\"=\"new\"\r\n";
    }
    void rewrite()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, key);
        QFETCH(QString, name);
        QFETCH(QByteArray, after);
        registry::Value v;
        v.text = QStringLiteral("new");
        const QByteArray out = registry::rewrite(before, key, name, v);
        QCOMPARE(out, after);
        // What was written is what both readers now find.
        QCOMPARE(vekupd::readRegistryString(out, key, name), QStringLiteral("new"));
        writeFile(out);
        QCOMPARE(registry::read(key, name)->text, QStringLiteral("new"));
    }

    // The updater takes the last entry of a value, and nothing from a deleted key.
    void updaterReadsAsAnImportWould_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("ip");
        QTest::newRow("later entry wins") << QByteArray("[HKEY_LOCAL_MACHINE\\software\\VEK]\n\"ip\"=\"1\"\n\"ip\"=\"2\"\n") << "2";
        QTest::newRow("key deleted") << QByteArray("[HKEY_LOCAL_MACHINE\\software\\VEK]\n\"ip\"=\"1\"\n[-HKEY_LOCAL_MACHINE\\software]\n") << "";
        QTest::newRow("value deleted") << QByteArray("[HKEY_LOCAL_MACHINE\\software\\VEK]\n\"ip\"=\"1\"\n\"ip\"=-\n") << "";
        QTest::newRow("wrapped value of another name") << QByteArray("[HKEY_LOCAL_MACHINE\\software\\VEK]\n\"b\"=hex:01,\\\n  02\n\"ip\"=\"3\"\n") << "3";
    }
    void updaterReadsAsAnImportWould()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, ip);
        QCOMPARE(vekupd::readRegistryString("Windows Registry Editor Version 5.00\n\n" + body, QStringLiteral("software\\VEK"),
                                            QStringLiteral("ip")),
                 ip);
    }

    // A FIFO at the path would block whoever opens it for reading; a device could hand out endless
    // bytes. Neither is opened: no keys, no write, and the path stays what it was.
    void fifoAndDeviceRefused_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("FIFO") << QString();
        QTest::newRow("character device") << QStringLiteral("/dev/null");
    }
    void fifoAndDeviceRefused()
    {
        QFETCH(QString, path);
        if (path.isEmpty()) {
            path = m_dir.path() + QStringLiteral("/fifo.reg");
            QFile::remove(path);
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        }
        qputenv("VEKORA_REGISTRY", path.toUtf8());
        const QString key = QStringLiteral("software\\VEK");
        QVERIFY(returnsAtOnce([&] { return registry::read(key, QStringLiteral("ip")).has_value(); }, path));
        QVERIFY(!registry::keyExists(key));
        QVERIFY(returnsAtOnce([&] { return vekupd::readRegistryString(key, QStringLiteral("ip")); }, path));
        QVERIFY(vekupd::readRegistryString(key, QStringLiteral("ip")).isEmpty());
        QVERIFY(returnsAtOnce([&] { return registry::writeString(key, QStringLiteral("ip"), QStringLiteral("1")); }, path));
        QVERIFY(!registry::writeString(key, QStringLiteral("ip"), QStringLiteral("1")));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QVERIFY(path.startsWith(QLatin1String("/dev/")) ? S_ISCHR(st.st_mode) : S_ISFIFO(st.st_mode));
        if (path.startsWith(m_dir.path()))
            QFile::remove(path);
    }

    // A file that exists but cannot be read is not replaced by a file of one value.
    void unreadableFileNotReplaced()
    {
        if (::geteuid() == 0)
            QSKIP("root reads every file");
        writeFile(kExport.toUtf8());
        QVERIFY(QFile::setPermissions(m_file, QFileDevice::WriteOwner));
        QVERIFY(!registry::writeString(QStringLiteral("software\\VEK"), QStringLiteral("ip"), QStringLiteral("1")));
        QVERIFY(QFile::setPermissions(m_file, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(registry::read(QStringLiteral("software\\Other"), QStringLiteral("ip"))->text, QStringLiteral("192.168.1.1"));
    }
};

QTEST_GUILESS_MAIN(TstRegistry)
#include "tst_registry.moc"
