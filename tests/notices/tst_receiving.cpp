// Receiving notices in the main window: datagrams from the network become pop-ups above the taskbar,
// in arrival order, with the sound and the tray's flashing; closing a pop-up stops the flashing, shows
// the main window and frees the pop-up.

#include "U_datamodule.h"
#include "U_main.h"
#include "defects/U_jxbxq.h"
#include "forms.h"
#include "notices/U_tctz.h"
#include "notices/datagram.h"
#include "platform/windowtitle.h"
#include "testworld.h"
#include "vekapplication.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
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

    // A burst faster than windows can be built: the newest datagrams pop up in the order sent, all at
    // the same place, the last one on top; never more than the bound are open, and the ones that made
    // room are freed.
    void burstKeepsTheNewestInOrder()
    {
        Client c;
        const int n = 500;
        QUdpSocket s;
        for (int i = 0; i < n; ++i)
            s.writeDatagram("show|" + QByteArray::number(i) + "||", QHostAddress::LocalHost, c.port);
        QVERIFY(QTest::qWaitFor([&] {
            const QList<Ttctz*> open = c.m->openPopups();
            return !open.isEmpty() && open.last()->windowTitle() == QLatin1String("499");
        }, 30000));
        const QList<Ttctz*> open = c.m->openPopups();
        QCOMPARE(open.size(), Tmain::kPopupBound);
        for (int i = 1; i < open.size(); ++i)
            QVERIFY2(open[i - 1]->windowTitle().toInt() < open[i]->windowTitle().toInt(), "out of order");
        QCOMPARE(Client::popups().size(), Tmain::kPopupBound);
        const QPoint at = open.first()->pos();
        for (Ttctz* p : open)
            QCOMPARE(p->pos(), at);
        QVERIFY(c.m->soundRequests >= Tmain::kPopupBound);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        int alive = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            alive += qobject_cast<Ttctz*>(w) != nullptr;
        QVERIFY2(alive <= Tmain::kPopupBound + 1, qPrintable(QString::number(alive))); // and the prepared one
        // Making room is no user's closing: the main window stays hidden and the tray goes on flashing.
        QVERIFY(!c.m->isVisible());
        QVERIFY(c.m->Timer_tp->isActive());
    }

    // 1,000 show datagrams a second from another thread: the event loop keeps its turns (a 5 ms timer
    // is never held up for long), the bound holds all along, and the last notice ends up on top.
    void floodLeavesTheEventLoopResponsive()
    {
        Client c;
        const int n = 3000;
        QThread sender;
        QObject* worker = new QObject;
        worker->moveToThread(&sender);
        sender.start();
        QMetaObject::invokeMethod(worker, [port = c.port] {
            QUdpSocket s;
            QElapsedTimer t;
            t.start();
            for (int i = 0; i < n; ++i) {
                while (t.elapsed() < i)
                    QThread::usleep(200);
                s.writeDatagram("show|" + QByteArray::number(i) + "|洪水|正文", QHostAddress::LocalHost, port);
            }
        });
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0, worstGap = 0;
        int mostOpen = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            worstGap = qMax(worstGap, clock.elapsed() - last);
            last = clock.elapsed();
            mostOpen = qMax(mostOpen, int(Client::popups().size()));
        });
        tick.start(5);
        const bool settled = QTest::qWaitFor([&] {
            const QList<Ttctz*> open = c.m->openPopups();
            return !open.isEmpty() && open.last()->windowTitle() == QString::number(n - 1);
        }, 60000);
        tick.stop();
        sender.quit();
        sender.wait();
        delete worker;
        QVERIFY(settled);
        QVERIFY2(worstGap < 500, qPrintable(QStringLiteral("the event loop stood still for %1 ms").arg(worstGap)));
        QVERIFY2(mostOpen <= Tmain::kPopupBound, qPrintable(QString::number(mostOpen)));
    }

    // Headings that a rich-text label would lay out for minutes, read from a device until memory runs
    // out, or fetch from another host: shown as the characters sent, drawn exactly as plain text, and
    // the next notice pops up at once.
    void hostileHeadingsShownAsSent_data()
    {
        QTest::addColumn<QString>("heading");
        QString tables;
        for (int i = 0; i < 66; ++i) // as deep as a datagram with this caption can carry
            tables += QStringLiteral("<table><tr><td>");
        QTest::newRow("nested tables") << tables;
        QTest::newRow("image from a device") << QStringLiteral("<img src=\"/dev/zero\">");
        QTest::newRow("image from another host") << QStringLiteral("<img src=\"\\\\host\\share\\x.png\">");
        QTest::newRow("markup") << QStringLiteral("<b>粗体</b> &amp; <a href=\"http://x\">链接</a>");
    }
    void hostileHeadingsShownAsSent()
    {
        QFETCH(QString, heading);
        Client c;
        QElapsedTimer t;
        t.start();
        const QString caption = QStringLiteral("<b>标题</b>[*]");
        c.send(notices::showDatagram(caption, heading, QStringLiteral("<i>正文</i>")));
        c.send("show|next|b|c");
        QVERIFY(QTest::qWaitFor([&] { return Client::popups().size() == 2; }, 5000));
        QVERIFY2(t.elapsed() < 1000, qPrintable(QStringLiteral("%1 ms").arg(t.elapsed())));
        const QList<Ttctz*> open = c.m->openPopups();
        Ttctz* p = open.first();
        QCOMPARE(p->Panel1->text(), heading);
        QCOMPARE(p->Memo1->toPlainText(), QStringLiteral("    <i>正文</i>"));
        QCOMPARE(platform::nativeWindowTitle(p), caption);
        // What the band shows is the text drawn as plain characters.
        const QImage shown = p->Panel1->grab().toImage();
        p->Panel1->setTextFormat(Qt::PlainText);
        p->Panel1->setText(QString());
        p->Panel1->setText(heading);
        QCOMPARE(shown, p->Panel1->grab().toImage());
        QCOMPARE(open.last()->windowTitle(), QStringLiteral("next"));
    }

    // An empty caption is an empty title, not the application's name.
    void emptyCaptionIsAnEmptyTitle()
    {
        Client c;
        c.send("show||head|body");
        QVERIFY(QTest::qWaitFor([&] { return Client::popups().size() == 1; }, 5000));
        QCOMPARE(platform::nativeWindowTitle(Client::popups().first()), QString());
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
