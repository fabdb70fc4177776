// Receiving notices in the main window: datagrams from the network become pop-ups above the taskbar,
// in arrival order, with the sound and the tray's flashing; closing a pop-up stops the flashing, shows
// the main window and frees the pop-up.

#include "U_datamodule.h"
#include "U_main.h"
#include "defects/U_jxbxq.h"
#include "forms.h"
#include "notices/U_tctz.h"
#include "notices/datagram.h"
#include "testworld.h"
#include "vekapplication.h"

#include <QFile>
#include <QLabel>
#include <QRandomGenerator>
#include <QLineEdit>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUdpSocket>

using namespace vek;

namespace {

struct Client {
    TestWorld w;
    MessageRecorder boxes;
    std::unique_ptr<TDataModule1> dm;
    std::unique_ptr<Tmain> m;
    quint16 port = 0;

    Client()
    {
        QUdpSocket probe;
        probe.bind(QHostAddress::AnyIPv4, 0);
        port = probe.localPort();
        probe.close();
        Settings s = w.settings();
        s.port = port;
        dm = std::make_unique<TDataModule1>(s);
        forms::DataModule1 = dm.get();
        dm->cur_user.cur_yhm = QStringLiteral("10231");
        m = std::make_unique<Tmain>();
        forms::main = m.get();
    }
    ~Client()
    {
        VekApplication::instance()->destroyOwned();
        m.reset();
        forms::main = nullptr;
        forms::DataModule1 = nullptr;
    }
    void send(const QByteArray& bytes) const
    {
        QUdpSocket s;
        s.writeDatagram(bytes, QHostAddress::LocalHost, port);
    }
    static QList<Ttctz*> popups()
    {
        QList<Ttctz*> out;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<Ttctz*>(w); p && p->isVisible())
                out << p;
        return out;
    }
};

} // namespace

