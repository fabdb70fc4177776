// The notice browser: filters and the union over the login name and the OA name, the equipment
// update request, marking read with its cursor rule, replies, and the defect elimination item.

#include "U_datamodule.h"
#include "forms.h"
#include "notices/U_tzll.h"
#include "notices/datagram.h"
#include "platform/system.h"
#include "testworld.h"
#include "vekapplication.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QTableWidget>
#include <QPushButton>
#include <QTest>
#include <QUdpSocket>

using namespace vek;

namespace {

struct Browser {
    TestWorld w;
    MessageRecorder boxes;
    QUdpSocket inbox;
    std::unique_ptr<TDataModule1> dm;
    std::unique_ptr<Ttzll> page;

    Browser()
    {
        inbox.bind(QHostAddress::LocalHost, 0);
        w.sql(QStringLiteral("vek"), QStringLiteral(
            "insert into tbl_dzb(code,name,vekyhm,zxip,oayhm) values('20010101','张三','10231','','zhangsan');"
            "insert into tbl_dzb(code,name,vekyhm,zxip) values('20010102','李四','10232','127.0.0.1');"
            "insert into tbl_main(bh,xt,lx,zt,fsr,fsrgh,jsr,jsrgh,fsrq,jsrq,sfcy) values('{1}','消息','通知','一','李四','10232','张三','10231','2026-12-01','2026-12-01','否');"
            "insert into tbl_main(bh,xt,lx,zt,fsr,fsrgh,jsr,jsrgh,fsrq,jsrq,sfcy) values('{2}','消息','通知','二','李四','10232','张三','10231','2026-12-02','2026-12-02','是');"
            "insert into tbl_main(bh,xt,lx,zt,fsr,fsrgh,jsr,jsrgh,fsrq,jsrq,sfcy) values('{3}','OA','通知','三','OA系统','oa','张三','zhangsan','2026-12-03','2026-12-03','否');"
            "insert into tbl_main(bh,xt,lx,zt,fsr,fsrgh,jsr,jsrgh,fsrq,jsrq,sfcy) values('{4}','缺陷','通知','四','王五','10301','张三','10231','2026-12-04','2026-12-04','否');"
            "insert into tbl_main(bh,xt,lx,zt,fsr,fsrgh,jsr,jsrgh,fsrq,jsrq,sfcy) values('{5}','消息','通知','五','李四','10232','李四','10232','2026-12-05','2026-12-05','否')"));
        Settings s = w.settings();
        s.port = inbox.localPort();
        s.updateHost = QStringLiteral("127.0.0.1");
        dm = std::make_unique<TDataModule1>(s);
        forms::DataModule1 = dm.get();
        dm->cur_user.cur_xm = QStringLiteral("张三");
        dm->cur_user.cur_yhm = QStringLiteral("10231");
        page = std::make_unique<Ttzll>();
        page->show();
    }
    ~Browser()
    {
        page.reset();
        forms::DataModule1 = nullptr;
        platform::setGuidSource({});
        Ttzll::openElimination = nullptr;
    }
    void query(int system, int read)
    {
        page->cbb_xt->setCurrentIndex(system);
        page->cbb_yd->setCurrentIndex(read);
        page->Button3Click();
    }
    QStringList subjects() const
    {
        QStringList out;
        for (int r = 0; r < page->RzDBGrid1->rowCount(); ++r)
            out << page->RzDBGrid1->item(r, 2)->text();
        return out;
    }
    QList<QByteArray> received(int expected) { return receiveDatagrams(inbox, expected); }
};

} // namespace

