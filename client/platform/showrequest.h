#pragma once

#include <QObject>

class QLocalServer;

namespace vek::platform {

// The show-request entry for other programs (the window message 1223 on Windows): a local socket per
// user that accepts the line "show".
class ShowRequestServer : public QObject {
    Q_OBJECT
public:
    explicit ShowRequestServer(QObject* parent = nullptr);
    bool listen();
    static QString socketPath();
    // Sends "show" to a running client; false when none listens.
    static bool requestShow(int timeoutMs = 2000);

Q_SIGNALS:
    void showRequested();

private:
    QLocalServer* m_server;
};

} // namespace vek::platform
