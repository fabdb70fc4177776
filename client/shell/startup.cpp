#include "startup.h"

#include "U_datamodule.h"
#include "U_main.h"
#include "accounts/U_dl.h"
#include "db/vekerror.h"
#include "fonts.h"
#include "forms.h"
#include "platform/messagebox.h"
#include "platform/singleinstance.h"
#include "settings.h"
#include "vekapplication.h"

#include <memory>

namespace vek {

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
