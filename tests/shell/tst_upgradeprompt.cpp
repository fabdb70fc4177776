// The periodic version check and its upgrade prompt: shown once however many ticks find a newer
// version, over the login dialog, without title-bar buttons; its button hands over to the updater and
// ends the process with exit code 0 (checked on a copy of this program run with --prompt-probe).

#include "U_datamodule.h"
#include "U_sjts.h"
#include "accounts/U_dl.h"
#include "db/vekerror.h"
#include "forms.h"
#include "settings.h"
#include "testworld.h"
#include "ui_U_sjts.h"
#include "vekapplication.h"

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace vek;

namespace {

QList<Tsjts*> prompts()
{
    QList<Tsjts*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<Tsjts*>(w))
            found << p;
    return found;
}

// Runs `inside` once the prompt is the active modal window, then lets the caller's tick return by
// ending the prompt as the test (not the user) can. Returns false when no prompt came up.
bool whilePromptOpen(const std::function<void(Tsjts*)>& inside)
{
    bool opened = false;
    auto* poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
        if (auto* p = qobject_cast<Tsjts*>(QApplication::activeModalWidget())) {
            poll->stop();
            opened = true;
            inside(p);
            p->done(0);
        }
    });
    poll->start();
    QTimer::singleShot(3000, poll, [poll] { poll->stop(); });
    Timer_vercheckTimer();
    delete poll;
    return opened;
}

struct Client {
    TestWorld w;
    std::unique_ptr<TDataModule1> dm;
    explicit Client(const QString& announced)
    {
        if (!announced.isEmpty())
            w.sql(QStringLiteral("vek"), QStringLiteral("insert into tbl_sys(yhm,kl) values('softvercheck','%1')").arg(announced));
        dm = std::make_unique<TDataModule1>(w.settings());
        dm->setExecutablePath(QStringLiteral(VEK_BIN_DIR "/P_vekclient")); // version 2.1.2.7
        forms::DataModule1 = dm.get();
    }
    ~Client()
    {
        delete forms::sjts; // a new run of the client starts without a prompt
        forms::sjts = nullptr;
        forms::DataModule1 = nullptr;
    }
};

// --prompt-probe: a client whose first tick finds a newer version and whose user presses "升 级".
int promptProbe(int argc, char** argv)
{
    VekApplication app(argc, argv);
    TDataModule1 dm(Settings::load());
    dm.setExecutablePath(QStringLiteral(VEK_BIN_DIR "/P_vekclient"));
    forms::DataModule1 = &dm;
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        if (auto* p = qobject_cast<Tsjts*>(QApplication::activeModalWidget()))
            QTest::mouseClick(p->ui->button1, Qt::LeftButton);
    });
    press.start(50);
    QTimer::singleShot(0, &app, [] { Timer_vercheckTimer(); });
    QTimer::singleShot(20000, &app, [&] { app.requestEnd(9); });
    app.exec();
    return app.exitCode();
}

} // namespace

