// The longest stall of the event loop while the send page sends a notice to a large department whose
// members are all online (datagrams to this machine), from the click on "发 送" to the result box.
//   bench_send_stall [department (5000)]
// It uses only what the send page has always offered (its tree, ">>", "发 送" and the message box),
// so bench/send_stall.sh builds the same program from an earlier commit for the figure beside it.

#include "U_datamodule.h"
#include "forms.h"
#include "notices/U_fstz.h"
#include "platform/messagebox.h"
#include "testworld.h"
#include "vekapplication.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QUdpSocket>

using namespace vek;

int main(int argc, char** argv)
{
    VekApplication app(argc, argv);
    const int department = app.arguments().value(1, QStringLiteral("5000")).toInt();
    QTextStream out(stdout);

    TestWorld w;
    QUdpSocket probe; // a free port for the datagrams, nobody listening
    probe.bind(QHostAddress::AnyIPv4, 0);
    Settings s = w.settings();
    s.port = probe.localPort();
    probe.close();
    TDataModule1 dm(s);
    forms::DataModule1 = &dm;
    dm.cur_user = {QStringLiteral("测试"), QStringLiteral("99999"), {}, {}, QStringLiteral("20")};

    QString sql = QStringLiteral("begin;insert into tbl_dzb(code,name,vekyhm,zxip) values('20','厂部',null,'');"
                                 "insert into tbl_dzb(code,name,vekyhm,zxip) values('2001','运行部',null,'');");
    // Teams of up to 99 people under one department, two characters per level.
    for (int i = 0; i < department; ++i) {
        const QString team = QStringLiteral("2001%1").arg(i / 99 + 1, 2, 10, QLatin1Char('0'));
        if (i % 99 == 0)
            sql += QStringLiteral("insert into tbl_dzb(code,name,vekyhm,zxip) values('%1','班组%2','','');").arg(team).arg(i / 99 + 1);
        sql += QStringLiteral("insert into tbl_dzb(code,name,vekyhm,zxip) values('%1%2','职工%3','%4','127.0.0.1');")
                   .arg(team)
                   .arg(i % 99 + 1, 2, 10, QLatin1Char('0'))
                   .arg(i)
                   .arg(100000 + i);
    }
    w.sql(QStringLiteral("vek"), sql + QStringLiteral("commit;"));

    platform::setMessageBoxHandler([&out](const QString& text, const QString&, int flags) {
        out << "unexpected message: " << text << '\n';
        return platform::defaultAnswer(flags);
    });
    Tfstz page;
    page.resize(800, 500);
    page.show();
    page.TreeView1->setCurrentItem(page.TreeView1->topLevelItem(0));
    page.Button1Click();
    page.edt_zt->setText(QStringLiteral("检修通知"));

    // A timer that fires at every turn of the event loop: the longest gap between two of its ticks is
    // the longest time the window could not repaint or take input.
    QElapsedTimer clock;
    qint64 last = -1;
    qint64 longest = 0;
    qint64 clickedAt = -1;
    qint64 endedAt = -1;
    QString result;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0 && clickedAt >= 0)
            longest = qMax(longest, now - last);
        last = now;
    });
    platform::setMessageBoxHandler([&](const QString& text, const QString&, int flags) {
        result = text;
        endedAt = clock.nsecsElapsed();
        // The stall ends when the loop turns again after the box.
        QTimer::singleShot(0, &app, [&app] { QTimer::singleShot(0, &app, &QCoreApplication::quit); });
        return platform::defaultAnswer(flags);
    });
    clock.start();
    tick.start(0);
    QTimer::singleShot(20, &app, [&] {
        clickedAt = clock.nsecsElapsed();
        last = clickedAt;
        page.Button3->click();
    });
    app.exec();
    const QString rows = w.value(QStringLiteral("vek"), QStringLiteral("select count(*) from tbl_main"));
    out << "send to a department of " << department << " people (" << rows << " rows, result \"" << result
        << "\"): longest event-loop stall " << QString::number(longest / 1e6, 'f', 1) << " ms; "
        << QString::number((endedAt - clickedAt) / 1e6, 'f', 0) << " ms from the click to the result\n";
    forms::DataModule1 = nullptr;
    return 0;
}
