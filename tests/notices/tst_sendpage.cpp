// The send page: the address-book tree and its files, choosing recipients, and "发 送": one batch of
// notice rows, the datagrams to the online recipients afterwards, and the failure paths.

#include "U_datamodule.h"
#include "forms.h"
#include "notices/U_fstz.h"
#include "notices/datagram.h"
#include "platform/system.h"
#include "testworld.h"
#include "vekapplication.h"

#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkDatagram>
#include <QPushButton>
#include <QSignalSpy>
#include <QLabel>
#include <QElapsedTimer>
#include <QTimer>
#include <QTest>
#include <QTreeWidget>
#include <QUdpSocket>

using namespace vek;

namespace {

// A plant: department 20 厂部 with 2001 运行部 (team 200101 with three people, one offline and one
// without a login name) and 2002 检修部 (one person); zxip 127.0.0.1 receives on the test's socket.
struct Page {
    TestWorld w;
    MessageRecorder boxes;
    QUdpSocket inbox;
    std::unique_ptr<TDataModule1> dm;
    std::unique_ptr<Tfstz> page;

    Page()
    {
        inbox.bind(QHostAddress::LocalHost, 0);
        w.sql(QStringLiteral("vek"), QStringLiteral(
            "insert into tbl_dzb(code,name,vekyhm,zxip) values('20','厂部',null,'');"
            "insert into tbl_dzb(code,name,vekyhm,zxip) values('2001','运行部',null,'');"
            "insert into tbl_dzb(code,name,vekyhm,zxip) values('200101','集控一值','','');"
            "insert into tbl_dzb(code,name,vekyhm,zxip) values('20010101','张三','10231','127.0.0.1');"
            "insert into tbl_dzb(code,name,vekyhm,zxip) values('20010102','李四','10232','');"
            "insert into tbl_dzb(code,name,vekyhm,zxip) values('20010103','临时工','','127.0.0.1');"
            "insert into tbl_dzb(code,name,vekyhm,zxip) values('2002','检修部',null,'');"
            "insert into tbl_dzb(code,name,vekyhm,zxip) values('200201','电气班','','');"
            "insert into tbl_dzb(code,name,vekyhm,zxip) values('20020101','王五','10301','   ');"
            "insert into tbl_dzb(code,name,vekyhm,zxip) values('30','外单位',null,'')"));
        Settings s = w.settings();
        s.port = inbox.localPort();
        dm = std::make_unique<TDataModule1>(s);
        forms::DataModule1 = dm.get();
        dm->cur_user.cur_xm = QStringLiteral("赵六");
        dm->cur_user.cur_yhm = QStringLiteral("10001");
        page = std::make_unique<Tfstz>();
        page->show();
    }
    ~Page()
    {
        page.reset();
        forms::DataModule1 = nullptr;
        platform::setGuidSource({});
    }
    QTreeWidgetItem* node(const QString& text) const
    {
        const auto found = page->TreeView1->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.value(0);
    }
    void choose(const QString& text)
    {
        QTreeWidgetItem* n = node(text);
        QVERIFY2(n, qPrintable(text));
        page->TreeView1->setCurrentItem(n);
        page->Button1Click();
    }
    QList<QStringList> rows() const
    {
        return w.rows(QStringLiteral("vek"), QStringLiteral("select jsr,jsrgh,zt,nr,fsr,fsrgh,xt,lx,sftx,sfcy,jsrq from tbl_main order by jsrgh, rowid"));
    }
    QList<QByteArray> received(int expected) { return receiveDatagrams(inbox, expected); }
    // "发 送" and what follows it until the result is shown: the datagrams go out from the event loop.
    void send()
    {
        QSignalSpy ended(page.get(), &Tfstz::sendEnded);
        page->Button3Click();
        if (page->isSending())
            QVERIFY(ended.wait(30000));
        QVERIFY(!page->isSending());
    }
};

QStringList readGbk(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = notices::fromGbk(f.readAll()).split(QStringLiteral("\r\n"));
    return lines;
}

} // namespace

