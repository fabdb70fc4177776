// Figures for the notices: opening the send page on a large address book, a burst of show datagrams,
// memory over many pop-ups, and a send to a large department.
//   bench_notices [address-book rows (20000)] [burst (2000)] [pop-ups (1000)] [department (1000)]
//                 [notices in tbl_main (1000000), of which 1 in 100 for the user]
// A count of 0 leaves its figure out. The memory figure is cleanest alone (bench_notices 0 0 10000 0 0,
// as bench/run.sh runs it): the heap the other figures leave behind would hide growth.

#include "U_datamodule.h"
#include "U_main.h"
#include "forms.h"
#include "notices/U_fstz.h"
#include "notices/U_tctz.h"
#include "notices/U_tzll.h"
#include "notices/datagram.h"
#include "notices/receiver.h"
#include "platform/messagebox.h"
#include "testworld.h"
#include "vekapplication.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>
#include <QUdpSocket>

using namespace vek;

namespace {

QString addressBook(int persons, const QString& zxip)
{
    QString sql = QStringLiteral("begin;insert into tbl_dzb(code,name,vekyhm,zxip) values('20','厂部',null,'');");
    int made = 0;
    for (int d = 1; made < persons; ++d) {
        const QString dept = QStringLiteral("20%1").arg(d, 2, 10, QLatin1Char('0'));
        sql += QStringLiteral("insert into tbl_dzb(code,name,vekyhm,zxip) values('%1','部门%2',null,'');").arg(dept).arg(d);
        for (int t = 1; t <= 50 && made < persons; ++t) {
            const QString team = dept + QStringLiteral("%1").arg(t, 2, 10, QLatin1Char('0'));
            sql += QStringLiteral("insert into tbl_dzb(code,name,vekyhm,zxip) values('%1','班组%2','','');").arg(team).arg(t);
            for (int p = 1; p <= 99 && made < persons; ++p, ++made)
                sql += QStringLiteral("insert into tbl_dzb(code,name,vekyhm,zxip) values('%1%2','职工%3','%4','%5');")
                           .arg(team)
                           .arg(p, 2, 10, QLatin1Char('0'))
                           .arg(made)
                           .arg(100000 + made)
                           .arg(zxip);
        }
    }
    return sql + QStringLiteral("commit;");
}

} // namespace

