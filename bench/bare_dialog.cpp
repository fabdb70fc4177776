// The floor of bench/startup.sh: a bare Qt dialog of the login window's size, shown at start.
#include <QApplication>
#include <QDialog>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QDialog d;
    d.setWindowTitle(QStringLiteral("bare"));
    d.setFixedSize(391, 237);
    d.show();
    return app.exec();
}
