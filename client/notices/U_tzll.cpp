#include "U_tzll.h"

#include "db/sqltext.h"
#include "shell/U_datamodule.h"
#include "shell/U_main.h"
#include "shell/forms.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace vek {

namespace {
struct Column {
    const char* field;
    const char* title;
    int width;
};
const Column kColumns[] = {{"xt", "系统", 63},        {"lx", "通知类型", 120}, {"zt", "主题", 183},
                           {"fsr", "发送人", 40},     {"fsrq", "发送时间", 105}, {"jsrq", "接收日期", 99}};
} // namespace

Ttzll::Ttzll(QWidget* parent)
    : QWidget(parent), Query1(&forms::DataModule1->ADOConnection1), qry_tmp(&forms::DataModule1->ADOConnection1)
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
    RzDBGrid1->verticalHeader()->setDefaultSectionSize(18);
    for (int i = 0; i < int(std::size(kColumns)); ++i) {
        auto* h = new QTableWidgetItem(QString::fromUtf8(kColumns[i].title));
        h->setTextAlignment(Qt::AlignCenter);
        RzDBGrid1->setHorizontalHeaderItem(i, h);
        RzDBGrid1->setColumnWidth(i, kColumns[i].width);
    }
    RzDBGrid1->horizontalHeader()->setStretchLastSection(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(band);
    layout->addWidget(RzDBGrid1, 1);

    connect(Button3, &QPushButton::clicked, this, &Ttzll::Button3Click);
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
    if (keep > 0)
        Query1.setRecNo(keep);
}

} // namespace vek
