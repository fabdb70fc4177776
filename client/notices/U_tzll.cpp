#include "U_tzll.h"

#include "db/sqltext.h"
#include "db/vekerror.h"
#include "platform/messagebox.h"
#include "platform/system.h"
#include "shell/vekapplication.h"
#include "shell/U_datamodule.h"
#include "shell/U_main.h"
#include "shell/forms.h"

#include <QApplication>
#include <QComboBox>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QHBoxLayout>
#include <QDate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>

namespace vek {

namespace {
struct Column {
    const char* field;
    const char* title;
    int width;
};
const Column kColumns[] = {{"xt", "系统", 63},        {"lx", "通知类型", 120}, {"zt", "主题", 183},
                           {"fsr", "发送人", 40},     {"fsrq", "发送时间", 105}, {"jsrq", "接收日期", 99}};
// RzDBGrid1DrawColumnCell: every data cell on white, in the row's own font colour (maroon for a read
// notice, black otherwise), the current row included: no selection colour, no focus frame.
class CellPainter final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        opt.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        opt.backgroundBrush = QBrush(Qt::white);
        const QVariant fg = index.data(Qt::ForegroundRole);
        const QColor text = fg.canConvert<QBrush>() ? fg.value<QBrush>().color() : QColor(Qt::black);
        opt.palette.setColor(QPalette::Text, text);
        opt.palette.setColor(QPalette::HighlightedText, text);
        opt.palette.setColor(QPalette::Base, Qt::white);
        const QWidget* w = opt.widget;
        (w ? w->style() : QApplication::style())->drawControl(QStyle::CE_ItemViewItem, &opt, painter, w);
    }
};

// The grid's row indicator: a black triangle on the current row's section, nothing on the others.
class RowIndicator final : public QHeaderView {
public:
    explicit RowIndicator(QTableWidget* grid)
        : QHeaderView(Qt::Vertical, grid), m_grid(grid)
    {
        setSectionsClickable(false);
        setHighlightSections(false);
    }

    QSize sizeHint() const override { return {12, QHeaderView::sizeHint().height()}; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        QStyleOptionHeader opt;
        initStyleOption(&opt);
        opt.rect = rect;
        opt.section = logicalIndex;
        opt.text.clear();
        style()->drawControl(QStyle::CE_Header, &opt, painter, this);
        if (logicalIndex != m_grid->currentRow())
            return;
        const QPointF c = QRectF(rect).center();
        const QPolygonF arrow{QPointF(c.x() - 2, c.y() - 4), QPointF(c.x() + 2, c.y()), QPointF(c.x() - 2, c.y() + 4)};
        painter->save();
        painter->setClipRect(rect); // the style may leave the clip elsewhere
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(Qt::NoPen);
        painter->setBrush(Qt::black);
        painter->drawPolygon(arrow);
        painter->restore();
    }

private:
    QTableWidget* m_grid;
};

} // namespace

