#include "showrequest.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace vek::platform {

ShowRequestServer::ShowRequestServer(QObject* parent) : QObject(parent), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = m_server->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                while (s->canReadLine()) {
                    if (s->readLine(64).trimmed() == "show")
                        Q_EMIT showRequested();
                }
                if (s->bytesAvailable() > 64) // not a request: drop the connection
                    s->abort();
            });
        }
    });
}

QString ShowRequestServer::socketPath()
{
#ifdef Q_OS_UNIX
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime + QStringLiteral("/vek_client.show");
    return QStringLiteral("/tmp/vek_client-%1.show").arg(::getuid());
#else
    return QStringLiteral("vek_client.show");
#endif
}

bool ShowRequestServer::listen()
{
    // The single-instance lock is held: a socket left by a crashed client can be removed.
    QLocalServer::removeServer(socketPath());
    return m_server->listen(socketPath());
}

bool ShowRequestServer::requestShow(int timeoutMs)
{
    QLocalSocket s;
    s.connectToServer(socketPath());
    if (!s.waitForConnected(timeoutMs))
        return false;
    s.write("show\n");
    s.flush();
    const bool ok = s.waitForBytesWritten(timeoutMs) || s.bytesToWrite() == 0;
    s.disconnectFromServer();
    return ok;
}

} // namespace vek::platform
