#include "U_datamodule.h"

#include "db/vekerror.h"
#include "platform/fileversion.h"
#include "vekapplication.h"
#include "version.h"

#include <QCoreApplication>

namespace vek {

TDataModule1::TDataModule1(const Settings& settings)
    : ADOConnection1(QStringLiteral("ADOConnection1"), db::Dialect::SqlServer, settings.database(QStringLiteral("vek"))),
      ADOConnectionORA(QStringLiteral("ADOConnectionORA"), db::Dialect::Oracle, settings.database(QStringLiteral("hr"))),
      qry_checkver(&ADOConnection1),
      ADOConnectionJXB(QStringLiteral("ADOConnectionJXB"), db::Dialect::Oracle, settings.database(QStringLiteral("equip"))),
      ADOConnection169(QStringLiteral("ADOConnection169"), db::Dialect::SqlServer,
                       settings.database(QStringLiteral("ServiceCenter"))),
      m_settings(settings)
{
    try {
        ADOConnection1.open();
    } catch (const VekError& e) {
        showDefaultError(e.message());
    }
}

TDataModule1::~TDataModule1() = default;

QString TDataModule1::executablePath() const
{
    return m_executablePath.isEmpty() ? QCoreApplication::applicationFilePath() : m_executablePath;
}

bool TDataModule1::checksoftver()
{
    const QString mine = platform::getfilever(executablePath());
    qry_checkver.close();
    qry_checkver.clear();
    qry_checkver.add(QStringLiteral("select kl from tbl_sys where yhm='softvercheck'"));
    qry_checkver.open();
    if (qry_checkver.isEmpty())
        return false;
    return versionIsNewer(mine, qry_checkver.asString(QStringLiteral("kl")));
}

void TDataModule1::disconnectall()
{
    ADOConnection1.close();
    ADOConnection169.close();
    ADOConnectionJXB.close();
    ADOConnectionORA.close();
}

} // namespace vek