Ttzll::Ttzll(QWidget* parent)
    : QWidget(parent), Query1(&forms::DataModule1->ADOConnection1), qry_tmp(&forms::DataModule1->ADOConnection1),
      qry_tmp1(&forms::DataModule1->ADOConnection1)
{
    setObjectName(QStringLiteral("tzll"));
    setWindowTitle(QStringLiteral("通知浏览"));

    auto* band = new QWidget(this);
    band->setFixedHeight(73);
    auto* Label1 = new QLabel(QStringLiteral("系统："), band);
    Label1->setGeometry(12, 55, 38, 14);
    cbb_xt = new QComboBox(band);
    cbb_xt->setObjectName(QStringLiteral("cbb_xt"));
    cbb_xt->setGeometry(50, 51, 81, 20);
    cbb_xt->addItems({QStringLiteral("全部"), QStringLiteral("OA"), QStringLiteral("协同管理"), QStringLiteral("消息"),
                      QStringLiteral("缺陷"), QStringLiteral("设备管理缺陷")});
    Label1->setBuddy(cbb_xt);
    auto* Label2 = new QLabel(QStringLiteral("是否已读："), band);
    Label2->setGeometry(181, 55, 60, 14);
    cbb_yd = new QComboBox(band);
    cbb_yd->setObjectName(QStringLiteral("cbb_yd"));
    cbb_yd->setGeometry(240, 51, 81, 20);
    cbb_yd->addItems({QStringLiteral("全部"), QStringLiteral("已读"), QStringLiteral("未读")});
    cbb_yd->setCurrentIndex(2);
    Label2->setBuddy(cbb_yd);
    Button3 = new QPushButton(QStringLiteral("查 询"), band);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setGeometry(472, 46, 75, 25);

    RzDBGrid1 = new QTableWidget(this);
    RzDBGrid1->setObjectName(QStringLiteral("RzDBGrid1"));
    RzDBGrid1->setColumnCount(int(std::size(kColumns)));
    RzDBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    RzDBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    RzDBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int i = 0; i < int(std::size(kColumns)); ++i) {
        auto* h = new QTableWidgetItem(QString::fromUtf8(kColumns[i].title));
        h->setTextAlignment(Qt::AlignCenter);
        RzDBGrid1->setHorizontalHeaderItem(i, h);
        RzDBGrid1->setColumnWidth(i, kColumns[i].width);
    }
    RzDBGrid1->horizontalHeader()->setStretchLastSection(true);
    auto* indicator = new RowIndicator(RzDBGrid1);
    RzDBGrid1->setVerticalHeader(indicator);
    indicator->setDefaultSectionSize(18);
    RzDBGrid1->setItemDelegate(new CellPainter(RzDBGrid1));
    connect(RzDBGrid1->selectionModel(), &QItemSelectionModel::currentChanged, indicator,
            [indicator] { indicator->viewport()->update(); });

    PopupMenu1 = new QMenu(this);
    N1 = PopupMenu1->addAction(QStringLiteral("回    复"));
    N1->setObjectName(QStringLiteral("N1"));
    PopupMenu1->addSeparator();
    N3 = PopupMenu1->addAction(QStringLiteral("设备管理消缺"));
    N3->setObjectName(QStringLiteral("N3"));
    RzDBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(RzDBGrid1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu1->popup(RzDBGrid1->viewport()->mapToGlobal(pos)); });
    connect(N1, &QAction::triggered, this, &Ttzll::N1Click);
    connect(N3, &QAction::triggered, this, &Ttzll::N3Click);

    Panel5 = new QWidget(this);
    Panel5->setObjectName(QStringLiteral("Panel5"));
    Panel5->setFixedHeight(29);
    RzEdit1 = new QLineEdit(Panel5);
    RzEdit1->setObjectName(QStringLiteral("RzEdit1"));
    RzEdit1->setGeometry(1, 6, 513, 20);
    RzEdit1->setAccessibleName(QStringLiteral("回复内容"));
    RzEdit1->setMaxLength(std::numeric_limits<int>::max()); // checked when sent, never cut short silently
    RzButton1 = new QPushButton(QStringLiteral("发 送"), Panel5);
    RzButton1->setObjectName(QStringLiteral("RzButton1"));
    RzButton1->setGeometry(518, 3, 55, 25);
    Panel5->setVisible(false);
    RzEdit1->installEventFilter(this);
    connect(RzButton1, &QPushButton::clicked, this, &Ttzll::RzButton1Click);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(band);
    layout->addWidget(RzDBGrid1, 1);
    layout->addWidget(Panel5);

    connect(Button3, &QPushButton::clicked, this, &Ttzll::Button3Click);
    connect(RzDBGrid1, &QTableWidget::cellDoubleClicked, this, [this](int, int) { RzDBGrid1DblClick(); });
    connect(RzDBGrid1, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) {
        if (row >= 0 && row < Query1.recordCount())
            Query1.setRecNo(row + 1);
    });
}

