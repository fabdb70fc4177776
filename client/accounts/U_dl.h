#pragma once

#include "db/query.h"

#include <QDialog>
#include <QStringList>

#include <memory>

namespace Ui {
class Tdl;
}
class QLineEdit;
class QCheckBox;
class QPushButton;
class QLabel;

namespace vek {

// The login dialog. Authenticates against the shift accounts (tbl_jxry) or the personnel directory
// (table_zd), fills the current-user record, remembers the login in the registry, records the online
// address and runs the version check. A workstation bound in tbl_sys skips the login.
class Tdl : public QDialog {
    Q_OBJECT
public:
    // The modal result when the workstation is bound and the main window comes up without a login.
    static constexpr int BoundWorkstation = 2;
    // The registry key of the client's values.
    static constexpr const char* RegistryKey = "software\\VEK";

    explicit Tdl(QWidget* parent = nullptr);
    ~Tdl() override;

    QLineEdit* edt_yhm;
    QLineEdit* edt_kl;
    QCheckBox* cb_cookie;
    QPushButton* btn_dl;
    QPushButton* btn_qx;
    QLabel* Label1;
    QLineEdit* edt_ip;
    QLabel* Image1;
    db::Query qry_tmp; // main catalog
    db::Query query1;  // personnel directory

    static bool isShiftAccount(const QString& name);

    void FormShow();
    void btn_dlClick();
    void btn_qxClick();
    void Label1Click();
    void edt_ipDblClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void readRegistry(QStringList& trace);
    void checkBoundWorkstation();
    void rememberLogin();
    void setUpLook();

    std::unique_ptr<Ui::Tdl> ui;
};

} // namespace vek
