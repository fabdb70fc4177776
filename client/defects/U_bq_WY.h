#pragma once

#include "defects/U_bq.h"

#include <memory>

namespace Ui {
class TBQ_WY;
}

namespace vek {

// The property (物业) defect report page: the shared report, filed under its own category.
class TBQ_WY : public TBQ_base {
    Q_OBJECT
public:
    explicit TBQ_WY(QWidget* parent = nullptr);
    ~TBQ_WY() override;

protected:
    QString typeId() const override;

private:
    std::unique_ptr<Ui::TBQ_WY> ui;
};

} // namespace vek
