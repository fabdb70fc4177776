#pragma once

#include "datagram.h"
#include "db/query.h"

#include <QStringList>
#include <QWidget>

class QDateEdit;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vek {

// The send page: the address book as a tree of departments and people, the chosen recipients, a
// subject and a completion date. "发 送" stores one notice row per person in one batch, then pops the
// notice up on every recipient who is online.
class Tfstz : public QWidget {
    Q_OBJECT
public:
    explicit Tfstz(QWidget* parent = nullptr);

    QPushButton* RzButton1; // 刷新列表
    QTreeWidget* TreeView1;
    QTreeWidget* TreeView2; // hidden mirror whose node texts are recipient keys
    QPushButton* Button1;   // >>
    QPushButton* Button2;   // <<
    QListWidget* ListBox1;
    QListWidget* ListBox2; // hidden mirror of the chosen list
    QDateEdit* DateTimePicker1;
    QLineEdit* edt_zt;
    QPushButton* Button3; // 发 送
    db::Query qry_tmp;
    db::Query Query1;
    notices::UdpClient IdUDPClient;

    struct Key {
        QString name;
        QString login; // empty for a department
        QString code;
    };
    static QString makeKey(const QString& name, const QString& login, const QString& code);
    static Key splitKey(const QString& key);
    // Indentation of a row's lines: code length ÷ 2 rounded half to even, less one.
    static int indentOf(const QString& code);
    // Loads indented lines into a tree; throws VekError naming the line that has no parent.
    static void loadTree(QTreeWidget* tree, const QStringList& lines);

    void LoadRecipientTree();
    void RzButton1Click();
    void Button1Click();
    void Button2Click();
    void Button3Click();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    void appendInsert(const QString& name, const QString& login, const QString& zxip, const QString& guid,
                      const QString& now, const QString& today);
    bool m_shown = false;
};

} // namespace vek
