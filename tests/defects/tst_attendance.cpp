// Attendance sign-in: the server's time decides the half-day, one row per user and half-day, the row
// written with the department code 4083.

#include "U_datamodule.h"
#include "defects/attendance.h"
#include "forms.h"
#include "platform/system.h"
#include "testworld.h"
#include "vekapplication.h"

#include <QTest>

using namespace vek;

namespace {

const QDate kDay(2026, 3, 18);
const QString kRows = QStringLiteral(
    "select id,username,operateusername,operationtime,attendancetype,userdeptcode,usercode from Attendance order by operationtime");

struct SignIn {
    TestWorld w;
    MessageRecorder boxes;
    std::unique_ptr<TDataModule1> dm;
    std::unique_ptr<db::Query> qry_qd;

    explicit SignIn(const QString& serviceCentre = {})
    {
        Settings s = w.settings();
        if (!serviceCentre.isEmpty())
            s.setDatabase(QStringLiteral("ServiceCenter"), serviceCentre);
        dm = std::make_unique<TDataModule1>(s);
        dm->cur_user = {QStringLiteral("陈'晓燕"), QStringLiteral("10%'402"), QStringLiteral("pw"),
                        QStringLiteral("10.0.0.7"), QStringLiteral("40830201")};
        forms::DataModule1 = dm.get();
        qry_qd = std::make_unique<db::Query>(&dm->ADOConnection169);
        platform::setGuidSource([] { return QStringLiteral("{3F2504E0-4F89-11D3-9A0C-0305E82C33%1}").arg(++guids, 2, 10, QLatin1Char('0')); });
    }
    ~SignIn()
    {
        platform::setGuidSource({});
        forms::DataModule1 = nullptr;
    }
    // Signs in at the server time `at` (of kDay); the messages shown by that one sign-in.
    QStringList at(bool morning, const QTime& at)
    {
        ServerClock clock(QDateTime(kDay, at));
        boxes.boxes.clear();
        if (morning)
            attendanceMorning(*qry_qd);
        else
            attendanceAfternoon(*qry_qd);
        return boxes.texts();
    }
    QList<QStringList> rows() const { return w.rows(QStringLiteral("ServiceCenter"), kRows); }

    static inline int guids = 0;
};

QStringList row(int guid, const QTime& at)
{
    return {QStringLiteral("{3F2504E0-4F89-11D3-9A0C-0305E82C33%1}").arg(guid, 2, 10, QLatin1Char('0')),
            QStringLiteral("陈'晓燕"), QStringLiteral("陈'晓燕"),
            QDateTime(kDay, at).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")), QStringLiteral("出勤"),
            QStringLiteral("4083"), QStringLiteral("10%'402")};
}

} // namespace