void Ttzll::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void Ttzll::FormShow()
{
    if (forms::main && forms::main->Timer_tp)
        forms::main->Timer_tp->stop();
}

void Ttzll::setDefaultListing()
{
    Query1.close();
    Query1.clear();
    Query1.add(QStringLiteral("select * from tbl_main "));
    Query1.add(QStringLiteral(" where jsrgh =") + db::sqlLiteral(forms::DataModule1->cur_user.cur_yhm));
    Query1.add(QStringLiteral(" and sfcy='否'"));
    Query1.add(QStringLiteral(" order by fsrq desc"));
}

void Ttzll::openListing()
{
    try {
        Query1.open();
    } catch (...) {
        fillGrid();
        throw;
    }
    fillGrid();
}

void Ttzll::Button3Click()
{
    RequestEquipmentUpdate();
    const QString yhm = db::sqlLiteral(forms::DataModule1->cur_user.cur_yhm);
    QString filter;
    if (cbb_xt->currentIndex() != 0)
        filter = QStringLiteral(" and xt = ") + db::sqlLiteral(cbb_xt->currentText());
    if (cbb_yd->currentIndex() == 1 || cbb_yd->currentIndex() == 2)
        filter += QStringLiteral(" and sfcy = ") +
                  db::sqlLiteral(cbb_yd->currentIndex() == 1 ? QStringLiteral("是") : QStringLiteral("否"));
    Query1.close();
    Query1.clear();
    Query1.add(QStringLiteral("select * from (select * from tbl_main where jsrgh = (select oayhm from tbl_dzb where vekyhm=") +
               yhm + QStringLiteral(")"));
    Query1.add(QStringLiteral(" union select * from tbl_main where jsrgh =") + yhm + QStringLiteral(") tmp "));
    Query1.add(QStringLiteral(" where 1=1 "));
    Query1.add(filter);
    Query1.add(QStringLiteral(" order by fsrq desc"));
    openListing();
}

void Ttzll::fillGrid()
{
    const QSignalBlocker quiet(RzDBGrid1);
    RzDBGrid1->setRowCount(Query1.recordCount());
    const int keep = Query1.recNo();
    Query1.first();
    for (int row = 0; !Query1.eof(); ++row, Query1.next()) {
        const bool read = Query1.asString(QStringLiteral("sfcy")) == QStringLiteral("是");
        for (int c = 0; c < int(std::size(kColumns)); ++c) {
            auto* item = new QTableWidgetItem(Query1.asString(QString::fromLatin1(kColumns[c].field)));
            item->setForeground(read ? QColor(128, 0, 0) : QColor(Qt::black));
            item->setBackground(Qt::white);
            RzDBGrid1->setItem(row, c, item);
        }
    }
    if (keep > 0) {
        Query1.setRecNo(keep);
        RzDBGrid1->setCurrentCell(keep - 1, qMax(0, RzDBGrid1->currentColumn()));
    }
}

int Ttzll::currentRecord() const
{
    return Query1.recNo();
}

void Ttzll::setCurrentRecord(int record)
{
    RzDBGrid1->setCurrentCell(record - 1, qMax(0, RzDBGrid1->currentColumn()));
}

void Ttzll::RequestEquipmentUpdate()
{
    Query1.close();
    Query1.clear();
    Query1.add(QStringLiteral("select * from tbl_main "));
    Query1.add(QStringLiteral(" where jsrgh =") + db::sqlLiteral(forms::DataModule1->cur_user.cur_yhm));
    Query1.add(QStringLiteral(" and xt = '设备管理缺陷'"));
    Query1.add(QStringLiteral(" and sfcy = '否'"));
    Query1.open();
    if (Query1.recordCount() > 0) {
        const Settings& s = forms::DataModule1->settings();
        IdUDPClient.send(s.updateHost, s.port, notices::updateDatagram(forms::DataModule1->cur_user.cur_yhm));
    }
}

