// The maintenance department's elimination form: loading a waiting defect, closing it in the equipment
// database, the acceptance notice for the shift account and its pop-up datagram.

#include "U_datamodule.h"
#include "defects/U_jxbxq.h"
#include "forms.h"
#include "notices/datagram.h"
#include "platform/system.h"
#include "testworld.h"
#include "vekapplication.h"

#include <QLineEdit>
#include <QNetworkDatagram>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QUdpSocket>

using namespace vek;

namespace {

const QDateTime kNow(QDate(2026, 3, 18), QTime(9, 31, 0));
const QString kGuid = QStringLiteral("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}");
const QString kFlawState = QStringLiteral(
    "select f_state,f_handle_man,f_handle_detail,f_handle_time,f_handle_result,f_handle_team from t_equip_flaw where f_code=");
const QString kNotices =
    QStringLiteral("select bh,xt,lx,zt,nr,fsr,fsrgh,jsr,jsrgh,jsrq,sftx from tbl_main order by bh");
const QStringList kWaiting{QStringLiteral("20"), QStringLiteral("<null>"), QStringLiteral("<null>"),
                           QStringLiteral("<null>"), QStringLiteral("<null>"), QStringLiteral("<null>")};

// Shift accounts of category 'J' ending in 1 (offline) and 2 (online here), a non-'J' account ending in
// 2, the eliminator 李'四 of 检修一班, and defects with the equipment codes the recipient depends on.
struct Form {
    TestWorld w;
    MessageRecorder boxes;
    ServerClock clock{kNow};
    QUdpSocket inbox; // the recipient's workstation
    std::unique_ptr<TDataModule1> dm;

    Form()
    {
        inbox.bind(QHostAddress::LocalHost, 0);
        w.sql(QStringLiteral("vek"), QStringLiteral(
            "insert into table_zd(code,name,rycode) values('4083','设备部',null);"
            "insert into table_zd(code,name,rycode) values('40830201','检修一班',null);"
            "insert into table_zd(code,name,rycode) values('4083020107','李''四','07''1');"
            "insert into tbl_dzb(code,name,vekyhm,zxip,rylb) values('9001','值长一','KPTA1','','J');"
            "insert into tbl_dzb(code,name,vekyhm,zxip,rylb) values('9003','二号机','X2','127.0.0.1','Y');"
            "insert into tbl_dzb(code,name,vekyhm,zxip,rylb) values('9002','值长二','KPTA2','127.0.0.1','J')"));
        w.sql(QStringLiteral("equip"), QStringLiteral(
            "insert into t_equip_flaw(f_code,f_state,EQUIP_CODE,F_CALL_TIME,F_EQUIP_LEVEL,F_DETAIL_EXTEND,F_FIND_MAN,"
            "F_FIND_TEAM,F_CALL_MAN,F_CALL_TEAM,sbdm) values('F''02',20,'1A''02%','2026-03-17 22:10:00','给水泵''B''',"
            "'振动大','李四','运行一值','王五','运行部','02AB001');"
            "insert into t_equip_flaw(f_code,f_state,EQUIP_CODE,F_CALL_TIME,F_EQUIP_LEVEL,sbdm) "
            "values('F01',20,'QX-01','2026-03-16 08:00:00','凝结泵','01LAC20');"
            "insert into t_equip_flaw(f_code,f_state,EQUIP_CODE,F_CALL_TIME,F_EQUIP_LEVEL,sbdm) "
            "values('F10',20,'QX-10','2026-03-16 09:00:00','引风机','10CD002');"
            "insert into t_equip_flaw(f_code,f_state,EQUIP_CODE,F_CALL_TIME,F_EQUIP_LEVEL,sbdm) "
            "values('FAB',20,'QX-AB','2026-03-16 10:00:00','送风机','ABEF001');"
            "insert into t_equip_flaw(f_code,f_state,EQUIP_CODE,F_CALL_TIME,F_EQUIP_LEVEL,sbdm) "
            "values('FNO',20,'QX-NO','2026-03-16 11:00:00','磨煤机','');"
            "insert into t_equip_flaw(f_code,f_state,EQUIP_CODE,F_CALL_TIME,F_EQUIP_LEVEL,sbdm,f_handle_man) "
            "values('F70',70,'QX-70','2026-03-15 08:00:00','凝结泵','02X','周七')"));
        Settings s = w.settings();
        s.port = inbox.localPort();
        dm = std::make_unique<TDataModule1>(s);
        dm->cur_user = {QStringLiteral("张'三"), QStringLiteral("7%'01"), QStringLiteral("pw"), QStringLiteral("10.0.0.7"),
                        QStringLiteral("2001010101")};
        forms::DataModule1 = dm.get();
        platform::setGuidSource([] { return kGuid; });
    }
    ~Form()
    {
        platform::setGuidSource({});
        forms::DataModule1 = nullptr;
    }

