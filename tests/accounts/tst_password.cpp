// The MIS password page: the strength rule and its meter, the last-change line, the check of the old
// password, the two updates and their messages, reset and the Enter chain.

#include "U_datamodule.h"
#include "accounts/U_zc.h"
#include "accounts/strengthmeter.h"
#include "forms.h"
#include "platform/messagebox.h"
#include "testworld.h"
#include "vekapplication.h"

#include <QAccessible>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

using namespace vek;

namespace {

const QString kUser = QStringLiteral("10231");
const QString kOld = QStringLiteral("旧 'pw");
const QString kPrefix = QStringLiteral("您上次更改口令的时间是：");

// A world with the user 10231 in the directory (password "旧 'pw") and in the address book.
struct Page {
    TestWorld w;
    MessageRecorder boxes;
    std::unique_ptr<TDataModule1> dm;
    std::unique_ptr<Tggkl> page;

    explicit Page(const QString& lastChange = QStringLiteral("'2026-01-05 08:00:00.000'"), bool addressRow = true)
    {
        w.sql(QStringLiteral("hr"), QStringLiteral(
            "insert into table_zd(code,name,rycode,password) values('2001','运行部',null,null);"
            "insert into table_zd(code,name,rycode,password) values('20010101','张三','10231','旧 ''pw');"
            "insert into table_zd(code,name,rycode,password) values('20010102','李四','10232','1234')"));
        if (addressRow)
            w.sql(QStringLiteral("vek"), QStringLiteral(
                "insert into tbl_dzb(code,name,vekyhm,zhxgklsj) values('20010101','张三','10231',%1);"
                "insert into tbl_dzb(code,name,vekyhm,zhxgklsj) values('20010102','李四','10232',null)").arg(lastChange));
        dm = std::make_unique<TDataModule1>(w.settings());
        forms::DataModule1 = dm.get();
        dm->cur_user.cur_yhm = kUser;
        dm->cur_user.cur_xm = QStringLiteral("张三");
    }
    ~Page()
    {
        page.reset();
        forms::DataModule1 = nullptr;
    }
    Tggkl& open()
    {
        page = std::make_unique<Tggkl>();
        page->show();
        page->activateWindow();
        if (!QTest::qWaitForWindowActive(page.get()))
            qWarning("page not active");
        return *page;
    }
    QStringList passwords() const
    {
        QStringList out;
        for (const auto& r : w.rows(QStringLiteral("hr"), QStringLiteral("select rycode,password from table_zd where rycode is not null order by rycode")))
            out << r.join(QLatin1Char('|'));
        return out;
    }
    QString lastChange() const
    {
        return w.value(QStringLiteral("vek"), QStringLiteral("select zhxgklsj from tbl_dzb where vekyhm='10231'"));
    }
};

// Runs one statement on a database file directly (the fixture script runner splits at every ';').
void exec(const TestWorld& w, const QString& role, const QString& statement)
{
    const QString name = QStringLiteral("fixture-trigger");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(w.dbFile(role));
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY2(q.exec(statement), qPrintable(q.lastError().text()));
    }
    QSqlDatabase::removeDatabase(name);
}

void typeChar(QWidget* w, QChar c)
{
    QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

} // namespace

