// Database faults while the main window runs: the main catalog locked by another connection's write
// transaction, or a database file removed and put back. Every user action that touches the database
// shows the failure, writes nothing, leaves the client running, and works again once the fault is gone.

#include "U_datamodule.h"
#include "U_main.h"
#include "accounts/U_yhxxpz.h"
#include "accounts/U_zc.h"
#include "defects/U_bq_mis.h"
#include "forms.h"
#include "navbar.h"
#include "notices/U_fstz.h"
#include "notices/U_tzll.h"
#include "plantdb.h"
#include "testworld.h"
#include "vekapplication.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <optional>

using namespace vek;

namespace {

const QString kNewPassword = QStringLiteral("Abc123");

// Zhang San (10231) of team 200101 in the information centre's department, with two unread notices
// from Li Si, a directory row with his MIS password and one configured maintenance account.
struct Client {
    TestWorld w;
    MessageRecorder boxes;
    std::unique_ptr<TDataModule1> dm;
    std::unique_ptr<Tmain> m;
    QPointer<Tyhxxpz> staff;

    Client()
    {
        w.sql(QStringLiteral("vek"), QStringLiteral(
            "insert into tbl_dzb(code,name,vekyhm,zxip) values('20','厂部',null,'');"
            "insert into tbl_dzb(code,name,vekyhm,zxip) values('2001','运行部',null,'');"
            "insert into tbl_dzb(code,name,vekyhm,zxip) values('200101','集控一值','','');"
            "insert into tbl_dzb(code,name,vekyhm,zxip) values('20010101','张三','10231','');"
            "insert into tbl_dzb(code,name,vekyhm,zxip) values('20010102','李四','10232','');"
            "insert into tbl_jxry(code,name,vekyhm,zy) values('KPTA1','一值甲','KPTA1','汽机');"
            "insert into tbl_main(bh,xt,lx,zt,fsr,fsrgh,jsr,jsrgh,fsrq,jsrq,sfcy) values('{1}','消息','通知','一','李四','10232','张三','10231','2026-12-01','2026-12-01','否');"
            "insert into tbl_main(bh,xt,lx,zt,fsr,fsrgh,jsr,jsrgh,fsrq,jsrq,sfcy) values('{2}','消息','通知','二','李四','10232','张三','10231','2026-12-02','2026-12-02','否')"));
        w.sql(QStringLiteral("hr"), QStringLiteral(
            "insert into table_zd(code,name,rycode,password) values('20010101','张三','10231','旧pw')"));
        Settings s = w.settings();
        s.port = 0;
        dm = std::make_unique<TDataModule1>(s);
        forms::DataModule1 = dm.get();
        dm->cur_user = {QStringLiteral("张三"), QStringLiteral("10231"), QStringLiteral("pw"), QStringLiteral("10.0.0.8"),
                        QStringLiteral("40830201")};
        m = std::make_unique<Tmain>();
        forms::main = m.get();
        m->show();
    }
    ~Client()
    {
        delete staff.data();
        VekApplication::instance()->destroyOwned();
        m.reset();
        forms::main = nullptr;
        forms::DataModule1 = nullptr;
    }

    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }
    void navigate(const QString& caption) { click(m->RzGroupBar1->findItem(caption)); }

    // Everything in the four databases, table by table.
    QStringList contents() const
    {
        QStringList out;
        for (const QString& role : vekdb::roles())
            for (const QStringList& t : w.rows(role, QStringLiteral("select name from sqlite_master where type='table' order by name")))
                for (const QStringList& r : w.rows(role, QStringLiteral("select * from \"%1\" order by rowid").arg(t.first())))
                    out << role + QLatin1Char('.') + t.first() + QLatin1Char(':') + r.join(QLatin1Char('|'));
        return out;
    }
    int count(const QString& role, const QString& select) const { return w.value(role, select).toInt(); }
};

// Another connection's write transaction on a database: writers wait for it, readers do not.
class WriteLock {
public:
    explicit WriteLock(const QString& file)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(file);
        if (!db.open() || !QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE")))
            qFatal("cannot lock %s: %s", qPrintable(file), qPrintable(db.lastError().text()));
    }
    ~WriteLock() { release(); }
    void release()
    {
        if (!QSqlDatabase::contains(m_name))
            return;
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }

private:
    QString m_name = QStringLiteral("other-workstation");
};

// The file taken away from its path, as a user or a backup job would, and put back later.
class RemovedFile {
public:
    explicit RemovedFile(const QString& file) : m_file(file)
    {
        if (!QFile::rename(m_file, m_file + QStringLiteral(".away")))
            qFatal("cannot move %s away", qPrintable(m_file));
    }
    ~RemovedFile() { restore(); }
    void restore()
    {
        if (!m_restored && QFile::rename(m_file + QStringLiteral(".away"), m_file))
            m_restored = true;
    }

private:
    QString m_file;
    bool m_restored = false;
};