class TstAttendance : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { SignIn::guids = 0; }

    void halfDay_data()
    {
        QTest::addColumn<bool>("morning");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("written");
        QTest::newRow("morning at 00:00:00") << true << QTime(0, 0, 0) << "您今天上午签到成功！" << true;
        QTest::newRow("morning at 11:59:59") << true << QTime(11, 59, 59) << "您今天上午签到成功！" << true;
        QTest::newRow("morning at 12:00:00") << true << QTime(12, 0, 0) << "现在是下午！" << false;
        QTest::newRow("afternoon at 11:59:59") << false << QTime(11, 59, 59) << "现在是上午！" << false;
        QTest::newRow("afternoon at 12:00:00") << false << QTime(12, 0, 0) << "您今天下午签到成功！" << true;
        QTest::newRow("afternoon at 23:59:59") << false << QTime(23, 59, 59) << "您今天下午签到成功！" << true;
    }
    void halfDay()
    {
        QFETCH(bool, morning);
        QFETCH(QTime, time);
        QFETCH(QString, message);
        QFETCH(bool, written);
        SignIn s;
        StatementTrace trace;
        QCOMPARE(s.at(morning, time), QStringList{message});
        QCOMPARE(s.boxes.boxes[0].caption, QStringLiteral("提示"));
        QCOMPARE(s.boxes.boxes[0].flags, 48);
        QCOMPARE(s.rows(), written ? QList<QStringList>{row(1, time)} : QList<QStringList>());
        QCOMPARE(trace.texts(QStringLiteral("ADOConnection169")).value(0), QStringLiteral("select  getdate() aa"));
        if (!written)
            return;
        const QString user = QStringLiteral(" and usercode='10%''402'");
        const QStringList test =
            morning ? QStringList{
                          "select  id,username,operateusername,operationtime,attendancetype,userdeptcode,usercode from Attendance ",
                          " where operationtime>=convert(datetime,convert(varchar, getdate(),23)+' 00:00:00.000',120)",
                          " and operationtime<=convert(datetime,convert(varchar, getdate(),23)+' 11:59:59.999',120)",
                          " and getdate()<convert(datetime,convert(varchar, getdate(),23)+' 12:00:00.000',120)", user}
                    : QStringList{
                          "select  id,username,operateusername,operationtime,attendancetype,userdeptcode,usercode from Attendance ",
                          " where operationtime>=convert(datetime,convert(varchar, getdate(),23)+' 12:00:00.000',120)",
                          " and operationtime<=convert(datetime,convert(varchar, getdate(),23)+' 23:59:59.999',120)", user};
        const QStringList insert{
            "insert into Attendance( id,username,operateusername,operationtime,attendancetype,userdeptcode,usercode) values(",
            "'{3F2504E0-4F89-11D3-9A0C-0305E82C3301}',", "'陈''晓燕',", "'陈''晓燕',", "getdate(),", "'出勤',", "'4083',",
            "'10%''402'", ")"};
        QCOMPARE(trace.texts(QStringLiteral("ADOConnection169")),
                 (QStringList{"select  getdate() aa", test.join("\r\n"), insert.join("\r\n")}));
    }

    // One row per half-day, whichever workstation signs in; the other half-day is free.
    void sameDay()
    {
        SignIn s;
        QCOMPARE(s.at(true, QTime(8, 1, 0)), QStringList{"您今天上午签到成功！"});
        // The same user at a second workstation: its own data module and connection, the same database.
        {
            TDataModule1 elsewhere(s.w.settings());
            elsewhere.cur_user = s.dm->cur_user;
            forms::DataModule1 = &elsewhere;
            db::Query qry_qd(&elsewhere.ADOConnection169);
            ServerClock clock(QDateTime(kDay, QTime(11, 30, 0)));
            s.boxes.boxes.clear();
            attendanceMorning(qry_qd);
            forms::DataModule1 = s.dm.get();
        }
        QCOMPARE(s.boxes.texts(), QStringList{"您今天上午签过到了！"});
        QCOMPARE(s.at(false, QTime(13, 0, 0)), QStringList{"您今天下午签到成功！"});
        QCOMPARE(s.at(false, QTime(17, 30, 0)), QStringList{"您下午已经签过了！"});
        // Each sign-in takes its GUID first, the refused one included.
        QCOMPARE(s.rows(), (QList<QStringList>{row(1, QTime(8, 1, 0)), row(3, QTime(13, 0, 0))}));
        // The next day starts afresh.
        ServerClock tomorrow(QDateTime(kDay.addDays(1), QTime(8, 0, 0)));
        s.boxes.boxes.clear();
        attendanceMorning(*s.qry_qd);
        QCOMPARE(s.boxes.texts(), QStringList{"您今天上午签到成功！"});
    }

    // Another user's row and rows of other types or departments: only usercode and time count.
    void duplicateLooksAtUserAndTime()
    {
        SignIn s;
        s.w.sql("ServiceCenter",
                "insert into Attendance(id,username,operateusername,operationtime,attendancetype,userdeptcode,usercode) "
                "values('{X1}','别人','别人','2026-03-18 08:00:00.000','出勤','4083','10402');"
                "insert into Attendance(id,username,operateusername,operationtime,attendancetype,userdeptcode,usercode) "
                "values('{X2}','陈''晓燕','陈''晓燕','2026-03-17 14:00:00.000','出勤','4083','10%''402')");
        QCOMPARE(s.at(true, QTime(9, 0, 0)), QStringList{"您今天上午签到成功！"});
        QCOMPARE(s.at(false, QTime(14, 0, 0)), QStringList{"您今天下午签到成功！"});
        s.w.sql("ServiceCenter",
                "update Attendance set attendancetype='请假',userdeptcode='9999' where id like '{3F25%'");
        QCOMPARE(s.at(true, QTime(10, 0, 0)), QStringList{"您今天上午签过到了！"});
        QCOMPARE(s.at(false, QTime(15, 0, 0)), QStringList{"您下午已经签过了！"});
    }

    void insertFails_data()
    {
        QTest::addColumn<bool>("morning");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("message");
        QTest::newRow("morning") << true << QTime(9, 0, 0) << "您今天上午签到失败！";
        QTest::newRow("afternoon") << false << QTime(15, 0, 0) << "您今天下午签到失败！";
    }
    void insertFails()
    {
        QFETCH(bool, morning);
        QFETCH(QTime, time);
        QFETCH(QString, message);
        SignIn s;
        s.w.sql("ServiceCenter",
                "alter table Attendance rename to Attendance_rows;"
                "create view Attendance as select * from Attendance_rows"); // readable, not writable
        QCOMPARE(s.at(morning, time), QStringList{message});
        QCOMPARE(s.rows().size(), 0);
    }

    void guidFailure()
    {
        SignIn s;
        platform::setGuidSource([] { return QString(); });
        StatementTrace trace;
        QCOMPARE(s.at(true, QTime(9, 0, 0)), QStringList{"创建GUID失败，请重试！"});
        QCOMPARE(s.at(false, QTime(15, 0, 0)), QStringList{"创建GUID失败，请重试！"});
        QCOMPARE(trace.texts(), QStringList());
    }

    // The time query and the duplicate test are not guarded: the application's error box shows why.
    void unreachable()
    {
        SignIn s(QStringLiteral("sqlite:/nonexistent-folder/none/ServiceCenter.sqlite"));
        const QStringList shown = s.at(true, QTime(9, 0, 0));
        QCOMPARE(shown.size(), 1);
        QCOMPARE(s.boxes.boxes[0].caption, VekApplication::title());
        QVERIFY(!shown[0].contains("签到"));
    }
};

int main(int argc, char** argv)
{
    VekApplication app(argc, argv);
    TstAttendance t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_attendance.moc"
