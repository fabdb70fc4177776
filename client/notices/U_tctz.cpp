#include "U_tctz.h"

#include "shell/U_main.h"
#include "shell/forms.h"
#include "shell/fonts.h"
#include "platform/windowtitle.h"
#include "platform/system.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace vek {

namespace {

const QColor kBack(245, 250, 253);
const QColor kHeading(35, 76, 104);
const QColor kBody(41, 70, 76);

// A 2-pixel rule drawn as a gradient in the heading colour on the window's background.
class Separator : public QFrame {
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        QLinearGradient g(0, 0, width(), 0);
        g.setColorAt(0, kBack);
        g.setColorAt(0.5, kHeading);
        g.setColorAt(1, kBack);
        p.fillRect(rect(), g);
    }
};

// The flat "查看" button over its picture: transparent, framed in the heading colour under the mouse.
// Painted here rather than by a style sheet, which would cost every pop-up a style of its own.
class ViewButton : public QToolButton {
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!underMouse())
            return;
        QPainter p(this);
        p.setPen(kHeading);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

} // namespace

Ttctz::Ttctz(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tctz"));
    setWindowTitle(QStringLiteral("弹出通知"));
    // A dialog frame with only a close box; shown without taking the focus from what the user types.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(songti(12, false));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBack);
    setPalette(pal);

    Panel1 = new QLabel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(41);
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setTextFormat(Qt::PlainText); // the heading comes from the network: shown as sent
    Panel1->setFont(songti(15, true));
    QPalette hp = Panel1->palette();
    hp.setColor(QPalette::WindowText, kHeading);
    Panel1->setPalette(hp);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setFont(songti(13, true));
    Memo1->setFocusPolicy(Qt::ClickFocus);
    QPalette mp = Memo1->palette();
    mp.setColor(QPalette::Base, QPalette().color(QPalette::ToolTipBase));
    mp.setColor(QPalette::Text, kBody);
    Memo1->setPalette(mp);
    Memo1->installEventFilter(this);

    RzSeparator1 = new Separator(this);
    RzSeparator1->setObjectName(QStringLiteral("RzSeparator1"));
    RzSeparator1->setFixedHeight(2);

    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(23);
    Image1 = new QLabel(Panel2);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/vekora/view.jpg")));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (Image1->pixmap().isNull()) {
        Image1->setText(QStringLiteral("查看"));
        Image1->setAlignment(Qt::AlignCenter);
    }
    SpeedButton1 = new ViewButton(Panel2);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setAccessibleName(QStringLiteral("查看"));
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setAttribute(Qt::WA_Hover); // repainted as the mouse comes and goes
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton1->setCursor(Qt::PointingHandCursor);
    connect(SpeedButton1, &QToolButton::clicked, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(Memo1, 1);
    layout->addWidget(RzSeparator1);
    layout->addWidget(Panel2);
    resize(OuterWidth, OuterHeight);
}

bool Ttctz::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Memo1 && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        QPalette mp = Memo1->palette();
        mp.setColor(QPalette::Base, event->type() == QEvent::FocusIn ? kBack : QPalette().color(QPalette::ToolTipBase));
        Memo1->setPalette(mp);
    }
    return QWidget::eventFilter(watched, event);
}

int Ttctz::taskbarHeight()
{
    // The taskbar's height: the shell's own taskbar where it says, else what the primary screen's work
    // area leaves free at its bottom.
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 0;
    if (const std::optional<int> shell = platform::shellTaskbarHeight())
        return qRound(*shell / screen->devicePixelRatio());
    return qMax(0, screen->geometry().bottom() - screen->availableGeometry().bottom());
}

QPoint Ttctz::placement(const QRect& screen, int taskbar, const QSize& outer)
{
    return {screen.x() + screen.width() - outer.width(), screen.y() + screen.height() - taskbar - outer.height()};
}

void Ttctz::show(const QString& caption, const QString& heading, const QString& body)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    QWidget::show();
    // The outer size includes the frame the window system adds.
    const QSize frame = frameGeometry().size() - geometry().size();
    setFixedSize(OuterWidth - frame.width(), OuterHeight - frame.height());
    move(placement(area, taskbarHeight(), {OuterWidth, OuterHeight}));
    Image1->setGeometry(Panel2->width() - 55, 0, 55, 23);
    SpeedButton1->setGeometry(Panel2->width() - 57, 1, 57, 22);
    SpeedButton1->raise();
    platform::setExactWindowTitle(this, caption);
    Panel1->setText(heading);
    Memo1->setPlainText(body);
}

void Ttctz::dismiss()
{
    m_dismissed = true;
    close();
}

void Ttctz::closeEvent(QCloseEvent* event)
{
    if (!m_dismissed)
        FormClose();
    event->accept();
}

void Ttctz::FormClose()
{
    if (Tmain* m = forms::main) {
        m->Timer_tp->stop();
        m->jz();
        m->miPropertiesClick();
    }
}

} // namespace vek
