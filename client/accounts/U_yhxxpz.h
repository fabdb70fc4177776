#pragma once

#include "db/query.h"
#include "db/table.h"
#include "db/vekerror.h"

#include <QDialog>

#include <memory>

namespace Ui {
class Tyhxxpz;
}
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace vek {

// The maintenance-staff configuration: the rows of tbl_jxry in a grid and six entry boxes over the
// current row, with the OA user name of each person kept in the address book. New people are looked
// up by staff number in the personnel records and checked against the directory before they are
// stored.
class Tyhxxpz : public QDialog {
    Q_OBJECT
public:
    explicit Tyhxxpz(QWidget* parent = nullptr);
    ~Tyhxxpz() override;

    QTableWidget* DBGrid1;
    QLineEdit* edt_bh; // code
    QLineEdit* edt_xm; // name
    QLineEdit* edt_gh; // staff number
    QLineEdit* edt_bz; // team
    QLineEdit* edt_zy; // trade
    QLineEdit* DBEdit1; // OA user name
    QPushButton* btn_zj;
    QPushButton* btn_xg;
    QPushButton* btn_sc;
    QPushButton* btn_bc;
    QPushButton* Button1;

    db::Query Query1;  // main catalog: duplicate check
    db::Query qry_ry;  // personnel directory: look-up and directory check
    db::Query qry_oa;  // main catalog: the OA box
    db::Query qry_oa1; // main catalog: the OA snapshot
    db::Table ADOTable1;

    // The grid's columns: field and title.
    static QStringList gridFields();

    void FormShow();
    void FormClose();
    void btn_zjClick();
    void btn_xgClick();
    void btn_scClick();
    void btn_bcClick();
    void Button1Click();
    void ADOTable1AfterScroll();
    QString ADOTable1xhGetText(int row) const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void edt_ghKeyPress();
    void edt_bhKeyPress();
    void lookUpStaffNumber();
    void fillGrid();
    void fillBoxes();
    void boxEdited(const QString& field, const QString& text);
    void gridCellChanged(int row, int column);
    void gridCurrentChanged(int row);
    // A store or delete that failed: the database's text, or, for a row someone else deleted or changed,
    // a word to the user and the table read again.
    void reportStoreError(const VekError& e);
    bool gridKeyPress(QKeyEvent* key);

    std::unique_ptr<Ui::Tyhxxpz> ui;
    bool m_syncing = false;
    bool m_closed = false;
    bool m_gridAppended = false; // the new row was added from inside the grid
};

} // namespace vek
