#include "version.h"

#include "U_datamodule.h"
#include "db/vekerror.h"
#include "platform/messagebox.h"
#include "platform/system.h"
#include "vekapplication.h"

#include <QCoreApplication>
#include <QDir>

namespace vek {

QStringList splitVersion(const QString& version)
{
    QString rest = version;
    QStringList parts;
    for (int i = 0; i < 3; ++i) {
        const qsizetype dot = rest.indexOf(QLatin1Char('.'));
        // Up to the dot; with no dot the part is empty and the remainder stays as it is.
        parts << (dot < 0 ? QString() : rest.left(dot));
        if (dot >= 0)
            rest.remove(0, dot + 1);
    }
    parts << rest;
    return parts;
}

namespace {
int toInt(const QString& s)
{
    bool ok = false;
    const int v = s.toInt(&ok, 10);
    if (!ok || s.isEmpty() || s.at(0).isSpace() || s.back().isSpace())
        throw VekError(QStringLiteral("'%1' is not a valid integer value").arg(s));
    return v;
}
} // namespace

bool versionIsNewer(const QString& running, const QString& announced)
{
    const QStringList mine = splitVersion(running);
    const QStringList theirs = splitVersion(announced);
    for (int i = 0; i < 4; ++i) {
        const int a = toInt(mine[i]);
        const int b = toInt(theirs[i]);
        if (a < b)
            return true;
        if (a > b)
            return false;
    }
    return false;
}

QString updaterPath()
{
#ifdef Q_OS_WIN
    const QString name = QStringLiteral("p_vekupd.exe");
#else
    const QString name = QStringLiteral("p_vekupd");
#endif
    return QDir::cleanPath(QCoreApplication::applicationDirPath()) + QLatin1Char('/') + name;
}

bool upgradeHandover(TDataModule1& dataModule)
{
    const QString path = updaterPath();
    if (!platform::startProgram(path)) {
        platform::tip(QStringLiteral("无法启动升级程序 %1，请与维护人员联系！").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    dataModule.disconnectall();
    if (VekApplication* app = VekApplication::instance())
        app->requestUpgradeEnd();
    else
        QCoreApplication::exit(0);
    return true;
}

} // namespace vek
