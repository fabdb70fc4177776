#include "U_sjts.h"

#include "U_datamodule.h"
#include "forms.h"
#include "ui_U_sjts.h"
#include "vekapplication.h"
#include "version.h"
#include "fonts.h"

#include <QGuiApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QShowEvent>

namespace vek {

Tsjts::Tsjts(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui(new Ui::Tsjts)
{
    ui->setupUi(this);
    setFont(songti(12));
    ui->Label2->setFont(songti(13, true));
    ui->Label1->setFont(songti(16, true));
    QPalette red = ui->Label1->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 128));
    ui->Label1->setPalette(red);
    setFixedSize(321, 153);
    setModal(true);
    connect(ui->button1, &QPushButton::clicked, this, &Tsjts::Button1Click);
}

Tsjts::~Tsjts()
{
    delete ui;
}

void Tsjts::Button1Click()
{
    // When the updater cannot be started the user has been told; the prompt closes so that the client
    // stays usable (it is not shown again in this process).
    if (!upgradeHandover(*forms::DataModule1))
        done(QDialog::Rejected);
}

void Tsjts::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Centred on the screen, frame included.
    if (const QScreen* s = screen()) {
        QRect outer = frameGeometry();
        outer.moveCenter(s->geometry().center());
        move(outer.topLeft());
    }
}

void Tsjts::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Tsjts::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

void Timer_vercheckTimer()
{
    if (!forms::DataModule1->checksoftver() || forms::sjts)
        return;
    auto* prompt = new Tsjts;
    if (VekApplication* app = VekApplication::instance())
        app->own(prompt);
    forms::sjts = prompt;
    prompt->exec();
}

} // namespace vek
