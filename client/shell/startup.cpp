#include "startup.h"

#include "U_datamodule.h"
#include "U_main.h"
#include "accounts/U_dl.h"
#include "db/vekerror.h"
#include "fonts.h"
#include "forms.h"
#include "platform/messagebox.h"
#include "platform/sessionend.h"
#include "platform/singleinstance.h"
#include "settings.h"
#include "vekapplication.h"

#include <QSqlQuery>

#include <cstdlib>
#include <memory>

namespace vek {

namespace {

// Qt ends the process with exit() when the connection to the display breaks; the user must not go
// on looking online to the senders. Nothing may be shown any more, only the address is cleared.
void leaveQuietlyAtExit()
{
    if (forms::main && forms::DataModule1)
        forms::main->leaveWorkstation(true);
}

} // namespace

int runClient(int argc, char** argv)
{
    VekApplication app(argc, argv);

    // One client per desktop; the running copy is not disturbed.
    const std::unique_ptr<platform::SingleInstance> guard = platform::createSingleInstance();
    switch (guard->acquire(QStringLiteral("vek_client"))) {
    case platform::SingleInstance::Result::Acquired:
        break;
    case platform::SingleInstance::Result::AlreadyRunning:
        platform::tip(QStringLiteral("程序已经运行，请在托盘中打开！"));
        return 0;
    case platform::SingleInstance::Result::Failed:
        // Unguarded, a second copy would fight this one for the notice port and the tray.
        showDefaultError(guard->errorString());
        return 1;
    }

    installFontSubstitutions();

    Settings settings;
    try {
        settings = Settings::load();
    } catch (const VekError& e) {
        showDefaultError(e.message());
        return 1;
    }

    auto dataModule = std::make_unique<TDataModule1>(settings);
    forms::DataModule1 = dataModule.get();

    std::unique_ptr<Tmain> mainWindow;
    try {
        mainWindow = std::make_unique<Tmain>();
    } catch (const VekError& e) {
        showDefaultError(e.message());
        forms::DataModule1 = nullptr;
        return 1;
    }
    forms::main = mainWindow.get();

    // A log-out or shutdown ends the client as "退出" does; so does the loss of the display.
    platform::watchSessionEnd([&app] {
        if (forms::main)
            forms::main->leaveWorkstation(false);
        app.requestEnd(0);
    });
    // Handlers registered with atexit run before the destructors of the statics constructed earlier:
    // the query machinery's own statics are made now, so that they are still there for it.
    {
        QSqlQuery warmUp;
    }
    static const bool atExitRegistered = std::atexit(leaveQuietlyAtExit) == 0;
    Q_UNUSED(atExitRegistered);

    auto* dl = new Tdl;
    app.own(dl);
    forms::dl = dl;

    const int result = dl->exec();
    if (!app.endRequested()) {
        if (result == QDialog::Accepted || result == Tdl::BoundWorkstation) {
            mainWindow->show();
            dl->close();
            app.exec();
        }
    }

    // Teardown, last created first: pages and dialogs, then the main window, then the data module,
    // whose main catalog the main window still needs.
    app.destroyOwned();
    forms::dl = nullptr;
    mainWindow.reset();
    forms::main = nullptr;
    dataModule.reset();
    forms::DataModule1 = nullptr;
    return app.exitCode();
}

} // namespace vek
