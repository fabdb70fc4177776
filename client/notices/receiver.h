#pragma once

#include <QByteArray>
#include <QObject>
#include <QThread>

class QUdpSocket;

namespace vek::notices {

// The notice receiver (IdUDPServer): a UDP socket bound on all IPv4 addresses, read on a listener
// thread of its own, that hands every datagram of at most 8192 bytes to the user-interface thread in
// arrival order. A burst is therefore drained from the system's buffer while windows are being built.
class NoticeReceiver : public QObject {
    Q_OBJECT
public:
    explicit NoticeReceiver(QObject* parent = nullptr);
    ~NoticeReceiver() override;

    // Binds the port (never shared: a second program must not silently take the datagrams) and starts
    // listening; false with errorString() when the port cannot be bound.
    bool listen(quint16 port);
    bool isListening() const { return m_listening; }
    quint16 port() const { return m_port; }
    QString errorString() const { return m_error; }

Q_SIGNALS:
    // Emitted on the user-interface thread, one datagram at a time.
    void datagramReceived(const QByteArray& datagram);

private:
    QThread m_thread;
    QObject* m_worker = nullptr;
    bool m_listening = false;
    quint16 m_port = 0;
    QString m_error;
};

} // namespace vek::notices
