// The smallest Qt program that does what the client's notice pop-up does, as a yardstick for
// bench_popup_latency: a QUdpSocket on the main thread, and per datagram a new plain window (a QLabel
// with the datagram's text, freed when closed) shown at once.
//   bench_minimal_popup <port>

#include <QApplication>
#include <QLabel>
#include <QNetworkDatagram>
#include <QStringDecoder>
#include <QUdpSocket>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false); // it runs until it is ended, like the client in the tray
    const quint16 port = quint16(app.arguments().value(1).toUInt());
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::AnyIPv4, port)) {
        qWarning("cannot bind UDP port %u: %s", port, qPrintable(socket.errorString()));
        return 1;
    }
    QObject::connect(&socket, &QUdpSocket::readyRead, [&socket] {
        while (socket.hasPendingDatagrams()) {
            QStringDecoder gbk("GBK");
            auto* window = new QLabel(gbk(socket.receiveDatagram().data()));
            window->setAttribute(Qt::WA_DeleteOnClose);
            window->setWordWrap(true);
            window->resize(266, 170);
            window->show();
        }
    });
    return app.exec();
}
