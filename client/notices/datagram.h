#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QUdpSocket;

namespace vek::notices {

// Notice datagrams travel as GBK text: "show|<caption>|<heading>|<body>" to a recipient's workstation,
// "update|sbgl|<login name>" to the main database server host. Fields are separated by "|" without
// escaping; the body may itself contain "|".

// The largest datagram the receiver accepts, and how much of it is read as text.
inline constexpr int kMaxDatagram = 8192;
inline constexpr int kTextLimit = 1024;

QByteArray toGbk(const QString& text);
// Decodes at most `limit` bytes of GBK; a double-byte character cut at the limit is dropped, and
// bytes that are not GBK become U+FFFD.
QString fromGbk(const QByteArray& bytes, int limit = -1);

struct ShowNotice {
    QString caption;
    QString heading;
    QString body; // already behind the four blanks the pop-up shows first
};

// The receiver's reading of a datagram's text: nothing unless the verb is exactly "show".
std::optional<ShowNotice> parseShow(const QString& text);
// The same test on the bytes: in GBK the five ASCII bytes "show|" at the start are the verb "show"
// and its separator, and nothing else decodes to them.
inline bool isShowDatagram(const QByteArray& bytes)
{
    return bytes.startsWith("show|");
}

QByteArray showDatagram(const QString& caption, const QString& heading, const QString& body);

// Whether a body typed by a user reaches the receiver whole behind the given caption and heading: the
// receiver reads only the first kTextLimit bytes, and GBK cannot carry every character.
struct BodyFit {
    int bytes = 0;       // GBK bytes of the body
    int room = 0;        // GBK bytes the receiver reads behind the caption and heading
    QString unencodable; // the first character GBK cannot carry, empty when there is none
    bool fits() const { return unencodable.isEmpty() && bytes <= room; }
};
BodyFit fitShowBody(const QString& caption, const QString& heading, const QString& body);
// The message that tells the user why `what` (the box's name, e.g. "主题") cannot be sent, or "" when
// it fits.
QString bodyFitMessage(const BodyFit& fit, const QString& what);
QByteArray updateDatagram(const QString& login);

// A page's UDP client (IdUDPClient): sends from an ephemeral port. Throws VekError when the host
// cannot be resolved or the datagram cannot be sent.
class UdpClient {
public:
    UdpClient();
    ~UdpClient();
    UdpClient(const UdpClient&) = delete;
    UdpClient& operator=(const UdpClient&) = delete;
    void send(const QString& host, quint16 port, const QByteArray& payload);

private:
    QUdpSocket* m_socket;
};

} // namespace vek::notices
