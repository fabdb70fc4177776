#include "navbar.h"

#include <QVBoxLayout>

namespace vek {

NavGroup::NavGroup(const QString& objectName, const QString& caption, const QStringList& items, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(objectName);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->setSpacing(0);
    m_header = new QToolButton(this);
    m_header->setObjectName(objectName + QStringLiteral("Caption"));
    m_header->setText(caption);
    m_header->setProperty("navHeader", true);
    m_header->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_header->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_header->setFocusPolicy(Qt::NoFocus);
    m_header->setAccessibleName(caption);
    layout->addWidget(m_header);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QToolButton(this);
        b->setObjectName(QStringLiteral("%1Items%2").arg(objectName).arg(i));
        b->setText(items[i]);
        b->setAccessibleName(items[i]);
        b->setProperty("navItem", true);
        b->setAutoRaise(true);
        b->setCursor(Qt::PointingHandCursor);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        layout->addWidget(b);
        m_items << b;
    }
}

NavBar::NavBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("RzGroupBar1"));
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(6, 6, 6, 6);
    m_layout->setSpacing(6);
    m_layout->addStretch(1);
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QStringLiteral(
        "#RzGroupBar1 { background: qlineargradient(x1:0,y1:0,x2:1,y2:0, stop:0 #5b7bb4, stop:1 #7d9bd0); }"
        "QToolButton[navHeader=\"true\"] { color: #15306b; font-weight: bold; text-align: left; padding: 4px 8px;"
        "  border: 1px solid #9db4dd; border-top-left-radius: 5px; border-top-right-radius: 5px;"
        "  background: qlineargradient(x1:0,y1:0,x2:1,y2:0, stop:0 #ffffff, stop:1 #c6d6f2); }"
        "QToolButton[navItem=\"true\"] { color: #1d3c8f; text-align: left; padding: 4px 14px; border: none;"
        "  background: #eef3fc; }"
        "QToolButton[navItem=\"true\"]:hover { color: #d2461c; text-decoration: underline; }"
        "QToolButton[navItem=\"true\"]:pressed { background: #d7e3f7; }"));
}

NavGroup* NavBar::addGroup(const QString& objectName, const QString& caption, const QStringList& items)
{
    auto* g = new NavGroup(objectName, caption, items, this);
    m_layout->insertWidget(m_layout->count() - 1, g);
    m_groups << g;
    return g;
}

QToolButton* NavBar::findItem(const QString& caption) const
{
    for (NavGroup* g : m_groups)
        for (QToolButton* b : g->items())
            if (b->text() == caption)
                return b;
    return nullptr;
}

} // namespace vek
