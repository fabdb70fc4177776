#pragma once

#include <QList>
#include <QToolButton>
#include <QWidget>

class QVBoxLayout;

namespace vek {

// One group of the navigation bar: a caption band and its items, always opened.
class NavGroup : public QWidget {
    Q_OBJECT
public:
    NavGroup(const QString& objectName, const QString& caption, const QStringList& items, QWidget* parent);
    QString caption() const { return m_header->text(); }
    QToolButton* item(int index) const { return m_items.value(index); }
    const QList<QToolButton*>& items() const { return m_items; }

private:
    QToolButton* m_header;
    QList<QToolButton*> m_items;
};

// The navigation bar on the left of the main window. Items are standard tool buttons, so screen
// readers and UI automation see their texts and can press them.
class NavBar : public QWidget {
    Q_OBJECT
public:
    explicit NavBar(QWidget* parent = nullptr);
    NavGroup* addGroup(const QString& objectName, const QString& caption, const QStringList& items);
    // The item with this caption in any group, or nullptr.
    QToolButton* findItem(const QString& caption) const;

private:
    QVBoxLayout* m_layout;
    QList<NavGroup*> m_groups;
};

} // namespace vek
