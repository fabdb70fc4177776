#include "U_bq_mis.h"

#include "ui_U_bq_mis.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace vek {

TBQ_MIS::TBQ_MIS(QWidget* parent) : TBQ_base(parent), ui(std::make_unique<Ui::TBQ_MIS>())
{
    ui->setupUi(this);
    cbb_ppxh = ui->cbb_ppxh;
    rdg_xt = ui->rdg_xt;
    rdg_xtButtons = ui->grp_xt;
    const QList<QAbstractButton*> systems{ui->rb_xt0, ui->rb_xt1, ui->rb_xt2, ui->rb_xt3, ui->rb_xt4, ui->rb_xt5};
    for (int i = 0; i < systems.size(); ++i)
        rdg_xtButtons->setId(systems[i], i);
    // Like a radio group, the systems are one tab stop: the chosen one.
    connect(rdg_xtButtons, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        rdg_xtButtons->button(id)->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
    });
    for (QAbstractButton* b : systems)
        b->setFocusPolicy(Qt::ClickFocus);
    ui->rb_xt2->setChecked(true); // WindowsXP
    cbb_ppxh->setCurrentIndex(0);
    bind(ui->edt_gh, ui->edt_xm, ui->edt_bm, ui->edt_dh, ui->edt_dz, ui->mm_ms, ui->btn_save, cbb_ppxh);
    cbb_ppxh->installEventFilter(this);
    cbb_ppxh->lineEdit()->installEventFilter(this);
}

TBQ_MIS::~TBQ_MIS() = default;

QString TBQ_MIS::typeId() const
{
    return QStringLiteral("7C043CBB-8817-44F2-B032-3ED01592D479");
}

QString TBQ_MIS::computerType() const
{
    const QString text = cbb_ppxh->currentText();
    return text == cbb_ppxh->itemText(0) ? QString() : text;
}

QString TBQ_MIS::operatingSystem() const
{
    const QAbstractButton* chosen = rdg_xtButtons->checkedButton();
    return chosen ? chosen->text() : QString();
}

QStringList TBQ_MIS::extraColumns() const
{
    return {QStringLiteral("computertype"), QStringLiteral("os")};
}

QStringList TBQ_MIS::extraValues() const
{
    return {computerType(), operatingSystem()};
}

bool TBQ_MIS::pageKeyPress(QObject* watched, QKeyEvent* key)
{
    if ((watched == cbb_ppxh || watched == cbb_ppxh->lineEdit()) && isEnter(key)) {
        mm_ms->setFocus();
        return true;
    }
    return false;
}

} // namespace vek
