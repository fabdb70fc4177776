// The maintenance-staff configuration: the grid and boxes over tbl_jxry, the OA user names in the
// address book, the staff-number look-up, the checks of a new row, modify, delete and the close
// question.

#include "U_datamodule.h"
#include "accounts/U_yhxxpz.h"
#include "forms.h"
#include "platform/messagebox.h"
#include "testworld.h"
#include "vekapplication.h"

#include <QAccessible>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTest>

using namespace vek;
using State = db::Table::State;

namespace {

const QString kVek = QStringLiteral("ADOConnection1");
const QString kHr = QStringLiteral("ADOConnectionORA");
const QString kKpta = QStringLiteral("KPTA1|一值甲|p'w|KPTA1|<null>|<null>");
const QString kLi = QStringLiteral("4083020107|李'四|<null>|07'1|汽机|检修一班");

// A department with a team, three people in the directory (0109 has personnel records but no
// directory row), the shift account and one person configured.
struct Staff {
    TestWorld w;
    MessageRecorder boxes;
    std::unique_ptr<TDataModule1> dm;
    std::unique_ptr<Tyhxxpz> dlg;

    Staff()
    {
        w.sql(QStringLiteral("hr"), QStringLiteral(
            "insert into table_zd(code,name,rycode) values('4083','检修部',null);"
            "insert into table_zd(code,name,rycode) values('40830201','检修一班',null);"
            "insert into table_zd(code,name,rycode) values('4083020107','李''四','07''1');"
            "insert into table_zd(code,name,rycode) values('4083020108','周七','0108');"
            "insert into table_person(rycode,ryname,bmm) values('07''1','李''四','4083020107');"
            "insert into table_person(rycode,ryname,bmm) values('0108','周七','4083020108');"
            "insert into table_person(rycode,ryname,bmm) values('0109','王九','4083020109')"));
        w.sql(QStringLiteral("vek"), QStringLiteral(
            "insert into tbl_jxry(code,name,password,vekyhm) values('KPTA1','一值甲','p''w','KPTA1');"
            "insert into tbl_jxry(code,name,vekyhm,zy,bz) values('4083020107','李''四','07''1','汽机','检修一班');"
            "insert into tbl_dzb(code,name,vekyhm,oayhm) values('4083','检修部',null,null);"
            "insert into tbl_dzb(code,name,vekyhm,oayhm) values('408302','检修一班','',null);"
            "insert into tbl_dzb(code,name,vekyhm,oayhm) values('4083020107','李''四','07''1','oa.li');"
            "insert into tbl_dzb(code,name,vekyhm,oayhm) values('4083020108','周七','0108','oa.zhou')"));
        dm = std::make_unique<TDataModule1>(w.settings());
        forms::DataModule1 = dm.get();
        dm->cur_user.cur_yhm = QStringLiteral("10001");
    }
    ~Staff()
    {
        dlg.reset();
        forms::DataModule1 = nullptr;
    }
    Tyhxxpz& open()
    {
        dlg = std::make_unique<Tyhxxpz>();
        dlg->show();
        dlg->activateWindow();
        if (!QTest::qWaitForWindowActive(dlg.get()))
            qWarning("dialog not active");
        return *dlg;
    }
    QStringList jxry() const
    {
        QStringList out;
        for (const auto& r : w.rows(QStringLiteral("vek"), QStringLiteral(
                 "select code,name,password,vekyhm,zy,bz from tbl_jxry order by rowid")))
            out << r.join(QLatin1Char('|'));
        return out;
    }
    QStringList oaNames() const
    {
        QStringList out;
        for (const auto& r : w.rows(QStringLiteral("vek"), QStringLiteral("select code,oayhm from tbl_dzb order by code")))
            out << r.join(QLatin1Char('|'));
        return out;
    }
    // What the grid shows, one line per row.
    QStringList grid() const
    {
        QStringList out;
        for (int r = 0; r < dlg->DBGrid1->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < dlg->DBGrid1->columnCount(); ++c)
                cells << dlg->DBGrid1->item(r, c)->text();
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }
    QStringList boxTexts() const
    {
        QStringList out;
        for (QLineEdit* e : {dlg->edt_bh, dlg->edt_xm, dlg->edt_gh, dlg->edt_bz, dlg->edt_zy, dlg->DBEdit1})
            out << e->text();
        return out;
    }
    // Types into a box as a user does (Chinese text through key events with text).
    static void type(QLineEdit* box, const QString& text)
    {
        box->setFocus();
        for (QChar c : text) {
            QTest::sendKeyEvent(QTest::Press, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    void trigger(const QString& statement) const
    {
        const QString name = QStringLiteral("fixture-trigger");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(w.dbFile(QStringLiteral("vek")));
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY2(q.exec(statement), qPrintable(q.lastError().text()));
        }
        QSqlDatabase::removeDatabase(name);
    }
    // Adds a row with "增 加" and fills it through the staff-number look-up.
    void addByLookup(const QString& staffNumber)
    {
        QTest::mouseClick(dlg->btn_zj, Qt::LeftButton);
        type(dlg->edt_gh, staffNumber);
        QTest::keyClick(dlg->edt_gh, Qt::Key_Return);
    }
};

QString lit(QString s)
{
    return QLatin1Char('\'') + s.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}
QString oaUpdate(const QString& oa, const QString& staff)
{
    return QStringLiteral("update tbl_dzb set oayhm = ") + lit(oa) + QStringLiteral("\r\n where vekyhm = ") + lit(staff);
}
QString oaBox(const QString& staff)
{
    return QStringLiteral("select oayhm as oa from tbl_dzb \r\n where vekyhm = ") + lit(staff);
}
// Statements that change data.
QStringList writes(const StatementTrace& t)
{
    QStringList out;
    for (const QString& s : t.texts())
        if (s.startsWith(QLatin1String("update")) || s.startsWith(QLatin1String("insert")) || s.startsWith(QLatin1String("delete")))
            out << s;
    return out;
}

} // namespace

class TstStaffConfig : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsTheTable()
    {
        Staff s;
        StatementTrace trace;
        Tyhxxpz& d = s.open();
        QCOMPARE(trace.texts(kVek).value(0), QStringLiteral("select vekyhm,oayhm from tbl_dzb "));
        QCOMPARE(trace.texts(kVek).last(), oaBox(QStringLiteral("KPTA1")));
        QCOMPARE(d.windowTitle(), QStringLiteral("用户信息配置"));
        QStringList titles;
        for (int c = 0; c < d.DBGrid1->columnCount(); ++c) {
            titles << d.DBGrid1->horizontalHeaderItem(c)->text();
            QCOMPARE(d.DBGrid1->horizontalHeaderItem(c)->textAlignment(), int(Qt::AlignCenter));
        }
        QCOMPARE(titles, (QStringList{"序号", "编号", "姓名", "工号", "专业", "班组", "OA用户名"}));
        QCOMPARE(s.grid(), (QStringList{"1|KPTA1|一值甲|KPTA1|||", "2|4083020107|李'四|07'1|汽机|检修一班|oa.li"}));
        QCOMPARE(s.boxTexts(), (QStringList{"KPTA1", "一值甲", "KPTA1", "", "", ""}));
        // Moving in the grid re-reads the OA box.
        trace.statements.clear();
        d.DBGrid1->setCurrentCell(1, 2);
        QCOMPARE(trace.texts(kVek), QStringList{oaBox(QStringLiteral("07'1"))});
        QCOMPARE(s.boxTexts(), (QStringList{"4083020107", "李'四", "07'1", "检修一班", "汽机", "oa.li"}));
        QCOMPARE(d.ADOTable1.state(), State::Browse);
        const auto name = [](QWidget* w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
        QCOMPARE(name(d.edt_gh), QStringLiteral("工号："));
        QCOMPARE(name(d.DBEdit1), QStringLiteral("O A："));
        QCOMPARE(d.edt_xm->geometry(), QRect(272, 42, 102, 20));
        QCOMPARE(d.btn_zj->text(), QStringLiteral("增 加"));
    }

