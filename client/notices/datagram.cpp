#include "datagram.h"

#include "db/vekerror.h"
#include "platform/gbk.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QUdpSocket>

namespace vek::notices {

QByteArray toGbk(const QString& text)
{
    return platform::encodeGbk(text);
}

QString fromGbk(const QByteArray& bytes, int limit)
{
    qsizetype end = limit < 0 ? bytes.size() : qMin<qsizetype>(bytes.size(), limit);
    if (end < bytes.size()) {
        // Walk the characters up to the limit: a lead byte whose trail lies beyond it is dropped.
        qsizetype i = 0;
        while (i < end) {
            const auto b = static_cast<unsigned char>(bytes.at(i));
            const int width = (b >= 0x81 && b <= 0xFE) ? 2 : 1;
            if (i + width > end)
                break;
            i += width;
        }
        end = i;
    }
    return platform::decodeGbk(QByteArrayView(bytes.constData(), end));
}

std::optional<ShowNotice> parseShow(const QString& text)
{
    const qsizetype bar = text.indexOf(QLatin1Char('|'));
    if (bar < 0 || text.left(bar) != QLatin1String("show"))
        return std::nullopt;
    QString rest = text.mid(bar + 1);
    auto take = [&rest]() {
        const qsizetype p = rest.indexOf(QLatin1Char('|'));
        if (p < 0)
            return QString();
        const QString field = rest.left(p);
        rest.remove(0, p + 1);
        return field;
    };
    ShowNotice n;
    n.caption = take();
    n.heading = take();
    n.body = QStringLiteral("    ") + rest;
    return n;
}

QByteArray showDatagram(const QString& caption, const QString& heading, const QString& body)
{
    return toGbk(QStringLiteral("show|") + caption + QLatin1Char('|') + heading + QLatin1Char('|') + body);
}

QByteArray updateDatagram(const QString& login)
{
    return toGbk(QStringLiteral("update|sbgl|") + login);
}

UdpClient::UdpClient() : m_socket(new QUdpSocket) {}

UdpClient::~UdpClient()
{
    delete m_socket;
}

void UdpClient::send(const QString& host, quint16 port, const QByteArray& payload)
{
    QHostAddress address;
    if (!address.setAddress(host.trimmed())) {
        const QHostInfo info = QHostInfo::fromName(host.trimmed());
        for (const QHostAddress& a : info.addresses())
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                address = a;
                break;
            }
        if (address.isNull())
            throw VekError(QStringLiteral("无法解析地址 %1：%2").arg(host, info.errorString()));
    }
    if (m_socket->writeDatagram(payload, address, port) != payload.size())
        throw VekError(m_socket->errorString());
}

} // namespace vek::notices
