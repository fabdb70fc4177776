// One workstation of the plant simulation: the client's own start-up, windows and notice port, plus a
// control line on standard input through which the simulation acts as the user would (typing into
// the boxes, clicking buttons and navigation items, double-clicking rows). Standard output reports what
// the user sees: every pop-up and message box as it appears.
//
// Input, one command per line, fields separated by tabs:
//   clock <yyyy-MM-ddTHH:mm:ss>      the database server's clock as this workstation sees it
//   login <user> <password>          types into the login dialog, Enter after each
//   nav <item>                       clicks a navigation item (it must be visible)
//   choose <name>                    send page: selects the address-book entry and clicks ">>"
//   subject <text>                   send page: types the subject
//   send                             send page: clicks "发 送"
//   query <system> <read>            browser: picks the two filters (by index) and clicks "查 询"
//   rows                             browser: the rows of the grid
//   read <row>                       browser: double-clicks a row (1-based)
//   reply <row> <text>               browser: "回    复" on a row, types the answer, Enter
//   eliminate <row>                  browser: "设备管理消缺" on a row; answers when the form is up
//   eliminator <staff no> <note>     elimination form: types both, clicks its button
//   close                            closes the open modal window
//   report <staff no> <tel> <address> <description> [<computer model> <system index>]
//                                    the defect page shown: fills it in, saves
//   password <old> <new>             password page: types both, clicks its button
//   vercheck                         one tick of the periodic version check
//   upgrade                          clicks "升 级" on the upgrade prompt
// Output: "ok<TAB>..." or "err<TAB>reason" per command, in order; and at any time
//   popup<TAB>caption<TAB>heading<TAB>body,  box<TAB>caption<TAB>text,  main<TAB>shown.
// Tabs, line breaks and backslashes inside a field are written as \t, \n, \r and \\.

#include "U_main.h"
#include "U_sjts.h"
#include "accounts/U_dl.h"
#include "accounts/U_zc.h"
#include "db/sqlitecompat.h"
#include "defects/U_bq.h"
#include "defects/U_bq_mis.h"
#include "defects/U_jxbxq.h"
#include "forms.h"
#include "navbar.h"
#include "notices/U_fstz.h"
#include "notices/U_tctz.h"
#include "notices/U_tzll.h"
#include "platform/messagebox.h"
#include "shell/startup.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <unistd.h>

using namespace vek;

namespace {

QString escaped(QString s)
{
    s.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    s.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    s.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    s.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return s;
}

void report(const QStringList& fields)
{
    QStringList out;
    for (const QString& f : fields)
        out << escaped(f);
    const QByteArray line = out.join(QLatin1Char('\t')).toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

// Types text as a person would: Latin characters as key strokes, everything else (Chinese) the way an
// input method hands it over, as a committed string.
void type(QWidget* w, const QString& text)
{
    w->setFocus(Qt::OtherFocusReason);
    QString run;
    auto flushRun = [&] {
        if (run.isEmpty())
            return;
        QInputMethodEvent commit;
        commit.setCommitString(run);
        QApplication::sendEvent(w, &commit);
        run.clear();
    };
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7f) {
            flushRun();
            QTest::keyClick(w, char(c.unicode()));
        } else {
            run += c;
        }
    }
    flushRun();
}

void click(QWidget* w)
{
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
}