int main(int argc, char** argv)
{
    VekApplication app(argc, argv);
    const QStringList a = app.arguments();
    const int bookRows = a.value(1, QStringLiteral("20000")).toInt();
    const int burst = a.value(2, QStringLiteral("2000")).toInt();
    const int popups = a.value(3, QStringLiteral("1000")).toInt();
    const int department = a.value(4, QStringLiteral("1000")).toInt();
    const int notices = a.value(5, QStringLiteral("1000000")).toInt();
    platform::setMessageBoxHandler([](const QString&, const QString&, int flags) { return platform::defaultAnswer(flags); });
    QTextStream out(stdout);

    TestWorld w;
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0);
    Settings s = w.settings();
    s.port = probe.localPort();
    probe.close();
    TDataModule1 dm(s);
    forms::DataModule1 = &dm;
    dm.cur_user = {QStringLiteral("测试"), QStringLiteral("99999"), {}, {}, QStringLiteral("20")};

    // 1. The send page on a large address book.
    if (bookRows > 0) {
        w.sql(QStringLiteral("vek"), addressBook(bookRows, QString()));
        db::Query q(&dm.ADOConnection1);
        q.add(QStringLiteral("select code, name,vekyhm,zxip from tbl_dzb "));
        q.add(QStringLiteral(" where code like '20%'"));
        q.add(QStringLiteral(" order by code "));
        QElapsedTimer t;
        t.start();
        q.open();
        const qint64 bare = t.elapsed();
        Tfstz page;
        t.restart();
        page.LoadRecipientTree();
        const qint64 full = t.elapsed();
        out << "send page on an address book of " << bookRows << " people (" << q.recordCount() << " rows with departments and teams): " << full << " ms (query, files, trees); bare query "
            << bare << " ms";
        if (bookRows >= 100000)
            out << " (target for 100,000 rows: < 3000 ms: " << (full < 3000 ? "met" : "NOT met") << ')';
        out << '\n';
        w.sql(QStringLiteral("vek"), QStringLiteral("delete from tbl_dzb"));
    }

    if (burst > 0 || popups > 0) {
        Tmain m;
        forms::main = &m;
        m.tray_added = true;
        QUdpSocket sender;
        auto closePopups = [] {
            int closed = 0;
            for (QWidget* tw : QApplication::topLevelWidgets())
                if (auto* p = qobject_cast<Ttctz*>(tw); p && p->isVisible() && p->close())
                    ++closed;
            return closed;
        };

        // 2. Memory over pop-ups shown and closed, each from a datagram through the receiver, as the user
        //    sees them one after the other. The baseline is taken after 100 of them (fonts, pictures and
        //    the pop-up's first allocations in place).
        if (popups > 0) {
            const QByteArray datagram =
                notices::showDatagram(QStringLiteral("通知"), QStringLiteral("消息"), QStringLiteral("请于明天上午到现场确认检修结果。"));
            int lost = 0;
            auto popUpAndClose = [&] {
                sender.writeDatagram(datagram, QHostAddress::LocalHost, s.port);
                int closed = 0;
                if (!QTest::qWaitFor([&] { return (closed += closePopups()) > 0; }, 5000))
                    ++lost;
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            };
            for (int i = 0; i < 100; ++i)
                popUpAndClose();
            const long before = residentKiB();
            QElapsedTimer t;
            t.start();
            long middle = before;
            for (int i = 0; i < popups; ++i) {
                popUpAndClose();
                if (i + 1 == popups / 2)
                    middle = residentKiB();
            }
            const long after = residentKiB();
            const double growth = (after - before) / 1024.0;
            out << "memory over " << popups << " pop-ups shown and closed (after 100 for warm-up): " << before / 1024
                << " MiB before, " << middle / 1024 << " MiB half-way, " << after / 1024 << " MiB after, growth "
                << QString::number(growth, 'f', 1) << " MiB (target < 20 MB: " << (growth * 1.048576 < 20 && !lost ? "met" : "NOT met")
                << "); " << lost << " not shown; " << t.elapsed() << " ms\n";
        }

        // 3. A burst of show datagrams from another socket.
        if (burst > 0) {
            // Every datagram either pops up (and sounds) or is pushed out of the receiver's queue by
            // newer ones before a window is built for it; at most the bound stay open, the last on top.
            const int soundsBefore = m.soundRequests;
            const quint64 droppedBefore = m.IdUDPServer->droppedCount();
            const QByteArray last = QByteArray::number(burst - 1);
            QElapsedTimer t;
            t.start();
            for (int i = 0; i < burst; ++i)
                sender.writeDatagram("show|burst|" + QByteArray::number(i) + "|x", QHostAddress::LocalHost, s.port);
            auto shown = [&] { return m.soundRequests - soundsBefore; };
            auto dropped = [&] { return int(m.IdUDPServer->droppedCount() - droppedBefore); };
            const bool all = QTest::qWaitFor([&] { return shown() + dropped() >= burst; }, 120000);
            const qint64 ms = t.elapsed();
            const QList<Ttctz*> open = m.openPopups();
            const bool lastOnTop = !open.isEmpty() && open.last()->Panel1->text() == QLatin1String(last);
            out << "burst of " << burst << " show datagrams: " << shown() << " popped up, " << dropped()
                << " pushed out by newer ones before a window was built, " << open.size() << " open (bound "
                << Tmain::kPopupBound << "), the last on top: " << (lastOnTop ? "yes" : "NO") << " ("
                << (all && lastOnTop ? "none lost unseen by the rules" : "LOST SOME") << ") in " << ms << " ms\n";
            app.destroyOwned();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        app.destroyOwned();
        forms::main = nullptr;
    }

    // 4. A send to a large department whose members are all online (datagrams to this machine).
    if (department > 0) {
        w.sql(QStringLiteral("vek"), QStringLiteral("delete from tbl_dzb"));
        w.sql(QStringLiteral("vek"), addressBook(department, QStringLiteral("127.0.0.1")));
        Tfstz page;
        page.LoadRecipientTree();
        page.TreeView1->setCurrentItem(page.TreeView1->topLevelItem(0));
        page.Button1Click();
        QElapsedTimer t;
        t.start();
        page.Button3Click();
        const qint64 ms = t.elapsed();
        const QString rows = w.value(QStringLiteral("vek"), QStringLiteral("select count(*) from tbl_main"));
        out << "send to a department of " << department << " people: " << rows << " rows, " << ms << " ms in all, "
            << (ms - 3 * department) << " ms without the 3 ms pauses between datagrams\n";
    }
    // 5. The user's listings in a large notice table.
    if (notices > 0) {
        w.sql(QStringLiteral("vek"), QStringLiteral("delete from tbl_main"));
        w.sql(QStringLiteral("vek"), QStringLiteral(
            "insert into tbl_main(bh,xt,lx,zt,fsr,fsrgh,jsr,jsrgh,fsrq,jsrq,sfcy) "
            "with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
            "select printf('{%08d-0000-0000-0000-000000000000}', i), case i % 5 when 0 then '消息' when 1 then 'OA' else '缺陷' end, "
            "'通知', '第' || i || '号通知', '发送人', 's', '接收人', case when i % 100 = 0 then '99999' else 'u' || (i % 9973) end, "
            "date('2026-01-01', '+' || (i % 365) || ' days'), '2026-12-01', case when i % 3 = 0 then '是' else '否' end from n")
                                        .arg(notices));
        Ttzll page;
        QElapsedTimer t;
        t.start();
        page.setDefaultListing();
        page.openListing();
        const qint64 unread = t.elapsed();
        const int unreadRows = page.Query1.recordCount();
        page.cbb_yd->setCurrentIndex(0);
        t.restart();
        page.Button3Click();
        const qint64 all = t.elapsed();
        out << "listing in a tbl_main of " << notices << " rows: the user's " << unreadRows << " unread in " << unread
            << " ms (query and grid); all " << page.Query1.recordCount() << " of the user's notices, both names, in " << all
            << " ms\n";
    }
    forms::DataModule1 = nullptr;
    out << "reproduce: QT_QPA_PLATFORM=offscreen " << a.first() << ' ' << bookRows << ' ' << burst << ' ' << popups << ' ' << department << ' '
        << notices << '\n';
    return 0;
}
