#include "enterkey.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>

namespace vek {

bool EnterPressesButton::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
        (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (!button || !(qobject_cast<QPushButton*>(button) || qobject_cast<QToolButton*>(button)))
        return false;
    if (key->isAutoRepeat())
        return true; // one press per stroke, as a held Space gives
    if (button->isEnabled() && button->isVisible())
        button->click();
    return true;
}

void installEnterPressesButton(QCoreApplication* app)
{
    if (!app || app->findChild<EnterPressesButton*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    app->installEventFilter(new EnterPressesButton(app));
}

} // namespace vek
