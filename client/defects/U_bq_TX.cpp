#include "U_bq_TX.h"

#include "ui_U_bq_TX.h"

namespace vek {

TBQ_TX::TBQ_TX(QWidget* parent) : TBQ_base(parent), ui(std::make_unique<Ui::TBQ_TX>())
{
    ui->setupUi(this);
    bind(ui->edt_gh, ui->edt_xm, ui->edt_bm, ui->edt_dh, ui->edt_dz, ui->mm_ms, ui->btn_save, ui->mm_ms);
}

TBQ_TX::~TBQ_TX() = default;

QString TBQ_TX::typeId() const
{
    return QStringLiteral("14048437-030D-478F-B978-A5F3DA6AAAC4");
}

} // namespace vek
