#pragma once

#include "db/query.h"

#include <QWidget>

class QComboBox;
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
    db::Query Query1; // the listing
    db::Query qry_tmp;

    // The default listing: the user's unread notices under the login name.
    void setDefaultListing();
    // Opens Query1 and refreshes the grid.
    void openListing();
    void Button3Click();
    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fillGrid();
    bool m_shown = false;
};

} // namespace vek
