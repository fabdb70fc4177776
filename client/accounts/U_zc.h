#pragma once

#include "db/query.h"

#include <QLocale>
#include <QWidget>

#include <memory>

namespace Ui {
class Tggkl;
}
class QLabel;
class QLineEdit;
class QPushButton;

namespace vek {

class StrengthMeter;

// The MIS password page: shows when the password was last changed, checks the old password in the
// personnel directory, stores the new one and records the time of the change. A meter rates the new
// password while it is typed; the rating is advice only.
class Tggkl : public QWidget {
    Q_OBJECT
public:
    explicit Tggkl(QWidget* parent = nullptr);
    ~Tggkl() override;

    QLabel* Label3;
    QLineEdit* edt_kl;
    QLineEdit* edt_xkl;
    StrengthMeter* RzMeter1;
    QPushButton* btn_zc;
    QPushButton* btn_qx;
    db::Query Query1;  // personnel directory
    db::Query qry_tmp; // main catalog

    void FormShow();
    void btn_zcClick();
    void btn_qxClick();

    // The last-change line's date and time: regional short date and long time, no time at midnight.
    static QString dateTimeText(const QDateTime& when, const QLocale& locale = QLocale::system());

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool edt_klKeyPress(QKeyEvent* key);
    bool edt_xklKeyPress(QKeyEvent* key);

    std::unique_ptr<Ui::Tggkl> ui;
};

} // namespace vek
