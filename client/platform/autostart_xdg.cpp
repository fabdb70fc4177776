#include "autostart.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace vek::platform {

QString autostartEntryPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart/vekora.desktop");
}

bool setAutostart(const QString& programPath)
{
    const QString path = autostartEntryPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Exec takes a quoted path: backslash, quote, backtick and dollar are escaped inside the quotes,
    // and the value as a whole escapes its backslashes once more.
    QString quoted;
    for (QChar c : programPath) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    const QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=Vekora\nName[zh_CN]=Vekora客户端\n"
                                        "Exec=\"%1\"\nX-GNOME-Autostart-enabled=true\n")
                             .arg(quoted);
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = text.toUtf8();
    return f.write(bytes) == bytes.size() && f.commit();
}

} // namespace vek::platform