class TstBrowser : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void filters_data()
    {
        QTest::addColumn<int>("system");
        QTest::addColumn<int>("read");
        QTest::addColumn<QStringList>("subjects");
        QTest::newRow("全部 全部: both names, read and unread") << 0 << 0 << QStringList{"四", "三", "二", "一"};
        QTest::newRow("全部 未读") << 0 << 2 << QStringList{"四", "三", "一"};
        QTest::newRow("消息 已读") << 3 << 1 << QStringList{"二"};
        QTest::newRow("OA") << 1 << 0 << QStringList{"三"};
        QTest::newRow("设备管理缺陷 none") << 5 << 0 << QStringList{};
    }
    void filters()
    {
        QFETCH(int, system);
        QFETCH(int, read);
        QFETCH(QStringList, subjects);
        Browser b;
        b.query(system, read);
        QCOMPARE(b.subjects(), subjects);
        QCOMPARE(b.received(0).size(), 0); // no unread equipment defect: no update request
    }

    void defaultListingLeavesOutTheOaName()
    {
        Browser b;
        b.page->setDefaultListing();
        b.page->openListing();
        QCOMPARE(b.subjects(), (QStringList{"四", "一"}));
    }

    void updateRequestPerQuery()
    {
        Browser b;
        b.w.sql(QStringLiteral("vek"), QStringLiteral(
            "insert into tbl_main(bh,xt,lx,zt,jsrgh,fsrq,sfcy,bz) values('{E}','设备管理缺陷','消缺通知','缺陷代码：X','10231','2026-12-06','否','F1')"));
        StatementTrace trace;
        b.query(0, 2);
        QCOMPARE(b.received(1), QList<QByteArray>{QByteArray("update|sbgl|10231")});
        QCOMPARE(trace.texts().first(),
                 QStringLiteral("select * from tbl_main \r\n where jsrgh ='10231'\r\n and xt = '设备管理缺陷'\r\n and sfcy = '否'"));
        b.query(0, 2);
        QCOMPARE(b.received(1).size(), 1);
        b.page->setDefaultListing();
        b.page->openListing();
        QCOMPARE(b.received(0).size(), 0);
    }

    // Marking read: in a "未读" listing the row leaves and the cursor lands on the one after the row
    // that moved up; on the last row the first stays current.
    void markRead_data()
    {
        QTest::addColumn<int>("read");
        QTest::addColumn<int>("record");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("current");
        QTest::newRow("unread listing, first row") << 2 << 1 << QStringList{"三", "一"} << 2;
        QTest::newRow("unread listing, last row") << 2 << 3 << QStringList{"四", "三"} << 1;
        QTest::newRow("all, turns maroon") << 0 << 1 << QStringList{"四", "三", "二", "一"} << 2;
    }
    void markRead()
    {
        QFETCH(int, read);
        QFETCH(int, record);
        QFETCH(QStringList, after);
        QFETCH(int, current);
        Browser b;
        b.query(0, read);
        b.page->RzDBGrid1->setCurrentCell(record - 1, 0);
        QCOMPARE(b.page->currentRecord(), record);
        const QString subject = b.subjects().at(record - 1);
        b.page->RzDBGrid1DblClick();
        QCOMPARE(b.w.value(QStringLiteral("vek"), QStringLiteral("select sfcy from tbl_main where zt='%1'").arg(subject)),
                 QStringLiteral("是"));
        QCOMPARE(b.subjects(), after);
        QCOMPARE(b.page->currentRecord(), current);
        QCOMPARE(b.page->RzDBGrid1->currentRow(), current - 1);
        const int row = after.indexOf(subject);
        if (row >= 0)
            QCOMPARE(b.page->RzDBGrid1->item(row, 0)->foreground().color(), QColor(128, 0, 0));
    }

    // Cell drawing: white in every row, the current one included; a read row's maroon kept on the
    // current row; the current row marked by the row indicator alone.
    void currentRowLooksLikeTheOthers_data()
    {
        QTest::addColumn<int>("current");
        QTest::newRow("read row current") << 2;   // 二, read
        QTest::newRow("unread row current") << 0; // 四, unread
    }
    void currentRowLooksLikeTheOthers()
    {
        QFETCH(int, current);
        Browser b;
        b.page->resize(700, 300);
        b.query(0, 0); // 四 三 二 一; 二 read
        QTableWidget* grid = b.page->RzDBGrid1;
        grid->setFocus();
        grid->setCurrentCell(current, 2);
        QCOMPARE(grid->currentRow(), current);
        QVERIFY(!grid->selectedItems().isEmpty()); // selected as well as current: still drawn plain
        QApplication::processEvents();
        const QImage cells = grid->viewport()->grab().toImage();
        for (int row = 0; row < 4; ++row) {
            const bool read = row == 2;
            for (int col = 0; col < grid->columnCount(); ++col) {
                const QRect cell = grid->visualRect(grid->model()->index(row, col));
                // Background: the cell's pixels off the text (its last line above the grid line).
                for (int x = cell.left() + 1; x < cell.right() - 1; ++x)
                    QCOMPARE(cells.pixelColor(x, cell.bottom() - 1), QColor(Qt::white));
                // Text: maroon in a read row, black otherwise, and never the selection's colour.
                int maroon = 0, black = 0;
                for (int y = cell.top(); y <= cell.bottom(); ++y)
                    for (int x = cell.left(); x <= cell.right(); ++x) {
                        const QColor c = cells.pixelColor(x, y);
                        maroon += c == QColor(128, 0, 0);
                        black += c == QColor(Qt::black);
                        QVERIFY2(c != grid->palette().color(QPalette::Highlight), qPrintable(QStringLiteral("row %1").arg(row)));
                    }
                if (grid->item(row, col)->text().isEmpty())
                    continue;
                QVERIFY2(read ? maroon > 0 && black == 0 : black > 0 && maroon == 0,
                         qPrintable(QStringLiteral("row %1 column %2: %3 maroon, %4 black").arg(row).arg(col).arg(maroon).arg(black)));
            }
        }
        // The row indicator: a black mark on the current row's section only.
        QHeaderView* indicator = grid->verticalHeader();
        QVERIFY(indicator->isVisible());
        const QImage marks = indicator->viewport()->grab().toImage();
        for (int row = 0; row < 4; ++row) {
            const int top = indicator->sectionViewportPosition(row);
            int dark = 0;
            for (int y = top; y < top + indicator->sectionSize(row); ++y)
                for (int x = 0; x < marks.width(); ++x)
                    dark += marks.pixelColor(x, y) == QColor(Qt::black);
            QVERIFY2(row == current ? dark > 0 : dark == 0, qPrintable(QStringLiteral("row %1: %2 black pixels").arg(row).arg(dark)));
        }
    }

    void markReadOnAnEmptyListing()
    {
        Browser b;
        b.query(5, 0);
        StatementTrace trace;
        b.page->RzDBGrid1DblClick();
        QCOMPARE(trace.texts().size(), 0);
    }

    void replySwapsTheParties()
    {
        Browser b;
        b.query(0, 2); // 四, 三, 一
        b.page->RzDBGrid1->setCurrentCell(2, 0); // 一 from 李四, who is online
        b.page->N1Click();
        QVERIFY(b.page->Panel5->isVisible());
        b.page->RzEdit1->setText(QStringLiteral("收到，it's 100%"));
        b.page->RzButton1Click();
        QCOMPARE(b.boxes.texts(), QStringList{QStringLiteral("发送成功！")});
        QCOMPARE(b.w.rows(QStringLiteral("vek"),
                          QStringLiteral("select xt,lx,zt,sdwcsj,nr,fsr,fsrgh,jsr,jsrgh,sftx,sfcy from tbl_main where jsrgh='10232' and zt<>'五'")),
                 (QList<QStringList>{{"消息", "通知", "收到，it's 100%", "", "收到，it's 100%", "张三", "10231", "李四", "10232", "是", "否"}}));
        QCOMPARE(b.received(1), QList<QByteArray>{notices::showDatagram("通知", "消息", QStringLiteral("收到，it's 100%"))});
        QVERIFY(!b.page->Panel5->isVisible());
        QCOMPARE(b.page->RzEdit1->text(), QStringLiteral("收到，it's 100%"));
    }

    void replyToAnotherSystemsNotice()
    {
        Browser b;
        b.query(1, 0); // 三, from the OA system, addressed to the OA name
        b.page->N1Click();
        b.page->RzEdit1->setText(QStringLiteral("好"));
        QTest::keyClick(b.page->RzEdit1, Qt::Key_Return); // Enter sends
        QCOMPARE(b.boxes.texts(), QStringList{QStringLiteral("发送成功！")});
        QCOMPARE(b.w.value(QStringLiteral("vek"), QStringLiteral("select fsrgh || '>' || jsrgh from tbl_main where zt='好'")),
                 QStringLiteral("zhangsan>oa"));
        QCOMPARE(b.received(0).size(), 0);
    }

    // A reply whose datagram the receiver could not read whole is refused before it is stored; one
    // that just fits is stored and arrives whole.
    void replyLimits_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("message");
        QTest::newRow("fits: 504 Han and one letter") << QString(504, QChar(0x6536)) + QLatin1Char('x') << QString();
        QTest::newRow("one byte too long")
            << QString(504, QChar(0x6536)) + QStringLiteral("xy")
            << QStringLiteral("回复内容太长：通知最多能带 1009 个字节（一个汉字占 2 个字节，约 504 个汉字），现在是 1010 个字节，请删减后再发送。");
        QTest::newRow("not in GBK") << QStringLiteral("收到 \u20A9")
                                    << QStringLiteral("回复内容中的字符“\u20A9”无法在通知中传送，请删除或改写后再发送。");
    }
    void replyLimits()
    {
        QFETCH(QString, reply);
        QFETCH(QString, message);
        Browser b;
        b.query(0, 0);
        b.page->RzDBGrid1->setCurrentCell(b.subjects().indexOf(QStringLiteral("一")), 2);
        b.page->N1Click();
        b.page->RzEdit1->clear();
        b.page->RzEdit1->insert(reply);
        QCOMPARE(b.page->RzEdit1->text(), reply); // nothing cut off
        QTest::keyClick(b.page->RzEdit1, Qt::Key_Return);
        const QString stored = b.w.value(QStringLiteral("vek"), QStringLiteral("select count(*) from tbl_main where jsrgh='10232' and zt<>'五'"));
        if (message.isEmpty()) {
            QCOMPARE(b.boxes.texts(), QStringList{QStringLiteral("发送成功！")});
            QCOMPARE(stored, QStringLiteral("1"));
            const QList<QByteArray> got = b.received(1);
            QCOMPARE(got.size(), 1);
            QCOMPARE(notices::parseShow(notices::fromGbk(got.first(), notices::kTextLimit))->body, QStringLiteral("    ") + reply);
        } else {
            QCOMPARE(b.boxes.texts(), QStringList{message});
            QCOMPARE(stored, QStringLiteral("0"));
            QCOMPARE(b.received(0).size(), 0);
            QVERIFY(b.page->Panel5->isVisible()); // the band stays open with the text for shortening
            QCOMPARE(b.page->RzEdit1->text(), reply);
        }
    }

    // "查 询" and the reply's "发 送" pressed with Enter.
    void buttonsByKeyboard()
    {
        Browser b;
        QApplication::setActiveWindow(b.page.get());
        b.page->cbb_yd->setCurrentIndex(0);
        b.page->Button3->setFocus();
        QTest::keyClick(b.page->Button3, Qt::Key_Return);
        QCOMPARE(b.subjects(), (QStringList{"四", "三", "二", "一"}));
        b.page->RzDBGrid1->setCurrentCell(3, 2);
        b.page->N1Click();
        b.page->RzEdit1->setText(QStringLiteral("好"));
        b.page->RzButton1->setFocus();
        QTest::keyClick(b.page->RzButton1, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(b.boxes.texts(), QStringList{QStringLiteral("发送成功！")});
        QCOMPARE(b.w.value(QStringLiteral("vek"), QStringLiteral("select jsrgh from tbl_main where zt='好'")), QStringLiteral("10232"));
    }

    void replyGuidFailureKeepsTheBand()
    {
        Browser b;
        b.query(0, 0);
        b.page->N1Click();
        platform::setGuidSource([] { return QString(); });
        b.page->RzButton1Click();
        QCOMPARE(b.boxes.texts(), QStringList{QStringLiteral("创建GUID失败，请重试！")});
        QVERIFY(b.page->Panel5->isVisible());
    }

    void eliminationItem()
    {
        Browser b;
        b.w.sql(QStringLiteral("vek"), QStringLiteral(
            "insert into tbl_main(bh,xt,lx,zt,jsrgh,fsrq,sfcy,bz) values('{E}','设备管理缺陷','消缺通知','缺陷代码：X','10231','2026-12-06','是','F''1');"
            "insert into tbl_main(bh,xt,lx,zt,jsrgh,fsrq,sfcy,bz) values('{F}','设备管理缺陷','消缺通知','无代码','10231','2026-12-07','是','')"));
        QStringList opened;
        Ttzll::openElimination = [&](const QString& code) { opened << code; };
        b.query(5, 0); // 无代码, 缺陷代码：X
        b.page->N3Click();
        b.page->RzDBGrid1->setCurrentCell(1, 0);
        b.page->N3Click();
        b.page->N3Click();
        b.query(3, 0);
        b.page->N3Click();
        QCOMPARE(opened, (QStringList{"F'1", "F'1"}));
    }
};

int main(int argc, char** argv)
{
    VekApplication app(argc, argv);
    TstBrowser t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_browser.moc"
