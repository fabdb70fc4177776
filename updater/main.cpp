// p_vekupd: installs the newest client stored in the main database over the client's file.

#include "U_form1.h"

#include <QApplication>
#include <QFont>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

int main(int argc, char** argv)
{
#ifdef Q_OS_UNIX
    // A file-size limit makes a write fail with an error the window reports, instead of ending us.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("p_vekupd"));
    // The window's font names map to the installed CJK families, or Han comes out in Japanese shapes.
    for (const char* name : {"宋体", "SimSun"})
        QFont::insertSubstitutions(QString::fromUtf8(name), {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});

    vekupd::TForm1 window(QApplication::applicationDirPath());
    // The program ends when the window closes, also when the upgrade hid it before closing it.
    QObject::connect(&window, &QDialog::finished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.show();
    return app.exec();
}
