// The defect report pages: reporter look-up, validation, the report row on the service-centre database,
// the clearing after a saved report, the Enter chains and tab orders.

#include "U_datamodule.h"
#include "defects/U_bq_TX.h"
#include "defects/U_bq_WY.h"
#include "defects/U_bq_mis.h"
#include "forms.h"
#include "platform/system.h"
#include "testworld.h"
#include "vekapplication.h"

#include <QAccessible>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace vek;

namespace {

const QDateTime kNow(QDate(2026, 3, 18), QTime(9, 31, 0));
const QString kStamp = kNow.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
const QString kMisType = QStringLiteral("7C043CBB-8817-44F2-B032-3ED01592D479");
const QString kRowColumns = QStringLiteral(
    "select typeid,tel,address,computertype,os,faultdescription,reportdate,userid,isrepaired,username from reportbugs");

// The directory copy in the main catalog: a department, a team and two people; the user 7%'01 is
// logged in as 张'三.
struct Pages {
    TestWorld w;
    MessageRecorder boxes;
    ServerClock clock{kNow};
    std::unique_ptr<TDataModule1> dm;

    explicit Pages(const QString& serviceCentre = {})
    {
        w.sql(QStringLiteral("vek"), QStringLiteral(
            "insert into table_zd(code,name,rycode) values('4083','设备部',null);"
            "insert into table_zd(code,name,rycode) values('408302','检修分部',null);"
            "insert into table_zd(code,name,rycode) values('4083020107','李''四','07''1');"
            "insert into table_zd(code,name,rycode) values('2001010101','王五','0202')"));
        Settings s = w.settings();
        if (!serviceCentre.isEmpty())
            s.setDatabase(QStringLiteral("ServiceCenter"), serviceCentre);
        dm = std::make_unique<TDataModule1>(s);
        dm->cur_user = {QStringLiteral("张'三"), QStringLiteral("7%'01"), QStringLiteral("pw"), QStringLiteral("10.0.0.7"),
                        QStringLiteral("2001010101")};
        forms::DataModule1 = dm.get();
    }
    ~Pages() { forms::DataModule1 = nullptr; }

    QList<QStringList> reports() const { return w.rows(QStringLiteral("ServiceCenter"), kRowColumns); }
};

// Shows a page and makes it the active window, so that focus moves can be seen.
template <class Page>
std::unique_ptr<Page> open()
{
    auto page = std::make_unique<Page>();
    page->show();
    page->activateWindow();
    if (!QTest::qWaitForWindowActive(page.get()))
        qWarning("page not active");
    return page;
}

void fill(TBQ_base& page, const QString& staff, const QString& tel, const QString& address, const QString& text)
{
    page.edt_gh->setText(staff);
    page.edt_gh->setFocus();
    QTest::keyClick(page.edt_gh, Qt::Key_Return);
    page.edt_dh->setText(tel);
    page.edt_dz->setText(address);
    page.mm_ms->setPlainText(text);
}

// The boxes the Tab key visits from `first`, by object name.
QStringList tabChain(QWidget* first, int count)
{
    QStringList names;
    first->setFocus();
    for (int i = 0; i < count; ++i) {
        QWidget* w = QApplication::focusWidget();
        if (qobject_cast<QComboBox*>(w->parentWidget()))
            w = w->parentWidget(); // the editable list's own line
        names << w->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    return names;
}

} // namespace

class TstReportPages : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The whole report by keyboard, as a reporter types it: staff number, Enter (look-up), telephone,
    // Enter, address, Enter (MIS: the model box, Enter), a description of two lines, Tab to "保 存",
    // Enter. The description is stored with CR LF between its lines.
    void keyboardReportStoresCrLf_data()
    {
        QTest::addColumn<bool>("mis");
        QTest::newRow("MIS") << true;
        QTest::newRow("property") << false;
    }
    void keyboardReportStoresCrLf()
    {
        QFETCH(bool, mis);
        Pages p;
        std::unique_ptr<TBQ_base> page;
        if (mis)
            page = open<TBQ_MIS>();
        else
            page = open<TBQ_WY>();
        page->edt_gh->setFocus();
        typeText(QApplication::focusWidget(), QStringLiteral("0202\n"));
        QCOMPARE(page->edt_xm->text(), QStringLiteral("王五"));
        QCOMPARE(QApplication::focusWidget(), page->edt_dh);
        typeText(QApplication::focusWidget(), QStringLiteral("6120\n集控楼\n"));
        if (mis)
            typeText(QApplication::focusWidget(), QStringLiteral("\n"));
        QCOMPARE(QApplication::focusWidget(), page->mm_ms);
        typeText(QApplication::focusWidget(), QStringLiteral("打印机\n不出纸"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), page->btn_save);
        QVERIFY(p.boxes.boxes.isEmpty());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(p.boxes.texts(), QStringList{QStringLiteral("报缺成功！")});
        QCOMPARE(p.w.rows(QStringLiteral("ServiceCenter"), QStringLiteral("select tel,address,userid from reportbugs")),
                 (QList<QStringList>{{"6120", "集控楼", "7%'01"}}));
        // The bytes stored: UTF-8 of 打印机, CR LF, UTF-8 of 不出纸.
        QCOMPARE(p.w.value(QStringLiteral("ServiceCenter"), QStringLiteral("select hex(faultdescription) from reportbugs")),
                 QString::fromLatin1(QStringLiteral("打印机\r\n不出纸").toUtf8().toHex().toUpper()));
        QVERIFY(QStringLiteral("打印机\r\n不出纸").toUtf8().contains("\xe6\x9c\xba\r\n\xe4\xb8\x8d"));
    }

