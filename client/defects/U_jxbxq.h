#pragma once

#include "db/query.h"
#include "notices/datagram.h"

#include <QDialog>

#include <memory>

namespace Ui {
class Tjxbxq;
}
class QLineEdit;
class QPushButton;

namespace vek {

// The maintenance department's elimination form: shows one equipment defect that awaits elimination,
// closes it in the equipment database and asks the shift account in charge of the equipment, by a
// notice and a pop-up, to accept the work. Shown modally from the notice browser, or embedded as a
// page (then without a defect).
class Tjxbxq : public QDialog {
    Q_OBJECT
public:
    explicit Tjxbxq(QWidget* parent = nullptr);
    ~Tjxbxq() override;

    QString flaw_code; // f_code of the defect; set before the form is shown

    QLineEdit* edt_xqr;   // eliminator's staff number
    QLineEdit* edt_xqsm;  // elimination note
    QLineEdit* RzDBEdit1; // EQUIP_CODE
    QLineEdit* RzDBEdit2; // F_CALL_TIME
    QLineEdit* RzDBEdit3; // F_EQUIP_LEVEL
    QLineEdit* RzDBEdit6; // F_DETAIL_EXTEND
    QLineEdit* RzDBEdit7; // F_FIND_MAN
    QLineEdit* RzDBEdit10; // F_FIND_TEAM
    QLineEdit* RzDBEdit8; // F_CALL_MAN
    QLineEdit* RzDBEdit11; // F_CALL_TEAM
    QLineEdit* RzEdit2;   // "已消除"
    QPushButton* Button1;

    db::Query qry_sbgl; // equipment: the defect shown
    db::Query qry_jxb;  // equipment: closing it
    db::Query qry_ry;   // main catalog: the eliminator
    db::Query Query1;   // main catalog: the recipient of the acceptance request
    db::Query qry_tmp;  // main catalog: the acceptance notice
    notices::UdpClient IdUDPClient;

    void FormShow();     // loads the defect
    void Button1Click(); // eliminates it

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Closes the defect in the equipment database; false (after telling the user) when nothing was closed.
    bool closeDefect(const QString& eliminator, const QString& team);
    // Stores the acceptance notice and pops it up; false when the handler has to end without success.
    bool requestAcceptance();

    // The defect as loaded when the form was shown.
    struct Defect {
        QString equipCode, callTime, equipLevel;
        bool hasSbdm = false;
        QString sbdm;
    } m_defect;

    std::unique_ptr<Ui::Tjxbxq> ui;
};

} // namespace vek