void Ttzll::RzDBGrid1DblClick()
{
    if (Query1.recordCount() == 0)
        return;
    const int record = Query1.recNo();
    qry_tmp.close();
    qry_tmp.clear();
    qry_tmp.add(QStringLiteral("update tbl_main "));
    qry_tmp.add(QStringLiteral(" set sfcy = '是' "));
    qry_tmp.add(QStringLiteral(" where bh =") + db::sqlLiteral(Query1.asString(QStringLiteral("bh"))));
    qry_tmp.execute();
    Query1.open();
    // The cursor moves on to the record after the one marked; without one the first stays current.
    if (record + 1 <= Query1.recordCount())
        Query1.setRecNo(record + 1);
    fillGrid();
}

void Ttzll::N1Click()
{
    Panel5->setVisible(true);
    RzEdit1->setFocus();
}

bool Ttzll::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == RzEdit1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            RzButton1Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Ttzll::RzButton1Click()
{
    // A reply that the receiver could not read whole is refused before anything is stored.
    const QString tooLong = notices::bodyFitMessage(
        notices::fitShowBody(QStringLiteral("通知"), QStringLiteral("消息"), RzEdit1->text()), QStringLiteral("回复内容"));
    if (!tooLong.isEmpty()) {
        platform::tip(tooLong);
        RzEdit1->setFocus();
        return;
    }
    const QString guid = platform::newGuid();
    if (guid.isEmpty()) {
        platform::tip(QStringLiteral("创建GUID失败，请重试！"));
        return;
    }
    const QString reply = RzEdit1->text();
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    const QString fsr = Query1.asString(QStringLiteral("fsr"));
    const QString fsrgh = Query1.asString(QStringLiteral("fsrgh"));
    const QStringList values = {guid, QStringLiteral("消息"), QStringLiteral("通知"), reply, QString(), reply,
                                Query1.asString(QStringLiteral("jsr")), Query1.asString(QStringLiteral("jsrgh")),
                                fsr, fsrgh, today, today, QStringLiteral("是")};
    qry_tmp.close();
    qry_tmp.clear();
    qry_tmp.add(QStringLiteral("insert into tbl_main(bh,xt,lx,zt,sdwcsj,nr,fsr,fsrgh,jsr,jsrgh,fsrq,jsrq,sftx) values("));
    for (int i = 0; i < values.size(); ++i)
        qry_tmp.add(db::sqlLiteral(values[i]) + (i + 1 < values.size() ? QStringLiteral(",") : QStringLiteral(");")));
    auto message = [](const QString& text) {
        platform::tip(text);
    };
    try {
        qry_tmp.execute();
        message(QStringLiteral("发送成功！"));
        qry_tmp1.close();
        qry_tmp1.clear();
        qry_tmp1.add(QStringLiteral("select * from tbl_dzb "));
        qry_tmp1.add(QStringLiteral(" where vekyhm=") + db::sqlLiteral(fsrgh));
        qry_tmp1.open();
        const QString zxip = qry_tmp1.asString(QStringLiteral("zxip"));
        if (!zxip.isEmpty())
            IdUDPClient.send(zxip, forms::DataModule1->settings().port,
                             notices::showDatagram(QStringLiteral("通知"), QStringLiteral("消息"), reply));
        qry_tmp1.close();
    } catch (const VekError&) {
        message(QStringLiteral("发送失败！"));
    }
    Panel5->setVisible(false);
}

void Ttzll::N3Click()
{
    if (Query1.eof() || Query1.asString(QStringLiteral("xt")) != QStringLiteral("设备管理缺陷"))
        return;
    const QString code = Query1.asString(QStringLiteral("bz"));
    if (code.isEmpty() || !openElimination)
        return;
    openElimination(code);
}

} // namespace vek