    // The whole addition by keyboard: "增 加" with Enter, the staff number and Enter (look-up), Enter
    // through the boxes, Tab to "保 存", Enter.
    void addByKeyboard()
    {
        Staff s;
        Tyhxxpz& d = s.open();
        d.btn_zj->setFocus();
        QTest::keyClick(d.btn_zj, Qt::Key_Return);
        d.edt_gh->setFocus();
        s.type(d.edt_gh, QStringLiteral("0108"));
        QTest::keyClick(d.edt_gh, Qt::Key_Return);
        QVERIFY(d.edt_bz->hasFocus());
        QTest::keyClick(d.edt_bz, Qt::Key_Return);
        QVERIFY(d.edt_zy->hasFocus());
        s.type(d.edt_zy, QStringLiteral("电气"));
        QTest::keyClick(d.edt_zy, Qt::Key_Return);
        QVERIFY(d.DBEdit1->hasFocus());
        s.type(d.DBEdit1, QStringLiteral("oa'周"));
        for (int i = 0; i < 12 && QApplication::focusWidget() != d.btn_bc; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), d.btn_bc);
        QVERIFY(s.boxes.boxes.isEmpty());
        QTest::keyClick(d.btn_bc, Qt::Key_Return);
        QCOMPARE(s.boxes.texts(), QStringList{QStringLiteral("增加成功！")});
        QCOMPARE(s.w.value(QStringLiteral("vek"), QStringLiteral("select code || '|' || name || '|' || zy from tbl_jxry where vekyhm='0108'")),
                 QStringLiteral("4083020108|周七|电气"));
        QCOMPARE(s.w.value(QStringLiteral("vek"), QStringLiteral("select oayhm from tbl_dzb where vekyhm='0108'")), QStringLiteral("oa'周"));
    }

