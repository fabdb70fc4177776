#include "U_yhxxpz.h"

#include "db/sqltext.h"
#include "db/vekerror.h"
#include "platform/messagebox.h"
#include "shell/U_datamodule.h"
#include "shell/forms.h"
#include "shell/vekapplication.h"
#include "ui_U_yhxxpz.h"
#include "shell/fonts.h"

#include <QCloseEvent>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableWidget>

namespace vek {

namespace {
const QString kCaption = QStringLiteral("提示");

struct GridColumn {
    const char* field;
    const char* title;
    int width;
};
const GridColumn kGrid[] = {{"xh", "序号", 30},   {"code", "编号", 76}, {"name", "姓名", 53},
                            {"vekyhm", "工号", 54}, {"zy", "专业", 38},   {"bz", "班组", 115},
                            {"oayhm", "OA用户名", 80}};

} // namespace

QStringList Tyhxxpz::gridFields()
{
    QStringList out;
    for (const auto& c : kGrid)
        out << QString::fromLatin1(c.field);
    return out;
}

Tyhxxpz::Tyhxxpz(QWidget* parent)
    : QDialog(parent), Query1(&forms::DataModule1->ADOConnection1), qry_ry(&forms::DataModule1->ADOConnectionORA),
      qry_oa(&forms::DataModule1->ADOConnection1), qry_oa1(&forms::DataModule1->ADOConnection1),
      ADOTable1(&forms::DataModule1->ADOConnection1), ui(std::make_unique<Ui::Tyhxxpz>())
{
    ui->setupUi(this);
    DBGrid1 = ui->DBGrid1;
    edt_bh = ui->edt_bh;
    edt_xm = ui->edt_xm;
    edt_gh = ui->edt_gh;
    edt_bz = ui->edt_bz;
    edt_zy = ui->edt_zy;
    DBEdit1 = ui->DBEdit1;
    btn_zj = ui->btn_zj;
    btn_xg = ui->btn_xg;
    btn_sc = ui->btn_sc;
    btn_bc = ui->btn_bc;
    Button1 = ui->Button1;

    setFont(songti(12));
    setFixedSize(size());
    centreOnScreen(this);

    ADOTable1.setTableName(QStringLiteral("tbl_jxry"));
    ADOTable1.addComputedColumn(QStringLiteral("xh"), [this](int row) { return ADOTable1xhGetText(row); });
    connect(&ADOTable1, &db::Table::afterScroll, this, &Tyhxxpz::ADOTable1AfterScroll);
    connect(&ADOTable1, &db::Table::rowsChanged, this, [this] {
        fillGrid();
        fillBoxes();
    });

    DBGrid1->setColumnCount(int(std::size(kGrid)));
    for (int i = 0; i < int(std::size(kGrid)); ++i) {
        auto* h = new QTableWidgetItem(QString::fromUtf8(kGrid[i].title));
        h->setTextAlignment(Qt::AlignCenter);
        DBGrid1->setHorizontalHeaderItem(i, h);
        DBGrid1->setColumnWidth(i, kGrid[i].width);
    }
    DBGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    DBGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    DBGrid1->verticalHeader()->setDefaultSectionSize(18);
    DBGrid1->verticalHeader()->hide();
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    DBGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    DBGrid1->setTabKeyNavigation(true);
    DBGrid1->installEventFilter(this);
    connect(DBGrid1, &QTableWidget::cellChanged, this, &Tyhxxpz::gridCellChanged);
    connect(DBGrid1, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int previousRow, int) {
                if (row != previousRow)
                    gridCurrentChanged(row);
            });

    const std::pair<QLineEdit*, const char*> bound[] = {
        {edt_bh, "code"}, {edt_xm, "name"}, {edt_gh, "vekyhm"}, {edt_bz, "bz"}, {edt_zy, "zy"}};
    for (const auto& [box, field] : bound) {
        const QString name = QString::fromLatin1(field);
        connect(box, &QLineEdit::textEdited, this, [this, name](const QString& text) { boxEdited(name, text); });
    }
    for (QLineEdit* box : {edt_bh, edt_xm, edt_gh, edt_bz, edt_zy, DBEdit1})
        box->installEventFilter(this);

