// The Windows side of the platform services as one small program, for the checks under Wine
// (scripts/windows-tests.sh):
//   vek_winprobe getfilever <file>     prints the file version ("" when there is none)
//   vek_winprobe sessionend <file>     shows a window and watches the end of the session: writes
//                                      "ready" to <file>, and "ended" once the session ends; the
//                                      teardown then removes the window and the program ends
//   vek_winprobe gbk <hex bytes>       prints the text the datagram reader makes of the bytes, as
//                                      UTF-8 hex (the reader's limit of 1024 bytes applies)

#include "notices/datagram.h"
#include "platform/fileversion.h"
#include "platform/sessionend.h"

#include <QApplication>
#include <QFile>
#include <QTextStream>
#include <QWidget>

#include <cstdio>

namespace {

void writeFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(text);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("getfilever")) {
        std::printf("%s\n", vek::platform::getfilever(args[2]).toUtf8().constData());
        return 0;
    }
    if (args.size() == 3 && args[1] == QLatin1String("gbk")) {
        const QByteArray bytes = QByteArray::fromHex(args[2].toLatin1());
        std::printf("%s\n", vek::notices::fromGbk(bytes, vek::notices::kTextLimit).toUtf8().toHex().constData());
        return 0;
    }
    if (args.size() == 3 && args[1] == QLatin1String("sessionend")) {
        const QString path = args[2];
        auto* window = new QWidget;
        window->setWindowTitle(QStringLiteral("vek_winprobe"));
        window->resize(200, 100);
        window->show();
        vek::platform::watchSessionEnd([&] {
            // The teardown runs before the message is answered: the file says so before Windows
            // may end the process.
            delete window;
            writeFile(path, "ended");
            app.quit();
        });
        writeFile(path, "ready");
        return app.exec();
    }
    std::fprintf(stderr, "usage: vek_winprobe getfilever <file> | sessionend <file> | gbk <hex>\n");
    return 2;
}