class Station : public QObject {
public:
    Station()
    {
        m_input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(m_input, &QSocketNotifier::activated, this, [this] { readInput(); });
        qApp->installEventFilter(this);
        platform::setMessageBoxHandler([](const QString& text, const QString& caption, int flags) {
            report({QStringLiteral("box"), caption, text});
            return platform::defaultAnswer(flags);
        });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show || !watched->isWidgetType())
            return false;
        if (auto* popup = qobject_cast<Ttctz*>(watched)) {
            // The texts are filled in right after the window is shown.
            QPointer<Ttctz> p(popup);
            QTimer::singleShot(0, this, [p] {
                if (p)
                    report({QStringLiteral("popup"), p->windowTitle(), p->Panel1->text(), p->Memo1->toPlainText()});
            });
        } else if (qobject_cast<Tmain*>(watched)) {
            report({QStringLiteral("main"), QStringLiteral("shown")});
        } else if (m_awaitModal && (qobject_cast<Tjxbxq*>(watched) || qobject_cast<Tsjts*>(watched))) {
            m_awaitModal = false;
            QTimer::singleShot(0, this, [this] { finish({QStringLiteral("ok"), QStringLiteral("open")}); });
        }
        return false;
    }

private:
    void readInput()
    {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            // The simulation has gone: so does the workstation.
            m_input->setEnabled(false);
            std::fflush(stdout);
            ::_exit(0);
        }
        m_pending.append(buffer, n);
        next();
    }

    // Commands run one after another from the event loop, never inside each other: a command that
    // opens a modal window answers once the window is up and the next command runs inside its loop.
    void next()
    {
        if (m_busy)
            return;
        const qsizetype eol = m_pending.indexOf('\n');
        if (eol < 0)
            return;
        const QString line = QString::fromUtf8(m_pending.left(eol));
        m_pending.remove(0, eol + 1);
        m_busy = true;
        QTimer::singleShot(0, this, [this, line] { run(line.split(QLatin1Char('\t'))); });
    }

    void finish(const QStringList& reply)
    {
        report(reply);
        m_busy = false;
        QTimer::singleShot(0, this, [this] { next(); });
    }

    void fail(const QString& why) { finish({QStringLiteral("err"), why}); }

    Ttzll* browser() const { return forms::main ? forms::main->tzll.data() : nullptr; }

    // Clicks on a row of the browser's grid (1-based); false when there is no such row.
    bool pickRow(Ttzll* b, int row)
    {
        if (row < 1 || row > b->RzDBGrid1->rowCount())
            return false;
        b->RzDBGrid1->scrollToItem(b->RzDBGrid1->item(row - 1, 0));
        const QRect cell = b->RzDBGrid1->visualRect(b->RzDBGrid1->model()->index(row - 1, 0));
        QTest::mouseClick(b->RzDBGrid1->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        return b->currentRecord() == row;
    }

    QStringList gridRows(Ttzll* b) const
    {
        QStringList rows;
        for (int r = 0; r < b->RzDBGrid1->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < b->RzDBGrid1->columnCount(); ++c)
                cells << (b->RzDBGrid1->item(r, c) ? b->RzDBGrid1->item(r, c)->text() : QString());
            rows << cells.join(QStringLiteral(" | "));
        }
        return rows;
    }

    void run(const QStringList& f)
    {
        const QString& cmd = f.value(0);
        const auto arg = [&](int i) { return f.value(i); };

        if (cmd == QLatin1String("clock")) {
            const QDateTime now = QDateTime::fromString(arg(1), Qt::ISODate);
            if (!now.isValid())
                return fail(QStringLiteral("bad time"));
            db::sqlitecompat::setServerClock([now] { return now; });
            return finish({QStringLiteral("ok")});
        }
        if (cmd == QLatin1String("login")) {
            Tdl* dl = forms::dl;
            if (!dl || !dl->isVisible())
                return fail(QStringLiteral("no login dialog"));
            type(dl->edt_yhm, arg(1));
            QTest::keyClick(dl->edt_yhm, Qt::Key_Return);
            type(dl->edt_kl, arg(2));
            QTest::keyClick(dl->edt_kl, Qt::Key_Return);
            return finish({QStringLiteral("ok")});
        }
        if (!forms::main)
            return fail(QStringLiteral("no main window"));

        if (cmd == QLatin1String("nav")) {
            QToolButton* item = forms::main->RzGroupBar1->findItem(arg(1));
            if (!item || !item->isVisible())
                return fail(QStringLiteral("no visible item ") + arg(1));
            click(item);
            return finish({QStringLiteral("ok"), forms::main->pt_title->text()});
        }
        if (cmd == QLatin1String("choose") || cmd == QLatin1String("subject") || cmd == QLatin1String("send")) {
            auto* page = qobject_cast<Tfstz*>(forms::main->fstz.data());
            if (!page || !page->isVisible())
                return fail(QStringLiteral("the send page is not shown"));
            if (cmd == QLatin1String("choose")) {
                const auto found = page->TreeView1->findItems(arg(1), Qt::MatchExactly | Qt::MatchRecursive);
                if (found.isEmpty())
                    return fail(QStringLiteral("not in the address book: ") + arg(1));
                page->TreeView1->scrollToItem(found.first());
                const QRect r = page->TreeView1->visualItemRect(found.first());
                QTest::mouseClick(page->TreeView1->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
                click(page->Button1);
                QStringList chosen;
                for (int i = 0; i < page->ListBox1->count(); ++i)
                    chosen << page->ListBox1->item(i)->text();
                return finish({QStringLiteral("ok"), chosen.join(QLatin1Char(','))});
            }
            if (cmd == QLatin1String("subject")) {
                page->edt_zt->clear();
                type(page->edt_zt, arg(1));
                return finish({QStringLiteral("ok")});
            }
            click(page->Button3);
            if (!page->isSending())
                return finish({QStringLiteral("ok")});
            // The datagrams go out from the event loop: the command ends with the send's result.
            auto* done = new QObject(this);
            auto answer = [this, done](const QStringList& reply) {
                if (done->property("answered").toBool())
                    return;
                done->setProperty("answered", true);
                done->deleteLater();
                finish(reply);
            };
            connect(page, &Tfstz::sendEnded, done, [answer] { answer({QStringLiteral("ok")}); });
            connect(page, &QObject::destroyed, done, [answer] {
                answer({QStringLiteral("err"), QStringLiteral("the send page went away during the send")});
            });
            return;
        }
        if (cmd == QLatin1String("query") || cmd == QLatin1String("rows") || cmd == QLatin1String("read") ||
            cmd == QLatin1String("reply") || cmd == QLatin1String("eliminate")) {
            Ttzll* b = browser();
            if (!b || !b->isVisible())
                return fail(QStringLiteral("the browser is not shown"));
            if (cmd == QLatin1String("query")) {
                b->cbb_xt->setCurrentIndex(arg(1).toInt());
                b->cbb_yd->setCurrentIndex(arg(2).toInt());
                click(b->Button3);
            }
            if (cmd == QLatin1String("query") || cmd == QLatin1String("rows"))
                return finish(QStringList{QStringLiteral("ok")} + gridRows(b));
            const int row = arg(1).toInt();
            if (!pickRow(b, row))
                return fail(QStringLiteral("no row %1").arg(row));
            if (cmd == QLatin1String("read")) {
                const QRect cell = b->RzDBGrid1->visualRect(b->RzDBGrid1->model()->index(row - 1, 0));
                QTest::mouseDClick(b->RzDBGrid1->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
                return finish(QStringList{QStringLiteral("ok")} + gridRows(b));
            }
            if (cmd == QLatin1String("reply")) {
                b->N1->trigger();
                if (!b->RzEdit1->isVisible())
                    return fail(QStringLiteral("no reply band"));
                b->RzEdit1->clear();
                type(b->RzEdit1, arg(2));
                QTest::keyClick(b->RzEdit1, Qt::Key_Return);
                return finish({QStringLiteral("ok")});
            }
            // The form is modal: it is opened from the event loop, and the answer comes once it shows.
            m_awaitModal = true;
            QPointer<Ttzll> p(b);
            QTimer::singleShot(0, this, [this, p] {
                if (p)
                    p->N3->trigger();
                if (m_awaitModal) { // nothing opened
                    m_awaitModal = false;
                    fail(QStringLiteral("no elimination form"));
                }
            });
            return;
        }
        if (cmd == QLatin1String("eliminator")) {
            auto* form = qobject_cast<Tjxbxq*>(QApplication::activeModalWidget());
            if (!form)
                return fail(QStringLiteral("no elimination form"));
            type(form->edt_xqr, arg(1));
            type(form->edt_xqsm, arg(2));
            if (!form->Button1->isEnabled())
                return fail(QStringLiteral("the form's button is disabled"));
            click(form->Button1);
            return finish({QStringLiteral("ok")});
        }
        if (cmd == QLatin1String("close")) {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal)
                return fail(QStringLiteral("no modal window"));
            modal->close();
            return finish({QStringLiteral("ok")});
        }
        if (cmd == QLatin1String("report")) {
            TBQ_base* page = nullptr;
            for (QWidget* w : {forms::main->BQ_MIS.data(), forms::main->BQ_WY.data(), forms::main->BQ_TX.data()})
                if (auto* p = qobject_cast<TBQ_base*>(w); p && p->isVisible())
                    page = p;
            if (!page)
                return fail(QStringLiteral("no defect page is shown"));
            page->edt_gh->clear();
            type(page->edt_gh, arg(1));
            QTest::keyClick(page->edt_gh, Qt::Key_Return);
            type(page->edt_dh, arg(2));
            type(page->edt_dz, arg(3));
            type(page->mm_ms, arg(4));
            if (auto* mis = qobject_cast<TBQ_MIS*>(page)) { // the computer's model and system, when given
                if (!arg(5).isEmpty()) {
                    mis->cbb_ppxh->lineEdit()->clear();
                    type(mis->cbb_ppxh->lineEdit(), arg(5));
                }
                if (QAbstractButton* system = mis->rdg_xtButtons->button(arg(6).toInt()); system && !arg(6).isEmpty())
                    click(system);
            }
            const QStringList lookedUp{page->edt_xm->text(), page->edt_bm->text()}; // cleared by a saved report
            click(page->btn_save);
            return finish(QStringList{QStringLiteral("ok")} + lookedUp);
        }
        if (cmd == QLatin1String("password")) {
            auto* page = qobject_cast<Tggkl*>(forms::main->ggkl.data());
            if (!page || !page->isVisible())
                return fail(QStringLiteral("the password page is not shown"));
            type(page->edt_kl, arg(1));
            type(page->edt_xkl, arg(2));
            click(page->btn_zc);
            return finish({QStringLiteral("ok")});
        }
        if (cmd == QLatin1String("vercheck")) {
            m_awaitModal = true;
            QTimer::singleShot(0, this, [this] {
                Timer_vercheckTimer();
                if (m_awaitModal) {
                    m_awaitModal = false;
                    finish({QStringLiteral("ok"), QStringLiteral("no prompt")});
                }
            });
            return;
        }
        if (cmd == QLatin1String("upgrade")) {
            if (!forms::sjts || !forms::sjts->isVisible())
                return fail(QStringLiteral("no upgrade prompt"));
            const auto buttons = forms::sjts->findChildren<QPushButton*>();
            if (buttons.isEmpty())
                return fail(QStringLiteral("the prompt has no button"));
            report({QStringLiteral("ok"), buttons.first()->text()});
            m_busy = false;
            click(buttons.first()); // hands over and ends the program
            return;
        }
        fail(QStringLiteral("unknown command ") + cmd);
    }

    QSocketNotifier* m_input = nullptr;
    QByteArray m_pending;
    bool m_busy = false;
    bool m_awaitModal = false;
};

// Set up once the application object exists, from its first turn of the event loop (the login dialog's).
void startStation()
{
    QTimer::singleShot(0, qApp, [] { (new Station)->setParent(qApp); });
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(startStation)

int main(int argc, char** argv)
{
    return runClient(argc, argv);
}
