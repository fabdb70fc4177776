#pragma once

#include "datagram.h"
#include "db/query.h"

#include <functional>

#include <QWidget>

class QComboBox;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QTableWidget;

namespace vek {

// The notice browser page: the user's notices in a grid, newest first, filtered by source system and
// read state.
class Ttzll : public QWidget {
    Q_OBJECT
public:
    explicit Ttzll(QWidget* parent = nullptr);

    QComboBox* cbb_xt;
    QComboBox* cbb_yd;
    QPushButton* Button3;
    QTableWidget* RzDBGrid1;
    QWidget* Panel5;      // the reply band
    QLineEdit* RzEdit1;   // the reply text
    QPushButton* RzButton1; // 发 送
    QMenu* PopupMenu1;
    QAction* N1; // 回    复
    QAction* N3; // 设备管理消缺
    db::Query Query1; // the listing
    db::Query qry_tmp;
    db::Query qry_tmp1;
    notices::UdpClient IdUDPClient;

    // Opens the defect elimination form for a defect code (set by the defects module).
    static inline std::function<void(const QString& flawCode)> openElimination;

    // The default listing: the user's unread notices under the login name.
    void setDefaultListing();
    // Opens Query1 and refreshes the grid.
    void openListing();
    void Button3Click();
    void FormShow();
    void RequestEquipmentUpdate();
    void RzDBGrid1DblClick();
    void N1Click();
    void RzButton1Click();
    void N3Click();
    // The current row of the listing as the grid shows it (1-based record number, 0 when none).
    int currentRecord() const;
    void setCurrentRecord(int record); // moves the grid's and the listing's current row

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillGrid();
    bool m_shown = false;
};

} // namespace vek