class TstReceiving : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showDatagramPopsUp()
    {
        Client c;
        c.send(notices::showDatagram(QStringLiteral("通知"), QStringLiteral("消息"), QStringLiteral("明天8点检修|2号机")));
        QVERIFY(QTest::qWaitFor([&] { return Client::popups().size() == 1; }, 5000));
        Ttctz* p = Client::popups().first();
        QCOMPARE(p->windowTitle(), QStringLiteral("通知"));
        QCOMPARE(p->Panel1->text(), QStringLiteral("消息"));
        QCOMPARE(p->Memo1->toPlainText(), QStringLiteral("    明天8点检修|2号机"));
        QCOMPARE(c.m->soundRequests, 1);
        QVERIFY(c.m->Timer_tp->isActive());
    }

    void ignoredDatagrams_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("capitals") << QByteArray("SHOW|a|b|c");
        QTest::newRow("bare verb") << QByteArray("show");
        QTest::newRow("update") << QByteArray("update|sbgl|10231");
        QTest::newRow("over 8192 bytes") << QByteArray("show|a|b|") + QByteArray(9000, 'x');
    }
    void ignoredDatagrams()
    {
        QFETCH(QByteArray, bytes);
        Client c;
        c.send(bytes);
        c.send("show|marker||"); // arrives after the one under test
        QVERIFY(QTest::qWaitFor([&] { return !Client::popups().isEmpty(); }, 5000));
        QTest::qWait(100);
        QCOMPARE(Client::popups().size(), 1);
        QCOMPARE(Client::popups().first()->windowTitle(), QStringLiteral("marker"));
        QCOMPARE(c.m->soundRequests, 1);
    }

    void longDatagramShowsItsFirst1024Bytes()
    {
        Client c;
        c.send("show|cap|head|" + QByteArray(1986, 'y'));
        QVERIFY(QTest::qWaitFor([&] { return Client::popups().size() == 1; }, 5000));
        QCOMPARE(Client::popups().first()->Memo1->toPlainText(), QStringLiteral("    ") + QString(1024 - 14, QLatin1Char('y')));
    }

    // A burst: every datagram becomes a pop-up, in the order sent, all at the same place.
    void burstInOrder()
    {
        Client c;
        const int n = 500;
        QUdpSocket s;
        for (int i = 0; i < n; ++i)
            s.writeDatagram("show|" + QByteArray::number(i) + "||", QHostAddress::LocalHost, c.port);
        QVERIFY(QTest::qWaitFor([&] { return Client::popups().size() == n; }, 30000));
        QList<int> order;
        for (Ttctz* p : Client::popups())
            order << p->windowTitle().toInt();
        std::sort(order.begin(), order.end());
        for (int i = 0; i < n; ++i)
            QCOMPARE(order[i], i);
        const QPoint at = Client::popups().first()->pos();
        for (Ttctz* p : Client::popups())
            QCOMPARE(p->pos(), at);
        QCOMPARE(c.m->soundRequests, n);
    }

    void placementAboveTheTaskbar()
    {
        QCOMPARE(Ttctz::placement(QRect(0, 0, 1024, 768), 30, QSize(266, 170)), QPoint(758, 568));
        QCOMPARE(Ttctz::placement(QRect(0, 0, 1920, 1080), 0, QSize(266, 170)), QPoint(1654, 910));
        Client c;
        c.m->IdUDPServerUDPRead("show|a|b|c");
        Ttctz* p = Client::popups().first();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(p->frameGeometry().right(), screen.right());
        QCOMPARE(p->frameGeometry().bottom(), screen.bottom() - Ttctz::taskbarHeight());
        QCOMPARE(p->frameGeometry().size(), QSize(266, 170));
    }

    // Closing stops the flashing, restores the steady icon, shows the main window and frees the pop-up.
    void closingAPopup_data()
    {
        QTest::addColumn<bool>("byPicture");
        QTest::newRow("picture button") << true;
        QTest::newRow("title bar") << false;
    }
    void closingAPopup()
    {
        QFETCH(bool, byPicture);
        Client c;
        c.m->tray_added = true; // logged in, window hidden
        c.m->IdUDPServerUDPRead("show|first||");
        c.m->IdUDPServerUDPRead("show|second||");
        QCOMPARE(Client::popups().size(), 2);
        c.m->Timer_tpTimer();
        QCOMPARE(c.m->iconName, QStringLiteral("SMAIL"));
        QPointer<Ttctz> top;
        for (Ttctz* p : Client::popups())
            if (p->windowTitle() == QLatin1String("second"))
                top = p;
        QVERIFY(top);
        if (byPicture)
            top->SpeedButton1->click();
        else
            top->close();
        QVERIFY(!c.m->Timer_tp->isActive());
        QCOMPARE(c.m->iconName, QStringLiteral("BIG"));
        QVERIFY(c.m->isVisible());
        QTRY_VERIFY(!top); // freed
        QCOMPARE(Client::popups().size(), 1); // the other pop-up stays
    }

    // An elimination on one workstation pops the acceptance request up on the shift account's.
    void acceptanceRequestPopsUpAtTheShiftAccount()
    {
        Client c;
        c.w.sql(QStringLiteral("vek"), QStringLiteral(
            "insert into table_zd(code,name,rycode) values('408201','电气班',null);"
            "insert into table_zd(code,name,rycode) values('40820102','马超','10302');"
            "insert into tbl_dzb(code,name,vekyhm,zxip,rylb) values('200203','#2机组甲值','KPTA2','127.0.0.1','J')"));
        c.w.sql(QStringLiteral("equip"), QStringLiteral(
            "insert into t_equip_flaw(f_code,f_state,EQUIP_CODE,F_CALL_TIME,F_EQUIP_LEVEL,sbdm) "
            "values('F1',20,'QX-1','2026-12-01 08:00:00','#2炉B磨煤机','02HFC20')"));
        c.dm->cur_user.cur_xm = QStringLiteral("孙建军");
        Tjxbxq form;
        form.flaw_code = QStringLiteral("F1");
        form.show();
        form.edt_xqr->setText(QStringLiteral("10302"));
        form.edt_xqsm->setText(QStringLiteral("更换轴承"));
        form.Button1->click();
        QCOMPARE(c.boxes.texts(), QStringList{QStringLiteral("消缺成功！")});
        QVERIFY(QTest::qWaitFor([&] { return Client::popups().size() == 1; }, 5000));
        Ttctz* p = Client::popups().first();
        QCOMPARE(p->windowTitle(), QStringLiteral("消息"));
        QCOMPARE(p->Panel1->text(), QStringLiteral("缺陷验收"));
        QCOMPARE(p->Memo1->toPlainText(), QStringLiteral("    #2炉B磨煤机"));
        QCOMPARE(c.w.value(QStringLiteral("vek"), QStringLiteral("select lx || '>' || jsrgh from tbl_main")), QStringLiteral("请验收>KPTA2"));
    }

    // A flood of random bytes: nothing crashes, nothing pops up that is not a show datagram, memory
    // stays bounded, and a real notice afterwards still arrives.
    void floodOfRandomBytes()
    {
        Client c;
        [[maybe_unused]] const long before = residentKiB();
        QUdpSocket s;
        QRandomGenerator gen(2136);
        const int n = 20000;
        for (int i = 0; i < n; ++i) {
            QByteArray junk(int(gen.bounded(1, 9000)), Qt::Uninitialized);
            for (char& ch : junk)
                ch = char(gen.bounded(256));
            if (junk.startsWith("show|"))
                junk[0] = 'x';
            s.writeDatagram(junk, QHostAddress::LocalHost, c.port);
            if (i % 500 == 0)
                QCoreApplication::processEvents();
        }
        s.writeDatagram("show|after the flood||", QHostAddress::LocalHost, c.port);
        QVERIFY(QTest::qWaitFor([&] { return Client::popups().size() == 1; }, 30000));
        QCOMPARE(Client::popups().first()->windowTitle(), QStringLiteral("after the flood"));
        QCOMPARE(c.m->soundRequests, 1);
#if !defined(__SANITIZE_ADDRESS__) // the address sanitizer holds freed memory back: resident size says nothing
        QVERIFY2(residentKiB() - before < 20 * 1024, qPrintable(QStringLiteral("grew by %1 KiB").arg(residentKiB() - before)));
#endif
    }

    // Memory does not grow with every notice: closed pop-ups are gone.
    void closedPopupsAreFreed()
    {
        Client c;
        for (int i = 0; i < 50; ++i) {
            c.m->IdUDPServerUDPRead("show|x|y|z");
            Client::popups().first()->close();
        }
        QTest::qWait(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // What is left is the one hidden pop-up prepared for the next notice.
        int alive = 0, shown = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<Ttctz*>(w)) {
                ++alive;
                shown += w->isVisible();
            }
        QCOMPARE(alive, 1);
        QCOMPARE(shown, 0);
    }
};

int main(int argc, char** argv)
{
    VekApplication app(argc, argv);
    TstReceiving t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_receiving.moc"
