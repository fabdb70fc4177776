#include "receiver.h"

#include "datagram.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QVariant>

namespace vek::notices {

namespace {

// Lives on the listener thread with its socket.
class Listener : public QObject {
    Q_OBJECT
public:
    explicit Listener(QUdpSocket* socket) : m_socket(socket)
    {
        m_socket->setParent(this);
        connect(m_socket, &QUdpSocket::readyRead, this, &Listener::drain);
    }

Q_SIGNALS:
    void received(const QByteArray& datagram);

public Q_SLOTS:
    void drain()
    {
        while (m_socket->hasPendingDatagrams()) {
            const qint64 size = m_socket->pendingDatagramSize();
            if (size > kMaxDatagram) {
                m_socket->readDatagram(nullptr, 0); // longer than the receive buffer: discarded
                continue;
            }
            QByteArray bytes(size < 0 ? 0 : size, Qt::Uninitialized);
            const qint64 n = m_socket->readDatagram(bytes.data(), bytes.size());
            if (n < 0)
                continue;
            bytes.truncate(n);
            Q_EMIT received(bytes);
        }
    }

private:
    QUdpSocket* m_socket;
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
    // Room for a burst while the user-interface thread is busy.
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(4 * 1024 * 1024));
    m_port = socket->localPort();
    auto* worker = new Listener(socket);
    worker->moveToThread(&m_thread);
    connect(worker, &Listener::received, this, &NoticeReceiver::datagramReceived, Qt::QueuedConnection);
    connect(&m_thread, &QThread::finished, worker, &QObject::deleteLater);
    m_worker = worker;
    m_thread.start();
    // Datagrams that arrived before the thread ran are read on its first turn.
    QMetaObject::invokeMethod(worker, "drain", Qt::QueuedConnection);
    m_listening = true;
    return true;
}

} // namespace vek::notices

#include "receiver.moc"
