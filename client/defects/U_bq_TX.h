#pragma once

#include "defects/U_bq.h"

#include <memory>

namespace Ui {
class TBQ_TX;
}

namespace vek {

// The telecom (通讯) defect report page: the shared report, filed under its own category.
class TBQ_TX : public TBQ_base {
    Q_OBJECT
public:
    explicit TBQ_TX(QWidget* parent = nullptr);
    ~TBQ_TX() override;

protected:
    QString typeId() const override;

private:
    std::unique_ptr<Ui::TBQ_TX> ui;
};

} // namespace vek