    // Every kind of line break a box or a paste can bring becomes CR LF, once.
    void lineEnds_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("LF") << QStringLiteral("a\nb") << QStringLiteral("a\r\nb");
        QTest::newRow("CR LF stays") << QStringLiteral("a\r\nb") << QStringLiteral("a\r\nb");
        QTest::newRow("lone CR") << QStringLiteral("a\rb") << QStringLiteral("a\r\nb");
        QTest::newRow("LF CR is two") << QStringLiteral("a\n\rb") << QStringLiteral("a\r\n\r\nb");
        QTest::newRow("paragraph separator") << QStringLiteral("a\u2029b") << QStringLiteral("a\r\nb");
        QTest::newRow("line separator") << QStringLiteral("a\u2028b") << QStringLiteral("a\r\nb");
        QTest::newRow("blank lines and the ends") << QStringLiteral("\na\n\n") << QStringLiteral("\r\na\r\n\r\n");
        QTest::newRow("one line") << QStringLiteral("it's") << QStringLiteral("it's");
    }
    void lineEnds()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QCOMPARE(platform::workstationLines(typed), stored);
        // Through the page: whatever the box holds is stored with CR LF.
        Pages p;
        auto page = open<TBQ_WY>();
        fill(*page, QStringLiteral("0202"), QStringLiteral("6120"), QStringLiteral("集控楼"), typed);
        page->edt_xm->setText(QStringLiteral("王五"));
        page->btn_save->click();
        QCOMPARE(p.boxes.texts(), QStringList{QStringLiteral("报缺成功！")});
        const QString got = p.w.value(QStringLiteral("ServiceCenter"), QStringLiteral("select faultdescription from reportbugs"));
        QCOMPARE(got, stored);
    }

    void lookup_data()
    {
        QTest::addColumn<QString>("staff");
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("department");
        const QString first =
            QStringLiteral("select name,(select name from table_zd where code= substring(ry.code,1,4)) as bmmc from table_zd ry \r\n");
        QTest::newRow("known, with quote") << QStringLiteral("07'1")
                                           << QStringList{first + QStringLiteral(" where rycode = '07''1'")}
                                           << QStringLiteral("李'四") << QStringLiteral("设备部");
        // An unknown number is no error: the boxes keep what an earlier look-up put there.
        QTest::newRow("unknown") << QStringLiteral("9999")
                                 << QStringList{first + QStringLiteral(" where rycode = '9999'")}
                                 << QStringLiteral("旧名") << QStringLiteral("旧部门");
        QTest::newRow("empty: no query") << QString() << QStringList() << QStringLiteral("旧名")
                                         << QStringLiteral("旧部门");
    }
    void lookup()
    {
        QFETCH(QString, staff);
        QFETCH(QStringList, statements);
        QFETCH(QString, name);
        QFETCH(QString, department);
        Pages p;
        auto page = open<TBQ_MIS>();
        page->edt_xm->setText(QStringLiteral("旧名"));
        page->edt_bm->setText(QStringLiteral("旧部门"));
        page->edt_gh->setText(staff);
        page->edt_gh->setFocus();
        StatementTrace trace;
        QTest::keyClick(page->edt_gh, Qt::Key_Return);
        QCOMPARE(trace.texts(), statements);
        QCOMPARE(page->edt_xm->text(), name);
        QCOMPARE(page->edt_bm->text(), department);
        QCOMPARE(QApplication::focusWidget(), page->edt_dh);
        QCOMPARE(p.boxes.texts(), QStringList());
    }

    void validation_data()
    {
        QTest::addColumn<QString>("staff");
        QTest::addColumn<QString>("tel");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("text");
        QTest::newRow("save before a look-up") << QString() << "8801" << "2号楼" << "黑屏";
        QTest::newRow("unknown staff number") << "9999" << "8801" << "2号楼" << "黑屏";
        QTest::newRow("no telephone") << "07'1" << "" << "2号楼" << "黑屏";
        QTest::newRow("no address") << "07'1" << "8801" << "" << "黑屏";
        QTest::newRow("no description") << "07'1" << "8801" << "2号楼" << "";
    }
    void validation()
    {
        QFETCH(QString, staff);
        QFETCH(QString, tel);
        QFETCH(QString, address);
        QFETCH(QString, text);
        Pages p;
        auto page = open<TBQ_MIS>();
        fill(*page, staff, tel, address, text);
        const QString name = page->edt_xm->text();
        StatementTrace trace;
        page->btn_save->click();
        QCOMPARE(p.boxes.texts(), QStringList{QStringLiteral("不能有空记录！")});
        QCOMPARE(p.boxes.boxes[0].caption, QStringLiteral("提示"));
        QCOMPARE(p.boxes.boxes[0].flags, 48);
        QCOMPARE(trace.texts(), QStringList());
        QCOMPARE(p.reports().size(), 0);
        QCOMPARE(page->edt_xm->text(), name);
        QCOMPARE(page->edt_dh->text(), tel);
        QCOMPARE(page->edt_dz->text(), address);
        QCOMPARE(page->mm_ms->toPlainText(), text);
    }

    void misReport_data()
    {
        QTest::addColumn<int>("model");     // index chosen; -1: typed text
        QTest::addColumn<QString>("typed"); // text typed when model is -1
        QTest::addColumn<int>("os");        // button checked; -1 untouched
        QTest::addColumn<QString>("computertype");
        QTest::addColumn<QString>("system");
        QTest::newRow("untouched") << 0 << QString() << -1 << QString() << QStringLiteral("WindowsXP");
        QTest::newRow("DELL, Windows7") << 1 << QString() << 5 << QStringLiteral("DELL") << QStringLiteral("Windows7");
        QTest::newRow("联想, Windows9x") << 4 << QString() << 0 << QStringLiteral("联想") << QStringLiteral("Windows9x");
        QTest::newRow("typed model") << -1 << QStringLiteral("ThinkPad 'X1' 100%") << 3
                                     << QStringLiteral("ThinkPad 'X1' 100%") << QStringLiteral("Windows2003");
    }
    void misReport()
    {
        QFETCH(int, model);
        QFETCH(QString, typed);
        QFETCH(int, os);
        QFETCH(QString, computertype);
        QFETCH(QString, system);
        Pages p;
        platform::setGuidSource([] { return QStringLiteral("{1B4E28BA-2FA1-11D2-883F-0016D3CCA427}"); });
        auto page = open<TBQ_MIS>();
        // Someone else's number: the report still names the logged-in user.
        const QString text = QStringLiteral("屏幕不亮\n开机'无反应' 100%\n第三行");
        fill(*page, QStringLiteral("07'1"), QStringLiteral("0551-1234'5"), QStringLiteral("2号楼'301 \"东\""), text);
        if (model >= 0)
            page->cbb_ppxh->setCurrentIndex(model);
        else
            page->cbb_ppxh->setEditText(typed);
        if (os >= 0)
            page->rdg_xtButtons->button(os)->click();
        StatementTrace trace;
        page->btn_save->click();
        platform::setGuidSource({});

        QCOMPARE(p.boxes.texts(), QStringList{QStringLiteral("报缺成功！")});
        const QStringList expected{QStringList{
                     QStringLiteral("insert into reportbugs(id,typeid,tel,address,computertype,os,faultdescription,"
                                    "reportdate,userid,isrepaired,username) values("),
                     QStringLiteral("'{1B4E28BA-2FA1-11D2-883F-0016D3CCA427}',"),
                     QStringLiteral("'7C043CBB-8817-44F2-B032-3ED01592D479',"),
                     QStringLiteral("'0551-1234''5',"),
                     QStringLiteral("'2号楼''301 \"东\"',"),
                     QStringLiteral("'") + QString(computertype).replace(QStringLiteral("'"), QStringLiteral("''")) +
                         QStringLiteral("',"),
                     QStringLiteral("'") + system + QStringLiteral("',"),
                     // The lines as the workstations write them: CR LF.
                     QStringLiteral("'屏幕不亮\r\n开机''无反应'' 100%\r\n第三行',"),
                     QStringLiteral("getdate(),"),
                     QStringLiteral("'7%''01',"),
                     QStringLiteral("0,"),
                     QStringLiteral("'张''三'"),
                     QStringLiteral(")")}
                                 .join(QStringLiteral("\r\n"))};
        QCOMPARE(trace.texts(QStringLiteral("ADOConnection169")), expected);
        QCOMPARE(p.reports(), (QList<QStringList>{{kMisType, QStringLiteral("0551-1234'5"),
                                                   QStringLiteral("2号楼'301 \"东\""), computertype, system,
                                                   QString(text).replace(QStringLiteral("\n"), QStringLiteral("\r\n")),
                                                   kStamp, QStringLiteral("7%'01"), QStringLiteral("0"),
                                                   QStringLiteral("张'三")}}));
        QCOMPARE(p.w.value(QStringLiteral("ServiceCenter"), QStringLiteral("select id from reportbugs")),
                 QStringLiteral("{1B4E28BA-2FA1-11D2-883F-0016D3CCA427}"));

        // Cleared: name, telephone, address, description; kept: number, department, model, system.
        QCOMPARE(page->edt_xm->text(), QString());
        QCOMPARE(page->edt_dh->text(), QString());
        QCOMPARE(page->edt_dz->text(), QString());
        QCOMPARE(page->mm_ms->toPlainText(), QString());
        QCOMPARE(page->edt_gh->text(), QStringLiteral("07'1"));
        QCOMPARE(page->edt_bm->text(), QStringLiteral("设备部"));
        QCOMPARE(page->computerType(), computertype);
        QCOMPARE(page->operatingSystem(), system);

        // A second report needs the look-up again.
        page->edt_dh->setText(QStringLiteral("1"));
        page->edt_dz->setText(QStringLiteral("2"));
        page->mm_ms->setPlainText(QStringLiteral("3"));
        page->btn_save->click();
        QCOMPARE(p.boxes.texts().last(), QStringLiteral("不能有空记录！"));
        QCOMPARE(p.reports().size(), 1);
    }

    // The property and telecom pages write the same row but for their category, without model and system.
    void propertyAndTelecom()
    {
        Pages p;
        auto wy = open<TBQ_WY>();
        auto tx = open<TBQ_TX>();
        for (TBQ_base* page : {static_cast<TBQ_base*>(wy.get()), static_cast<TBQ_base*>(tx.get())}) {
            fill(*page, QStringLiteral("0202"), QStringLiteral("8801"), QStringLiteral("食堂'二楼"),
                 QStringLiteral("水管漏水\n地面积水"));
            page->btn_save->click();
        }
        QCOMPARE(p.boxes.texts(), (QStringList{QStringLiteral("报缺成功！"), QStringLiteral("报缺成功！")}));
        const QStringList rest{QStringLiteral("8801"), QStringLiteral("食堂'二楼"), QStringLiteral("<null>"),
                               QStringLiteral("<null>"), QStringLiteral("水管漏水\r\n地面积水"), kStamp,
                               QStringLiteral("7%'01"), QStringLiteral("0"), QStringLiteral("张'三")};
        QCOMPARE(p.w.rows(QStringLiteral("ServiceCenter"), kRowColumns + QStringLiteral(" order by typeid")),
                 (QList<QStringList>{QStringList{QStringLiteral("14048437-030D-478F-B978-A5F3DA6AAAC4")} + rest,
                                     QStringList{QStringLiteral("35632EC3-8A47-4DDC-BB41-9A17CE57DCA8")} + rest}));
    }

    void guidFailure()
    {
        Pages p;
        auto page = open<TBQ_WY>();
        fill(*page, QStringLiteral("0202"), QStringLiteral("8801"), QStringLiteral("食堂"), QStringLiteral("漏水"));
        platform::setGuidSource([] { return QString(); });
        page->btn_save->click();
        platform::setGuidSource({});
        QCOMPARE(p.boxes.texts(), QStringList{QStringLiteral("创建GUID失败，请重试！")});
        QCOMPARE(p.reports().size(), 0);
        QCOMPARE(page->edt_dh->text(), QStringLiteral("8801"));
    }

    // With the service centre out of reach only the save fails; the page and the main catalog carry on.
    void serviceCentreUnreachable()
    {
        Pages p(QStringLiteral("sqlite:/nonexistent-folder/none/ServiceCenter.sqlite"));
        auto page = open<TBQ_MIS>();
        fill(*page, QStringLiteral("07'1"), QStringLiteral("8801"), QStringLiteral("2号楼"), QStringLiteral("黑屏"));
        page->btn_save->click();
        QCOMPARE(p.boxes.texts(), QStringList{QStringLiteral("报缺失败！")});
        QCOMPARE(page->edt_xm->text(), QStringLiteral("李'四"));
        QCOMPARE(page->edt_dh->text(), QStringLiteral("8801"));
        QCOMPARE(page->edt_dz->text(), QStringLiteral("2号楼"));
        QCOMPARE(page->mm_ms->toPlainText(), QStringLiteral("黑屏"));
        QVERIFY(p.dm->ADOConnection1.isOpen());
        QVERIFY(!p.dm->ADOConnectionJXB.isOpen());
        QVERIFY(!p.dm->ADOConnectionORA.isOpen());
        page->edt_gh->setText(QStringLiteral("0202"));
        page->edt_gh->setFocus();
        QTest::keyClick(page->edt_gh, Qt::Key_Return);
        QCOMPARE(page->edt_xm->text(), QStringLiteral("王五"));
        QCOMPARE(p.boxes.texts().size(), 1);
    }

    void layout_data()
    {
        QTest::addColumn<bool>("mis");
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<QStringList>("tabs");
        QTest::newRow("MIS") << true << "BQ_MIS"
                             << QStringList{"edt_gh", "edt_dh", "edt_dz", "rb_xt2", "mm_ms", "btn_save", "edt_xm",
                                            "edt_bm", "cbb_ppxh", "edt_gh"};
        QTest::newRow("property") << false << "BQ_WY"
                                  << QStringList{"edt_gh", "edt_dh", "edt_dz", "mm_ms", "btn_save", "edt_xm",
                                                 "edt_bm", "edt_gh"};
    }
    void layout()
    {
        QFETCH(bool, mis);
        QFETCH(QString, objectName);
        QFETCH(QStringList, tabs);
        Pages p;
        std::unique_ptr<TBQ_base> page;
        if (mis)
            page = open<TBQ_MIS>();
        else
            page = open<TBQ_WY>();
        QCOMPARE(page->objectName(), objectName);
        QCOMPARE(page->size(), QSize(652, 439));
        QCOMPARE(tabChain(page->edt_gh, tabs.size()), tabs);

        // Enter chain: telephone → address → model (MIS) or description; Enter in the model → description.
        page->edt_dh->setFocus();
        QTest::keyClick(page->edt_dh, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), page->edt_dz);
        QTest::keyClick(page->edt_dz, Qt::Key_Return);
        auto* misPage = qobject_cast<TBQ_MIS*>(page.get());
        if (misPage) {
            QVERIFY(misPage->cbb_ppxh->hasFocus());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(misPage->cbb_ppxh->count(), 9);
        }
        QCOMPARE(QApplication::focusWidget(), page->mm_ms);
        QTest::keyClick(page->mm_ms, Qt::Key_Return);
        QCOMPARE(page->mm_ms->toPlainText(), QStringLiteral("\n"));

        const QList<QPair<QWidget*, QString>> names{{page->edt_gh, QStringLiteral("报缺人工号：")},
                                                   {page->edt_xm, QStringLiteral("报缺人姓名：")},
                                                   {page->edt_bm, QStringLiteral("报缺人部门：")},
                                                   {page->edt_dh, QStringLiteral("报缺人电话：")},
                                                   {page->edt_dz, QStringLiteral("报缺人地址：")},
                                                   {page->mm_ms, QStringLiteral("故障描述：")}};
        for (const auto& [box, label] : names)
            QCOMPARE(QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name), label);
        QVERIFY(page->edt_xm->isReadOnly() && page->edt_bm->isReadOnly());
        QVERIFY(!page->edt_dh->isReadOnly());
        if (misPage) {
            QCOMPARE(misPage->rdg_xt->title(), QStringLiteral("操作系统"));
            QStringList systems;
            for (int i = 0; i < 6; ++i)
                systems << misPage->rdg_xtButtons->button(i)->text();
            QCOMPARE(systems, (QStringList{"Windows9x", "Windows2000", "WindowsXP", "Windows2003", "WindowsME",
                                           "Windows7"}));
            QCOMPARE(misPage->cbb_ppxh->currentText(), QStringLiteral("--请选择机器型号--"));
        }
    }
};

int main(int argc, char** argv)
{
    VekApplication app(argc, argv);
    TstReportPages t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_reportpages.moc"
