#include "U_fstz.h"

#include "db/sqltext.h"
#include "db/vekerror.h"
#include "platform/messagebox.h"
#include "platform/system.h"
#include "shell/U_datamodule.h"
#include "shell/forms.h"
#include "shell/vekapplication.h"

#include <QDateEdit>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace vek {

namespace {

QTreeWidgetItem* nodeAt(QTreeWidget* tree, int position)
{
    int i = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it, ++i)
        if (i == position)
            return *it;
    return nullptr;
}

int positionOf(QTreeWidget* tree, QTreeWidgetItem* node)
{
    int i = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it, ++i)
        if (*it == node)
            return i;
    return -1;
}

bool writeGbkLines(const QString& path, const QStringList& lines)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    for (const QString& line : lines)
        f.write(notices::toGbk(line) + "\r\n");
    return true;
}

} // namespace

Tfstz::Tfstz(QWidget* parent)
    : QWidget(parent), qry_tmp(&forms::DataModule1->ADOConnection1), Query1(&forms::DataModule1->ADOConnection1)
{
    setObjectName(QStringLiteral("fstz"));
    setWindowTitle(QStringLiteral("发送通知"));

    auto* band = new QWidget(this);
    band->setFixedHeight(41);
    RzButton1 = new QPushButton(QStringLiteral("刷新列表"), band);
    RzButton1->setObjectName(QStringLiteral("RzButton1"));
    RzButton1->setGeometry(28, 16 - 8, 80, 25);

    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setFixedWidth(193);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    TreeView1->setAccessibleName(QStringLiteral("通讯录"));
    TreeView2 = new QTreeWidget(this);
    TreeView2->setObjectName(QStringLiteral("TreeView2"));
    TreeView2->setVisible(false);

    auto* strip = new QWidget(this);
    strip->setFixedWidth(25);
    Button1 = new QPushButton(QStringLiteral(">>"), strip);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(2, 57, 21, 25);
    Button1->setAccessibleName(QStringLiteral("添加"));
    Button2 = new QPushButton(QStringLiteral("<<"), strip);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(2, 103, 21, 25);
    Button2->setAccessibleName(QStringLiteral("移除"));

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setFixedWidth(88);
    ListBox1->setAccessibleName(QStringLiteral("发送对象"));
    ListBox2 = new QListWidget(this);
    ListBox2->setObjectName(QStringLiteral("ListBox2"));
    ListBox2->setVisible(false);

    auto* right = new QWidget(this);
    auto* Label1 = new QLabel(QStringLiteral("设定完成时间："), right);
    Label1->setGeometry(7, 6, 120, 14);
    DateTimePicker1 = new QDateEdit(right);
    DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
    DateTimePicker1->setGeometry(8, 21, 173, 20);
    DateTimePicker1->setCalendarPopup(true);
    DateTimePicker1->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    Label1->setBuddy(DateTimePicker1);
    auto* Label2 = new QLabel(QStringLiteral("主题："), right);
    Label2->setGeometry(7, 43, 60, 14);
    edt_zt = new QLineEdit(right);
    edt_zt->setObjectName(QStringLiteral("edt_zt"));
    edt_zt->setGeometry(8, 56, 281, 20);
    Label2->setBuddy(edt_zt);
    Button3 = new QPushButton(QStringLiteral("发 送"), right);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setGeometry(184, 80, 75, 25);
    lbl_progress = new QLabel(right);
    lbl_progress->setObjectName(QStringLiteral("lbl_progress"));
    lbl_progress->setGeometry(8, 110, 281, 16);
    lbl_progress->setTextFormat(Qt::PlainText);
    lbl_progress->setVisible(false);
    // The subject is checked against what a datagram can carry when it is sent; the box itself never
    // cuts a pasted text short without a word.
    edt_zt->setMaxLength(std::numeric_limits<int>::max());

    auto* columns = new QHBoxLayout;
    columns->setSpacing(0);
    columns->addWidget(TreeView1);
    columns->addWidget(strip);
    columns->addWidget(ListBox1);
    columns->addWidget(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(band);
    layout->addLayout(columns, 1);

    connect(RzButton1, &QPushButton::clicked, this, &Tfstz::RzButton1Click);
    connect(Button1, &QPushButton::clicked, this, &Tfstz::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &Tfstz::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &Tfstz::Button3Click);
    connect(TreeView1, &QTreeWidget::itemDoubleClicked, this, &Tfstz::Button1Click);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, &Tfstz::Button2Click);
    DateTimePicker1->installEventFilter(this);
    edt_zt->installEventFilter(this);
    m_pace.setSingleShot(true);
    m_pace.setTimerType(Qt::PreciseTimer);
    connect(&m_pace, &QTimer::timeout, this, &Tfstz::paceTimeout);
}