    std::unique_ptr<Tjxbxq> open(const QString& code)
    {
        auto f = std::make_unique<Tjxbxq>();
        f->flaw_code = code;
        f->show();
        return f;
    }
    QStringList flaw(const QString& code) const
    {
        const auto r = w.rows(QStringLiteral("equip"), kFlawState + QStringLiteral("'%1'").arg(QString(code).replace("'", "''")));
        return r.value(0);
    }
    QList<QStringList> notices() const { return w.rows(QStringLiteral("vek"), kNotices); }
    // The datagrams that arrived within a short wait.
    QList<QByteArray> received(int waitMs = 300)
    {
        QList<QByteArray> out;
        QTest::qWait(waitMs);
        while (inbox.hasPendingDatagrams())
            out << inbox.receiveDatagram().data();
        return out;
    }
};

void eliminate(Tjxbxq& f, const QString& staff, const QString& note)
{
    f.edt_xqr->setText(staff);
    f.edt_xqsm->setText(note);
    f.Button1->click();
}

} // namespace

class TstElimination : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loadsTheWaitingDefect()
    {
        Form t;
        StatementTrace trace;
        auto f = t.open(QStringLiteral("F'02"));
        QCOMPARE(trace.texts(QStringLiteral("ADOConnectionJXB")),
                 QStringList{QStringLiteral("select * from t_equip_flaw \r\n where f_code = 'F''02'\r\n and f_state=20")});
        QCOMPARE(f->windowTitle(), QStringLiteral("检修部已消除缺陷填报"));
        QCOMPARE(f->size(), QSize(598, 434));
        const QStringList shown{f->RzDBEdit1->text(), f->RzDBEdit2->text(), f->RzDBEdit3->text(),
                                f->RzDBEdit6->text(), f->RzDBEdit7->text(), f->RzDBEdit10->text(),
                                f->RzDBEdit8->text(), f->RzDBEdit11->text(), f->RzEdit2->text()};
        QCOMPARE(shown, (QStringList{"1A'02%", "2026-03-17 22:10:00", "给水泵'B'", "振动大", "李四", "运行一值", "王五",
                                     "运行部", "已消除"}));
        QVERIFY(f->Button1->isEnabled());
        QCOMPARE(f->Button1->text(), QStringLiteral("消 缺"));

        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        f->edt_xqr->setFocus();
        QTest::keyClick(f->edt_xqr, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), f->edt_xqsm);
    }

    // The eliminator, Enter, the note, Tab to "消 缺", Enter: the defect is closed.
    void keyboardElimination()
    {
        Form t;
        auto f = t.open(QStringLiteral("F'02"));
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        f->edt_xqr->setFocus();
        typeText(QApplication::focusWidget(), QStringLiteral("07'1\n已更换轴承"));
        QCOMPARE(QApplication::focusWidget(), f->edt_xqsm);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), f->Button1);
        QVERIFY(t.boxes.boxes.isEmpty());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(t.boxes.texts(), QStringList{QStringLiteral("消缺成功！")});
        QCOMPARE(t.flaw(QStringLiteral("F'02")).value(0), QStringLiteral("70"));
        QCOMPARE(t.flaw(QStringLiteral("F'02")).value(2), QStringLiteral("已更换轴承"));
    }

    void noWaitingDefect_data()
    {
        QTest::addColumn<QString>("code");
        QTest::newRow("already eliminated") << "F70";
        QTest::newRow("not present") << "F99";
        QTest::newRow("no code (the embedded page)") << "";
    }
    void noWaitingDefect()
    {
        QFETCH(QString, code);
        Form t;
        auto f = t.open(code);
        QVERIFY(!f->Button1->isEnabled());
        QCOMPARE(f->RzDBEdit1->text() + f->RzDBEdit3->text() + f->RzDBEdit7->text(), QString());
        QCOMPARE(t.boxes.texts(), QStringList());
    }

    void refused_data()
    {
        QTest::addColumn<QString>("staff");
        QTest::addColumn<QString>("note");
        QTest::addColumn<QString>("message");
        QTest::newRow("no staff number") << "" << "已换" << "消缺人及消缺说明不能为空！";
        QTest::newRow("no note") << "07'1" << "" << "消缺人及消缺说明不能为空！";
        QTest::newRow("unknown eliminator") << "07" << "已换" << "人员信息不正确！";
    }
    void refused()
    {
        QFETCH(QString, staff);
        QFETCH(QString, note);
        QFETCH(QString, message);
        Form t;
        auto f = t.open(QStringLiteral("F'02"));
        eliminate(*f, staff, note);
        QCOMPARE(t.boxes.texts(), QStringList{message});
        QCOMPARE(t.boxes.boxes[0].flags, 48);
        QCOMPARE(t.flaw(QStringLiteral("F'02")), kWaiting);
        QCOMPARE(t.notices().size(), 0);
        QCOMPARE(t.received(100).size(), 0);
    }

    // The recipient follows the first two characters of the equipment code.
    void eliminates_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("notice"); // zt, nr, jsr, jsrgh, jsrq; empty: no notice
        QTest::addColumn<bool>("popup");
        QTest::newRow("02: the J account ending in 2, online")
            << "F'02" << QStringList{"缺陷代码：1A'02%", "给水泵'B'", "值长二", "KPTA2", "2026-03-17 22:10:00"} << true;
        QTest::newRow("01: the J account ending in 1, offline")
            << "F01" << QStringList{"缺陷代码：QX-01", "凝结泵", "值长一", "KPTA1", "2026-03-16 08:00:00"} << false;
        QTest::newRow("10: no account, notice without recipient")
            << "F10" << QStringList{"缺陷代码：QX-10", "引风机", "", "", "2026-03-16 09:00:00"} << false;
        QTest::newRow("letters: no notice") << "FAB" << QStringList() << false;
        QTest::newRow("empty code: no notice") << "FNO" << QStringList() << false;
    }
    void eliminates()
    {
        QFETCH(QString, code);
        QFETCH(QStringList, notice);
        QFETCH(bool, popup);
        Form t;
        auto f = t.open(code);
        const QString note = QStringLiteral("更换轴承'已试转' 100% \"好\"");
        StatementTrace trace;
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        eliminate(*f, QStringLiteral("07'1"), note);
        const QDateTime after = QDateTime::currentDateTime().addSecs(1);

        QCOMPARE(t.boxes.texts(), QStringList{QStringLiteral("消缺成功！")});
        QCOMPARE(t.flaw(code), (QStringList{"70", "李'四", note, kNow.toString("yyyy-MM-dd HH:mm:ss"), "1", "检修一班"}));
        const QString quoted = QString(code).replace("'", "''");
        const QStringList update{QStringList{"update t_equip_flaw set ", "f_handle_man='李''四',",
                                         "f_handle_detail='更换轴承''已试转'' 100% \"好\"',", "f_handle_time=sysdate,",
                                         "f_state=70,", "f_handle_result='1',", "f_handle_team='检修一班'",
                                         " where f_code = '" + quoted + "'", " and f_state=20"}
                                 .join("\r\n")};
        QCOMPARE(trace.texts(QStringLiteral("ADOConnectionJXB")), update);

        const QList<QStringList> rows = t.notices();
        if (notice.isEmpty()) {
            QCOMPARE(rows.size(), 0);
        } else {
            QCOMPARE(rows, (QList<QStringList>{QStringList{kGuid, "消息", "请验收", notice[0], notice[1], "张'三",
                                                           "7%'01", notice[2], notice[3], notice[4], "否"}}));
            // Sent at the workstation's time: "yyyy-mm-dd HH:NN:SS" and the day.
            const QStringList when = t.w.rows("vek", "select sdwcsj,fsrq from tbl_main").value(0);
            const QDateTime sent = QDateTime::fromString(when.value(0), "yyyy-MM-dd HH:mm:ss");
            QVERIFY2(sent >= before && sent <= after, qPrintable(when.value(0)));
            QCOMPARE(when.value(1), sent.toString("yyyy-MM-dd"));
        }
        const QList<QByteArray> datagrams = t.received();
        QCOMPARE(datagrams, popup ? QList<QByteArray>{notices::toGbk(QStringLiteral("show|消息|缺陷验收|给水泵'B'"))}
                                  : QList<QByteArray>());
    }

    // Nothing to close any more: no second request, no success.
    void nothingClosed_data()
    {
        QTest::addColumn<bool>("secondClick"); // else another user closed it after the form loaded it
        QTest::newRow("second click") << true;
        QTest::newRow("closed meanwhile") << false;
    }
    void nothingClosed()
    {
        QFETCH(bool, secondClick);
        Form t;
        auto f = t.open(QStringLiteral("F'02"));
        QStringList closedBy;
        if (secondClick) {
            eliminate(*f, QStringLiteral("07'1"), QStringLiteral("第一次"));
            QCOMPARE(t.boxes.texts(), QStringList{QStringLiteral("消缺成功！")});
            QCOMPARE(t.received().size(), 1);
            QVERIFY(f->Button1->isEnabled());
            closedBy = t.flaw(QStringLiteral("F'02"));
        } else {
            t.w.sql("equip", "update t_equip_flaw set f_state=70,f_handle_man='周七' where f_code='F''02'");
            closedBy = t.flaw(QStringLiteral("F'02"));
        }
        const int noticesBefore = t.notices().size();
        t.boxes.boxes.clear();
        platform::setGuidSource([] { return QStringLiteral("{3F2504E0-4F89-11D3-9A0C-0305E82C3302}"); });
        eliminate(*f, QStringLiteral("07'1"), QStringLiteral("第二次"));
        QCOMPARE(t.boxes.texts(), QStringList{QStringLiteral("消缺失败！")});
        QCOMPARE(t.flaw(QStringLiteral("F'02")), closedBy);
        QCOMPARE(t.notices().size(), noticesBefore);
        QCOMPARE(t.received().size(), 0);
    }

    void guidFailure()
    {
        Form t;
        auto f = t.open(QStringLiteral("F'02"));
        platform::setGuidSource([] { return QString(); });
        eliminate(*f, QStringLiteral("07'1"), QStringLiteral("已换"));
        QCOMPARE(t.boxes.texts(), QStringList{QStringLiteral("创建GUID失败，请重试！")});
        QCOMPARE(t.flaw(QStringLiteral("F'02")).value(0), QStringLiteral("70"));
        QCOMPARE(t.notices().size(), 0);
        QCOMPARE(t.received(100).size(), 0);
    }

    // A defect table without the equipment code: the defect is closed, but nobody can be asked to accept.
    void noEquipmentCodeColumn()
    {
        Form t;
        t.w.sql("equip", "alter table t_equip_flaw rename column sbdm to sbdm_old");
        auto f = t.open(QStringLiteral("F'02"));
        eliminate(*f, QStringLiteral("07'1"), QStringLiteral("已换"));
        QCOMPARE(t.boxes.texts(), QStringList{QStringLiteral("消缺失败！")});
        QCOMPARE(t.flaw(QStringLiteral("F'02")).value(0), QStringLiteral("70"));
        QCOMPARE(t.notices().size(), 0);
        QCOMPARE(t.received(100).size(), 0);
    }

    // The form also lives as a borderless page of the main window, without a defect.
    void embedded()
    {
        Form t;
        QStackedWidget host;
        auto* f = new Tjxbxq();
        host.addWidget(f);
        host.show();
        QVERIFY(!f->isWindow());
        QVERIFY(f->isVisible());
        QVERIFY(!f->Button1->isEnabled());
    }
};

int main(int argc, char** argv)
{
    VekApplication app(argc, argv);
    TstElimination t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_elimination.moc"
