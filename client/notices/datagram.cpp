#include "datagram.h"

#include "db/vekerror.h"
#include "platform/gbk.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QUdpSocket>

#include <limits>

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

BodyFit fitShowBody(const QString& caption, const QString& heading, const QString& body)
{
    BodyFit fit;
    const QByteArray encoded = toGbk(body);
    fit.bytes = int(qMin<qsizetype>(encoded.size(), std::numeric_limits<int>::max()));
    fit.room = kTextLimit - int(showDatagram(caption, heading, QString()).size());
    if (fromGbk(encoded) != body) {
        // Find the first character that does not come back from GBK (it would arrive as "?").
        for (qsizetype i = 0; i < body.size();) {
            const qsizetype width = (body.at(i).isHighSurrogate() && i + 1 < body.size()) ? 2 : 1;
            const QString ch = body.mid(i, width);
            if (fromGbk(toGbk(ch)) != ch) {
                fit.unencodable = ch;
                break;
            }
            i += width;
        }
        if (fit.unencodable.isEmpty())
            fit.unencodable = QStringLiteral("?");
    }
    return fit;
}

QString bodyFitMessage(const BodyFit& fit, const QString& what)
{
    if (!fit.unencodable.isEmpty()) {
        const QString shown = fit.unencodable.at(0).isPrint() || fit.unencodable.size() == 2
                                  ? fit.unencodable
                                  : QStringLiteral("U+%1").arg(fit.unencodable.at(0).unicode(), 4, 16, QLatin1Char('0')).toUpper();
        return QStringLiteral("%1中的字符“%2”无法在通知中传送，请删除或改写后再发送。").arg(what, shown);
    }
    if (fit.bytes > fit.room)
        return QStringLiteral("%1太长：通知最多能带 %2 个字节（一个汉字占 2 个字节，约 %3 个汉字），现在是 %4 个字节，请删减后再发送。")
            .arg(what)
            .arg(fit.room)
            .arg(fit.room / 2)
            .arg(fit.bytes);
    return {};
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
