// The main window and its tray icon: the show handler, pages embedded on first use, close = hide,
// "退出" with its question, the navigation items' messages, the destruction statement, the flashing
// icon, the tray's double-click and menu, and the show request.

#include "U_datamodule.h"
#include "U_main.h"
#include "forms.h"
#include "defects/U_jxbxq.h"
#include "navbar.h"
#include "notices/U_tzll.h"
#include "platform/showrequest.h"
#include "testworld.h"
#include "vekapplication.h"

#include <QDate>
#include <QGuiApplication>
#include <QScreen>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace vek;

namespace {

struct World {
    TestWorld w;
    MessageRecorder boxes;
    std::unique_ptr<TDataModule1> dm;
    std::unique_ptr<Tmain> m;

    explicit World(const QString& yhm = QStringLiteral("10231"), const QString& code = QStringLiteral("20010101"))
    {
        w.sql(QStringLiteral("vek"), QStringLiteral(
            "insert into tbl_dzb(code,name,vekyhm,zxip,oayhm) values('20010101','张三','10231','10.0.0.8','zhangsan');"
            "insert into tbl_main(bh,xt,lx,zt,fsr,jsrgh,fsrq,jsrq,sfcy) values('{1}','消息','通知','未读一','李四','10231','2026-12-01','2026-12-02','否');"
            "insert into tbl_main(bh,xt,lx,zt,fsr,jsrgh,fsrq,jsrq,sfcy) values('{2}','OA','通知','已读','李四','10231','2026-12-03','2026-12-04','是');"
            "insert into tbl_main(bh,xt,lx,zt,fsr,jsrgh,fsrq,jsrq,sfcy) values('{3}','缺陷','通知','未读二','王五','10231','2026-12-05','2026-12-06','否');"
            "insert into tbl_main(bh,xt,lx,zt,fsr,jsrgh,fsrq,jsrq,sfcy) values('{4}','OA','通知','OA名下','王五','zhangsan','2026-12-07','2026-12-07','否')"));
        Settings s = w.settings();
        s.port = 0;
        dm = std::make_unique<TDataModule1>(s);
        forms::DataModule1 = dm.get();
        dm->cur_user = {QStringLiteral("张三"), yhm, QStringLiteral("pw"), QStringLiteral("10.0.0.8"), code};
        m = std::make_unique<Tmain>();
        forms::main = m.get();
    }
    ~World()
    {
        VekApplication::instance()->destroyOwned();
        m.reset();
        forms::main = nullptr;
        forms::DataModule1 = nullptr;
    }
    void click(const QString& caption) { m->RzGroupBar1->findItem(caption)->click(); }
    QStringList gridColumn(int column) const
    {
        QStringList out;
        for (int r = 0; r < m->tzll->RzDBGrid1->rowCount(); ++r)
            out << m->tzll->RzDBGrid1->item(r, column)->text();
        return out;
    }
};

} // namespace

class TstMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showListsUnreadNotices()
    {
        World d;
        StatementTrace trace;
        d.m->show();
        QCOMPARE(trace.texts(QStringLiteral("ADOConnection1")),
                 QStringList{QStringLiteral("select * from tbl_main \r\n where jsrgh ='10231'\r\n and sfcy='否'\r\n order by fsrq desc")});
        QCOMPARE(d.gridColumn(2), (QStringList{QStringLiteral("未读二"), QStringLiteral("未读一")}));
        QCOMPARE(d.m->RzPageControl1->currentIndex(), 0);
        QCOMPARE(d.m->pt_title->text(), QStringLiteral("通知浏览"));
        QCOMPARE(d.m->StatusBarPanel0->text(), QStringLiteral("用户：张三"));
        QCOMPARE(d.m->StatusBarPanel1->text(),
                 QStringLiteral("当前日期：") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("    "));
        QCOMPARE(d.m->windowTitle(), QStringLiteral("Vekora客户端"));
        QCOMPARE(d.m->size(), QSize(875, 566));
        QVERIFY2((d.m->geometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center()).manhattanLength() <= 4,
                 qPrintable(QStringLiteral("%1,%2 in %3x%4").arg(d.m->geometry().x()).arg(d.m->geometry().y())
                                .arg(QGuiApplication::primaryScreen()->availableGeometry().width())
                                .arg(QGuiApplication::primaryScreen()->availableGeometry().height())));
        QVERIFY(!d.m->RzGroup3->isVisible());
        QVERIFY(d.boxes.boxes.isEmpty());
    }

    // "通知浏览" repeats the browser's own query, under the login name and the OA name.
    void browserItemRunsTheQuery()
    {
        World d;
        d.m->show();
        d.m->tzll->cbb_yd->setCurrentIndex(0);
        StatementTrace trace;
        d.click(QStringLiteral("通知浏览"));
        // The equipment-update look-up, then the listing under both names.
        const QStringList sent = trace.texts(QStringLiteral("ADOConnection1"));
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent[1], QStringLiteral("select * from (select * from tbl_main where jsrgh = (select oayhm from tbl_dzb where vekyhm='10231')\r\n"
                                         " union select * from tbl_main where jsrgh ='10231') tmp \r\n where 1=1 \r\n\r\n order by fsrq desc"));
        QCOMPARE(d.gridColumn(2), (QStringList{QStringLiteral("OA名下"), QStringLiteral("未读二"), QStringLiteral("已读"),
                                               QStringLiteral("未读一")}));
        QCOMPARE(d.m->tzll->RzDBGrid1->item(2, 0)->foreground().color(), QColor(128, 0, 0)); // read: maroon
    }

    void attendanceGroupForTheInformationCentre_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("visible");
        QTest::newRow("408302") << "40830201" << true;
        QTest::newRow("other department") << "40830101" << false;
        QTest::newRow("empty code") << "" << false;
    }
    void attendanceGroupForTheInformationCentre()
    {
        QFETCH(QString, code);
        QFETCH(bool, visible);
        World d(QStringLiteral("10231"), code);
        d.m->show();
        QCOMPARE(d.m->RzGroup3->isVisible(), visible);
    }

    void pagesAreEmbeddedOnFirstUse()
    {
        World d;
        d.m->show();
        d.click(QStringLiteral("发送通知"));
        QPointer<QWidget> send = d.m->fstz;
        QVERIFY(send);
        QCOMPARE(d.m->RzPageControl1->currentIndex(), 1);
        QCOMPARE(d.m->pt_title->text(), QStringLiteral("发送通知"));
        QCOMPARE(send->parentWidget(), d.m->Tabfstz);
        d.click(QStringLiteral("MIS 缺陷"));
        QCOMPARE(d.m->RzPageControl1->currentIndex(), 3);
        d.click(QStringLiteral("发送通知"));
        QCOMPARE(d.m->fstz.data(), send.data()); // reused
        d.click(QStringLiteral("物业缺陷"));
        QCOMPARE(d.m->RzPageControl1->currentIndex(), 4);
        d.click(QStringLiteral("MIS口令更改"));
        QCOMPARE(d.m->RzPageControl1->currentIndex(), 2);
        // The two hidden items are wired all the same.
        QVERIFY(!d.m->RzGroup4->item(2)->isVisible() && !d.m->RzGroup4->item(3)->isVisible());
        d.m->RzGroup4Items2Click(d.m->RzGroup4->item(2));
        QCOMPARE(d.m->RzPageControl1->currentIndex(), 5);
        d.m->RzGroup4Items3Click(d.m->RzGroup4->item(3));
        QCOMPARE(d.m->RzPageControl1->currentIndex(), 6);
    }

    // The close button hides the window and frees the send page, the browser and the password page;
    // the defect pages keep their content.
    void closeHides()
    {
        World d;
        d.m->show();
        d.click(QStringLiteral("发送通知"));
        d.click(QStringLiteral("MIS口令更改"));
        d.click(QStringLiteral("MIS 缺陷"));
        QPointer<QWidget> mis = d.m->BQ_MIS;
        QPointer<QWidget> send = d.m->fstz;
        QVERIFY(d.m->close() == false);
        QVERIFY(!d.m->isVisible());
        QVERIFY(!send && !d.m->fstz && !d.m->tzll && !d.m->ggkl);
        QVERIFY(mis && d.m->BQ_MIS);
        QVERIFY(d.boxes.boxes.isEmpty());
        // Showing again lands on the browser with the unread notices.
        d.m->miPropertiesClick();
        QVERIFY(d.m->isVisible());
        QVERIFY(d.m->tzll);
        QCOMPARE(d.m->RzPageControl1->currentIndex(), 0);
        QCOMPARE(d.m->pt_title->text(), QStringLiteral("通知浏览"));
    }

    void navigationMessages_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("message");
        QTest::newRow("upload") << "10231" << "上传软件" << "该业务只能要服务器端执行";
        QTest::newRow("configuration, not an administrator") << "10231" << "配置信息" << "系统管理员专用功能！";
        QTest::newRow("configuration, no user") << "" << "配置信息" << "系统管理员专用功能！";
    }
    void navigationMessages()
    {
        QFETCH(QString, user);
        QFETCH(QString, item);
        QFETCH(QString, message);
        World d(user);
        d.m->show();
        d.click(item);
        QCOMPARE(d.boxes.texts(), QStringList{message});
        QCOMPARE(d.boxes.boxes[0].flags, 48);
        QVERIFY(!d.m->yhxxpz);
    }

    void configurationForAnAdministrator()
    {
        World d(QStringLiteral("10002"));
        d.m->show();
        QString title;
        QTimer::singleShot(0, [&] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                title = w->windowTitle();
                w->close();
            }
        });
        d.click(QStringLiteral("配置信息"));
        QCOMPARE(title, QStringLiteral("用户信息配置"));
        QVERIFY(d.boxes.boxes.isEmpty());
        QTest::qWait(0);
        QVERIFY(!d.m->yhxxpz); // freed when closed
    }

    // The browser's "设备管理消缺" opens a new modal elimination form for the notice's defect.
    void eliminationFromTheBrowser()
    {
        World d;
        d.w.sql(QStringLiteral("vek"), QStringLiteral(
            "insert into tbl_main(bh,xt,lx,zt,jsrgh,fsrq,sfcy,bz) values('{E}','设备管理缺陷','消缺通知','缺陷代码：X','10231','2026-12-09','否','F1')"));
        d.m->show();
        d.m->tzll->setCurrentRecord(1);
        QStringList opened;
        for (int i = 0; i < 2; ++i) {
            QTimer::singleShot(0, [&] {
                if (auto* f = qobject_cast<Tjxbxq*>(QApplication::activeModalWidget())) {
                    opened << f->flaw_code;
                    f->close();
                }
            });
            d.m->tzll->N3Click();
        }
        QCOMPARE(opened, (QStringList{"F1", "F1"}));
    }

    void attendanceItems()
    {
        World d(QStringLiteral("10402"), QStringLiteral("40830201"));
        ServerClock clock(QDateTime(QDate(2026, 12, 10), QTime(8, 30)));
        d.m->show();
        d.m->RzGroup3->item(0)->click();
        d.m->RzGroup3->item(1)->click();
        QCOMPARE(d.boxes.texts(), (QStringList{QStringLiteral("您今天上午签到成功！"), QStringLiteral("现在是上午！")}));
        QCOMPARE(d.w.value(QStringLiteral("ServiceCenter"), QStringLiteral("select usercode || ' ' || userdeptcode from Attendance")),
                 QStringLiteral("10402 4083"));
    }

    void destructionClearsTheUsersAddress()
    {
        World d;
        StatementTrace trace;
        d.m.reset();
        QCOMPARE(trace.texts(QStringLiteral("ADOConnection1")),
                 QStringList{QStringLiteral("update tbl_dzb set zxip='' \r\n where vekyhm='10231'")});
        QCOMPARE(d.w.value(QStringLiteral("vek"), QStringLiteral("select zxip from tbl_dzb")), QString());
    }

    // --- tray ---

    void flashing()
    {
        World d;
        QVERIFY(d.m->Timer_vercheck->isActive()); // the version check runs before any login
        QCOMPARE(d.m->Timer_vercheck->interval(), 600000);
        QCOMPARE(d.m->iconName, QStringLiteral("BIG"));
        QCOMPARE(d.m->TrayIcon1->toolTip(), QStringLiteral("Vekora客户端"));
        QVERIFY(d.m->TrayIcon1->isVisible());
        QCOMPARE(d.m->Timer_tp->interval(), 800);
        QVERIFY(!d.m->Timer_tp->isActive());
        QStringList seen;
        for (int i = 0; i < 4; ++i) {
            d.m->Timer_tpTimer();
            seen << d.m->iconName;
        }
        QCOMPARE(seen, (QStringList{"SMAIL", "BIG", "NORMAL", "SMAIL"}));
        // Stopping leaves the last step; a restart goes on from it; jz restores the steady icon only.
        d.m->Timer_tp->start();
        d.m->Timer_tp->stop();
        QCOMPARE(d.m->iconName, QStringLiteral("SMAIL"));
        d.m->Timer_tpTimer();
        QCOMPARE(d.m->iconName, QStringLiteral("BIG"));
        d.m->Timer_tpTimer();
        QCOMPARE(d.m->iconName, QStringLiteral("NORMAL"));
        d.m->jz();
        QCOMPARE(d.m->iconName, QStringLiteral("BIG"));
        QCOMPARE(d.m->icon_step, 0);
        d.m->Timer_tpTimer();
        QCOMPARE(d.m->iconName, QStringLiteral("SMAIL"));
        QCOMPARE(d.m->TrayIcon1->toolTip(), QStringLiteral("Vekora客户端"));
        // The browser page's show stops the flashing.
        d.m->Timer_tp->start();
        d.m->show();
        QVERIFY(!d.m->Timer_tp->isActive());
    }

    void doubleClickTogglesWithoutFreeingPages()
    {
        World d;
        d.m->show();
        d.click(QStringLiteral("发送通知"));
        QPointer<QWidget> send = d.m->fstz;
        d.m->WMTrayNotify(QSystemTrayIcon::DoubleClick);
        QVERIFY(!d.m->isVisible());
        QVERIFY(send);
        d.m->WMTrayNotify(QSystemTrayIcon::DoubleClick);
        QVERIFY(d.m->isVisible());
        QVERIFY(send);
        QCOMPARE(d.m->RzPageControl1->currentIndex(), 0); // the show handler ran
        d.m->miPropertiesClick(); // visible already: nothing happens
        QVERIFY(d.m->isVisible());
    }

    void trayIgnoredUnderAModalBox()
    {
        World d;
        d.m->show();
        bool visibleAfter = false;
        bool menuShown = true;
        QTimer::singleShot(0, [&] {
            d.m->WMTrayNotify(QSystemTrayIcon::DoubleClick);
            d.m->WMTrayNotify(QSystemTrayIcon::Context);
            visibleAfter = d.m->isVisible();
            menuShown = d.m->PopupMenu1->isVisible();
            QApplication::activeModalWidget()->close();
        });
        QMessageBox box(QMessageBox::Warning, QStringLiteral("提示"), QStringLiteral("x"), QMessageBox::Ok, d.m.get());
        box.exec();
        QVERIFY(visibleAfter);
        QVERIFY(!menuShown);
        d.m->WMTrayNotify(QSystemTrayIcon::Context);
        QVERIFY(d.m->PopupMenu1->isVisible());
        d.m->PopupMenu1->close();
    }

    void showRequestFromAnotherProgram()
    {
        World d;
        d.m->show();
        d.m->hide();
        QVERIFY(platform::ShowRequestServer::requestShow());
        QVERIFY(QTest::qWaitFor([&] { return d.m->isVisible(); }, 5000));
    }

    // Before the first show the login is still open: a show request does not bring up the window.
    void showRequestBeforeLogin()
    {
        World d;
        d.m->WMShowMain();
        d.m->WMHotKey();
        QVERIFY(!d.m->isVisible());
    }

    void accessibleNavigation()
    {
        World d;
        QToolButton* item = d.m->RzGroupBar1->findItem(QStringLiteral("发送通知"));
        QVERIFY(item);
        QCOMPARE(item->accessibleName(), QStringLiteral("发送通知"));
        QCOMPARE(d.m->RzGroup2->caption(), QStringLiteral("业务操作"));
        QCOMPARE(d.m->RzGroup1->caption(), QStringLiteral("系统操作"));
    }
    // Runs last: after the end is requested no further modal loop runs in this process.
    void exitAsks_data()
    {
        QTest::addColumn<bool>("fromTray");
        QTest::addColumn<bool>("visibleBefore");
        QTest::newRow("navigation item") << false << true;
        QTest::newRow("tray menu, window hidden") << true << false;
    }
    void exitAsks()
    {
        QFETCH(bool, fromTray);
        QFETCH(bool, visibleBefore);
        World d;
        d.m->show();
        if (!visibleBefore)
            d.m->hide();
        d.boxes.answers = {7}; // No
        if (fromTray)
            d.m->miclose->trigger();
        else
            d.click(QStringLiteral("退出"));
        QCOMPARE(d.boxes.boxes.size(), 1);
        QCOMPARE(d.boxes.boxes[0].text, QStringLiteral("确认退出吗？"));
        QCOMPARE(d.boxes.boxes[0].caption, QStringLiteral("提示"));
        QCOMPARE(d.boxes.boxes[0].flags, 36);
        QCOMPARE(d.m->isVisible(), visibleBefore);
        QVERIFY(!d.m->exit_requested);
        QVERIFY(!VekApplication::instance()->endRequested());

        d.boxes.answers = {6}; // Yes
        if (fromTray)
            d.m->micloseClick();
        else
            d.m->RzGroup1Items3Click(nullptr);
        QVERIFY(VekApplication::instance()->endRequested());
        QCOMPARE(VekApplication::instance()->exitCode(), 0);
        VekApplication::instance()->clearEndRequest();
        // A plain close afterwards hides again without asking.
        d.m->show();
        d.m->close();
        QCOMPARE(d.boxes.boxes.size(), 2);
    }

};

int main(int argc, char** argv)
{
    VekApplication app(argc, argv);
    TstMainWindow t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_mainwindow.moc"
