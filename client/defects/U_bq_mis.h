#pragma once

#include "defects/U_bq.h"

#include <memory>

namespace Ui {
class TBQ_MIS;
}
class QButtonGroup;
class QComboBox;
class QGroupBox;

namespace vek {

// The MIS (computer) defect report page: the shared report plus the brand/model and the operating
// system of the computer.
class TBQ_MIS : public TBQ_base {
    Q_OBJECT
public:
    explicit TBQ_MIS(QWidget* parent = nullptr);
    ~TBQ_MIS() override;

    QComboBox* cbb_ppxh;
    QGroupBox* rdg_xt;
    QButtonGroup* rdg_xtButtons; // the six systems, in the order of their ids 0..5

    // What the report stores: the model typed or chosen ("" for the placeholder), the system's caption
    // ("" when none is chosen).
    QString computerType() const;
    QString operatingSystem() const;

protected:
    QString typeId() const override;
    QStringList extraColumns() const override;
    QStringList extraValues() const override;
    bool pageKeyPress(QObject* watched, QKeyEvent* key) override;

private:
    std::unique_ptr<Ui::TBQ_MIS> ui;
};

} // namespace vek
