#pragma once

#include "db/query.h"

#include <QStringList>
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QKeyEvent;

namespace vek {

// What the defect report pages share: the reporter look-up on the main catalog, the validation, the
// insert into reportbugs on the service-centre database and the clearing after a saved report. A page
// builds its own layout, hands its boxes to bind() and says which category it files under and which
// extra columns (if any) it writes.
class TBQ_base : public QWidget {
    Q_OBJECT
public:
    ~TBQ_base() override;

    QLineEdit* edt_gh = nullptr; // reporter's staff number
    QLineEdit* edt_xm = nullptr; // reporter's name (looked up, read-only)
    QLineEdit* edt_bm = nullptr; // reporter's department (looked up, read-only)
    QLineEdit* edt_dh = nullptr; // telephone
    QLineEdit* edt_dz = nullptr; // address
    QPlainTextEdit* mm_ms = nullptr; // fault description
    QPushButton* btn_save = nullptr;
    db::Query qry_xm; // main catalog: reporter look-up
    db::Query qry_qd; // service centre: the report

    // Enter in edt_gh: fills name and department from the directory, then moves on to the telephone.
    void edt_ghEnter();
    void btn_saveClick();

protected:
    explicit TBQ_base(QWidget* parent);

    // Wires the boxes the page's layout made; `afterAddress` is where Enter in the address box leads.
    void bind(QLineEdit* gh, QLineEdit* xm, QLineEdit* bm, QLineEdit* dh, QLineEdit* dz, QPlainTextEdit* ms,
              QPushButton* save, QWidget* afterAddress);

    // The category of the page's reports, written to typeid.
    virtual QString typeId() const = 0;
    // Columns written between address and faultdescription, with their values (as typed, unquoted).
    virtual QStringList extraColumns() const { return {}; }
    virtual QStringList extraValues() const { return {}; }
    // Enter in a box of the page's own beyond the shared ones; true when handled.
    virtual bool pageKeyPress(QObject* watched, QKeyEvent* key);

    bool eventFilter(QObject* watched, QEvent* event) override;

    static bool isEnter(const QKeyEvent* key);

private:
    QWidget* m_afterAddress = nullptr;
};

} // namespace vek