    void addWithLookup()
    {
        Staff s;
        Tyhxxpz& d = s.open();
        StatementTrace trace;
        s.addByLookup(QStringLiteral("0108"));
        QCOMPARE(trace.texts(kVek), QStringList{oaBox(QString())}); // the new row's empty staff number
        QCOMPARE(trace.texts(kHr),
                 QStringList{QStringLiteral("select rycode as code,ryname as name ,bmm,(select name from table_zd where code = "
                                            "substr(t.bmm,1,length(bmm)-2)) as bmmc from table_person t \r\n where rycode ='0108'")});
        QCOMPARE(s.boxTexts(), (QStringList{"4083020108", "周七", "0108", "检修一班", "", ""}));
        QVERIFY(d.edt_bz->hasFocus());
        s.type(d.edt_zy, QStringLiteral("电气"));
        QTest::keyClick(d.edt_zy, Qt::Key_Return);
        QVERIFY(d.DBEdit1->hasFocus());
        s.type(d.DBEdit1, QStringLiteral("oa'周"));
        QCOMPARE(s.grid().value(2), QStringLiteral("3|4083020108|周七|0108|电气|检修一班|oa.zhou"));
        trace.statements.clear();
        QTest::mouseClick(d.btn_bc, Qt::LeftButton);
        QCOMPARE(s.boxes.texts(), QStringList{QStringLiteral("增加成功！")});
        QCOMPARE(s.boxes.boxes[0].caption, QStringLiteral("提示"));
        QCOMPARE(s.boxes.boxes[0].flags, 48);
        QCOMPARE(trace.texts(kHr), QStringList{QStringLiteral("select * from table_zd \r\n where code ='4083020108'\r\n"
                                                              " and name ='周七'\r\n and rycode ='0108'")});
        QCOMPARE(trace.texts(kVek).mid(0, 2),
                 (QStringList{oaUpdate(QStringLiteral("oa'周"), QStringLiteral("0108")),
                              QStringLiteral("select * from tbl_jxry \r\n where code ='4083020108'\r\n and vekyhm ='0108'")}));
        QCOMPARE(s.jxry(), (QStringList{kKpta, kLi, "4083020108|周七|<null>|0108|电气|检修一班"}));
        QCOMPARE(d.ADOTable1.state(), State::Browse);
        QVERIFY(s.oaNames().contains(QStringLiteral("4083020108|oa'周")));
        // Saving again only repeats the OA statement.
        trace.statements.clear();
        d.btn_bcClick();
        QCOMPARE(writes(trace), QStringList{oaUpdate(QStringLiteral("oa'周"), QStringLiteral("0108"))});
        QCOMPARE(s.jxry().size(), 3);
        QCOMPARE(s.boxes.boxes.size(), 1);
    }

