// The main window's tray icon, its flashing, the hot key and the show request.

#include "U_main.h"

#include "forms.h"
#include "accounts/U_dl.h"
#include "vekapplication.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QTimer>

namespace vek {

QIcon Tmain::loadIcon(const QString& name)
{
    QPixmap pm(QStringLiteral(":/vekora/icons/%1.png").arg(name));
    if (pm.isNull()) {
        // Without the pictures the figure is drawn here: a dot and up to two arcs.
        pm = QPixmap(32, 32);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor c = name == QLatin1String("MAINICON") ? QColor(240, 130, 20) : QColor(220, 20, 20);
        p.setBrush(c);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(6, 26), 4, 4);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(c, 3));
        if (name != QLatin1String("NORMAL"))
            p.drawArc(QRectF(-8, 12, 28, 28), 0, 90 * 16);
        if (name == QLatin1String("BIG") || name == QLatin1String("MAINICON"))
            p.drawArc(QRectF(-20, 0, 52, 52), 0, 90 * 16);
    }
    return QIcon(pm);
}

void Tmain::setUpTray()
{
    tray_added = false;
    icon_step = 0;
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    miProperties = PopupMenu1->addAction(QStringLiteral("显示"));
    miProperties->setObjectName(QStringLiteral("miProperties"));
    PopupMenu1->addSeparator();
    miclose = PopupMenu1->addAction(QStringLiteral("退出"));
    miclose->setObjectName(QStringLiteral("miclose"));
    connect(miProperties, &QAction::triggered, this, &Tmain::miPropertiesClick);
    connect(miclose, &QAction::triggered, this, &Tmain::micloseClick);

    TrayIcon1 = new QSystemTrayIcon(this);
    TrayIcon1->setObjectName(QStringLiteral("TrayIcon1"));
    connect(TrayIcon1, &QSystemTrayIcon::activated, this, &Tmain::WMTrayNotify);
    jz();
}

void Tmain::showIcon(const QString& name)
{
    iconName = name;
    const QIcon icon = loadIcon(name);
    QApplication::setWindowIcon(icon);
    setWindowIcon(icon);
    TrayIcon1->setIcon(icon);
    TrayIcon1->setToolTip(VekApplication::title());
}

void Tmain::jz()
{
    setWindowTitle(VekApplication::title());
    showIcon(QStringLiteral("BIG"));
    if (!tray_added)
        TrayIcon1->show(); // add; afterwards every call only modifies the icon
}

bool Tmain::isDisabledByModal()
{
    return QApplication::activeModalWidget() != nullptr;
}

void Tmain::WMTrayNotify(QSystemTrayIcon::ActivationReason reason)
{
    if (isDisabledByModal())
        return;
    if (reason == QSystemTrayIcon::DoubleClick) {
        // Hiding this way does not run the close handler: every page stays alive.
        if (isVisible())
            hide();
        else
            miPropertiesClick();
    } else if (reason == QSystemTrayIcon::Context) {
        PopupMenu1->popup(QCursor::pos());
    }
}

void Tmain::miPropertiesClick()
{
    if (isVisible())
        return;
    show();
    raise();
    activateWindow();
}

void Tmain::micloseClick()
{
    exit_requested = true;
    close();
}

// Before the first show (the login is still open) a show request brings the login dialog forward
// instead: the main window has no user yet.
void Tmain::WMShowMain()
{
    if (!tray_added) {
        if (forms::dl && forms::dl->isVisible()) {
            forms::dl->raise();
            forms::dl->activateWindow();
        }
        return;
    }
    miPropertiesClick();
}

void Tmain::WMHotKey()
{
    WMShowMain();
}

void Tmain::Timer_tpTimer()
{
    icon_step = icon_step + 1 > 2 ? 0 : icon_step + 1;
    static const char* const names[] = {"NORMAL", "SMAIL", "BIG"};
    showIcon(QString::fromLatin1(names[icon_step]));
}

} // namespace vek