    connect(btn_zj, &QPushButton::clicked, this, &Tyhxxpz::btn_zjClick);
    connect(btn_xg, &QPushButton::clicked, this, &Tyhxxpz::btn_xgClick);
    connect(btn_sc, &QPushButton::clicked, this, &Tyhxxpz::btn_scClick);
    connect(btn_bc, &QPushButton::clicked, this, &Tyhxxpz::btn_bcClick);
    connect(Button1, &QPushButton::clicked, this, &Tyhxxpz::Button1Click);
}

Tyhxxpz::~Tyhxxpz() = default;

void Tyhxxpz::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        m_closed = false;
        FormShow();
    }
}

void Tyhxxpz::FormShow()
{
    qry_oa1.close();
    qry_oa1.clear();
    qry_oa1.add(QStringLiteral("select vekyhm,oayhm from tbl_dzb "));
    db::RowSet snapshot;
    try {
        qry_oa1.open();
        for (int i = 1; i <= qry_oa1.recordCount(); ++i) {
            qry_oa1.setRecNo(i);
            snapshot.rows.push_back({qry_oa1.asString(QStringLiteral("vekyhm")), qry_oa1.asString(QStringLiteral("oayhm"))});
        }
        snapshot.columns = QStringList{QStringLiteral("vekyhm"), QStringLiteral("oayhm")};
        ADOTable1.addLookupColumn(QStringLiteral("oayhm"), QStringLiteral("vekyhm"), snapshot, QStringLiteral("vekyhm"),
                                  QStringLiteral("oayhm"));
        ADOTable1.close();
        ADOTable1.open();
    } catch (const VekError& e) {
        showDefaultError(e.message());
    }
}

QString Tyhxxpz::ADOTable1xhGetText(int row) const
{
    return QString::number(row + 1);
}

void Tyhxxpz::fillGrid()
{
    m_syncing = true;
    const QStringList fields = gridFields();
    const int rows = ADOTable1.isActive() ? ADOTable1.recordCount() : 0;
    DBGrid1->setRowCount(rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < fields.size(); ++c) {
            QTableWidgetItem* item = DBGrid1->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                DBGrid1->setItem(r, c, item);
            }
            item->setText(ADOTable1.displayValue(r, fields[c]));
            Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            if (!ADOTable1.isComputed(fields[c]))
                flags |= Qt::ItemIsEditable;
            item->setFlags(flags);
        }
    if (rows > 0 && DBGrid1->currentRow() != ADOTable1.recNo() - 1)
        DBGrid1->setCurrentCell(ADOTable1.recNo() - 1, qMax(DBGrid1->currentColumn(), 1));
    m_syncing = false;
}

void Tyhxxpz::fillBoxes()
{
    m_syncing = true;
    const std::pair<QLineEdit*, const char*> bound[] = {
        {edt_bh, "code"}, {edt_xm, "name"}, {edt_gh, "vekyhm"}, {edt_bz, "bz"}, {edt_zy, "zy"}};
    for (const auto& [box, field] : bound) {
        const QString text = ADOTable1.isActive() ? ADOTable1.fieldValue(QString::fromLatin1(field)) : QString();
        if (box->text() != text)
            box->setText(text);
    }
    m_syncing = false;
}

void Tyhxxpz::ADOTable1AfterScroll()
{
    fillGrid();
    fillBoxes();
    qry_oa.close();
    qry_oa.clear();
    qry_oa.add(QStringLiteral("select oayhm as oa from tbl_dzb "));
    qry_oa.add(QStringLiteral(" where vekyhm = ") + db::sqlLiteral(ADOTable1.fieldValue(QStringLiteral("vekyhm"))));
    try {
        qry_oa.open();
        DBEdit1->setText(qry_oa.recordCount() > 0 ? qry_oa.asString(QStringLiteral("oa")) : QString());
    } catch (const VekError& e) {
        DBEdit1->clear();
        showDefaultError(e.message());
    }
}

void Tyhxxpz::boxEdited(const QString& field, const QString& text)
{
    if (m_syncing || !ADOTable1.isActive())
        return;
    try {
        if (ADOTable1.recordCount() == 0)
            ADOTable1.append();
        ADOTable1.setFieldValue(field, text);
    } catch (const VekError& e) {
        showDefaultError(e.message());
    }
}

