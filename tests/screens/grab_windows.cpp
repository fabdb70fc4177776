// Grabs every window of the client to PNG files, on the demo plant, so a person can look at them.
//   grab_windows <output folder>

#include "U_datamodule.h"
#include "U_main.h"
#include "accounts/U_dl.h"
#include "fonts.h"
#include "forms.h"
#include "accounts/U_yhxxpz.h"
#include "defects/U_jxbxq.h"
#include "navbar.h"
#include "notices/U_tctz.h"
#include "notices/U_tzll.h"
#include "notices/datagram.h"
#include "platform/messagebox.h"
#include "testworld.h"
#include "vekapplication.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QUdpSocket>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

using namespace vek;

namespace {
bool save(QWidget* w, const QString& dir, const QString& name)
{
    QTest::qWait(50);
    const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
    const bool ok = w->grab().save(path);
    qInfo("%s %s", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}
} // namespace

int main(int argc, char** argv)
{
    VekApplication app(argc, argv);
    installFontSubstitutions();
    // Absolute now: the test world below changes the working folder.
    const QString out = QDir(app.arguments().value(1, QStringLiteral("screens"))).absolutePath();
    QDir().mkpath(out);

    TestWorld world(true);
    MessageRecorder boxes; // any box is printed, never waited for
    vek::platform::setMessageBoxHandler([](const QString& text, const QString& caption, int flags) {
        qWarning("message box [%s] %s", qPrintable(caption), qPrintable(text));
        return vek::platform::defaultAnswer(flags);
    });
    vek::Settings settings = world.settings();
    {
        QUdpSocket probe; // a free port for the notices
        probe.bind(QHostAddress::AnyIPv4, 0);
        settings.port = probe.localPort();
    }
    TDataModule1 dm(settings);
    dm.setExecutablePath(QStringLiteral(VEK_BIN_DIR "/P_vekclient"));
    forms::DataModule1 = &dm;
    {
        Tmain mainWindow;
        forms::main = &mainWindow;
        Tdl dl;
        forms::dl = &dl;
        dl.show();
        save(&dl, out, QStringLiteral("login"));
        dl.edt_yhm->setText(QStringLiteral("10301"));
        dl.edt_kl->setText(QStringLiteral("1234"));
        dl.cb_cookie->setChecked(true);
        save(&dl, out, QStringLiteral("login-filled"));
        dl.btn_dlClick();
        dl.hide();

        mainWindow.show();
        save(&mainWindow, out, QStringLiteral("main"));
        mainWindow.RzGroup2Items1Click(mainWindow.RzGroupBar1->findItem(QStringLiteral("发送通知")));
        save(&mainWindow, out, QStringLiteral("main-send"));
        mainWindow.RzGroup2Items0Click(mainWindow.RzGroupBar1->findItem(QStringLiteral("通知浏览")));
        save(&mainWindow, out, QStringLiteral("main-browser-query"));
        mainWindow.RzGroup4Items0Click(mainWindow.RzGroupBar1->findItem(QStringLiteral("MIS 缺陷")));
        save(&mainWindow, out, QStringLiteral("main-defect-mis"));
        mainWindow.RzGroup4Items1Click(mainWindow.RzGroupBar1->findItem(QStringLiteral("物业缺陷")));
        save(&mainWindow, out, QStringLiteral("main-defect-property"));
        {
            Tjxbxq form;
            form.flaw_code = QStringLiteral("F2026111800031");
            form.show();
            save(&form, out, QStringLiteral("defect-elimination"));
        }
        mainWindow.RzGroup1Items0Click(mainWindow.RzGroupBar1->findItem(QStringLiteral("MIS口令更改")));
        save(&mainWindow, out, QStringLiteral("main-password"));
        {
            Tyhxxpz staff(&mainWindow);
            staff.show();
            save(&staff, out, QStringLiteral("staff-configuration"));
        }
        mainWindow.RzGroup2Items0Click(mainWindow.RzGroupBar1->findItem(QStringLiteral("通知浏览")));
        mainWindow.tzll->N1Click();
        mainWindow.tzll->RzEdit1->setText(QStringLiteral("收到，马上处理。"));
        save(&mainWindow, out, QStringLiteral("main-browser-reply"));
        mainWindow.IdUDPServerUDPRead(notices::showDatagram(QStringLiteral("通知"), QStringLiteral("消息"),
                                                            QStringLiteral("请于明天上午9点到2号机组现场确认给水泵检修结果。")));
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* popup = qobject_cast<Ttctz*>(w); popup && popup->isVisible())
                save(popup, out, QStringLiteral("popup"));
        app.destroyOwned();
        forms::dl = nullptr;
        forms::main = nullptr;
    }
    forms::DataModule1 = nullptr;
    return 0;
}