class TstUpgradePrompt : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void promptLooksAsDesigned()
    {
        Client c(QStringLiteral("2.1.2.8"));
        const bool opened = whilePromptOpen([](Tsjts* p) {
            QCOMPARE(p->windowTitle(), QStringLiteral("提示"));
            QCOMPARE(p->size(), QSize(321, 153));
            const Qt::WindowFlags f = p->windowFlags();
            QVERIFY(f & Qt::CustomizeWindowHint);
            QVERIFY(f & Qt::WindowTitleHint);
            QVERIFY(!(f & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                           Qt::WindowContextHelpButtonHint)));
            QVERIFY(p->isModal());
            const QRect screen = QGuiApplication::primaryScreen()->geometry();
            QVERIFY((p->frameGeometry().center() - screen.center()).manhattanLength() <= 2);
            QCOMPARE(p->ui->Panel1->height(), 25);
            QCOMPARE(p->ui->Label2->text(), QStringLiteral("升级提示"));
            QVERIFY(p->ui->Label2->font().bold());
            QCOMPARE(p->ui->Label1->text(), QStringLiteral("该程序有新版本，请升级！"));
            QVERIFY(p->ui->Label1->font().bold());
            QCOMPARE(p->ui->Label1->font().pixelSize(), 16);
            QCOMPARE(p->ui->Label1->palette().color(QPalette::WindowText), QColor(255, 0, 128));
            QCOMPARE(p->findChildren<QPushButton*>().size(), 1);
            QCOMPARE(p->ui->button1->text(), QStringLiteral("升 级"));
            // Neither Esc nor a close request ends it.
            QTest::keyClick(p, Qt::Key_Escape);
            p->close();
            QVERIFY(p->isVisible());
        });
        QVERIFY(opened);
    }

    // The updater missing beside the client: the user is told and the prompt closes, so the client
    // stays usable.
    void buttonWithoutUpdaterClosesThePrompt()
    {
        Client c(QStringLiteral("2.1.2.8"));
        MessageRecorder boxes;
        bool closedByButton = false;
        QVERIFY(whilePromptOpen([&](Tsjts* p) {
            p->ui->button1->click();
            closedByButton = !p->isVisible();
        }));
        QVERIFY(closedByButton);
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY2(boxes.boxes[0].text.contains(QStringLiteral("p_vekupd")), qPrintable(boxes.boxes[0].text));
        QVERIFY(!VekApplication::instance()->endRequested());
    }

    void shownOnceHoweverManyTicks()
    {
        Client c(QStringLiteral("2.1.2.8"));
        int promptsDuringSecondTick = -1;
        QVERIFY(whilePromptOpen([&](Tsjts*) {
            Timer_vercheckTimer(); // a tick while the prompt is open
            promptsDuringSecondTick = int(prompts().size());
        }));
        QCOMPARE(promptsDuringSecondTick, 1);
        Tsjts* first = forms::sjts;
        QVERIFY(first);
        for (int i = 0; i < 3; ++i)
            QVERIFY(!whilePromptOpen([](Tsjts*) {}));
        QCOMPARE(forms::sjts, first);
        QCOMPARE(prompts().size(), 1);
    }

    void noPromptWithoutANewerVersion_data()
    {
        QTest::addColumn<QString>("announced");
        QTest::newRow("same version") << QStringLiteral("2.1.2.7");
        QTest::newRow("older version") << QStringLiteral("2.0.9.9");
        QTest::newRow("nothing announced") << QString();
    }
    void noPromptWithoutANewerVersion()
    {
        QFETCH(QString, announced);
        Client c(announced);
        QVERIFY(!whilePromptOpen([](Tsjts*) {}));
        QVERIFY(!forms::sjts);
        QVERIFY(prompts().isEmpty());
    }

    void checkErrorsReachTheCaller()
    {
        Client c(QStringLiteral("2.1.2"));
        QVERIFY_THROWS_EXCEPTION(VekError, Timer_vercheckTimer());
        QVERIFY(!forms::sjts);
    }

    void shownOverTheLoginDialog()
    {
        Client c(QStringLiteral("2.1.2.8"));
        Tdl dl;
        dl.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dl));
        QVERIFY(whilePromptOpen([&](Tsjts* p) {
            QVERIFY(dl.isVisible());
            QVERIFY(p->isVisible());
            QCOMPARE(QApplication::activeModalWidget(), p);
            // The login dialog does not take input while the prompt is open.
            QVERIFY(QApplication::activeWindow() == p || !QApplication::activeWindow());
            QVERIFY(!dl.isActiveWindow());
        }));
    }

    void buttonStartsTheUpdaterAndEnds()
    {
        TestWorld w;
        w.sql(QStringLiteral("vek"), QStringLiteral("insert into tbl_sys(yhm,kl) values('softvercheck','2.1.2.8')"));
        const QString folder = w.dir() + QStringLiteral("/bin");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), folder + QStringLiteral("/P_vekclient")));
        {
            QFile updater(folder + QStringLiteral("/p_vekupd"));
            QVERIFY(updater.open(QIODevice::WriteOnly));
            updater.write("#!/bin/sh\necho started > \"$(dirname \"$0\")/updater-ran\"\n");
            updater.close();
            updater.setPermissions(updater.permissions() | QFileDevice::ExeOwner);
        }
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("VEKORA_CONFIG"), w.writeIni());
        env.insert(QStringLiteral("VEKORA_MESSAGE_LOG"), w.dir() + QStringLiteral("/boxes.log"));
        p.setProcessEnvironment(env);
        p.start(folder + QStringLiteral("/P_vekclient"), {QStringLiteral("--prompt-probe")});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(folder + QStringLiteral("/updater-ran")); }, 5000));
        QVERIFY(!QFile::exists(w.dir() + QStringLiteral("/boxes.log")));
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--prompt-probe") == 0)
        return promptProbe(1, argv);
    VekApplication app(argc, argv);
    TstUpgradePrompt t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_upgradeprompt.moc"
