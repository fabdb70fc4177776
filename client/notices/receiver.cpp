#include "receiver.h"

#include "datagram.h"

#include <QHostAddress>
#include <QMutexLocker>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QVariant>

namespace vek::notices {

namespace {

// Lives on the listener thread with its socket.
class Listener : public QObject {
    Q_OBJECT
public:
    Listener(QUdpSocket* socket, NoticeReceiver* receiver) : m_socket(socket), m_receiver(receiver)
    {
        m_socket->setParent(this);
        connect(m_socket, &QUdpSocket::readyRead, this, &Listener::drain);
    }

public Q_SLOTS:
    void drain()
    {
        QByteArray bytes;
        while (m_socket->hasPendingDatagrams()) {
            const qint64 size = m_socket->pendingDatagramSize();
            if (size > kMaxDatagram || size < 0) {
                m_socket->readDatagram(nullptr, 0); // longer than the receive buffer: discarded
                continue;
            }
            bytes.resize(size);
            const qint64 n = m_socket->readDatagram(bytes.data(), bytes.size());
            if (n < 0)
                continue;
            bytes.truncate(n);
            // Only a show datagram leads anywhere; the rest is dropped here, unseen.
            if (isShowDatagram(bytes))
                m_receiver->enqueue(bytes);
        }
    }

private:
    QUdpSocket* m_socket;
    NoticeReceiver* m_receiver;
};

} // namespace

NoticeReceiver::NoticeReceiver(QObject* parent) : QObject(parent)
{
    m_thread.setObjectName(QStringLiteral("notice-listener"));
}

NoticeReceiver::~NoticeReceiver()
{
    // The listener and its socket are deleted on their thread as it finishes.
    m_thread.quit();
    m_thread.wait();
}

bool NoticeReceiver::listen(quint16 port)
{
    if (m_listening)
        return true;
    auto* socket = new QUdpSocket;
    if (!socket->bind(QHostAddress::AnyIPv4, port)) {
        m_error = socket->errorString();
        delete socket;
        return false;
    }
    // Room for a burst while the listener thread waits for the processor.
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(4 * 1024 * 1024));
    m_port = socket->localPort();
    auto* worker = new Listener(socket, this);
    worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, worker, &QObject::deleteLater);
    m_worker = worker;
    m_thread.start();
    // Datagrams that arrived before the thread ran are read on its first turn.
    QMetaObject::invokeMethod(worker, "drain", Qt::QueuedConnection);
    m_listening = true;
    return true;
}

void NoticeReceiver::enqueue(const QByteArray& datagram)
{
    bool wake = false;
    {
        const QMutexLocker locker(&m_lock);
        wake = m_queue.empty();
        m_queue.push_back(datagram);
        while (qsizetype(m_queue.size()) > backlogLimit()) {
            m_queue.pop_front();
            ++m_dropped;
        }
    }
    // One wake-up per empty-to-waiting change: a flood cannot fill the user-interface thread's
    // event queue with one event per datagram.
    if (wake)
        QMetaObject::invokeMethod(this, &NoticeReceiver::datagramsWaiting, Qt::QueuedConnection);
}

std::optional<QByteArray> NoticeReceiver::takeNext()
{
    const QMutexLocker locker(&m_lock);
    if (m_queue.empty())
        return std::nullopt;
    QByteArray next = std::move(m_queue.front());
    m_queue.pop_front();
    return next;
}

qsizetype NoticeReceiver::waiting() const
{
    const QMutexLocker locker(&m_lock);
    return qsizetype(m_queue.size());
}

quint64 NoticeReceiver::droppedCount() const
{
    const QMutexLocker locker(&m_lock);
    return m_dropped;
}

} // namespace vek::notices

#include "receiver.moc"