class TstPassword : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void strength_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("strength");
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("three lowercase") << "abc" << 1;
        QTest::newRow("six lowercase") << "abcdef" << 2;
        QTest::newRow("six digits") << "123456" << 2;
        QTest::newRow("lowercase then digits") << "abc123" << 3;
        QTest::newRow("one of each, three long") << "aB1" << 3;
        QTest::newRow("upper, lower, digits") << "Abc123" << 4;
        QTest::newRow("symbols only, six") << "!@# $%" << 1;
        QTest::newRow("two Chinese: four bytes") << "口令" << 0;
        QTest::newRow("three Chinese: six bytes") << "改口令" << 1;
        QTest::newRow("Chinese and two letters: six bytes") << "口令ab" << 2;
        QTest::newRow("Chinese and one letter: five bytes") << "口令a" << 1;
        QTest::newRow("full-width digits are not digits") << "１２３ａｂｃ" << 1;
    }
    void strength()
    {
        QFETCH(QString, password);
        QFETCH(int, strength);
        QCOMPARE(passwordStrength(password), strength);
    }

    void meterClampsAndPaints()
    {
        StrengthMeter m;
        QCOMPARE(m.value(), 3);
        m.setValue(4);
        QCOMPARE(m.value(), 3);
        m.setValue(-2);
        QCOMPARE(m.value(), 0);
        m.setValue(2);
        m.resize(153, 22);
        const QImage img = m.grab().toImage();
        const int y = 11;
        QCOMPARE(img.pixelColor(0, 0), QColor(Qt::black));
        QCOMPARE(img.pixelColor(20, y), m.segmentColor(0));
        QCOMPARE(img.pixelColor(76, y), m.segmentColor(1));
        QCOMPARE(img.pixelColor(130, y), QColor(128, 128, 128)); // third segment unlit
        QVERIFY(m.segmentColor(0) != m.segmentColor(1));
    }

    // The meter follows typed character keys only.
    void meterFollowsTypedKeys()
    {
        Page p;
        Tggkl& g = p.open();
        QCOMPARE(g.RzMeter1->value(), 3); // full although the box is empty
        g.edt_xkl->setFocus();
        QTest::keyClicks(g.edt_xkl, QStringLiteral("ab"));
        QCOMPARE(g.RzMeter1->value(), 1);
        QTest::keyClicks(g.edt_xkl, QStringLiteral("C1"));
        QCOMPARE(g.edt_xkl->text(), QStringLiteral("abC1"));
        QCOMPARE(g.RzMeter1->value(), 3);
        QTest::keyClick(g.edt_xkl, Qt::Key_Backspace);
        QCOMPARE(g.RzMeter1->value(), 2); // "abC"
        typeChar(g.edt_xkl, QChar(u'口'));
        QCOMPARE(g.RzMeter1->value(), 2); // "abC口": five bytes
        typeChar(g.edt_xkl, QChar(u'码'));
        QCOMPARE(g.RzMeter1->value(), 3); // seven bytes
        QTest::keyClick(g.edt_xkl, Qt::Key_Backspace);
        QCOMPARE(g.RzMeter1->value(), 2);
        // Delete, a paste from the menu and Ctrl+V change the text without moving the meter.
        QTest::keyClick(g.edt_xkl, Qt::Key_Home);
        QTest::keyClick(g.edt_xkl, Qt::Key_Delete);
        QTest::keyClick(g.edt_xkl, Qt::Key_Delete);
        QCOMPARE(g.edt_xkl->text(), QStringLiteral("C口"));
        QCOMPARE(g.RzMeter1->value(), 2); // the text rates 1 now
        QGuiApplication::clipboard()->setText(QStringLiteral("12345"));
        g.edt_xkl->paste();
        QCOMPARE(g.RzMeter1->value(), 2); // the text rates 3 now
        QTest::keyClick(g.edt_xkl, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(g.edt_xkl->text(), QStringLiteral("1234512345C口"));
        QCOMPARE(g.RzMeter1->value(), 2);
        typeChar(g.edt_xkl, QLatin1Char('x'));
        QCOMPARE(g.RzMeter1->value(), 3); // the next typed key catches up
        g.edt_xkl->setText(QStringLiteral("aaaaaa"));
        QTest::keyClick(g.edt_xkl, Qt::Key_End);
        QTest::keyClick(g.edt_xkl, Qt::Key_Backspace);
        QCOMPARE(g.RzMeter1->value(), 1); // "aaaaa": five bytes, lowercase only
        // Enter moves on and leaves the meter; reset and a new show leave it too.
        QTest::keyClick(g.edt_xkl, Qt::Key_Return);
        QVERIFY(g.btn_zc->hasFocus());
        QCOMPARE(g.RzMeter1->value(), 1);
        g.btn_qxClick();
        g.hide();
        g.show();
        QCOMPARE(g.RzMeter1->value(), 1);
        QVERIFY(p.boxes.boxes.isEmpty()); // Enter did not start the change
    }

    // Old password, Enter, new password, Enter (to "修 改"), Enter: the password is changed.
    void keyboardChange()
    {
        Page p;
        Tggkl& g = p.open();
        QVERIFY(g.edt_kl->hasFocus());
        typeText(QApplication::focusWidget(), kOld + QStringLiteral("\nN3w口令\n"));
        QVERIFY(g.btn_zc->hasFocus());
        QVERIFY(p.boxes.boxes.isEmpty());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(p.boxes.texts(), QStringList{QStringLiteral("更改口令成功，请牢记新口令！")});
        QCOMPARE(p.passwords(), (QStringList{QStringLiteral("10231|N3w口令"), QStringLiteral("10232|1234")}));
        // "重 置" by the keypad's Enter.
        g.btn_qx->setFocus();
        QTest::keyClick(g.btn_qx, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(g.edt_kl->text(), QString());
        QCOMPARE(g.edt_xkl->text(), QString());
    }

    void enterChainAndReset()
    {
        Page p;
        Tggkl& g = p.open();
        QVERIFY(g.edt_kl->hasFocus());
        QTest::keyClicks(g.edt_kl, QStringLiteral("x'y"));
        QTest::keyClick(g.edt_kl, Qt::Key_Enter);
        QVERIFY(g.edt_xkl->hasFocus());
        QTest::keyClicks(g.edt_xkl, QStringLiteral("new"));
        QCOMPARE(g.edt_kl->echoMode(), QLineEdit::Password);
        QCOMPARE(g.edt_xkl->echoMode(), QLineEdit::Password);
        QTest::mouseClick(g.btn_qx, Qt::LeftButton);
        QCOMPARE(g.edt_kl->text(), QString());
        QCOMPARE(g.edt_xkl->text(), QString());
        QCOMPARE(p.passwords(), (QStringList{QStringLiteral("10231|旧 'pw"), QStringLiteral("10232|1234")}));
    }

    // The line in the suites' locale (C): the short date and the long time, no time-zone name.
    void lastChangeLine_data()
    {
        QTest::addColumn<QString>("stored"); // SQL value of tbl_dzb.zhxgklsj; "none" for no row
        QTest::addColumn<QString>("line");
        QTest::newRow("morning") << "'2026-01-05 08:00:00.000'" << kPrefix + "5 Jan 2026 08:00:00";
        QTest::newRow("one second past midnight") << "'2026-12-31 00:00:01.000'" << kPrefix + "31 Dec 2026 00:00:01";
        QTest::newRow("midnight") << "'2026-03-18 00:00:00.000'" << kPrefix + "18 Mar 2026";
        QTest::newRow("empty") << "null" << kPrefix;
        QTest::newRow("no address-book row") << "none" << QString();
    }
    void lastChangeLine()
    {
        QFETCH(QString, stored);
        QFETCH(QString, line);
        if (QLocale::system().name() != QLatin1String("C"))
            QSKIP("the expected texts are those of the C locale (LANG=C.UTF-8, as CTest runs the suite)");
        Page p(stored, stored != QStringLiteral("none"));
        StatementTrace trace;
        Tggkl& g = p.open();
        QCOMPARE(trace.texts(QStringLiteral("ADOConnection1")),
                 QStringList{QStringLiteral("select zhxgklsj from tbl_dzb \r\n where vekyhm='10231'")});
        QCOMPARE(g.Label3->text(), line);
        QVERIFY(g.edt_kl->hasFocus());
        QVERIFY(g.Label3->font().bold());
        QCOMPARE(g.Label3->font().pixelSize(), 13);
    }

    // Other workstations' regional formats: the short date and the long time as the region writes
    // them, never a time-zone name (Qt's long formats carry one, in front of the time or after it).
    void regionalFormats_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::newRow("zh_CN") << "zh_CN" << "2026/1/5 08:07:09";
        QTest::newRow("en_US") << "en_US" << "1/5/26 8:07:09 PM";
        QTest::newRow("de_DE") << "de_DE" << "05.01.26 20:07:09";
        QTest::newRow("ja_JP") << "ja_JP" << "2026/01/05 20時07分09秒";
    }
    void regionalFormats()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        const QDateTime when(QDate(2026, 1, 5), locale == QLatin1String("zh_CN") ? QTime(8, 7, 9) : QTime(20, 7, 9));
        QCOMPARE(Tggkl::dateTimeText(when, QLocale(locale)), text);
    }

    // Both boxes show "*" for each character typed.
    void passwordsShowAsterisks()
    {
        Page p;
        Tggkl& g = p.open();
        QTest::keyClicks(g.edt_kl, QStringLiteral("ab1"));
        QTest::keyClicks(g.edt_xkl, QStringLiteral("Xy9z"));
        QCOMPARE(g.edt_kl->displayText(), QStringLiteral("***"));
        QCOMPARE(g.edt_xkl->displayText(), QStringLiteral("****"));
    }

    // "弱", "中" and "强" stand under the meter's three segments, as drawn on the page: the centre of
    // each word's ink lies within two pixels of its segment's centre.
    void scaleUnderTheSegments()
    {
        Page p;
        Tggkl& g = p.open();
        auto* box = g.findChild<QWidget*>(QStringLiteral("RzGroupBox1"));
        auto* scale = g.findChild<QLabel*>(QStringLiteral("Label2"));
        QVERIFY(box && scale);
        QCOMPARE(scale->text(), QStringLiteral("弱      中      强"));
        const QImage img = box->grab().toImage();
        const QRect meter = g.RzMeter1->geometry();
        // Segments at full strength: green, yellow, red, at the meter's middle row.
        QList<double> segments;
        for (const QColor c : {QColor(0, 200, 0), QColor(240, 220, 0), QColor(230, 0, 0)}) {
            int first = -1, last = -1;
            for (int x = meter.left(); x <= meter.right(); ++x)
                if (img.pixelColor(x, meter.center().y()) == c) {
                    if (first < 0)
                        first = x;
                    last = x;
                }
            QVERIFY(first >= 0);
            segments << (first + last) / 2.0;
        }
        // The columns of the scale's rows that hold ink, in runs.
        const QRect area(meter.left() - 8, scale->geometry().top(), meter.width() + 16, scale->geometry().height());
        const QColor ground = img.pixelColor(area.left(), area.top());
        QList<QPair<int, int>> runs;
        for (int x = area.left(); x <= area.right(); ++x) {
            bool ink = false;
            for (int y = area.top(); y <= area.bottom() && !ink; ++y) {
                const QColor c = img.pixelColor(x, y);
                ink = qAbs(c.red() - ground.red()) + qAbs(c.green() - ground.green()) + qAbs(c.blue() - ground.blue()) > 90;
            }
            if (!ink)
                continue;
            if (!runs.isEmpty() && x - runs.last().second <= 3)
                runs.last().second = x;
            else
                runs.append({x, x});
        }
        QCOMPARE(runs.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const double centre = (runs[i].first + runs[i].second) / 2.0;
            QVERIFY2(qAbs(centre - segments[i]) <= 2.0,
                     qPrintable(QStringLiteral("word %1 centred at %2, its segment at %3").arg(i).arg(centre).arg(segments[i])));
        }
    }

    void change_data()
    {
        QTest::addColumn<QString>("oldPassword");
        QTest::addColumn<QString>("newPassword");
        QTest::newRow("quotes, Chinese and spaces") << kOld << "新 '口令'%";
        QTest::newRow("empty new password") << kOld << "";
        QTest::newRow("same as the old one") << kOld << kOld;
    }
    void change()
    {
        QFETCH(QString, oldPassword);
        QFETCH(QString, newPassword);
        Page p;
        ServerClock clock(QDateTime(QDate(2026, 3, 18), QTime(9, 30, 15)));
        Tggkl& g = p.open();
        const QString lineBefore = g.Label3->text();
        g.edt_kl->setText(oldPassword);
        g.edt_xkl->setText(newPassword);
        StatementTrace trace;
        QTest::mouseClick(g.btn_zc, Qt::LeftButton);
        QCOMPARE(p.boxes.texts(), QStringList{QStringLiteral("更改口令成功，请牢记新口令！")});
        QCOMPARE(p.boxes.boxes[0].caption, QStringLiteral("提示"));
        QCOMPARE(p.boxes.boxes[0].flags, 48);
        const auto lit = [](QString s) { return QLatin1Char('\'') + s.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\''); };
        QCOMPARE(trace.texts(QStringLiteral("ADOConnectionORA")),
                 (QStringList{QStringLiteral("select * from table_zd \r\n where rycode='10231'\r\n and password=") + lit(oldPassword),
                              QStringLiteral("update table_zd \r\n set password=") + lit(newPassword) +
                                  QStringLiteral("\r\n where rycode='10231'")}));
        QCOMPARE(trace.texts(QStringLiteral("ADOConnection1")),
                 QStringList{QStringLiteral("update tbl_dzb set zhxgklsj=getdate()\r\n where vekyhm='10231'")});
        QCOMPARE(p.passwords(), (QStringList{QStringLiteral("10231|") + newPassword, QStringLiteral("10232|1234")}));
        QCOMPARE(p.lastChange(), QStringLiteral("2026-03-18 09:30:15.000"));
        QCOMPARE(p.w.value(QStringLiteral("vek"), QStringLiteral("select zhxgklsj from tbl_dzb where vekyhm='10232'")),
                 QStringLiteral("<null>"));
        // The boxes keep their text; the line waits for the next show.
        QCOMPARE(g.edt_xkl->text(), newPassword);
        QCOMPARE(g.Label3->text(), lineBefore);
        g.hide();
        g.show();
        QVERIFY(g.Label3->text().startsWith(kPrefix + QLocale::system().toString(QDate(2026, 3, 18), QLocale::ShortFormat)));
    }

    void wrongOldPassword_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("oldPassword");
        QTest::newRow("wrong password") << kUser << "旧 'p";
        QTest::newRow("trailing space") << kUser << "旧 'pw ";
        QTest::newRow("shift account without a directory row") << "KPTA1" << "";
    }
    void wrongOldPassword()
    {
        QFETCH(QString, user);
        QFETCH(QString, oldPassword);
        Page p;
        p.dm->cur_user.cur_yhm = user;
        Tggkl& g = p.open();
        g.edt_kl->setText(oldPassword);
        g.edt_xkl->setText(QStringLiteral("abc"));
        g.edt_xkl->setFocus();
        StatementTrace trace;
        g.btn_zcClick();
        QCOMPARE(p.boxes.texts(), QStringList{QStringLiteral("用户名口令不正确")});
        QCOMPARE(p.boxes.boxes[0].flags, 48);
        QVERIFY(g.edt_kl->hasFocus());
        QCOMPARE(trace.statements.size(), 1); // the check only
        QCOMPARE(p.passwords(), (QStringList{QStringLiteral("10231|旧 'pw"), QStringLiteral("10232|1234")}));
        QCOMPARE(p.lastChange(), QStringLiteral("2026-01-05 08:00:00.000"));
    }

    // Two databases without a common transaction: when the time of the change cannot be recorded, the
    // stored password is set back and the failure is true; when that fails too, the new password holds
    // and the user is told it changed.
    void secondUpdateFails_data()
    {
        QTest::addColumn<bool>("undoRefused");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("password");
        QTest::newRow("set back") << false << QStringLiteral("更改口令失败！") << QStringLiteral("10231|旧 'pw");
        QTest::newRow("setting back refused") << true << QStringLiteral("更改口令成功，请牢记新口令！")
                                              << QStringLiteral("10231|Abc123");
    }
    void secondUpdateFails()
    {
        QFETCH(bool, undoRefused);
        QFETCH(QString, message);
        QFETCH(QString, password);
        Page p;
        exec(p.w, QStringLiteral("vek"), QStringLiteral(
            "create trigger no_stamp before update on tbl_dzb begin select raise(abort, 'stamp refused'); end"));
        if (undoRefused)
            exec(p.w, QStringLiteral("hr"), QStringLiteral(
                "create trigger no_undo before update on table_zd when new.password<>'Abc123' "
                "begin select raise(abort, 'refused'); end"));
        Tggkl& g = p.open();
        g.edt_kl->setText(kOld);
        g.edt_xkl->setText(QStringLiteral("Abc123"));
        StatementTrace trace;
        g.btn_zcClick();
        QCOMPARE(p.boxes.texts(), QStringList{message});
        QCOMPARE(p.boxes.boxes[0].flags, 48);
        QCOMPARE(p.passwords(), (QStringList{password, QStringLiteral("10232|1234")}));
        QCOMPARE(p.lastChange(), QStringLiteral("2026-01-05 08:00:00.000"));
        QCOMPARE(trace.texts(QStringLiteral("ADOConnectionORA")).last(),
                 QStringLiteral("update table_zd \r\n set password='旧 ''pw'\r\n where rycode='10231'"));
    }

    void firstUpdateFails()
    {
        Page p;
        exec(p.w, QStringLiteral("hr"), QStringLiteral(
            "create trigger no_change before update on table_zd begin select raise(abort, 'refused'); end"));
        Tggkl& g = p.open();
        g.edt_kl->setText(kOld);
        g.edt_xkl->setText(QStringLiteral("Abc123"));
        StatementTrace trace;
        g.btn_zcClick();
        QCOMPARE(p.boxes.texts(), QStringList{QStringLiteral("更改口令失败！")});
        QCOMPARE(trace.texts(QStringLiteral("ADOConnection1")), QStringList()); // no time recorded
        QCOMPARE(p.passwords(), (QStringList{QStringLiteral("10231|旧 'pw"), QStringLiteral("10232|1234")}));
    }

    // A failing check or last-change query shows the database's own text and leaves the page usable.
    void queryErrors()
    {
        Page p;
        p.w.sql(QStringLiteral("vek"), QStringLiteral("drop table tbl_dzb"));
        p.w.sql(QStringLiteral("hr"), QStringLiteral("drop table table_zd"));
        Tggkl& g = p.open();
        QCOMPARE(p.boxes.boxes.size(), 1);
        QVERIFY(p.boxes.boxes[0].text.contains(QStringLiteral("tbl_dzb")));
        QCOMPARE(p.boxes.boxes[0].caption, VekApplication::title());
        QCOMPARE(g.Label3->text(), QString());
        QVERIFY(g.edt_kl->hasFocus());
        g.btn_zcClick();
        QCOMPARE(p.boxes.boxes.size(), 2);
        QVERIFY(p.boxes.boxes[1].text.contains(QStringLiteral("table_zd")));
        QVERIFY(g.btn_zc->isEnabled());
    }

    void layoutAndNames()
    {
        Page p;
        Tggkl& g = p.open();
        QCOMPARE(g.objectName(), QStringLiteral("ggkl"));
        QCOMPARE(g.size(), QSize(400, 239));
        QCOMPARE(g.edt_kl->geometry(), QRect(75, 38, 152, 20));
        QCOMPARE(g.edt_xkl->geometry(), QRect(75, 78, 152, 20));
        QCOMPARE(g.RzMeter1->geometry(), QRect(74, 109, 153, 22));
        QCOMPARE(g.btn_zc->text(), QStringLiteral("修 改"));
        QCOMPARE(g.btn_qx->text(), QStringLiteral("重 置"));
        const auto name = [](QWidget* w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
        QCOMPARE(name(g.edt_kl), QStringLiteral("旧口令："));
        QCOMPARE(name(g.edt_xkl), QStringLiteral("新口令："));
        QCOMPARE(name(g.btn_zc), QStringLiteral("修 改"));
        // The tab chain: the old password, the new one, reset, change.
        QCOMPARE(g.edt_kl->nextInFocusChain(), g.edt_xkl);
    }
};

int main(int argc, char** argv)
{
    VekApplication app(argc, argv);
    TstPassword t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_password.moc"
