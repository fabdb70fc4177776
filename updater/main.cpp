// p_vekupd: installs the newest client stored in the main database over the client's file.

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QDialog window;
    window.setObjectName(QStringLiteral("Form1"));
    window.setWindowTitle(QStringLiteral("软件升级"));
    window.resize(381, 281);

    auto* lb_ts = new QLabel(&window);
    lb_ts->setObjectName(QStringLiteral("lb_ts"));
    auto* Memo2 = new QTextEdit(&window);
    Memo2->setObjectName(QStringLiteral("Memo2"));
    Memo2->setReadOnly(true);
    auto* sjButton = new QPushButton(QStringLiteral("升级(&Y)"), &window);
    sjButton->setEnabled(false);
    auto* Button2 = new QPushButton(QStringLiteral("取消(&X)"), &window);
    QObject::connect(Button2, &QPushButton::clicked, &window, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(sjButton);
    buttons->addWidget(Button2);
    auto* box = new QVBoxLayout(&window);
    box->addWidget(lb_ts);
    box->addWidget(Memo2);
    box->addLayout(buttons);

    window.show();
    return app.exec();
}