class TstSendPage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void indentation()
    {
        QCOMPARE(Tfstz::indentOf(QStringLiteral("2")), 0);
        QCOMPARE(Tfstz::indentOf(QStringLiteral("20")), 0);
        QCOMPARE(Tfstz::indentOf(QStringLiteral("200")), 1);    // 1.5 rounds to 2
        QCOMPARE(Tfstz::indentOf(QStringLiteral("2001")), 1);
        QCOMPARE(Tfstz::indentOf(QStringLiteral("20010")), 1);  // 2.5 rounds to 2
        QCOMPARE(Tfstz::indentOf(QStringLiteral("200101")), 2);
        QCOMPARE(Tfstz::indentOf(QStringLiteral("2001010")), 3); // 3.5 rounds to 4
        QCOMPARE(Tfstz::indentOf(QStringLiteral("20010101")), 3);
    }

    void keys()
    {
        QCOMPARE(Tfstz::makeKey(QStringLiteral("张三"), QStringLiteral("10231"), QStringLiteral("20010101")),
                 QStringLiteral("张三#10231@20010101"));
        const Tfstz::Key k = Tfstz::splitKey(QStringLiteral("运行部#@2001"));
        QCOMPARE(k.name, QStringLiteral("运行部"));
        QCOMPARE(k.login, QString());
        QCOMPARE(k.code, QStringLiteral("2001"));
    }

    void treeAndFiles()
    {
        Page p;
        QCOMPARE(readGbk(QStringLiteral("tmp")),
                 (QStringList{"厂部", " 运行部", "  集控一值", "   张三 在线", "   李四", "   临时工 在线", " 检修部",
                              "  电气班", "   王五 在线", ""}));
        QCOMPARE(readGbk(QStringLiteral("tmp2")).value(3), QStringLiteral("   张三#10231@20010101"));
        QCOMPARE(readGbk(QStringLiteral("tmp2")).value(1), QStringLiteral(" 运行部#@2001"));
        QCOMPARE(p.page->TreeView1->topLevelItemCount(), 1);
        QTreeWidgetItem* run = p.node(QStringLiteral("运行部"));
        QCOMPARE(run->parent()->text(0), QStringLiteral("厂部"));
        QCOMPARE(p.node(QStringLiteral("张三 在线"))->parent()->text(0), QStringLiteral("集控一值"));
        // A lower level climbs back to the sibling of the nearest ancestor of that level.
        QCOMPARE(p.node(QStringLiteral("检修部"))->parent(), run->parent());
        QCOMPARE(p.node(QStringLiteral("王五 在线"))->parent()->text(0), QStringLiteral("电气班"));
        QVERIFY(!run->isExpanded());
        QCOMPARE(p.page->DateTimePicker1->date(), QDate::currentDate());
    }

    void missingParentStopsTheLoad()
    {
        Page p;
        // A row two levels deeper than the one before it (its team is missing) cannot be placed.
        p.w.sql(QStringLiteral("vek"), QStringLiteral("delete from tbl_dzb where code in ('200101')"));
        p.page->RzButton1Click();
        QCOMPARE(p.boxes.boxes.size(), 1);
        QVERIFY2(p.boxes.boxes[0].text.contains(QStringLiteral("张三")), qPrintable(p.boxes.boxes[0].text));
    }

    void chooseAndRemove()
    {
        Page p;
        p.page->Button1Click(); // nothing selected: nothing happens
        QCOMPARE(p.page->ListBox1->count(), 0);
        p.choose(QStringLiteral("张三 在线"));
        p.choose(QStringLiteral("运行部"));
        p.choose(QStringLiteral("张三 在线"));
        QCOMPARE(p.page->ListBox1->count(), 3);
        QCOMPARE(p.page->ListBox2->item(1)->text(), QStringLiteral("运行部#@2001"));
        p.page->ListBox1->setCurrentRow(2);
        p.page->Button2Click();
        QCOMPARE(p.page->ListBox1->count(), 2);
        QCOMPARE(p.page->ListBox2->item(1)->text(), QStringLiteral("运行部#@2001"));
        // A reload resets the date and keeps the chosen list.
        p.page->DateTimePicker1->setDate(QDate(2027, 1, 5));
        p.page->RzButton1Click();
        QCOMPARE(p.page->ListBox2->count(), 2);
        QCOMPARE(p.page->DateTimePicker1->date(), QDate::currentDate());
    }

    void sendToPersonAndDepartment()
    {
        Page p;
        p.choose(QStringLiteral("张三 在线"));
        p.choose(QStringLiteral("运行部"));
        p.choose(QStringLiteral("检修部"));
        p.page->DateTimePicker1->setDate(QDate(2027, 1, 5));
        p.page->edt_zt->setText(QStringLiteral("it's 100% 检修\r\n通知"));
        StatementTrace trace;
        p.send();
        QCOMPARE(p.boxes.texts(), QStringList{QStringLiteral("发送成功！")});
        const QString subject = QStringLiteral("it's 100% 检修\r\n通知");
        const QString d = QStringLiteral("2027-01-05");
        QCOMPARE(p.rows(), (QList<QStringList>{
                               {"张三", "10231", subject, subject, "赵六", "10001", "消息", "通知", "否", "否", d},
                               {"张三", "10231", subject, subject, "赵六", "10001", "消息", "通知", "否", "否", d},
                               {"李四", "10232", subject, subject, "赵六", "10001", "消息", "通知", "是", "否", d},
                               {"王五", "10301", subject, subject, "赵六", "10001", "消息", "通知", "否", "否", d}}));
        // One batch between begin tran and commit tran.
        const QString batch = trace.texts(QStringLiteral("ADOConnection1")).last();
        QVERIFY(batch.startsWith(QStringLiteral("begin tran\r\ninsert into tbl_main(bh,xt,lx,zt,sdwcsj,nr,fsr,fsrgh,jsr,jsrgh,fsrq,jsrq,sftx) values(\r\n'{")));
        QVERIFY(batch.endsWith(QStringLiteral("\r\n'否');\r\ncommit tran")));
        QVERIFY(batch.contains(QStringLiteral("'it''s 100% 检修\r\n通知',")));
        // Datagrams go to the non-blank addresses only: 张三 twice (as a person and in his department).
        const QList<QByteArray> got = p.received(2);
        QCOMPARE(got, (QList<QByteArray>{notices::showDatagram("通知", "消息", subject), notices::showDatagram("通知", "消息", subject)}));
        // The page keeps its list, subject and date.
        QCOMPARE(p.page->ListBox1->count(), 3);
        QCOMPARE(p.page->edt_zt->text(), subject);
    }

    // Workstations on their own loopback addresses: each gets its datagrams, in the order of the
    // chosen list; an empty subject sends the bare fields.
    void datagramsToEachWorkstation()
    {
        Page p;
        QUdpSocket ws2, ws3;
        QVERIFY(ws2.bind(QHostAddress(QStringLiteral("127.0.0.2")), p.inbox.localPort()));
        QVERIFY(ws3.bind(QHostAddress(QStringLiteral("127.0.0.3")), p.inbox.localPort()));
        p.w.sql(QStringLiteral("vek"), QStringLiteral("update tbl_dzb set zxip='127.0.0.2' where vekyhm='10232';"
                                                      "update tbl_dzb set zxip='127.0.0.3' where vekyhm='10301'"));
        p.page->RzButton1Click();
        p.choose(QStringLiteral("王五 在线"));
        p.choose(QStringLiteral("李四 在线"));
        p.choose(QStringLiteral("王五 在线"));
        p.page->edt_zt->clear();
        p.send();
        QCOMPARE(p.boxes.texts(), QStringList{QStringLiteral("发送成功！")});
        const QByteArray bare("show|\xcd\xa8\xd6\xaa|\xcf\xfb\xcf\xa2|");
        QCOMPARE(receiveDatagrams(ws3, 2), (QList<QByteArray>{bare, bare}));
        QCOMPARE(receiveDatagrams(ws2, 1), QList<QByteArray>{bare});
        QCOMPARE(p.w.rows(QStringLiteral("vek"), QStringLiteral("select jsrgh, zt, nr, sftx from tbl_main order by rowid")),
                 (QList<QStringList>{{"10301", "", "", "否"}, {"10232", "", "", "否"}, {"10301", "", "", "否"}}));
    }

    void fileBytes()
    {
        Page p;
        QFile f(QStringLiteral("tmp"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        // 厂部 and 运行部 in GBK, each line ended by CR LF; the last line ends with 在线.
        QVERIFY(bytes.startsWith(QByteArray("\xb3\xa7\xb2\xbf\r\n \xd4\xcb\xd0\xd0\xb2\xbf\r\n")));
        QVERIFY(bytes.endsWith(QByteArray("\xd4\xda\xcf\xdf\r\n")));
    }

    void emptyDepartmentStillReportsSuccess()
    {
        Page p;
        p.choose(QStringLiteral("集控一值"));
        p.w.sql(QStringLiteral("vek"), QStringLiteral("update tbl_dzb set vekyhm='' where code like '200101%'"));
        p.send();
        QCOMPARE(p.boxes.texts(), QStringList{QStringLiteral("发送成功！")});
        QCOMPARE(p.rows().size(), 0);
        QCOMPARE(p.received(0).size(), 0);
    }

    void refusals_data()
    {
        QTest::addColumn<bool>("choose");
        QTest::addColumn<QString>("xm");
        QTest::addColumn<QString>("message");
        QTest::newRow("no recipient") << false << "赵六" << "没有目标发送人，请选择！";
        QTest::newRow("no display name") << true << "" << "不能以部门的权限发送通知！";
    }
    void refusals()
    {
        QFETCH(bool, choose);
        QFETCH(QString, xm);
        QFETCH(QString, message);
        Page p;
        if (choose)
            p.choose(QStringLiteral("李四"));
        p.dm->cur_user.cur_xm = xm;
        p.send();
        QCOMPARE(p.boxes.texts(), QStringList{message});
        QCOMPARE(p.rows().size(), 0);
    }

    // The batch fails half-way: the roll back leaves no row of this send, no datagram goes out.
    void failedBatchLeavesNothing()
    {
        Page p;
        p.choose(QStringLiteral("张三 在线"));
        p.choose(QStringLiteral("李四"));
        int n = 0;
        platform::setGuidSource([&n] { return n++ == 0 ? QStringLiteral("{SAME}") : QStringLiteral("{SAME}"); });
        p.send();
        QCOMPARE(p.boxes.texts(), QStringList{QStringLiteral("发送失败，请确认网络正常！")});
        QCOMPARE(p.rows().size(), 0);
        QVERIFY(!p.dm->ADOConnection1.inTransaction());
        QCOMPARE(p.received(0).size(), 0);
        // The next send works.
        platform::setGuidSource({});
        p.boxes.boxes.clear();
        p.send();
        QCOMPARE(p.boxes.texts(), QStringList{QStringLiteral("发送成功！")});
        QCOMPARE(p.rows().size(), 2);
    }

    void guidFailures()
    {
        Page p;
        p.choose(QStringLiteral("运行部"));  // a department: the rest of it is skipped
        p.choose(QStringLiteral("王五 在线"));
        int n = 0;
        platform::setGuidSource([&n] { return ++n == 2 ? QString() : QStringLiteral("{G%1}").arg(n); });
        p.send();
        QCOMPARE(p.boxes.texts(), (QStringList{QStringLiteral("创建GUID失败，请重试！"), QStringLiteral("发送成功！")}));
        QCOMPARE(p.w.rows(QStringLiteral("vek"), QStringLiteral("select jsrgh from tbl_main order by jsrgh")),
                 (QList<QStringList>{{"10231"}, {"10301"}}));

        // A person whose GUID fails abandons the whole send.
        Page q;
        q.choose(QStringLiteral("李四"));
        q.choose(QStringLiteral("王五 在线"));
        int m = 0;
        platform::setGuidSource([&m] { return ++m == 2 ? QString() : QStringLiteral("{H%1}").arg(m); });
        q.send();
        QCOMPARE(q.boxes.texts(), QStringList{QStringLiteral("创建GUID失败，请重试！")});
        QCOMPARE(q.rows().size(), 0);
    }

    // The rows are stored at once; the datagrams follow from the event loop with the pause between
    // them, the buttons wait for the result and a line counts the datagrams.
    void sendRunsOnTheEventLoop()
    {
        Page p;
        for (int i = 0; i < 5; ++i)
            p.choose(QStringLiteral("张三 在线"));
        p.page->edt_zt->setText(QStringLiteral("五次"));
        QSignalSpy ended(p.page.get(), &Tfstz::sendEnded);
        int ticks = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
        tick.start(0);
        QElapsedTimer clock;
        clock.start();
        p.page->Button3Click();
        QCOMPARE(p.rows().size(), 5);
        QVERIFY(p.page->isSending());
        QVERIFY(p.boxes.boxes.isEmpty());
        for (QPushButton* b : {p.page->RzButton1, p.page->Button1, p.page->Button2, p.page->Button3})
            QVERIFY2(!b->isEnabled(), qPrintable(b->text()));
        QVERIFY(p.page->lbl_progress->isVisible());
        QCOMPARE(p.page->lbl_progress->text(), QStringLiteral("正在发送通知：1/5"));
        // A second "发 送" while the first runs does nothing, by mouse or by its handler.
        QTest::mouseClick(p.page->Button3, Qt::LeftButton);
        p.page->Button3Click();
        QVERIFY(ended.wait(10000));
        QVERIFY2(clock.elapsed() >= 5 * Tfstz::kPauseMs, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks))); // the event loop ran during the send
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended.first().first().toBool(), true);
        QCOMPARE(p.boxes.texts(), QStringList{QStringLiteral("发送成功！")});
        QCOMPARE(p.received(5), QList<QByteArray>(5, notices::showDatagram("通知", "消息", "五次")));
        QCOMPARE(p.rows().size(), 5);
        for (QPushButton* b : {p.page->RzButton1, p.page->Button1, p.page->Button2, p.page->Button3})
            QVERIFY2(b->isEnabled(), qPrintable(b->text()));
        QVERIFY(!p.page->lbl_progress->isVisible());
    }

    // More rows than one turn of the event loop stores: the slices together are the one batch of the
    // send, and a failure in the last slice leaves none of the rows behind.
    void rowsStoredInSlicesOfOneTransaction()
    {
        const int n = 2 * Tfstz::kRowsPerSlice + 3;
        Page p;
        for (int i = 0; i < n; ++i)
            p.choose(QStringLiteral("李四"));
        StatementTrace trace;
        p.send();
        QCOMPARE(p.boxes.texts(), QStringList{QStringLiteral("发送成功！")});
        QCOMPARE(p.rows().size(), n);
        QStringList slices = trace.texts(QStringLiteral("ADOConnection1"));
        slices.removeIf([](const QString& t) { return !t.contains(QStringLiteral("tran")) && !t.startsWith(QStringLiteral("insert")); });
        QCOMPARE(slices.size(), 3);
        const QString batch = slices.join(QStringLiteral("\r\n"));
        QVERIFY(batch.startsWith(QStringLiteral("begin tran\r\ninsert into tbl_main(")));
        QVERIFY(batch.endsWith(QStringLiteral("'是');\r\ncommit tran")));
        QCOMPARE(batch.count(QStringLiteral("begin tran")), 1);
        QCOMPARE(batch.count(QStringLiteral("commit tran")), 1);
        QCOMPARE(batch.count(QStringLiteral("insert into tbl_main(")), n);

        // The last row repeats the first one's key: the transaction fails at its end.
        Page q;
        for (int i = 0; i < n; ++i)
            q.choose(QStringLiteral("李四"));
        int made = 0;
        platform::setGuidSource([&made, n] { return ++made == n ? QStringLiteral("{G1}") : QStringLiteral("{G%1}").arg(made); });
        q.send();
        QCOMPARE(q.boxes.texts(), QStringList{QStringLiteral("发送失败，请确认网络正常！")});
        QCOMPARE(q.rows().size(), 0);
        QVERIFY(!q.dm->ADOConnection1.inTransaction());
        QVERIFY(q.page->Button3->isEnabled());
    }

    // The page closed while its rows are half stored: none of them stays.
    void pageGoneWhileStoring()
    {
        Page p;
        for (int i = 0; i < 2 * Tfstz::kRowsPerSlice; ++i)
            p.choose(QStringLiteral("李四"));
        p.page->Button3Click();
        QVERIFY(p.page->isSending());
        QVERIFY(p.dm->ADOConnection1.inTransaction());
        p.page.reset();
        QVERIFY(!p.dm->ADOConnection1.inTransaction());
        QCOMPARE(p.rows().size(), 0);
        QVERIFY(p.boxes.boxes.isEmpty());
    }

    // An address that cannot be resolved half-way: the datagrams before it have gone, the rows stay,
    // the failure is reported and the page is usable again.
    void unresolvableAddressEndsTheSend()
    {
        Page p;
        p.w.sql(QStringLiteral("vek"), QStringLiteral("update tbl_dzb set zxip='ws-gone.invalid' where vekyhm='10232'"));
        p.choose(QStringLiteral("张三 在线"));
        p.choose(QStringLiteral("李四"));
        p.choose(QStringLiteral("张三 在线"));
        QSignalSpy ended(p.page.get(), &Tfstz::sendEnded);
        p.send();
        QCOMPARE(p.boxes.texts(), QStringList{QStringLiteral("发送失败，请确认网络正常！")});
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended.first().first().toBool(), false);
        QCOMPARE(p.rows().size(), 3);
        QCOMPARE(p.received(1).size(), 1);
        QVERIFY(p.page->Button3->isEnabled());
        QVERIFY(!p.page->lbl_progress->isVisible());
    }

    // What the receivers read of a subject: the first 1024 bytes of the datagram, in GBK. A subject
    // that would not arrive whole is refused before anything is stored, with the reason.
    void subjectLimits_data()
    {
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("message"); // empty: sent
        const int room = 1024 - int(QByteArray("show|\xcd\xa8\xd6\xaa|\xcf\xfb\xcf\xa2|").size());
        QCOMPARE(room, 1009);
        QTest::newRow("1009 bytes of ASCII") << QString(1009, QLatin1Char('a')) << QString();
        QTest::newRow("504 Han and 1 ASCII") << QString(504, QChar(0x68C0)) + QLatin1Char('a') << QString();
        QTest::newRow("1010 bytes of ASCII")
            << QString(1010, QLatin1Char('a'))
            << QStringLiteral("主题太长：通知最多能带 1009 个字节（一个汉字占 2 个字节，约 504 个汉字），现在是 1010 个字节，请删减后再发送。");
        QTest::newRow("505 Han")
            << QString(505, QChar(0x68C0))
            << QStringLiteral("主题太长：通知最多能带 1009 个字节（一个汉字占 2 个字节，约 504 个汉字），现在是 1010 个字节，请删减后再发送。");
        QTest::newRow("a pasted 40,000 characters")
            << QString(40000, QLatin1Char('x'))
            << QStringLiteral("主题太长：通知最多能带 1009 个字节（一个汉字占 2 个字节，约 504 个汉字），现在是 40000 个字节，请删减后再发送。");
        QTest::newRow("a character GBK cannot carry")
            << QStringLiteral("检修 \U0001F525 今晚")
            << QStringLiteral("主题中的字符“\U0001F525”无法在通知中传送，请删除或改写后再发送。");
        QTest::newRow("Korean") << QStringLiteral("안녕") << QStringLiteral("主题中的字符“안”无法在通知中传送，请删除或改写后再发送。");
    }
    void subjectLimits()
    {
        QFETCH(QString, subject);
        QFETCH(QString, message);
        Page p;
        p.choose(QStringLiteral("张三 在线"));
        p.page->edt_zt->setFocus();
        // Typed or pasted, the box keeps the whole text.
        p.page->edt_zt->clear();
        p.page->edt_zt->insert(subject);
        QCOMPARE(p.page->edt_zt->text(), subject);
        p.send();
        if (message.isEmpty()) {
            QCOMPARE(p.boxes.texts(), QStringList{QStringLiteral("发送成功！")});
            QCOMPARE(p.w.value(QStringLiteral("vek"), QStringLiteral("select zt from tbl_main")), subject);
            // The receiver's reading of the datagram's first 1024 bytes gives the whole subject.
            const QList<QByteArray> got = p.received(1);
            QCOMPARE(got.size(), 1);
            QVERIFY(got.first().size() <= notices::kTextLimit);
            const auto shown = notices::parseShow(notices::fromGbk(got.first(), notices::kTextLimit));
            QVERIFY(shown);
            QCOMPARE(shown->body, QStringLiteral("    ") + subject);
        } else {
            QCOMPARE(p.boxes.texts(), QStringList{message});
            QCOMPARE(p.rows().size(), 0);
            QCOMPARE(p.received(0).size(), 0);
            QCOMPARE(p.page->edt_zt->text(), subject); // nothing of it lost
            QVERIFY(p.page->Button3->isEnabled());
        }
    }

    void enterChain()
    {
        Page p;
        QApplication::setActiveWindow(p.page.get());
        QVERIFY(QTest::qWaitForWindowActive(p.page.get()));
        p.page->DateTimePicker1->setFocus();
        QTest::keyClick(p.page->DateTimePicker1, Qt::Key_Return);
        QVERIFY(p.page->edt_zt->hasFocus());
        QTest::keyClick(p.page->edt_zt, Qt::Key_Return);
        QVERIFY(p.page->Button3->hasFocus());
        QVERIFY(p.boxes.boxes.isEmpty()); // Enter does not send
    }

    // Choose, then date, Enter, subject, Enter, Enter: the second Enter, on "发 送", sends.
    void keyboardSend()
    {
        Page p;
        QApplication::setActiveWindow(p.page.get());
        QVERIFY(QTest::qWaitForWindowActive(p.page.get()));
        p.choose(QStringLiteral("张三 在线"));
        QSignalSpy ended(p.page.get(), &Tfstz::sendEnded);
        p.page->DateTimePicker1->setFocus();
        typeText(QApplication::focusWidget(), QStringLiteral("\n"));
        typeText(QApplication::focusWidget(), QStringLiteral("今晚检修\n"));
        QCOMPARE(QApplication::focusWidget(), p.page->Button3);
        QVERIFY(p.boxes.boxes.isEmpty());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(ended.size() == 1 || ended.wait(10000));
        QCOMPARE(p.boxes.texts(), QStringList{QStringLiteral("发送成功！")});
        QCOMPARE(p.w.rows(QStringLiteral("vek"), QStringLiteral("select jsrgh, zt from tbl_main")),
                 (QList<QStringList>{{"10231", "今晚检修"}}));
        QCOMPARE(p.received(1), QList<QByteArray>{notices::showDatagram("通知", "消息", "今晚检修")});
        // The focus is back on "发 送" once the send has ended.
        QCOMPARE(QApplication::focusWidget(), p.page->Button3);
        // ">>" and "<<" by Enter too.
        p.page->TreeView1->setCurrentItem(p.node(QStringLiteral("李四")));
        p.page->Button1->setFocus();
        QTest::keyClick(p.page->Button1, Qt::Key_Return);
        QCOMPARE(p.page->ListBox1->count(), 2);
        p.page->ListBox1->setCurrentRow(0);
        p.page->Button2->setFocus();
        QTest::keyClick(p.page->Button2, Qt::Key_Return);
        QCOMPARE(p.page->ListBox1->count(), 1);
        QCOMPARE(p.page->ListBox2->item(0)->text(), QStringLiteral("李四#10232@20010102"));
    }
};

int main(int argc, char** argv)
{
    VekApplication app(argc, argv);
    TstSendPage t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_sendpage.moc"
