#pragma once

#include "datagram.h"
#include "db/query.h"

#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vek {

// The send page: the address book as a tree of departments and people, the chosen recipients, a
// subject and a completion date. "发 送" stores one notice row per person in one batch, then pops the
// notice up on every recipient who is online. A send never freezes the window: the rows go into their
// one transaction a slice per turn of the event loop, then the datagrams go out one by one, paced by a
// timer; meanwhile the page's buttons are disabled and a line under them shows the progress.
class Tfstz : public QWidget {
    Q_OBJECT
public:
    // The pause after each datagram, so that a burst does not overrun the receivers.
    static constexpr int kPauseMs = 3;
    // Notice rows stored per turn of the event loop, all in the one transaction of the send.
    static constexpr int kRowsPerSlice = 25;

    explicit Tfstz(QWidget* parent = nullptr);
    ~Tfstz() override;

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
    QLabel* lbl_progress; // "正在保存通知：k/n", then "正在发送通知：k/n", during a send
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

    // True from the start of the storing until the result has been shown.
    bool isSending() const { return m_sending; }

Q_SIGNALS:
    // The send has ended: after "发送成功！" or the failure message (not after a refusal before storing).
    void sendEnded(bool ok);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    struct Recipient {
        QString name;
        QString login;
        QString zxip;
        QString guid;
    };
    QStringList insertLines(const Recipient& r) const;
    void storeNextSlice();
    void sendNextDatagram();
    void paceTimeout();
    void endSend(bool ok);
    void setButtonsEnabled(bool enabled);
    bool m_shown = false;
    bool m_sending = false;
    enum class Phase { Idle, Storing, Sending };
    Phase m_phase = Phase::Idle;
    // The send under way: its values and recipients, the rows stored so far.
    QString m_subject;
    QString m_now;
    QString m_today;
    QString m_jsrq;
    QList<Recipient> m_recipients;
    int m_stored = 0;
    QElapsedTimer m_progressShown;
    QStringList m_outbox; // addresses still to receive the datagram
    QByteArray m_payload;
    int m_total = 0;
    int m_sent = 0;
    QTimer m_pace;
    QPointer<QWidget> m_refocus; // had the focus when the send began (usually "发 送")
};

} // namespace vek