void Tyhxxpz::gridCellChanged(int row, int column)
{
    if (m_syncing || !ADOTable1.isActive())
        return;
    const QString field = gridFields().value(column);
    if (ADOTable1.isComputed(field))
        return;
    try {
        if (row + 1 != ADOTable1.recNo())
            ADOTable1.setRecNo(row + 1);
        ADOTable1.setFieldValue(field, DBGrid1->item(row, column)->text().left(32));
    } catch (const VekError& e) {
        reportStoreError(e);
        fillGrid();
    }
}

void Tyhxxpz::gridCurrentChanged(int row)
{
    if (m_syncing || !ADOTable1.isActive() || row < 0 || row + 1 == ADOTable1.recNo())
        return;
    try {
        m_gridAppended = false;
        ADOTable1.setRecNo(row + 1);
    } catch (const VekError& e) {
        reportStoreError(e);
        fillGrid(); // back to the row that could not be stored
    }
}

bool Tyhxxpz::gridKeyPress(QKeyEvent* key)
{
    if (key->key() == Qt::Key_Delete && (key->modifiers() & Qt::ControlModifier)) {
        if (ADOTable1.recordCount() > 0 &&
            platform::messageBox(QStringLiteral("Delete record?"), QStringLiteral("Confirm"),
                                 platform::MbOkCancel | platform::MbIconQuestion) == platform::IdOk)
            btn_scClick();
        return true;
    }
    if (key->key() == Qt::Key_Down && ADOTable1.isActive() &&
        (ADOTable1.recordCount() == 0 || ADOTable1.recNo() == ADOTable1.recordCount()) &&
        !(ADOTable1.state() == db::Table::State::Insert && !ADOTable1.modified())) {
        btn_zjClick();
        m_gridAppended = ADOTable1.state() == db::Table::State::Insert;
        return true;
    }
    return false;
}