void Tfstz::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void Tfstz::FormShow()
{
    try {
        LoadRecipientTree();
    } catch (const VekError& e) {
        showDefaultError(e.message());
    }
}

void Tfstz::RzButton1Click()
{
    try {
        LoadRecipientTree();
    } catch (const VekError& e) {
        showDefaultError(e.message());
    }
}

bool Tfstz::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == DateTimePicker1) {
                edt_zt->setFocus();
                return true;
            }
            if (watched == edt_zt) {
                Button3->setFocus(); // Enter does not send by itself
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

QString Tfstz::makeKey(const QString& name, const QString& login, const QString& code)
{
    return name + QLatin1Char('#') + login + QLatin1Char('@') + code;
}

Tfstz::Key Tfstz::splitKey(const QString& key)
{
    const qsizetype hash = key.indexOf(QLatin1Char('#'));
    const qsizetype at = key.indexOf(QLatin1Char('@'));
    Key k;
    k.name = hash < 0 ? key : key.left(hash);
    k.login = (hash < 0 || at < 0 || at < hash) ? QString() : key.mid(hash + 1, at - hash - 1);
    k.code = at < 0 ? QString() : key.mid(at + 1);
    return k;
}

int Tfstz::indentOf(const QString& code)
{
    const long n = std::lrint(double(code.size()) / 2.0); // ties to even
    return n <= 1 ? 0 : int(n - 1);
}

void Tfstz::loadTree(QTreeWidget* tree, const QStringList& lines)
{
    tree->clear();
    QList<QPair<QTreeWidgetItem*, int>> path; // the open ancestors with their levels
    for (const QString& line : lines) {
        int level = 0;
        while (level < line.size() && line.at(level) == QLatin1Char(' '))
            ++level;
        auto* node = new QTreeWidgetItem(QStringList{line.mid(level)});
        if (path.isEmpty()) {
            tree->addTopLevelItem(node);
            path.append({node, level});
            continue;
        }
        while (!path.isEmpty() && path.last().second > level)
            path.removeLast();
        if (!path.isEmpty() && path.last().second == level) {
            QTreeWidgetItem* sibling = path.takeLast().first;
            if (QTreeWidgetItem* parent = sibling->parent())
                parent->addChild(node);
            else
                tree->addTopLevelItem(node);
        } else if (!path.isEmpty() && path.last().second == level - 1) {
            path.last().first->addChild(node);
        } else if (path.isEmpty()) {
            tree->addTopLevelItem(node);
        } else {
            delete node;
            throw VekError(QStringLiteral("通讯录有误：“%1”的上级部门不在通讯录中，无法列出。").arg(line.trimmed()));
        }
        path.append({node, level});
    }
    tree->collapseAll();
}

void Tfstz::LoadRecipientTree()
{
    DateTimePicker1->setDate(QDate::currentDate());
    qry_tmp.close();
    qry_tmp.clear();
    qry_tmp.add(QStringLiteral("select code, name,vekyhm,zxip from tbl_dzb "));
    qry_tmp.add(QStringLiteral(" where code like '20%'"));
    qry_tmp.add(QStringLiteral(" order by code "));
    qry_tmp.open();
    QStringList visible;
    QStringList hidden;
    for (qry_tmp.first(); !qry_tmp.eof(); qry_tmp.next()) {
        const QString code = qry_tmp.asString(QStringLiteral("code"));
        const QString indent(indentOf(code), QLatin1Char(' '));
        QString shown = indent + qry_tmp.asString(QStringLiteral("name"));
        if (!qry_tmp.asString(QStringLiteral("zxip")).isEmpty())
            shown += QStringLiteral(" 在线");
        visible << shown;
        hidden << indent + makeKey(qry_tmp.asString(QStringLiteral("name")), qry_tmp.asString(QStringLiteral("vekyhm")), code);
    }
    writeGbkLines(QStringLiteral("tmp"), visible);
    writeGbkLines(QStringLiteral("tmp2"), hidden);
    loadTree(TreeView1, visible);
    loadTree(TreeView2, hidden);
}

void Tfstz::Button1Click()
{
    if (m_sending)
        return;
    QTreeWidgetItem* node = TreeView1->currentItem();
    if (!node || !node->isSelected())
        return;
    QTreeWidgetItem* mirror = nodeAt(TreeView2, positionOf(TreeView1, node));
    if (!mirror)
        return;
    ListBox1->addItem(node->text(0));
    ListBox2->addItem(mirror->text(0));
}

void Tfstz::Button2Click()
{
    if (m_sending)
        return;
    const int row = ListBox1->currentRow();
    if (row < 0 || !ListBox1->item(row)->isSelected())
        return;
    delete ListBox1->takeItem(row);
    delete ListBox2->takeItem(row);
}

QStringList Tfstz::insertLines(const Recipient& r) const
{
    const rryxx& u = forms::DataModule1->cur_user;
    const QStringList values = {r.guid,  QStringLiteral("消息"), QStringLiteral("通知"), m_subject, m_now,
                                m_subject, u.cur_xm,             u.cur_yhm,             r.name,    r.login,
                                m_today,   m_jsrq,
                                r.zxip.isEmpty() ? QStringLiteral("是") : QStringLiteral("否")};
    QStringList lines{QStringLiteral("insert into tbl_main(bh,xt,lx,zt,sdwcsj,nr,fsr,fsrgh,jsr,jsrgh,fsrq,jsrq,sftx) values(")};
    for (int i = 0; i < values.size(); ++i)
        lines << db::sqlLiteral(values[i]) + (i + 1 < values.size() ? QStringLiteral(",") : QStringLiteral(");"));
    return lines;
}

void Tfstz::Button3Click()
{
    if (m_sending)
        return;
    if (ListBox2->count() == 0) {
        platform::tip(QStringLiteral("没有目标发送人，请选择！"));
        return;
    }
    if (forms::DataModule1->cur_user.cur_xm.isEmpty()) {
        platform::tip(QStringLiteral("不能以部门的权限发送通知！"));
        return;
    }
    // A subject that the receivers could not read whole is refused before anything is stored.
    const QString subject = edt_zt->text();
    const QString tooLong = notices::bodyFitMessage(
        notices::fitShowBody(QStringLiteral("通知"), QStringLiteral("消息"), subject), QStringLiteral("主题"));
    if (!tooLong.isEmpty()) {
        platform::tip(tooLong);
        edt_zt->setFocus();
        return;
    }
    const QDateTime clock = QDateTime::currentDateTime();
    m_subject = subject;
    m_now = clock.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    m_today = clock.toString(QStringLiteral("yyyy-MM-dd"));
    m_jsrq = DateTimePicker1->date().toString(QStringLiteral("yyyy-MM-dd"));
    m_recipients.clear();
    try {
        auto lookUp = [this](const QString& code) {
            qry_tmp.close();
            qry_tmp.clear();
            qry_tmp.add(QStringLiteral("select code,name,vekyhm,zxip from tbl_dzb "));
            qry_tmp.add(QStringLiteral(" where code like ") + db::sqlLiteral(code + QLatin1Char('%')));
            qry_tmp.add(QStringLiteral(" and vekyhm is not null "));
            qry_tmp.add(QStringLiteral(" and vekyhm<>''"));
            qry_tmp.open();
        };
        for (int i = 0; i < ListBox2->count(); ++i) {
            const Key key = splitKey(ListBox2->item(i)->text());
            if (!key.login.isEmpty()) {
                const QString guid = platform::newGuid();
                if (guid.isEmpty()) {
                    platform::tip(QStringLiteral("创建GUID失败，请重试！"));
                    m_recipients.clear();
                    return; // nothing stored, nothing sent
                }
                lookUp(key.code);
                m_recipients.push_back({key.name, key.login, qry_tmp.asString(QStringLiteral("zxip")), guid});
            } else {
                lookUp(key.code);
                for (qry_tmp.first(); !qry_tmp.eof(); qry_tmp.next()) {
                    const QString guid = platform::newGuid();
                    if (guid.isEmpty()) {
                        platform::tip(QStringLiteral("创建GUID失败，请重试！"));
                        break; // the rest of this department is skipped
                    }
                    m_recipients.push_back({qry_tmp.asString(QStringLiteral("name")), qry_tmp.asString(QStringLiteral("vekyhm")),
                                            qry_tmp.asString(QStringLiteral("zxip")), guid});
                }
            }
        }
    } catch (const VekError& e) {
        // A look-up failed before anything was stored or sent.
        m_recipients.clear();
        showDefaultError(e.message());
        return;
    }

    // From here on the send runs until its result is shown: the buttons wait for it. The rows go
    // into one transaction, a slice of statements per turn of the event loop, so that the window
    // keeps repainting; the datagrams follow once the transaction is committed.
    m_sending = true;
    m_refocus = focusWidget();
    setButtonsEnabled(false);
    m_stored = 0;
    m_phase = Phase::Storing;
    lbl_progress->setText(QStringLiteral("正在保存通知：0/%1").arg(m_recipients.size()));
    lbl_progress->setVisible(true);
    storeNextSlice();
}

// One slice of the rows' transaction: "begin tran" with the first, "commit tran" with the last.
// Each slice is sent as one batch; the slices joined by CR LF are the whole send's batch.
void Tfstz::storeNextSlice()
{
    if (m_phase != Phase::Storing)
        return;
    QStringList lines;
    if (m_stored == 0)
        lines << QStringLiteral("begin tran");
    const int total = int(m_recipients.size());
    int end = m_stored;
    while (end < total && end - m_stored < kRowsPerSlice)
        lines << insertLines(m_recipients[end++]);
    if (end == total)
        lines << QStringLiteral("commit tran");
    Query1.close();
    Query1.setLines(lines);
    try {
        Query1.execute();
    } catch (const VekError&) {
        endSend(false);
        return;
    }
    m_stored = end;
    if (m_stored < total) {
        lbl_progress->setText(QStringLiteral("正在保存通知：%1/%2").arg(m_stored).arg(total));
        m_pace.start(0);
        return;
    }
    // Every row is stored: now the datagrams, to the addresses that are not blank.
    m_outbox.clear();
    for (const Recipient& r : std::as_const(m_recipients))
        if (!r.zxip.trimmed().isEmpty())
            m_outbox << r.zxip.trimmed();
    m_recipients.clear();
    m_payload = notices::showDatagram(QStringLiteral("通知"), QStringLiteral("消息"), m_subject);
    m_total = int(m_outbox.size());
    m_sent = 0;
    m_phase = Phase::Sending;
    if (m_outbox.isEmpty()) {
        endSend(true);
        return;
    }
    lbl_progress->setText(QStringLiteral("正在发送通知：0/%1").arg(m_total));
    sendNextDatagram();
}

// One datagram, then the pause before the next one (or before the result) runs on the event loop.
void Tfstz::sendNextDatagram()
{
    if (m_phase != Phase::Sending)
        return;
    if (m_outbox.isEmpty()) {
        endSend(true);
        return;
    }
    try {
        IdUDPClient.send(m_outbox.takeFirst(), forms::DataModule1->settings().port, m_payload);
    } catch (const VekError&) {
        endSend(false);
        return;
    }
    ++m_sent;
    // The line is redrawn a few times a second, not for every datagram.
    if (m_sent == 1 || m_sent == m_total || !m_progressShown.isValid() || m_progressShown.elapsed() >= 100) {
        lbl_progress->setText(QStringLiteral("正在发送通知：%1/%2").arg(m_sent).arg(m_total));
        m_progressShown.start();
    }
    m_pace.start(kPauseMs);
}

void Tfstz::paceTimeout()
{
    if (m_phase == Phase::Storing)
        storeNextSlice();
    else
        sendNextDatagram();
}

void Tfstz::endSend(bool ok)
{
    m_pace.stop();
    m_phase = Phase::Idle;
    m_outbox.clear();
    m_recipients.clear();
    if (!ok) {
        try {
            forms::DataModule1->ADOConnection1.rollback();
        } catch (const VekError&) {
        }
    }
    lbl_progress->setVisible(false);
    m_progressShown.invalidate();
    platform::tip(ok ? QStringLiteral("发送成功！") : QStringLiteral("发送失败，请确认网络正常！"));
    m_sending = false;
    setButtonsEnabled(true);
    if (m_refocus && m_refocus->isEnabled() && m_refocus->isVisible())
        m_refocus->setFocus();
    m_refocus = nullptr;
    Q_EMIT sendEnded(ok);
}

Tfstz::~Tfstz()
{
    // A page that goes while its rows are half stored leaves none of them behind.
    if (m_phase == Phase::Storing && m_stored > 0 && forms::DataModule1) {
        try {
            forms::DataModule1->ADOConnection1.rollback();
        } catch (const VekError&) {
        }
    }
}

void Tfstz::setButtonsEnabled(bool enabled)
{
    for (QPushButton* b : {RzButton1, Button1, Button2, Button3})
        b->setEnabled(enabled);
}

} // namespace vek
