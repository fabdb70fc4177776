#include "autostart.h"

#include <QDir>
#include <QSettings>

namespace vek::platform {

QString autostartEntryPath()
{
    return QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\Vekora");
}

bool setAutostart(const QString& programPath)
{
    QSettings run(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"),
                  QSettings::NativeFormat);
    run.setValue(QStringLiteral("Vekora"), QDir::toNativeSeparators(programPath));
    run.sync();
    return run.status() == QSettings::NoError;
}

} // namespace vek::platform
