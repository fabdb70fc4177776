// Enter on a focused push button presses it, in every window of the client: pages, dialogs whose
// buttons are not default buttons, and the navigation items.

#include "navbar.h"
#include "vekapplication.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

using namespace vek;

class TstEnterKey : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("autoRepeat");
        QTest::addColumn<int>("presses");
        QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier) << false << 1;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << false << 1;
        QTest::newRow("Space, as ever") << int(Qt::Key_Space) << int(Qt::NoModifier) << false << 1;
        QTest::newRow("Ctrl+Enter") << int(Qt::Key_Return) << int(Qt::ControlModifier) << false << 0;
        QTest::newRow("Shift+Enter") << int(Qt::Key_Return) << int(Qt::ShiftModifier) << false << 0;
        QTest::newRow("Alt+Enter") << int(Qt::Key_Return) << int(Qt::AltModifier) << false << 0;
        QTest::newRow("a held Enter's repeat") << int(Qt::Key_Return) << int(Qt::NoModifier) << true << 0;
        QTest::newRow("a letter") << int(Qt::Key_A) << int(Qt::NoModifier) << false << 0;
    }
    // A page (a plain widget), a dialog whose buttons are not default buttons, and a tool button.
    void keys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, autoRepeat);
        QFETCH(int, presses);
        QWidget page;
        auto* onPage = new QPushButton(QStringLiteral("保 存"), &page);
        QDialog dialog;
        auto* inDialog = new QPushButton(QStringLiteral("修 改"), &dialog);
        inDialog->setAutoDefault(false);
        QWidget bar;
        auto* tool = new QToolButton(&bar);
        tool->setText(QStringLiteral("发送通知"));
        for (QAbstractButton* b : {static_cast<QAbstractButton*>(onPage), static_cast<QAbstractButton*>(inDialog),
                                   static_cast<QAbstractButton*>(tool)}) {
            int clicked = 0;
            connect(b, &QAbstractButton::clicked, [&clicked] { ++clicked; });
            b->window()->show();
            QVERIFY(QTest::qWaitForWindowExposed(b->window()));
            b->setFocus();
            const auto mods = Qt::KeyboardModifiers(modifiers);
            const QString text = key == Qt::Key_Space ? QStringLiteral(" ") : key == Qt::Key_A ? QStringLiteral("a") : QStringLiteral("\r");
            QKeyEvent press(QEvent::KeyPress, key, mods, text, autoRepeat);
            QKeyEvent release(QEvent::KeyRelease, key, mods, text, autoRepeat);
            QApplication::sendEvent(b, &press);
            QApplication::sendEvent(b, &release);
            QCOMPARE(clicked, presses);
            b->window()->hide();
        }
    }

    void disabledButtonIsNotPressed()
    {
        QWidget page;
        auto* b = new QPushButton(QStringLiteral("发 送"), &page);
        int clicked = 0;
        connect(b, &QPushButton::clicked, [&clicked] { ++clicked; });
        page.show();
        b->setFocus();
        b->setEnabled(false);
        QTest::keyClick(b, Qt::Key_Return);
        QCOMPARE(clicked, 0);
    }

    // Enter in a line edit is the box's own business: the filter touches only buttons.
    void lineEditKeepsItsEnter()
    {
        QWidget page;
        auto* edit = new QLineEdit(&page);
        auto* b = new QPushButton(QStringLiteral("发 送"), &page);
        int clicked = 0, returned = 0;
        connect(b, &QPushButton::clicked, [&clicked] { ++clicked; });
        connect(edit, &QLineEdit::returnPressed, [&returned] { ++returned; });
        page.show();
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(returned, 1);
        QCOMPARE(clicked, 0);
    }

    // A navigation item reached with Tab and pressed with Enter.
    void navigationItem()
    {
        NavBar bar;
        NavGroup* g = bar.addGroup(QStringLiteral("RzGroup2"), QStringLiteral("信息中心"), {QStringLiteral("通知浏览"), QStringLiteral("发送通知")});
        QStringList pressed;
        for (QToolButton* item : g->items())
            connect(item, &QToolButton::clicked, [&pressed, item] { pressed << item->text(); });
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QApplication::setActiveWindow(&bar);
        g->item(0)->setFocus();
        QTest::keyClick(g->item(0), Qt::Key_Tab);
        QVERIFY(g->item(1)->hasFocus());
        QTest::keyClick(g->item(1), Qt::Key_Return);
        QCOMPARE(pressed, QStringList{QStringLiteral("发送通知")});
    }
};

int main(int argc, char** argv)
{
    VekApplication app(argc, argv);
    TstEnterKey t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_enterkey.moc"
