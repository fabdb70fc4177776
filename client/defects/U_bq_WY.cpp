#include "U_bq_WY.h"

#include "ui_U_bq_WY.h"

namespace vek {

TBQ_WY::TBQ_WY(QWidget* parent) : TBQ_base(parent), ui(std::make_unique<Ui::TBQ_WY>())
{
    ui->setupUi(this);
    bind(ui->edt_gh, ui->edt_xm, ui->edt_bm, ui->edt_dh, ui->edt_dz, ui->mm_ms, ui->btn_save, ui->mm_ms);
}

TBQ_WY::~TBQ_WY() = default;

QString TBQ_WY::typeId() const
{
    return QStringLiteral("35632EC3-8A47-4DDC-BB41-9A17CE57DCA8");
}

} // namespace vek