// The window or page an action needs, set up before the fault.
void prepare(Client& c, const QString& action)
{
    if (action == QLatin1String("list")) {
        // A notice that arrives after the window came up: only a new listing shows it.
        c.w.sql(QStringLiteral("vek"), QStringLiteral(
            "insert into tbl_main(bh,xt,lx,zt,fsr,fsrgh,jsr,jsrgh,fsrq,jsrq,sfcy) values('{3}','消息','通知','三','李四','10232','张三','10231','2026-12-03','2026-12-03','否')"));
        QCOMPARE(c.m->tzll->RzDBGrid1->rowCount(), 2);
    } else if (action == QLatin1String("send")) {
        c.navigate(QStringLiteral("发送通知"));
        auto* page = qobject_cast<Tfstz*>(c.m->fstz.data());
        QVERIFY(page);
        const auto found = page->TreeView1->findItems(QStringLiteral("李四"), Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(found.size(), 1);
        page->TreeView1->setCurrentItem(found.first());
        page->Button1Click();
        QCOMPARE(page->ListBox1->count(), 1);
        page->edt_zt->setText(QStringLiteral("检修"));
    } else if (action == QLatin1String("password")) {
        c.navigate(QStringLiteral("MIS口令更改"));
        QVERIFY(qobject_cast<Tggkl*>(c.m->ggkl.data()));
    } else if (action == QLatin1String("staff")) {
        c.staff = new Tyhxxpz(c.m.get());
        c.staff->show();
        QCOMPARE(c.staff->DBGrid1->rowCount(), 1);
    } else if (action == QLatin1String("defect")) {
        c.navigate(QStringLiteral("MIS 缺陷"));
        QVERIFY(qobject_cast<TBQ_MIS*>(c.m->BQ_MIS.data()));
    }
    QVERIFY2(c.boxes.boxes.isEmpty(), qPrintable(c.boxes.texts().join(QLatin1Char('\n'))));
}

// Typing text that has no key of its own.
void type(QWidget* w, const QString& text)
{
    for (const QChar ch : text) {
        QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

// What the user does, through the mouse and keyboard.
void act(Client& c, const QString& action)
{
    if (action == QLatin1String("list")) {
        c.navigate(QStringLiteral("通知浏览"));
    } else if (action == QLatin1String("mark read")) {
        QTableWidget* grid = c.m->tzll->RzDBGrid1;
        const QPoint at = grid->visualItemRect(grid->item(0, 2)).center();
        // A real double-click: press and release, then the second press as the double-click.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    } else if (action == QLatin1String("reply")) {
        c.m->tzll->N1->trigger();
        QLineEdit* text = c.m->tzll->RzEdit1;
        text->clear();
        type(text, QStringLiteral("收到"));
        QTest::keyClick(text, Qt::Key_Return);
    } else if (action == QLatin1String("send")) {
        c.click(qobject_cast<Tfstz*>(c.m->fstz.data())->Button3);
    } else if (action == QLatin1String("password")) {
        auto* page = qobject_cast<Tggkl*>(c.m->ggkl.data());
        page->edt_kl->setText(QStringLiteral("旧pw"));
        page->edt_xkl->setText(kNewPassword);
        c.click(page->btn_zc);
    } else if (action == QLatin1String("staff")) {
        c.staff->edt_zy->selectAll();
        type(c.staff->edt_zy, QStringLiteral("锅炉"));
        c.click(c.staff->btn_bc);
    } else if (action == QLatin1String("attendance")) {
        ServerClock clock(QDateTime(QDate::currentDate(), QTime(9, 0)));
        c.click(c.m->RzGroup3->item(0));
    } else if (action == QLatin1String("defect")) {
        auto* page = qobject_cast<TBQ_MIS*>(c.m->BQ_MIS.data());
        page->edt_xm->setText(QStringLiteral("张三"));
        page->edt_dh->setText(QStringLiteral("6120"));
        page->edt_dz->setText(QStringLiteral("集控楼"));
        page->mm_ms->setPlainText(QStringLiteral("打印机不出纸"));
        c.click(page->btn_save);
    }
}

// Whether the action's effect is there for everyone to see.
bool done(const Client& c, const QString& action)
{
    if (action == QLatin1String("list"))
        return c.m->tzll && c.m->tzll->RzDBGrid1->rowCount() == 3 && c.m->tzll->RzDBGrid1->item(0, 2)->text() == QStringLiteral("三");
    if (action == QLatin1String("mark read"))
        return c.count(QStringLiteral("vek"), QStringLiteral("select count(*) from tbl_main where sfcy='是'")) == 1;
    if (action == QLatin1String("reply") || action == QLatin1String("send"))
        return c.count(QStringLiteral("vek"), QStringLiteral("select count(*) from tbl_main")) == 3;
    if (action == QLatin1String("password"))
        return c.w.value(QStringLiteral("hr"), QStringLiteral("select password from table_zd where rycode='10231'")) == kNewPassword;
    if (action == QLatin1String("staff"))
        return c.w.value(QStringLiteral("vek"), QStringLiteral("select zy from tbl_jxry")) == QStringLiteral("锅炉");
    if (action == QLatin1String("attendance"))
        return c.count(QStringLiteral("ServiceCenter"), QStringLiteral("select count(*) from Attendance")) == 1;
    if (action == QLatin1String("defect"))
        return c.count(QStringLiteral("ServiceCenter"), QStringLiteral("select count(*) from reportbugs")) == 1;
    return false;
}

} // namespace

class TstFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void actions_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("fault");   // "lock" or "remove"
        QTest::addColumn<QString>("role");    // the database it strikes
        QTest::addColumn<QString>("failure"); // what the box says meanwhile; empty: the action works all the same
        QTest::addColumn<QStringList>("success"); // the boxes of the same action afterwards

        const QString locked = QStringLiteral("database is locked");
        const QString missing = QStringLiteral("unable to open database file");
        const QStringList none;
        const QStringList sent{QStringLiteral("发送成功！")};
        QTest::newRow("list while locked") << "list" << "lock" << "vek" << QString() << none;
        QTest::newRow("mark read while locked") << "mark read" << "lock" << "vek" << locked << none;
        QTest::newRow("reply while locked") << "reply" << "lock" << "vek" << QStringLiteral("发送失败！") << sent;
        QTest::newRow("send while locked") << "send" << "lock" << "vek" << QStringLiteral("发送失败，请确认网络正常！") << sent;
        QTest::newRow("staff save while locked") << "staff" << "lock" << "vek" << locked << none;

        QTest::newRow("list, main file removed") << "list" << "remove" << "vek" << missing << none;
        QTest::newRow("mark read, main file removed") << "mark read" << "remove" << "vek" << missing << none;
        QTest::newRow("send, main file removed") << "send" << "remove" << "vek" << missing << sent;
        QTest::newRow("password, directory removed") << "password" << "remove" << "hr" << missing
                                                      << QStringList{QStringLiteral("更改口令成功，请牢记新口令！")};
        QTest::newRow("sign-in, service centre removed") << "attendance" << "remove" << "ServiceCenter" << missing
                                                          << QStringList{QStringLiteral("您今天上午签到成功！")};
        QTest::newRow("defect report, service centre removed") << "defect" << "remove" << "ServiceCenter"
                                                                << QStringLiteral("报缺失败！")
                                                                << QStringList{QStringLiteral("报缺成功！")};
    }
    void actions()
    {
        QFETCH(QString, action);
        QFETCH(QString, fault);
        QFETCH(QString, role);
        QFETCH(QString, failure);
        QFETCH(QStringList, success);
        Client c;
        prepare(c, action);
        if (QTest::currentTestFailed())
            return;
        const QStringList before = c.contents();

        std::optional<WriteLock> lock;
        std::optional<RemovedFile> removed;
        if (fault == QLatin1String("lock")) {
            lock.emplace(c.w.dbFile(role));
        } else {
#ifdef Q_OS_WIN
            QSKIP("Windows keeps a database file the client holds open in place: it cannot be removed");
#endif
            removed.emplace(c.w.dbFile(role));
        }
        QElapsedTimer clock;
        clock.start();
        act(c, action);
        const qint64 waited = clock.elapsed();
        qInfo("%s: %lld ms under the fault", qPrintable(action), waited);
        // A lock is waited out for a bounded time only; a missing file fails at once.
        QVERIFY2(waited < (fault == QLatin1String("lock") ? 8000 : 2000), qPrintable(QString::number(waited)));
        if (failure.isEmpty()) {
            QVERIFY2(c.boxes.boxes.isEmpty(), qPrintable(c.boxes.texts().join(QLatin1Char('\n'))));
            QVERIFY(done(c, action));
        } else {
            QCOMPARE(c.boxes.boxes.size(), 1);
            QVERIFY2(c.boxes.boxes[0].text.contains(failure), qPrintable(c.boxes.boxes[0].text));
        }

        if (lock)
            lock->release();
        if (removed)
            removed->restore();
        if (!failure.isEmpty()) {
            QCOMPARE(c.contents(), before); // nothing of the failed action was stored
            QVERIFY(!done(c, action));
        }
        QVERIFY(c.m->isVisible());

        // The same action once the fault is gone.
        c.boxes.boxes.clear();
        act(c, action);
        QCOMPARE(c.boxes.texts(), success);
        QVERIFY(done(c, action));
        QVERIFY(!c.dm->ADOConnection1.inTransaction());
    }
};

int main(int argc, char** argv)
{
    VekApplication app(argc, argv);
    TstFaults t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_faults.moc"
