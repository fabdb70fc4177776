#pragma once

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QThread>

#include <deque>
#include <optional>

class QUdpSocket;

namespace vek::notices {

// The notice receiver (IdUDPServer): a UDP socket bound on all IPv4 addresses, read on a listener
// thread of its own. Show datagrams of at most 8192 bytes wait in a queue for the user-interface
// thread, which takes them in arrival order; everything else is dropped on the listener thread.
//
// The queue keeps only the newest `backlogLimit()` datagrams: a sender that floods the port faster
// than windows can be built pushes out its own oldest datagrams, which would only have popped up to
// be closed again, and cannot make the client hold more than that many in memory.
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

    // The oldest waiting datagram, or nothing when none waits.
    std::optional<QByteArray> takeNext();
    qsizetype waiting() const;
    static constexpr qsizetype backlogLimit() { return 50; }
    // How many datagrams were pushed out of the full queue since the start.
    quint64 droppedCount() const;

    // Called on the listener thread.
    void enqueue(const QByteArray& datagram);

Q_SIGNALS:
    // Emitted on the user-interface thread when the queue stops being empty: take the datagrams
    // then, as many as there are.
    void datagramsWaiting();

private:
    QThread m_thread;
    QObject* m_worker = nullptr;
    bool m_listening = false;
    quint16 m_port = 0;
    QString m_error;

    mutable QMutex m_lock;
    std::deque<QByteArray> m_queue; // guarded by m_lock
    quint64 m_dropped = 0;          // guarded by m_lock
};

} // namespace vek::notices
