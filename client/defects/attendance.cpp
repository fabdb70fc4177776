#include "attendance.h"

#include "db/query.h"
#include "db/sqltext.h"
#include "db/vekerror.h"
#include "platform/messagebox.h"
#include "platform/system.h"
#include "shell/U_datamodule.h"
#include "shell/forms.h"
#include "shell/vekapplication.h"

namespace vek {

namespace {

enum class HalfDay { Morning, Afternoon };

struct Texts {
    QString wrongHalf, already, done, failed;
};

const QString kColumns =
    QStringLiteral("select  id,username,operateusername,operationtime,attendancetype,userdeptcode,usercode from Attendance ");

void setStatement(db::Query& q, const QStringList& lines)
{
    q.close();
    q.clear();
    q.setLines(lines);
}

// The server's time of day as "HH:NN:SS".
QString serverTime(db::Query& q)
{
    setStatement(q, {QStringLiteral("select  getdate() aa")});
    q.open();
    return q.asDateTime(QStringLiteral("aa")).toString(QStringLiteral("HH:mm:ss"));
}

QStringList duplicateTest(HalfDay half, const QString& user)
{
    if (half == HalfDay::Morning)
        return {kColumns,
                QStringLiteral(" where operationtime>=convert(datetime,convert(varchar, getdate(),23)+' 00:00:00.000',120)"),
                QStringLiteral(" and operationtime<=convert(datetime,convert(varchar, getdate(),23)+' 11:59:59.999',120)"),
                QStringLiteral(" and getdate()<convert(datetime,convert(varchar, getdate(),23)+' 12:00:00.000',120)"),
                QStringLiteral(" and usercode=") + db::sqlLiteral(user)};
    return {kColumns,
            QStringLiteral(" where operationtime>=convert(datetime,convert(varchar, getdate(),23)+' 12:00:00.000',120)"),
            QStringLiteral(" and operationtime<=convert(datetime,convert(varchar, getdate(),23)+' 23:59:59.999',120)"),
            QStringLiteral(" and usercode=") + db::sqlLiteral(user)};
}

QStringList signInRow(const QString& id, const rryxx& user)
{
    return {QStringLiteral("insert into Attendance( id,username,operateusername,operationtime,attendancetype,userdeptcode,usercode) values("),
            db::sqlLiteral(id) + QLatin1Char(','),
            db::sqlLiteral(user.cur_xm) + QLatin1Char(','),
            db::sqlLiteral(user.cur_xm) + QLatin1Char(','),
            QStringLiteral("getdate(),"),
            QStringLiteral("'出勤',"),
            QStringLiteral("'4083',"),
            db::sqlLiteral(user.cur_yhm),
            QStringLiteral(")")};
}

void signIn(db::Query& q, HalfDay half, const Texts& texts)
{
    const QString id = platform::newGuid();
    if (id.isEmpty()) {
        platform::tip(QStringLiteral("创建GUID失败，请重试！"));
        return;
    }
    const rryxx& user = forms::DataModule1->cur_user;
    try {
        const bool morningNow = serverTime(q) < QStringLiteral("12:00:00");
        if (morningNow != (half == HalfDay::Morning)) {
            platform::tip(texts.wrongHalf);
            return;
        }
        setStatement(q, duplicateTest(half, user.cur_yhm));
        q.open();
    } catch (const VekError& e) {
        // Only the insert is guarded; the rest is the application's error box.
        showDefaultError(e.message());
        return;
    }
    if (!q.isEmpty()) {
        platform::tip(texts.already);
        return;
    }
    try {
        setStatement(q, signInRow(id, user));
        q.execute();
    } catch (const VekError&) {
        platform::tip(texts.failed);
        return;
    }
    platform::tip(texts.done);
}

} // namespace

void attendanceMorning(db::Query& qry_qd)
{
    signIn(qry_qd, HalfDay::Morning,
           {QStringLiteral("现在是下午！"), QStringLiteral("您今天上午签过到了！"), QStringLiteral("您今天上午签到成功！"),
            QStringLiteral("您今天上午签到失败！")});
}

void attendanceAfternoon(db::Query& qry_qd)
{
    signIn(qry_qd, HalfDay::Afternoon,
           {QStringLiteral("现在是上午！"), QStringLiteral("您下午已经签过了！"), QStringLiteral("您今天下午签到成功！"),
            QStringLiteral("您今天下午签到失败！")});
}

} // namespace vek
