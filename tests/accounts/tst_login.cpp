// The login dialog: the two directories, the current-user record, the registry and autostart entry,
// the trace file, the online address, the version check, the bound workstation and the hidden
// server-address editor.

#include "U_datamodule.h"
#include "accounts/U_dl.h"
#include "forms.h"
#include "platform/autostart.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "testworld.h"
#include "vekapplication.h"

#include <QCheckBox>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace vek;
namespace reg = vek::platform::registry;

namespace {

const QString kKey = QStringLiteral("software\\VEK");

// A world with a few people, the shift account KPTA1 and the client's own version announced.
struct Login {
    TestWorld w;
    MessageRecorder boxes;
    std::unique_ptr<TDataModule1> dm;
    std::unique_ptr<Tdl> dl;
    QString address = platform::localIPv4Address();

    explicit Login(const QString& hrLocator = {})
    {
        qputenv("XDG_CONFIG_HOME", (w.dir() + QStringLiteral("/config")).toUtf8());
        w.sql(QStringLiteral("hr"), QStringLiteral(
            "insert into table_zd(code,name,rycode,password) values('2001','运行部',null,null);"
            "insert into table_zd(code,name,rycode,password) values('20010101','张三','10231','pw''1');"
            "insert into table_zd(code,name,rycode,password) values('20010102','李四','10232','1234');"
            "insert into table_zd(code,name,rycode,password) values('40830201','陈晓燕','10402','1234');"
            "insert into table_zd(code,name,rycode,password) values('20010103','O''Neil 王','O''K%张','p''w%码');"
            "insert into table_zd(code,name,rycode,password) values('20010104','小写','kpta1','8888')"));
        w.sql(QStringLiteral("vek"), QStringLiteral(
            "insert into tbl_jxry(code,name,password,vekyhm) values('KPTA1','#1机组甲值','8888','KPTA1');"
            "insert into tbl_dzb(code,name,vekyhm,zxip) values('20010101','张三','10231','');"
            "insert into tbl_dzb(code,name,vekyhm,zxip) values('20010102','李四','10232','');"
            "insert into tbl_dzb(code,name,vekyhm,zxip,rylb) values('20020301','#1机组甲值','KPTA1','','J');"
            "insert into tbl_sys(yhm,kl) values('softvercheck','2.1.2.7')"));
        Settings s = w.settings();
        s.server = QStringLiteral("10.9.8.7");
        if (!hrLocator.isEmpty())
            s.setDatabase(QStringLiteral("hr"), hrLocator);
        dm = std::make_unique<TDataModule1>(s);
        dm->setExecutablePath(QStringLiteral(VEK_BIN_DIR "/P_vekclient"));
        forms::DataModule1 = dm.get();
    }
    ~Login()
    {
        dl.reset();
        forms::DataModule1 = nullptr;
    }
    Tdl& open()
    {
        dl = std::make_unique<Tdl>();
        dl->show();
        return *dl;
    }
    void type(const QString& name, const QString& password)
    {
        dl->edt_yhm->setText(name);
        dl->edt_kl->setText(password);
    }
    QStringList logLines() const
    {
        QFile f(QStringLiteral("log.txt"));
        if (!f.open(QIODevice::ReadOnly))
            return {QStringLiteral("<no log.txt>")};
        return QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
    }
    QString zxip(const QString& yhm) const
    {
        return w.value(QStringLiteral("vek"), QStringLiteral("select zxip from tbl_dzb where vekyhm='%1'").arg(yhm));
    }
};

QString regText(const QString& name)
{
    const auto v = reg::read(kKey, name);
    if (!v)
        return QStringLiteral("<missing>");
    return v->kind == reg::Kind::Dword ? QStringLiteral("dword:%1").arg(v->dword) : v->text;
}

} // namespace

