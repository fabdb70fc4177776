// Performs the upgrade hand-over from its own folder, inside a running event loop, as the client
// does. Exit code 0 after a hand-over, 3 when the updater could not be started.

#include "U_datamodule.h"
#include "forms.h"
#include "settings.h"
#include "vekapplication.h"
#include "version.h"

#include <QTimer>

int main(int argc, char** argv)
{
    vek::VekApplication app(argc, argv);
    vek::TDataModule1 dm(vek::Settings::load());
    vek::forms::DataModule1 = &dm;
    QTimer::singleShot(0, &app, [&] {
        if (!vek::upgradeHandover(dm))
            app.requestEnd(3);
    });
    app.exec();
    return app.exitCode();
}