bool Tyhxxpz::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == DBGrid1) {
        if (event->type() == QEvent::KeyPress && gridKeyPress(static_cast<QKeyEvent*>(event)))
            return true;
        // A row added from inside the grid and left untouched goes when the grid loses the focus.
        if (event->type() == QEvent::FocusOut && m_gridAppended && !DBGrid1->isAncestorOf(QApplication::focusWidget()) &&
            ADOTable1.state() == db::Table::State::Insert && !ADOTable1.modified()) {
            m_gridAppended = false;
            ADOTable1.cancel();
        }
        return QDialog::eventFilter(watched, event);
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (watched == edt_gh)
                edt_ghKeyPress();
            else
                edt_bhKeyPress();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Tyhxxpz::edt_bhKeyPress()
{
    focusNextChild();
}

void Tyhxxpz::edt_ghKeyPress()
{
    lookUpStaffNumber();
}

void Tyhxxpz::lookUpStaffNumber()
{
    qry_ry.close();
    qry_ry.clear();
    qry_ry.add(QStringLiteral("select rycode as code,ryname as name ,bmm,(select name from table_zd where code = "
                              "substr(t.bmm,1,length(bmm)-2)) as bmmc from table_person t "));
    qry_ry.add(QStringLiteral(" where rycode =") + db::sqlLiteral(edt_gh->text()));
    try {
        qry_ry.open();
    } catch (const VekError& e) {
        showDefaultError(e.message());
        return;
    }
    if (qry_ry.recordCount() == 0) {
        platform::tip(QStringLiteral("工号录入不正确"));
        return;
    }
    const auto state = ADOTable1.state();
    if (state == db::Table::State::Insert || state == db::Table::State::Edit) {
        ADOTable1.setFieldValue(QStringLiteral("code"), qry_ry.asString(QStringLiteral("bmm")));
        ADOTable1.setFieldValue(QStringLiteral("name"), qry_ry.asString(QStringLiteral("name")));
        ADOTable1.setFieldValue(QStringLiteral("bz"), qry_ry.asString(QStringLiteral("BMMC")));
    }
    focusNextChild();
}

void Tyhxxpz::btn_zjClick()
{
    try {
        m_gridAppended = false;
        ADOTable1.append();
    } catch (const VekError& e) {
        showDefaultError(e.message());
    }
}

void Tyhxxpz::btn_xgClick()
{
    try {
        ADOTable1.edit();
    } catch (const VekError& e) {
        showDefaultError(e.message());
    }
}

void Tyhxxpz::btn_scClick()
{
    try {
        ADOTable1.deleteCurrent();
    } catch (const VekError& e) {
        reportStoreError(e);
    }
}

void Tyhxxpz::btn_bcClick()
{
    const QString staffNumber = edt_gh->text();
    // The OA name goes first, whatever happens to the row. Without a staff number there is no person
    // to address: the statement would reach every address-book row without one (the departments).
    if (!staffNumber.isEmpty()) {
        qry_oa.close();
        qry_oa.clear();
        qry_oa.add(QStringLiteral("update tbl_dzb set oayhm = ") + db::sqlLiteral(DBEdit1->text()));
        qry_oa.add(QStringLiteral(" where vekyhm = ") + db::sqlLiteral(staffNumber));
        try {
            qry_oa.execute();
        } catch (const VekError& e) {
            showDefaultError(e.message());
            return;
        }
    }

    if (ADOTable1.state() == db::Table::State::Insert) {
        qry_ry.close();
        qry_ry.clear();
        qry_ry.add(QStringLiteral("select * from table_zd "));
        qry_ry.add(QStringLiteral(" where code =") + db::sqlLiteral(edt_bh->text()));
        qry_ry.add(QStringLiteral(" and name =") + db::sqlLiteral(edt_xm->text()));
        qry_ry.add(QStringLiteral(" and rycode =") + db::sqlLiteral(staffNumber));
        try {
            qry_ry.open();
        } catch (const VekError& e) {
            showDefaultError(e.message());
            return;
        }
        if (qry_ry.recordCount() == 0) {
            platform::tip(QStringLiteral("人员信息录入不正确！"));
            return;
        }
        Query1.close();
        Query1.clear();
        Query1.add(QStringLiteral("select * from tbl_jxry "));
        Query1.add(QStringLiteral(" where code =") + db::sqlLiteral(edt_bh->text()));
        Query1.add(QStringLiteral(" and vekyhm =") + db::sqlLiteral(staffNumber));
        try {
            Query1.open();
        } catch (const VekError&) {
            return; // the duplicate check failing ends the save without a word
        }
        if (Query1.recordCount() > 0) {
            platform::tip(QStringLiteral("人员信息已经存在！"));
            return;
        }
        try {
            ADOTable1.post();
        } catch (const VekError&) {
            platform::tip(QStringLiteral("增加失败！"));
            return;
        }
        platform::tip(QStringLiteral("增加成功！"));
    } else if (ADOTable1.state() == db::Table::State::Edit) {
        try {
            ADOTable1.post();
        } catch (const VekError& e) {
            reportStoreError(e);
        }
    }
}

void Tyhxxpz::reportStoreError(const VekError& e)
{
    if (e.message() != db::Table::kRowGone) {
        showDefaultError(e.message());
        return;
    }
    // Another administrator deleted or changed the row meanwhile: nothing was stored or deleted. The
    // user is told, and the grid shows the table as it now is.
    platform::tip(e.message() + QStringLiteral("列表已重新读取。"));
    const int recNo = ADOTable1.recNo();
    try {
        ADOTable1.cancel();
        ADOTable1.close();
        ADOTable1.open();
        if (ADOTable1.recordCount() > 0)
            ADOTable1.setRecNo(qBound(1, recNo, ADOTable1.recordCount()));
    } catch (const VekError& again) {
        showDefaultError(again.message());
    }
}

void Tyhxxpz::Button1Click()
{
    close();
}

void Tyhxxpz::FormClose()
{
    const auto state = ADOTable1.state();
    if ((state == db::Table::State::Insert || state == db::Table::State::Edit) &&
        platform::messageBox(QStringLiteral("要保存已经修改的数据吗？"), kCaption,
                             platform::MbYesNo | platform::MbIconQuestion) == platform::IdYes)
        btn_bcClick();
    ADOTable1.cancel(); // whatever is still unsaved is discarded
}

void Tyhxxpz::closeEvent(QCloseEvent* event)
{
    if (!m_closed) {
        m_closed = true;
        FormClose();
    }
    QDialog::closeEvent(event);
}

void Tyhxxpz::reject()
{
    if (!m_closed) {
        m_closed = true;
        FormClose();
    }
    QDialog::reject();
}

} // namespace vek