    void lookup_data()
    {
        QTest::addColumn<bool>("adding");
        QTest::addColumn<QString>("staffNumber");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("boxes"); // afterwards
        QTest::newRow("while browsing: row left alone, focus moves")
            << false << "0108" << "" << QStringList{"KPTA1", "一值甲", "0108", "", "", ""};
        QTest::newRow("unknown staff number") << true << "0999" << "工号录入不正确" << QStringList{"", "", "0999", "", "", ""};
        QTest::newRow("quote in the staff number") << true << "0'1" << "工号录入不正确" << QStringList{"", "", "0'1", "", "", ""};
    }
    void lookup()
    {
        QFETCH(bool, adding);
        QFETCH(QString, staffNumber);
        QFETCH(QString, message);
        QFETCH(QStringList, boxes);
        Staff s;
        Tyhxxpz& d = s.open();
        if (adding) {
            d.btn_zjClick();
            s.type(d.edt_gh, staffNumber);
        } else {
            d.edt_gh->setText(staffNumber); // shown, not typed: the row stays browsed
            d.edt_gh->setFocus();
        }
        QTest::keyClick(d.edt_gh, Qt::Key_Return);
        QCOMPARE(s.boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(s.boxTexts(), boxes);
        QCOMPARE(message.isEmpty() ? d.edt_bz->hasFocus() : d.edt_gh->hasFocus(), true);
        QCOMPARE(d.ADOTable1.state(), adding ? State::Insert : State::Browse);
        QCOMPARE(s.jxry(), (QStringList{kKpta, kLi}));
    }

    // A rejected new row stays unsaved in the adding state; its OA name was written before the checks.
    void rejectedNewRow_data()
    {
        QTest::addColumn<QString>("staffNumber");
        QTest::addColumn<QString>("nameTyped"); // replaces the looked-up name when not empty
        QTest::addColumn<QString>("message");
        QTest::newRow("not in the directory") << "0109" << "" << "人员信息录入不正确！";
        QTest::newRow("name differs from the directory") << "0108" << "周 七" << "人员信息录入不正确！";
        QTest::newRow("already configured") << "07'1" << "" << "人员信息已经存在！";
    }
    void rejectedNewRow()
    {
        QFETCH(QString, staffNumber);
        QFETCH(QString, nameTyped);
        QFETCH(QString, message);
        Staff s;
        Tyhxxpz& d = s.open();
        s.addByLookup(staffNumber);
        if (!nameTyped.isEmpty()) {
            d.edt_xm->clear();
            s.type(d.edt_xm, nameTyped);
        }
        s.type(d.DBEdit1, QStringLiteral("oa.new"));
        StatementTrace trace;
        d.btn_bcClick();
        QCOMPARE(s.boxes.texts(), QStringList{message});
        QCOMPARE(s.boxes.boxes[0].flags, 48);
        QCOMPARE(writes(trace), QStringList{oaUpdate(QStringLiteral("oa.new"), staffNumber)});
        QCOMPARE(s.jxry(), (QStringList{kKpta, kLi}));
        QCOMPARE(d.ADOTable1.state(), State::Insert);
        QCOMPARE(d.DBGrid1->rowCount(), 3);
    }

    void storeFailures()
    {
        Staff s;
        s.trigger(QStringLiteral("create trigger no_new before insert on tbl_jxry begin select raise(abort, 'insert refused'); end"));
        s.trigger(QStringLiteral("create trigger no_change before update on tbl_jxry begin select raise(abort, 'update refused'); end"));
        Tyhxxpz& d = s.open();
        s.addByLookup(QStringLiteral("0108"));
        d.btn_bcClick();
        QCOMPARE(s.boxes.texts(), QStringList{QStringLiteral("增加失败！")});
        QCOMPARE(d.ADOTable1.state(), State::Insert);
        QCOMPARE(s.boxTexts().mid(0, 3), (QStringList{"4083020108", "周七", "0108"}));
        d.ADOTable1.cancel();
        // A modified row whose store fails shows the database's text and stays modified.
        d.DBGrid1->setCurrentCell(1, 1);
        d.btn_xgClick();
        s.type(d.edt_zy, QStringLiteral("锅炉"));
        d.btn_bcClick();
        QCOMPARE(s.boxes.boxes.size(), 2);
        QVERIFY(s.boxes.boxes[1].text.contains(QStringLiteral("update refused")));
        QCOMPARE(d.ADOTable1.state(), State::Edit);
        QCOMPARE(d.edt_zy->text(), QStringLiteral("汽机锅炉"));
        QCOMPARE(s.jxry(), (QStringList{kKpta, kLi}));
    }

    // A modified row is stored without any check, whatever it holds; only that row changes, even
    // when another row holds the same values.
    void modifyStoresWithoutChecks()
    {
        Staff s;
        s.w.sql(QStringLiteral("vek"), QStringLiteral(
            "insert into tbl_jxry(code,name,vekyhm,zy,bz) values('4083020107','李''四','07''1','汽机','检修一班')"));
        Tyhxxpz& d = s.open();
        d.DBGrid1->setCurrentCell(1, 1);
        QTest::mouseClick(d.btn_xg, Qt::LeftButton);
        QCOMPARE(d.ADOTable1.state(), State::Edit);
        d.edt_xm->clear();
        s.type(d.edt_xm, QStringLiteral("无'此人"));
        StatementTrace trace;
        d.btn_bcClick();
        QCOMPARE(s.boxes.texts(), QStringList());
        QCOMPARE(trace.texts(kHr), QStringList());
        QCOMPARE(writes(trace).value(0), oaUpdate(QStringLiteral("oa.li"), QStringLiteral("07'1")));
        QCOMPARE(writes(trace).size(), 2);
        QCOMPARE(s.jxry(), (QStringList{kKpta, "4083020107|无'此人|<null>|07'1|汽机|检修一班", kLi}));
        QCOMPARE(d.ADOTable1.state(), State::Browse);
        // Typing into a box of a browsed row modifies it too; moving away stores it.
        d.DBGrid1->setCurrentCell(0, 1);
        s.type(d.edt_zy, QStringLiteral("值"));
        QCOMPARE(d.ADOTable1.state(), State::Edit);
        d.DBGrid1->setCurrentCell(2, 1);
        QCOMPARE(s.jxry().value(0), QStringLiteral("KPTA1|一值甲|p'w|KPTA1|值|<null>"));
        // In-place editing in the grid writes the row as well.
        d.DBGrid1->item(2, 5)->setText(QStringLiteral("检修二班"));
        QCOMPARE(d.ADOTable1.state(), State::Edit);
        QCOMPARE(d.edt_bz->text(), QStringLiteral("检修二班"));
        d.btn_bcClick();
        QCOMPARE(s.jxry().value(2), QStringLiteral("4083020107|李'四|<null>|07'1|汽机|检修二班"));
        QCOMPARE(s.jxry().value(1), QStringLiteral("4083020107|无'此人|<null>|07'1|汽机|检修一班"));
    }

    void deleteRows()
    {
        Staff s;
        s.w.sql(QStringLiteral("vek"), QStringLiteral(
            "insert into tbl_jxry(code,name,password,vekyhm) values('KPTA1','一值甲','p''w','KPTA1')"));
        Tyhxxpz& d = s.open();
        QTest::mouseClick(d.btn_sc, Qt::LeftButton); // at once, no question
        QCOMPARE(s.boxes.boxes.size(), 0);
        QCOMPARE(s.jxry(), (QStringList{kLi, kKpta})); // one of the two equal rows
        QCOMPARE(s.grid(), (QStringList{"1|4083020107|李'四|07'1|汽机|检修一班|oa.li", "2|KPTA1|一值甲|KPTA1|||"}));
        QCOMPARE(s.boxTexts().value(2), QStringLiteral("07'1"));
        // Ctrl+Delete in the grid asks first.
        d.DBGrid1->setFocus();
        s.boxes.answers = {platform::IdCancel};
        QTest::keyClick(d.DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(s.boxes.texts(), QStringList{QStringLiteral("Delete record?")});
        QCOMPARE(s.boxes.boxes[0].flags, platform::MbOkCancel | platform::MbIconQuestion);
        QCOMPARE(s.jxry().size(), 2);
        s.boxes.answers = {platform::IdOk};
        QTest::keyClick(d.DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(s.jxry(), QStringList{kKpta});
        QCOMPARE(s.grid(), QStringList{"1|KPTA1|一值甲|KPTA1|||"});
    }

    // Two administrators at once: the other one deletes or changes the row this one is editing. The
    // save tells the user, stores nothing, and the grid shows the table as it now is.
    void editOfARowTheOtherChanged_data()
    {
        QTest::addColumn<QString>("other"); // what the other administrator did meanwhile
        QTest::addColumn<QStringList>("after");
        QTest::newRow("deleted") << "delete from tbl_jxry where vekyhm='07''1'" << QStringList{kKpta};
        QTest::newRow("changed") << "update tbl_jxry set zy='锅炉' where vekyhm='07''1'"
                                 << QStringList{kKpta, "4083020107|李'四|<null>|07'1|锅炉|检修一班"};
    }
    void editOfARowTheOtherChanged()
    {
        QFETCH(QString, other);
        QFETCH(QStringList, after);
        Staff s;
        Tyhxxpz& d = s.open();
        d.DBGrid1->setCurrentCell(1, 1);
        QTest::mouseClick(d.btn_xg, Qt::LeftButton);
        d.edt_xm->clear();
        s.type(d.edt_xm, QStringLiteral("李五"));
        s.w.sql(QStringLiteral("vek"), other);
        d.btn_bcClick();
        QCOMPARE(s.boxes.texts(), QStringList{db::Table::kRowGone + QStringLiteral("列表已重新读取。")});
        QCOMPARE(s.boxes.boxes[0].caption, QStringLiteral("提示"));
        QCOMPARE(s.jxry(), after);
        QCOMPARE(d.ADOTable1.state(), State::Browse);
        QCOMPARE(s.grid().size(), after.size());
        QVERIFY(!s.grid().join(QLatin1Char('\n')).contains(QStringLiteral("李五")));
    }

    // SQLite gives a deleted row's rowid to the next row inserted. When the other administrator
    // deletes the last row and adds a new one, this one's delete of the row still shown must not
    // remove the new row.
    void deleteNeverHitsAnotherRow()
    {
        Staff s;
        Tyhxxpz& d = s.open();
        QCOMPARE(s.w.value(QStringLiteral("vek"), QStringLiteral("select rowid from tbl_jxry where vekyhm='07''1'")),
                 QStringLiteral("2"));
        s.w.sql(QStringLiteral("vek"), QStringLiteral(
            "delete from tbl_jxry where vekyhm='07''1';"
            "insert into tbl_jxry(code,name,vekyhm,zy,bz) values('4083020108','周七','0108','电气','检修一班')"));
        QCOMPARE(s.w.value(QStringLiteral("vek"), QStringLiteral("select rowid from tbl_jxry where vekyhm='0108'")),
                 QStringLiteral("2")); // the same rowid
        d.DBGrid1->setCurrentCell(1, 1);
        QCOMPARE(d.edt_gh->text(), QStringLiteral("07'1")); // the row shown is the deleted one
        QTest::mouseClick(d.btn_sc, Qt::LeftButton);
        const QString zhou = QStringLiteral("4083020108|周七|<null>|0108|电气|检修一班");
        QCOMPARE(s.jxry(), (QStringList{kKpta, zhou}));
        QCOMPARE(s.boxes.texts(), QStringList{db::Table::kRowGone + QStringLiteral("列表已重新读取。")});
        QCOMPARE(s.grid(), (QStringList{"1|KPTA1|一值甲|KPTA1|||", "2|4083020108|周七|0108|电气|检修一班|oa.zhou"}));
        // Deleting the row now shown removes it, and only it.
        d.DBGrid1->setCurrentCell(1, 1);
        QTest::mouseClick(d.btn_sc, Qt::LeftButton);
        QCOMPARE(s.boxes.boxes.size(), 1);
        QCOMPARE(s.jxry(), QStringList{kKpta});
    }

    void saveWhileBrowsing_data()
    {
        QTest::addColumn<QString>("oa");
        QTest::newRow("new OA name") << "oa'李%";
        QTest::newRow("empty OA box") << "";
    }
    void saveWhileBrowsing()
    {
        QFETCH(QString, oa);
        Staff s;
        Tyhxxpz& d = s.open();
        d.DBGrid1->setCurrentCell(1, 1);
        d.DBEdit1->setText(oa);
        StatementTrace trace;
        d.btn_bcClick();
        QCOMPARE(trace.texts(), QStringList{oaUpdate(oa, QStringLiteral("07'1"))});
        QCOMPARE(s.oaNames(), (QStringList{"4083|<null>", "408302|<null>", "4083020107|" + oa, "4083020108|oa.zhou"}));
        QCOMPARE(s.jxry(), (QStringList{kKpta, kLi}));
        QCOMPARE(s.grid().value(1).section(QLatin1Char('|'), 6), QStringLiteral("oa.li")); // the snapshot stays
    }

    // Without a staff number the OA statement is skipped: it would reach every address-book row
    // without one (the department and team rows).
    void emptyStaffNumberSkipsTheOaName()
    {
        Staff s;
        Tyhxxpz& d = s.open();
        d.btn_zjClick();
        s.type(d.edt_bh, QStringLiteral("4083"));
        s.type(d.edt_xm, QStringLiteral("检修部"));
        s.type(d.DBEdit1, QStringLiteral("oa.dept"));
        StatementTrace trace;
        d.btn_bcClick();
        QCOMPARE(writes(trace), QStringList());
        QCOMPARE(trace.texts(kHr).value(0),
                 QStringLiteral("select * from table_zd \r\n where code ='4083'\r\n and name ='检修部'\r\n and rycode =''"));
        QCOMPARE(s.boxes.texts(), QStringList{QStringLiteral("人员信息录入不正确！")});
        QCOMPARE(s.oaNames(), (QStringList{"4083|<null>", "408302|<null>", "4083020107|oa.li", "4083020108|oa.zhou"}));
    }

    void closeQuestion_data()
    {
        QTest::addColumn<QString>("staffNumber");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("stored"); // rows in tbl_jxry afterwards
        QTest::newRow("yes, check fails") << "0109" << int(platform::IdYes)
                                          << QStringList{"要保存已经修改的数据吗？", "人员信息录入不正确！"} << 2;
        QTest::newRow("yes, stored") << "0108" << int(platform::IdYes)
                                     << QStringList{"要保存已经修改的数据吗？", "增加成功！"} << 3;
        QTest::newRow("no") << "0108" << int(platform::IdNo) << QStringList{"要保存已经修改的数据吗？"} << 2;
        QTest::newRow("nothing added") << "" << 0 << QStringList{} << 2;
    }
    void closeQuestion()
    {
        QFETCH(QString, staffNumber);
        QFETCH(int, answer);
        QFETCH(QStringList, messages);
        QFETCH(int, stored);
        Staff s;
        Tyhxxpz& d = s.open();
        if (!staffNumber.isEmpty())
            s.addByLookup(staffNumber);
        s.boxes.answers = {answer};
        StatementTrace trace;
        QTest::mouseClick(d.Button1, Qt::LeftButton);
        QCOMPARE(s.boxes.texts(), messages);
        if (!messages.isEmpty())
            QCOMPARE(s.boxes.boxes[0].flags, 36);
        QVERIFY(!d.isVisible());
        QCOMPARE(s.jxry().size(), stored);
        if (answer == platform::IdNo)
            QCOMPARE(writes(trace), QStringList());
        // A new opening starts from the table again.
        s.open();
        QCOMPARE(s.dlg->DBGrid1->rowCount(), stored);
        QCOMPARE(s.dlg->ADOTable1.state(), State::Browse);
    }

    // A modified row, the title-bar close box and Yes: stored without checks.
    void closeBoxStoresModifiedRow()
    {
        Staff s;
        Tyhxxpz& d = s.open();
        d.DBGrid1->setCurrentCell(1, 1);
        s.type(d.edt_bz, QStringLiteral("甲"));
        s.boxes.answers = {platform::IdYes};
        d.close();
        QCOMPARE(s.boxes.texts(), QStringList{QStringLiteral("要保存已经修改的数据吗？")});
        QCOMPARE(s.jxry().value(1), QStringLiteral("4083020107|李'四|<null>|07'1|汽机|检修一班甲"));
    }
};

int main(int argc, char** argv)
{
    VekApplication app(argc, argv);
    TstStaffConfig t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_staffconfig.moc"
