#pragma once

#include "db/connection.h"
#include "db/query.h"
#include "settings.h"

#include <QString>

namespace vek {

// The current user, filled once by the login.
struct rryxx {
    QString cur_xm;   // display name
    QString cur_yhm;  // login name as typed: the key of the user in every table
    QString cur_kl;   // password as typed
    QString cur_ip;   // workstation address
    QString cur_code; // staff code of the authenticating row
};

// The data module: the four connections, the version query and the current-user record. Created
// first and destroyed last.
class TDataModule1 {
public:
    // Opens ADOConnection1 at once; a failure is shown in the default error box and leaves it closed.
    explicit TDataModule1(const Settings& settings);
    ~TDataModule1();
    TDataModule1(const TDataModule1&) = delete;
    TDataModule1& operator=(const TDataModule1&) = delete;

    db::Connection ADOConnection1;   // catalog "vek"
    db::Connection ADOConnectionORA; // personnel/MIS schema
    db::Query qry_checkver;
    db::Connection ADOConnectionJXB; // equipment schema
    db::Connection ADOConnection169; // catalog "ServiceCenter"
    rryxx cur_user;

    // True when the version announced in tbl_sys is newer than the running executable's.
    bool checksoftver();
    // Closes the four connections: vek, ServiceCenter, equipment, personnel.
    void disconnectall();

    // The executable whose version checksoftver compares (the running one unless a test sets another).
    QString executablePath() const;
    void setExecutablePath(const QString& path) { m_executablePath = path; }

    const Settings& settings() const { return m_settings; }

private:
    Settings m_settings;
    QString m_executablePath;
};

} // namespace vek
