#include "xserver.h"

#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTest>

namespace {
// Runs xdotool; every line of its output goes to `lines`.
bool xdotoolLines(const QString& display, const QStringList& args, QStringList* lines)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("xdotool"), args);
    if (!p.waitForFinished(20000))
        return false;
    if (lines)
        *lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
} // namespace

bool xdotool(const QString& display, const QStringList& args, QString* out)
{
    QStringList lines;
    const bool ok = xdotoolLines(display, args, &lines);
    if (out)
        *out = lines.value(0).trimmed();
    return ok;
}

Xvfb::Xvfb(const QString& geometry, int firstDisplay)
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        return;
    for (int n = firstDisplay; n < firstDisplay + 30 && display.isEmpty(); ++n) {
        if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)) || QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
            continue;
        // Its messages are thrown away: a pipe nobody reads would fill and stall the server.
        server.setStandardOutputFile(QProcess::nullDevice());
        server.setStandardErrorFile(QProcess::nullDevice());
        server.start(QStringLiteral("Xvfb"), {QStringLiteral(":%1").arg(n), QStringLiteral("-screen"), QStringLiteral("0"), geometry,
                                              QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!server.waitForStarted(5000))
            return;
        // Ready once a client can talk to it; a server that cannot take the display ends.
        const QString candidate = QStringLiteral(":%1").arg(n);
        if (QTest::qWaitFor([&] { return server.state() != QProcess::Running ||
                                         xdotool(candidate, {QStringLiteral("getdisplaygeometry")}); }, 5000) &&
            server.state() == QProcess::Running)
            display = candidate;
        else if (server.state() != QProcess::NotRunning) {
            server.kill();
            server.waitForFinished(2000);
        }
    }
}

Xvfb::~Xvfb()
{
    if (server.state() != QProcess::NotRunning) {
        server.terminate();
        server.waitForFinished(5000);
    }
}

QString Xvfb::waitForWindow(const QString& name, int ms) const
{
    QString id;
    if (!QTest::qWaitFor([&] {
            return xdotool(display, {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), name}, &id) &&
                   !id.isEmpty();
        }, ms))
        id.clear();
    return id;
}

QString Xvfb::waitForWindowOf(const QString& program, int ms) const
{
    const QString wanted = QFileInfo(program).canonicalFilePath();
    QString found;
    (void)QTest::qWaitFor([&] {
        QStringList windows;
        if (!xdotoolLines(display, {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), QStringLiteral(".")},
                          &windows))
            return false;
        for (const QString& window : windows) {
            QString pid;
            if (xdotool(display, {QStringLiteral("getwindowpid"), window.trimmed()}, &pid) &&
                QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).canonicalFilePath() == wanted) {
                found = window.trimmed();
                return true;
            }
        }
        return false;
    }, ms);
    return found;
}

bool Xvfb::grab(const QString& pngFile) const
{
    QProcess p;
    p.start(QStringLiteral("import"), {QStringLiteral("-display"), display, QStringLiteral("-window"), QStringLiteral("root"), pngFile});
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