class TstLogin : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void shiftAccountThroughTheStaffTable()
    {
        Login l;
        l.open();
        l.type(QStringLiteral("KPTA1"), QStringLiteral("8888"));
        StatementTrace trace;
        l.dl->btn_dlClick();
        QCOMPARE(l.dl->result(), int(QDialog::Accepted));
        QVERIFY(l.boxes.boxes.isEmpty());
        const rryxx& u = l.dm->cur_user;
        QCOMPARE(u.cur_xm, QStringLiteral("#1机组甲值"));
        QCOMPARE(u.cur_yhm, QStringLiteral("KPTA1"));
        QCOMPARE(u.cur_kl, QStringLiteral("8888"));
        QCOMPARE(u.cur_code, QStringLiteral("KPTA1"));
        QCOMPARE(u.cur_ip, l.address);
        QCOMPARE(trace.texts(QStringLiteral("ADOConnectionORA")), QStringList());
        QCOMPARE(trace.texts(QStringLiteral("ADOConnection1")),
                 (QStringList{QStringLiteral("select * from tbl_jxry\r\n where code='KPTA1'\r\n and password='8888'"),
                              QStringLiteral("update tbl_dzb set zxip=''\r\n where zxip='%1'").arg(l.address),
                              QStringLiteral("update tbl_dzb set zxip='%1'\r\n where vekyhm='KPTA1'").arg(l.address),
                              QStringLiteral("select kl from tbl_sys where yhm='softvercheck'")}));
        QCOMPARE(l.zxip(QStringLiteral("KPTA1")), l.address);
    }

    // The choice of directory is case-sensitive: a lower-case shift name is a directory login.
    void directoryLogin_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("xm"); // "" when the login must fail
        QTest::newRow("staff number") << "10231" << "pw'1" << "张三";
        QTest::newRow("lower-case shift name") << "kpta1" << "8888" << "小写";
        QTest::newRow("quotes, percent and Chinese") << "O'K%张" << "p'w%码" << "O'Neil 王";
        QTest::newRow("wrong password") << "10231" << "pw" << "";
        QTest::newRow("shift name with a space") << "KPTA1 " << "8888" << "";
        QTest::newRow("empty") << "" << "" << "";
    }
    void directoryLogin()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, xm);
        Login l;
        l.open();
        l.type(name, password);
        StatementTrace trace;
        l.dl->btn_dlClick();
        QCOMPARE(trace.texts(QStringLiteral("ADOConnectionORA")).value(0),
                 QStringLiteral("select * from table_zd\r\n where rycode='%1'\r\n and password='%2'")
                     .arg(QString(name).replace(QLatin1Char('\''), QStringLiteral("''")),
                          QString(password).replace(QLatin1Char('\''), QStringLiteral("''"))));
        if (xm.isEmpty()) {
            QCOMPARE(l.boxes.texts(), QStringList{QStringLiteral("用户名或者口令不正确，请确认")});
            QCOMPARE(l.boxes.boxes[0].caption, QStringLiteral("提示"));
            QCOMPARE(l.boxes.boxes[0].flags, 48);
            QVERIFY(l.dl->isVisible());
            QCOMPARE(l.dl->edt_yhm->text(), name); // the entries keep their text
            QVERIFY(l.dm->cur_user.cur_yhm.isEmpty());
            // Nothing written anywhere.
            QVERIFY(!QFile::exists(reg::filePath()));
            QVERIFY(!QFile::exists(platform::autostartEntryPath()));
            QCOMPARE(trace.texts(QStringLiteral("ADOConnection1")), QStringList());
        } else {
            QVERIFY(l.boxes.boxes.isEmpty());
            QCOMPARE(l.dl->result(), int(QDialog::Accepted));
            QCOMPARE(l.dm->cur_user.cur_xm, xm);
            QCOMPARE(l.dm->cur_user.cur_yhm, name);
        }
    }

    void focusReturnsToTheNameAfterAFailure()
    {
        Login l;
        l.open();
        QApplication::setActiveWindow(l.dl.get());
        QVERIFY(QTest::qWaitForWindowActive(l.dl.get()));
        l.type(QStringLiteral("10231"), QStringLiteral("x"));
        l.dl->edt_kl->setFocus();
        QTest::keyClick(l.dl->edt_kl, Qt::Key_Return); // Enter in the password box logs in
        QCOMPARE(l.boxes.texts(), QStringList{QStringLiteral("用户名或者口令不正确，请确认")});
        QVERIFY(l.dl->edt_yhm->hasFocus());
        QTest::keyClick(l.dl->edt_yhm, Qt::Key_Return); // Enter in the name box moves on
        QVERIFY(l.dl->edt_kl->hasFocus());
        QTest::keyClick(l.dl.get(), Qt::Key_Escape); // no cancel but the close box
        QVERIFY(l.dl->isVisible());
        l.dl->btn_qxClick();
        QCOMPARE(l.dl->edt_yhm->text(), QString());
        QCOMPARE(l.dl->edt_kl->text(), QString());
        QVERIFY(l.dl->isVisible());
    }

    void rememberedLogin()
    {
        Login l;
        l.open();
        QVERIFY(!l.dl->cb_cookie->isChecked());
        l.type(QStringLiteral("10231"), QStringLiteral("pw'1"));
        l.dl->cb_cookie->setChecked(true);
        l.dl->btn_dlClick();
        QCOMPARE(regText(QStringLiteral("sfzddl")), QStringLiteral("dword:1"));
        QCOMPARE(regText(QStringLiteral("yhm")), QStringLiteral("10231"));
        QCOMPARE(regText(QStringLiteral("kl")), QStringLiteral("pw'1"));
        QCOMPARE(regText(QStringLiteral("ip")), QStringLiteral("10.9.8.7"));
        QFile entry(platform::autostartEntryPath());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(entry.readAll())
                    .contains(QStringLiteral("Exec=\"%1\"").arg(QCoreApplication::applicationFilePath())));

        // The next start offers it; logging in unchecked keeps the remembered values.
        reg::writeString(kKey, QStringLiteral("ip"), QStringLiteral("changed"));
        l.open();
        QCOMPARE(l.dl->edt_yhm->text(), QStringLiteral("10231"));
        QCOMPARE(l.dl->edt_kl->text(), QStringLiteral("pw'1"));
        QVERIFY(l.dl->cb_cookie->isChecked());
        l.type(QStringLiteral("10232"), QStringLiteral("1234"));
        l.dl->cb_cookie->setChecked(false);
        l.dl->btn_dlClick();
        QCOMPARE(regText(QStringLiteral("yhm")), QStringLiteral("10231"));
        QCOMPARE(regText(QStringLiteral("sfzddl")), QStringLiteral("dword:1"));
        QCOMPARE(regText(QStringLiteral("ip")), QStringLiteral("10.9.8.7"));
    }

    void notRememberedStillWritesAddressAndAutostart()
    {
        Login l;
        l.open();
        l.type(QStringLiteral("10232"), QStringLiteral("1234"));
        l.dl->btn_dlClick();
        QCOMPARE(regText(QStringLiteral("ip")), QStringLiteral("10.9.8.7"));
        QCOMPARE(regText(QStringLiteral("sfzddl")), QStringLiteral("<missing>"));
        QCOMPARE(regText(QStringLiteral("yhm")), QStringLiteral("<missing>"));
        QVERIFY(QFile::exists(platform::autostartEntryPath()));
    }

    // log.txt tells how far the show-time registry read came.
    void traceFile_data()
    {
        QTest::addColumn<QByteArray>("registry"); // "" = no file
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("checked");
        const QByteArray head = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\software\\VEK]\r\n";
        const QString b = QStringLiteral("B reg :=Tregistry.Create;");
        const QString o = QStringLiteral("E reg.OpenKey");
        const QString e = QStringLiteral("E sfzddl");
        QTest::newRow("no key") << QByteArray() << QStringList{b, ""} << "" << false;
        QTest::newRow("corrupt file") << QByteArray("garbage\n") << QStringList{b, ""} << "" << false;
        QTest::newRow("no flag") << head + "\"yhm\"=\"10231\"\r\n" << QStringList{b, o, ""} << "" << false;
        QTest::newRow("flag not a dword") << head + "\"sfzddl\"=\"1\"\r\n\"yhm\"=\"10231\"\r\n" << QStringList{b, o, ""} << ""
                                          << false;
        QTest::newRow("flag off") << head + "\"sfzddl\"=dword:00000000\r\n\"yhm\"=\"10231\"\r\n" << QStringList{b, o, e, ""}
                                  << "" << false;
        QTest::newRow("remembered") << head + "\"sfzddl\"=dword:00000001\r\n\"yhm\"=\"10231\"\r\n\"kl\"=\"pw'1\"\r\n"
                                    << QStringList{b, o, e, ""} << "10231" << true;
        QTest::newRow("remembered without values") << head + "\"sfzddl\"=dword:00000002\r\n" << QStringList{b, o, e, ""}
                                                   << "" << true;
    }
    void traceFile()
    {
        QFETCH(QByteArray, registry);
        QFETCH(QStringList, lines);
        QFETCH(QString, name);
        QFETCH(bool, checked);
        Login l;
        if (!registry.isEmpty()) {
            QFile f(reg::filePath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(registry);
        }
        QFile::remove(QStringLiteral("log.txt"));
        l.open();
        QCOMPARE(l.logLines(), lines);
        QCOMPARE(l.dl->edt_yhm->text(), name);
        QCOMPARE(l.dl->cb_cookie->isChecked(), checked);
        QVERIFY(l.boxes.boxes.isEmpty());
    }

    void twoUsersAtOneWorkstation()
    {
        Login l;
        l.open();
        l.type(QStringLiteral("10231"), QStringLiteral("pw'1"));
        l.dl->btn_dlClick();
        QCOMPARE(l.zxip(QStringLiteral("10231")), l.address);
        l.open();
        l.type(QStringLiteral("10232"), QStringLiteral("1234"));
        l.dl->btn_dlClick();
        QCOMPARE(l.zxip(QStringLiteral("10231")), QString());
        QCOMPARE(l.zxip(QStringLiteral("10232")), l.address);
    }

    // A newer version whose updater is missing: the user is told, and the login goes on.
    void newerVersionWithoutUpdater()
    {
        Login l;
        l.w.sql(QStringLiteral("vek"), QStringLiteral("update tbl_sys set kl='2.1.2.8' where yhm='softvercheck'"));
        l.open();
        l.type(QStringLiteral("10231"), QStringLiteral("pw'1"));
        l.dl->btn_dlClick();
        QCOMPARE(l.boxes.boxes.size(), 1);
        QVERIFY(l.boxes.boxes[0].text.contains(QStringLiteral("p_vekupd")));
        QCOMPARE(l.dl->result(), int(QDialog::Accepted));
        QCOMPARE(l.zxip(QStringLiteral("10231")), l.address);
    }

    void malformedAnnouncedVersion()
    {
        Login l;
        l.w.sql(QStringLiteral("vek"), QStringLiteral("update tbl_sys set kl='2.1.2' where yhm='softvercheck'"));
        l.open();
        l.type(QStringLiteral("10231"), QStringLiteral("pw'1"));
        l.dl->btn_dlClick();
        QCOMPARE(l.boxes.texts(), QStringList{QStringLiteral("'' is not a valid integer value")});
        QCOMPARE(l.boxes.boxes[0].caption, QStringLiteral("Vekora客户端"));
        QVERIFY(l.dl->isVisible());
    }

    void boundWorkstation()
    {
        Login l;
        l.w.sql(QStringLiteral("vek"),
                QStringLiteral("insert into tbl_sys(yhm,kl,sfbdip,ip) values('kiosk','','是','%1')").arg(l.address));
        l.dl = std::make_unique<Tdl>();
        StatementTrace trace;
        QTimer::singleShot(5000, l.dl.get(), [&] { l.dl->reject(); }); // never hang
        const int result = l.dl->exec();
        QCOMPARE(result, Tdl::BoundWorkstation);
        QCOMPARE(trace.texts(QStringLiteral("ADOConnection1")),
                 QStringList{QStringLiteral("select * from tbl_sys \r\nwhere sfbdip='是' \r\nand ip='%1'").arg(l.address)});
        QVERIFY(l.dm->cur_user.cur_yhm.isEmpty() && l.dm->cur_user.cur_xm.isEmpty());
        QVERIFY(!QFile::exists(reg::filePath()));
    }

    void hiddenServerAddressEditor()
    {
        Login l;
        l.open();
        QVERIFY(!l.dl->edt_ip->isVisible());
        QTest::mouseClick(l.dl->Label1, Qt::LeftButton);
        QVERIFY(l.dl->edt_ip->isVisible());
        QCOMPARE(l.dl->edt_ip->text(), QString());
        QVERIFY(!QFile::exists(reg::filePath())); // reading does not create the key
        l.dl->edt_ip->setText(QStringLiteral("10.1.2.3"));
        QTest::mouseDClick(l.dl->edt_ip, Qt::LeftButton);
        QVERIFY(!l.dl->edt_ip->isVisible());
        QCOMPARE(regText(QStringLiteral("ip")), QStringLiteral("10.1.2.3"));
        l.dl->Label1Click();
        QCOMPARE(l.dl->edt_ip->text(), QStringLiteral("10.1.2.3"));
        l.dl->edt_ip->clear();
        l.dl->edt_ipDblClick();
        QCOMPARE(regText(QStringLiteral("ip")), QString());
    }

    void unreachablePersonnelDirectory()
    {
        TestWorld elsewhere;
        Login l(QStringLiteral("sqlite:") + elsewhere.dir() + QStringLiteral("/gone/hr.sqlite"));
        QFile::remove(QStringLiteral("log.txt"));
        l.open();
        QCOMPARE(l.boxes.boxes.size(), 1);
        QVERIFY(l.boxes.boxes[0].text.contains(QStringLiteral("unable to open database file")));
        QVERIFY(!QFile::exists(QStringLiteral("log.txt"))); // the rest of the show was skipped
        l.type(QStringLiteral("10231"), QStringLiteral("pw'1"));
        l.dl->btn_dlClick();
        QCOMPARE(l.boxes.boxes.size(), 2);
        QVERIFY(l.dl->isVisible());
        // The shift accounts live in the main catalog and still log in.
        l.type(QStringLiteral("KPTA1"), QStringLiteral("8888"));
        l.dl->btn_dlClick();
        QCOMPARE(l.dl->result(), int(QDialog::Accepted));
    }

    void accessibleNames()
    {
        Login l;
        l.open();
        QCOMPARE(l.dl->edt_yhm->accessibleName(), QStringLiteral("用户名"));
        QCOMPARE(l.dl->edt_kl->accessibleName(), QStringLiteral("密码"));
        QCOMPARE(l.dl->btn_dl->accessibleName(), QStringLiteral("登陆"));
        QCOMPARE(l.dl->btn_qx->accessibleName(), QStringLiteral("重置"));
        QCOMPARE(l.dl->windowTitle(), QStringLiteral("登陆"));
        QCOMPARE(l.dl->size(), QSize(391, 237));
        QVERIFY((l.dl->geometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center()).manhattanLength() <= 4);
        QCOMPARE(l.dl->edt_yhm->geometry(), QRect(207, 85, 160, 24));
        QCOMPARE(l.dl->edt_kl->echoMode(), QLineEdit::Password);
    }

    // "记住密码" stands on the strips' light blue, in its dark blue text, checked or not: no patch of
    // another colour around it.
    void rememberBoxColours_data()
    {
        QTest::addColumn<bool>("checked");
        QTest::newRow("unchecked") << false;
        QTest::newRow("checked") << true;
    }
    void rememberBoxColours()
    {
        QFETCH(bool, checked);
        Login l;
        l.open();
        l.dl->cb_cookie->setChecked(checked);
        const QRect box = l.dl->cb_cookie->geometry();
        QCOMPARE(box, QRect(205, 173, 75, 16));
        const QImage img = l.dl->grab().toImage();
        const QColor ground(166, 196, 232), text(13, 73, 133);
        // The box's top row and its right edge hold nothing but the ground (the caption's ink may
        // reach the bottom row).
        for (int x = box.left(); x <= box.right(); ++x)
            QVERIFY2(img.pixelColor(x, box.top()) == ground, qPrintable(img.pixelColor(x, box.top()).name()));
        for (int y = box.top(); y <= box.bottom(); ++y)
            QVERIFY2(img.pixelColor(box.right(), y) == ground, qPrintable(img.pixelColor(box.right(), y).name()));
        // Its caption is drawn in the dark blue.
        int dark = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left() + 18; x < box.right(); ++x)
                dark += img.pixelColor(x, y) == text;
        QVERIFY(dark > 10);
        const QFont f = l.dl->cb_cookie->font();
        QVERIFY(f.bold());
        QCOMPARE(f.pixelSize(), 13);
    }
};

int main(int argc, char** argv)
{
    VekApplication app(argc, argv);
    TstLogin t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_login.moc"
