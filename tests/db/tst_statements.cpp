// Every statement the client sends, run through the data-access layer on the embedded backend against the
// real schema: the login's look-ups and online-address updates, the main window's listing and exit update,
// the version check, the send page's look-ups and batch, the browser's listings, read mark and reply, the
// password page, the staff configuration, the report pages, the defect elimination form, the attendance
// sign-ins and the updater's read. Statement lines are written exactly as the client writes them, values
// only through the literal helper; the checks look at the rows each statement reads or leaves behind.

#include "db/connection.h"
#include "db/query.h"
#include "db/sqltext.h"
#include "db/vekerror.h"
#include "testworld.h"

#include <QTest>
#include <QUuid>

#include <memory>
#include <optional>

using namespace vek;
using namespace vek::db;
using namespace Qt::StringLiterals;

namespace {

// The server clock for every statement that reads getdate() or sysdate.
const QDateTime kNow(QDate(2026, 3, 18), QTime(9, 30, 15, 250));
QString serverStamp() { return kNow.toString(u"yyyy-MM-dd HH:mm:ss.zzz"_s); } // as getdate() gives it
QString oracleStamp() { return kNow.toString(u"yyyy-MM-dd HH:mm:ss"_s); }     // as sysdate gives it

QString lit(const QString& v) { return sqlLiteral(v); }

// The data module's four connections, by database role.
std::unique_ptr<Connection> connectionFor(const TestWorld& w, const QString& role)
{
    const QString locator = u"sqlite:"_s + w.dbFile(role);
    if (role == u"vek")
        return std::make_unique<Connection>(u"ADOConnection1"_s, Dialect::SqlServer, locator);
    if (role == u"ServiceCenter")
        return std::make_unique<Connection>(u"ADOConnection169"_s, Dialect::SqlServer, locator);
    if (role == u"hr")
        return std::make_unique<Connection>(u"ADOConnectionORA"_s, Dialect::Oracle, locator);
    return std::make_unique<Connection>(u"ADOConnectionJXB"_s, Dialect::Oracle, locator);
}

// Rows as "a|b|c" lines: from an opened query (the named columns) or read directly from a database.
QStringList readRows(Query& q, const QStringList& columns)
{
    QStringList out;
    for (q.first(); !q.eof(); q.next()) {
        QStringList row;
        for (const QString& c : columns)
            row << q.asString(c);
        out << row.join(u'|');
    }
    return out;
}
QStringList joined(const QList<QStringList>& rows)
{
    QStringList out;
    for (const QStringList& r : rows)
        out << r.join(u'|');
    return out;
}

// A notice row's insert: the column line, then the thirteen values one a line, each followed by "," and
// the last one by `end` (");" in the send page's batch and the reply, ")" in the defect form).
QStringList noticeInsert(const QStringList& values, const QString& end)
{
    QStringList lines{
        u"insert into tbl_main(bh,xt,lx,zt,sdwcsj,nr,fsr,fsrgh,jsr,jsrgh,fsrq,jsrq,sftx) values("_s};
    for (qsizetype i = 0; i + 1 < values.size(); ++i)
        lines << lit(values[i]) + u',';
    lines << lit(values.last()) + end;
    return lines;
}
const QString kNoticeColumns =
    u"select bh,xt,lx,zt,sdwcsj,nr,fsr,fsrgh,jsr,jsrgh,fsrq,jsrq,sftx,sfcy from tbl_main order by bh"_s;

QStringList attendanceInsert(const QString& id, const QString& name, const QString& user)
{
    return {
        u"insert into Attendance( id,username,operateusername,operationtime,attendancetype,userdeptcode,usercode) values("_s,
        lit(id) + u',',
        lit(name) + u',',
        lit(name) + u',',
        u"getdate(),"_s,
        u"'出勤',"_s,
        u"'4083',"_s,
        lit(user),
        u")"_s};
}
QStringList morningSignInCheck(const QString& user)
{
    return {
        u"select  id,username,operateusername,operationtime,attendancetype,userdeptcode,usercode from Attendance "_s,
        u" where operationtime>=convert(datetime,convert(varchar, getdate(),23)+' 00:00:00.000',120)"_s,
        u" and operationtime<=convert(datetime,convert(varchar, getdate(),23)+' 11:59:59.999',120)"_s,
        u" and getdate()<convert(datetime,convert(varchar, getdate(),23)+' 12:00:00.000',120)"_s,
        u" and usercode="_s + lit(user)};
}
QStringList afternoonSignInCheck(const QString& user)
{
    return {
        u"select  id,username,operateusername,operationtime,attendancetype,userdeptcode,usercode from Attendance "_s,
        u" where operationtime>=convert(datetime,convert(varchar, getdate(),23)+' 12:00:00.000',120)"_s,
        u" and operationtime<=convert(datetime,convert(varchar, getdate(),23)+' 23:59:59.999',120)"_s,
        u" and usercode="_s + lit(user)};
}

// --- fixtures -------------------------------------------------------------------------------------------

// The address book of the main catalog, departments and persons; inserted out of code order.
const QString kBook = uR"(
insert into tbl_dzb(code,name,vekyhm,zxip,oayhm,zhxgklsj,rylb) values('2002','检修部',null,'',null,null,null);
insert into tbl_dzb(code,name,vekyhm,zxip,oayhm,zhxgklsj,rylb) values('200201','王五','2002''01','10.0.0.9',null,null,null);
insert into tbl_dzb(code,name,vekyhm,zxip,oayhm,zhxgklsj,rylb) values('10','外单位',null,'',null,null,null);
insert into tbl_dzb(code,name,vekyhm,zxip,oayhm,zhxgklsj,rylb) values('1001','赵六','1001','10.0.0.7',null,null,null);
insert into tbl_dzb(code,name,vekyhm,zxip,oayhm,zhxgklsj,rylb) values('20','全厂',null,'',null,null,null);
insert into tbl_dzb(code,name,vekyhm,zxip,oayhm,zhxgklsj,rylb) values('2001','运行部',null,'',null,null,null);
insert into tbl_dzb(code,name,vekyhm,zxip,oayhm,zhxgklsj,rylb) values('200101','张''三','7%''01','10.0.0.7','oa.zhang','2026-01-05 08:00:00.000',null);
insert into tbl_dzb(code,name,vekyhm,zxip,oayhm,zhxgklsj,rylb) values('200102','无工号','','',null,null,null);
insert into tbl_dzb(code,name,vekyhm,zxip,oayhm,zhxgklsj,rylb) values('200103','空工号',null,'',null,null,null);
insert into tbl_dzb(code,name,vekyhm,zxip,oayhm,zhxgklsj,rylb) values('200110','一值',null,'',null,null,null);
insert into tbl_dzb(code,name,vekyhm,zxip,oayhm,zhxgklsj,rylb) values('20011001','李四','7x''01','',null,null,null);
insert into tbl_dzb(code,name,vekyhm,zxip,oayhm,zhxgklsj,rylb) values('2003','化学部',null,'',null,null,null);
insert into tbl_dzb(code,name,vekyhm,zxip,oayhm,zhxgklsj,rylb) values('200301','化验员','','',null,null,null)
)"_s;

// Notices of the user 7%'01 (OA name oa.zhang) and one of 7x'01.
const QString kNotices = uR"(
insert into tbl_dzb(code,name,vekyhm,zxip,oayhm) values('200101','张''三','7%''01','10.0.0.7','oa.zhang');
insert into tbl_main(bh,xt,lx,zt,fsr,fsrgh,jsr,jsrgh,fsrq,jsrq,sfcy,bz) values('{A}','消息','通知','周会','王五','2002''01','张''三','7%''01','2026-03-02','2026-03-09','否',null);
insert into tbl_main(bh,xt,lx,zt,fsr,fsrgh,jsr,jsrgh,fsrq,jsrq,sfcy,bz) values('{B}','设备管理缺陷','缺陷','泵异响','设备','sb','张''三','7%''01','2026-03-05','2026-03-05','否','F''01');
insert into tbl_main(bh,xt,lx,zt,fsr,fsrgh,jsr,jsrgh,fsrq,jsrq,sfcy,bz) values('{C}','OA','通知','OA 通知','办公室','oa','张三','oa.zhang','2026-03-04','2026-03-04','否',null);
insert into tbl_main(bh,xt,lx,zt,fsr,fsrgh,jsr,jsrgh,fsrq,jsrq,sfcy,bz) values('{D}','消息','通知','已读','王五','2002''01','张''三','7%''01','2026-03-06','2026-03-06','是',null);
insert into tbl_main(bh,xt,lx,zt,fsr,fsrgh,jsr,jsrgh,fsrq,jsrq,sfcy,bz) values('{E}','消息','通知','别人的','王五','2002''01','李四','7x''01','2026-03-07','2026-03-07','否',null)
)"_s;

// The personnel directory (HR/MIS schema) and the look-up copy of the tree in the main catalog.
const QString kDirectory = uR"(
insert into table_zd(code,name,rycode,password) values('4083','设备部',null,null);
insert into table_zd(code,name,rycode,password) values('408302','检修分部',null,null);
insert into table_zd(code,name,rycode,password) values('40830201','检修一班',null,null);
insert into table_zd(code,name,rycode,password) values('4083020107','李''四','07''1','口令''%1');
insert into table_zd(code,name,rycode,password) values('4083020108','周七','0108','abc');
insert into table_person(rycode,ryname,bmm) values('0108','周七','4083020108');
insert into table_person(rycode,ryname,bmm) values('07''1','李''四','4083020107')
)"_s;
const QString kVekTree = uR"(
insert into table_zd(code,name,rycode) values('4083','设备部',null);
insert into table_zd(code,name,rycode) values('408302','检修分部',null);
insert into table_zd(code,name,rycode) values('40830201','检修一班',null);
insert into table_zd(code,name,rycode) values('4083020107','李''四','07''1')
)"_s;

const QString kSys = uR"(
insert into tbl_sys(yhm,kl,sfbdip,ip) values('ws1',null,'是','10.0.0.21');
insert into tbl_sys(yhm,kl,sfbdip,ip) values('softvercheck','2.1.2.8',null,null);
insert into tbl_sys(yhm,kl,sfbdip,ip) values('ws2',null,'否','10.0.0.22')
)"_s;

const QString kStaff = uR"(
insert into tbl_jxry(code,name,password,vekyhm,zy,bz) values('KPTA1','一值''甲','p''w%1','KPTA1',null,null);
insert into tbl_jxry(code,name,password,vekyhm,zy,bz) values('4083020107','李''四',null,'07''1','汽机','检修一班')
)"_s;

// Shift (duty) accounts of category J, one login name with a trailing blank, and a non-J account.
const QString kDuty = uR"(
insert into tbl_dzb(code,name,vekyhm,zxip,rylb) values('9001','值长一','KPTA1','10.0.0.31','J');
insert into tbl_dzb(code,name,vekyhm,zxip,rylb) values('9003','二号机','X2','10.0.0.33','Y');
insert into tbl_dzb(code,name,vekyhm,zxip,rylb) values('9002','值长二','KPTA2','','J');
insert into tbl_dzb(code,name,vekyhm,zxip,rylb) values('9004','三值','KPRB3 ','10.0.0.34','J')
)"_s;

const QString kFlaws = uR"(
insert into t_equip_flaw(f_code,f_state,EQUIP_CODE,F_CALL_TIME,F_EQUIP_LEVEL,F_DETAIL_EXTEND,F_FIND_MAN,F_FIND_TEAM,F_CALL_MAN,F_CALL_TEAM,sbdm)
  values('F''01',20,'1A''02%','2026-03-17 22:10:00','给水泵''B''','振动大','李四','运行一值','王五','运行部','02AB001');
insert into t_equip_flaw(f_code,f_state,EQUIP_CODE,F_CALL_TIME,F_EQUIP_LEVEL,sbdm,f_handle_man,f_handle_detail,f_handle_time,f_handle_result,f_handle_team)
  values('F02',70,'2B01','2026-03-16 08:00:00','凝结泵','10CD002','周七','已换','2026-03-16 10:00:00','1','检修二班');
insert into t_equip_flaw(f_code,f_state,EQUIP_CODE,F_CALL_TIME,F_EQUIP_LEVEL,sbdm)
  values('F03',20,'3C01','2026-03-18 07:00:00','引风机','03EF001')
)"_s;
const QString kFlawState =
    u"select f_code,f_state,f_handle_man,f_handle_detail,f_handle_time,f_handle_result,f_handle_team from t_equip_flaw order by f_code"_s;

const QString kReportColumns =
    u"select id,typeid,tel,address,computertype,os,faultdescription,reportdate,userid,isrepaired,username from reportbugs"_s;

// --- the table of statements ------------------------------------------------------------------------------

void columns()
{
    QTest::addColumn<QString>("role");
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("read");  // a select: the columns read from each row
    QTest::addColumn<QString>("check"); // a statement without rows: what is read back from the database
    QTest::addColumn<QStringList>("expected");
}
void reads(const char* tag, const QString& role, const QString& fixture, const QStringList& lines,
           const QString& read, const QStringList& expected)
{
    QTest::newRow(tag) << role << fixture << lines << read << QString() << expected;
}
void writes(const char* tag, const QString& role, const QString& fixture, const QStringList& lines,
            const QString& check, const QStringList& expected)
{
    QTest::newRow(tag) << role << fixture << lines << QString() << check << expected;
}

} // namespace

class TstStatements : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void statement_data();
    void statement();
    void sendBatch_data();
    void sendBatch();
    void browserListing_data();
    void browserListing();
    void attendanceWindows_data();
    void attendanceWindows();
    void serverTime();
};

void TstStatements::statement_data()
{
    columns();
    const QString vek = u"vek"_s, sc = u"ServiceCenter"_s, hr = u"hr"_s, equip = u"equip"_s;
    const QString user = u"7%'01"_s;

    // Login.
    const auto shiftLogin = [](const QString& name, const QString& pw) {
        return QStringList{u"select * from tbl_jxry"_s, u" where code="_s + lit(name),
                           u" and password="_s + lit(pw)};
    };
    const auto staffLogin = [](const QString& name, const QString& pw) {
        return QStringList{u"select * from table_zd"_s, u" where rycode="_s + lit(name),
                           u" and password="_s + lit(pw)};
    };
    reads("login: shift account", vek, kStaff, shiftLogin(u"KPTA1"_s, u"p'w%1"_s), u"code,name"_s,
          {u"KPTA1|一值'甲"_s});
    reads("login: shift account, wrong password", vek, kStaff, shiftLogin(u"KPTA1"_s, u"p'w_1"_s),
          u"code,name"_s, {});
    reads("login: personnel directory", hr, kDirectory, staffLogin(u"07'1"_s, u"口令'%1"_s), u"CODE,Name"_s,
          {u"4083020107|李'四"_s});
    reads("login: personnel directory, wrong password", hr, kDirectory, staffLogin(u"07'1"_s, u"口令'_1"_s),
          u"code,name"_s, {});
    writes("login: clear the address from every other row", vek, kBook,
           {u"update tbl_dzb set zxip=''"_s, u" where zxip="_s + lit(u"10.0.0.7"_s)},
           u"select code from tbl_dzb where zxip<>'' order by code"_s, {u"200201"_s});
    writes("login: record the user's address", vek, kBook,
           {u"update tbl_dzb set zxip="_s + lit(u"10.0.0.8"_s), u" where vekyhm="_s + lit(u"7x'01"_s)},
           u"select code,zxip from tbl_dzb where zxip<>'' order by code"_s,
           {u"1001|10.0.0.7"_s, u"200101|10.0.0.7"_s, u"20011001|10.0.0.8"_s, u"200201|10.0.0.9"_s});
    const auto boundWorkstation = [](const QString& address) {
        return QStringList{u"select * from tbl_sys "_s, u"where sfbdip='是' "_s, u"and ip="_s + lit(address)};
    };
    reads("login: bound workstation", vek, kSys, boundWorkstation(u"10.0.0.21"_s), u"yhm"_s, {u"ws1"_s});
    reads("login: address of a row not marked bound", vek, kSys, boundWorkstation(u"10.0.0.22"_s), u"yhm"_s,
          {});

    // Version check and updater.
    reads("version check: announced version", vek, kSys,
          {u"select kl from tbl_sys where yhm='softvercheck'"_s}, u"kl"_s, {u"2.1.2.8"_s});
    reads("updater: stored program", vek,
          u"insert into tbl_soft(yhts,diff,soft) values('有新版本''2.1.2.8''','修正：100%',X'4D5A')"_s,
          {u"select * from tbl_soft"_s}, u"yhts,diff"_s, {u"有新版本'2.1.2.8'|修正：100%"_s});

    // Main window.
    reads("main window: the user's unread notices, newest first", vek, kNotices,
          {u"select * from tbl_main "_s, u" where jsrgh ="_s + lit(user), u" and sfcy='否'"_s,
           u" order by fsrq desc"_s},
          u"bh,zt"_s, {u"{B}|泵异响"_s, u"{A}|周会"_s});
    writes("main window: exit clears the user's address", vek, kBook,
           {u"update tbl_dzb set zxip='' "_s, u" where vekyhm="_s + lit(user)},
           u"select code from tbl_dzb where zxip<>'' order by code"_s, {u"1001"_s, u"200201"_s});

    // Send page look-ups.
    reads(
        "send page: address book tree", vek, kBook,
        {u"select code, name,vekyhm,zxip from tbl_dzb "_s, u" where code like '20%'"_s, u" order by code "_s},
        u"code,name,vekyhm,zxip"_s,
        {u"20|全厂||"_s, u"2001|运行部||"_s, u"200101|张'三|7%'01|10.0.0.7"_s, u"200102|无工号||"_s,
         u"200103|空工号||"_s, u"200110|一值||"_s, u"20011001|李四|7x'01|"_s, u"2002|检修部||"_s,
         u"200201|王五|2002'01|10.0.0.9"_s, u"2003|化学部||"_s, u"200301|化验员||"_s});
    const auto members = [](const QString& code) {
        return QStringList{u"select code,name,vekyhm,zxip from tbl_dzb "_s,
                           u" where code like "_s + lit(code + u'%'), u" and vekyhm is not null "_s,
                           u" and vekyhm<>''"_s};
    };
    reads("send page: members of a department and its sub-departments", vek, kBook, members(u"2001"_s),
          u"code,name,vekyhm,zxip"_s, {u"200101|张'三|7%'01|10.0.0.7"_s, u"20011001|李四|7x'01|"_s});
    reads("send page: a person", vek, kBook, members(u"200201"_s), u"code,name,vekyhm,zxip"_s,
          {u"200201|王五|2002'01|10.0.0.9"_s});
    reads("send page: a department without logins", vek, kBook, members(u"2003"_s), u"code"_s, {});

    // Notice browser.
    reads("browser: unread equipment defects of the user", vek, kNotices,
          {u"select * from tbl_main "_s, u" where jsrgh ="_s + lit(user), u" and xt = '设备管理缺陷'"_s,
           u" and sfcy = '否'"_s},
          u"bh,bz"_s, {u"{B}|F'01"_s});
    writes("browser: mark read", vek, kNotices,
           {u"update tbl_main "_s, u" set sfcy = '是' "_s, u" where bh ="_s + lit(u"{A}"_s)},
           u"select bh,sfcy from tbl_main order by bh"_s,
           {u"{A}|是"_s, u"{B}|否"_s, u"{C}|否"_s, u"{D}|是"_s, u"{E}|否"_s});
    const QStringList reply{u"{R}"_s,         u"消息"_s,       u"通知"_s, u"收到'，100%"_s, QString(),
                            u"收到'，100%"_s, u"张'三"_s,      user,      u"王五"_s,        u"2002'01"_s,
                            u"2026-03-18"_s,  u"2026-03-18"_s, u"是"_s};
    writes("browser: reply", vek, QString(), noticeInsert(reply, u");"_s), kNoticeColumns,
           {reply.join(u'|') + u"|否"_s});
    reads("browser: reply's recipient address", vek, kBook,
          {u"select * from tbl_dzb "_s, u" where vekyhm="_s + lit(u"2002'01"_s)}, u"name,zxip"_s,
          {u"王五|10.0.0.9"_s});

    // Password page.
    reads("password page: last change", vek, kBook,
          {u"select zhxgklsj from tbl_dzb "_s, u" where vekyhm="_s + lit(user)}, u"zhxgklsj"_s,
          {u"2026-01-05 08:00:00.000"_s});
    const auto oldPassword = [](const QString& pw) {
        return QStringList{u"select * from table_zd "_s, u" where rycode="_s + lit(u"07'1"_s),
                           u" and password="_s + lit(pw)};
    };
    reads("password page: old password right", hr, kDirectory, oldPassword(u"口令'%1"_s), u"rycode"_s,
          {u"07'1"_s});
    reads("password page: old password wrong", hr, kDirectory, oldPassword(u"口令'%"_s), u"rycode"_s, {});
    const auto newPassword = [](const QString& pw) {
        return QStringList{u"update table_zd "_s, u" set password="_s + lit(pw),
                           u" where rycode="_s + lit(u"07'1"_s)};
    };
    const QString passwords =
        u"select rycode,password from table_zd where rycode is not null order by rycode"_s;
    writes("password page: new password", hr, kDirectory, newPassword(u"新'口令%"_s), passwords,
           {u"0108|abc"_s, u"07'1|新'口令%"_s});
    writes("password page: empty new password", hr, kDirectory, newPassword(QString()), passwords,
           {u"0108|abc"_s, u"07'1|"_s});
    writes("password page: time of the change", vek, kBook,
           {u"update tbl_dzb set zhxgklsj=getdate()"_s, u" where vekyhm="_s + lit(user)},
           u"select code,zhxgklsj from tbl_dzb where zhxgklsj is not null"_s, {u"200101|"_s + serverStamp()});

    // Staff configuration.
    reads("staff: OA snapshot", vek,
          u"insert into tbl_dzb(code,vekyhm,oayhm) values('2001',null,null);"
          u"insert into tbl_dzb(code,vekyhm,oayhm) values('200101','7%''01','oa''张')"_s,
          {u"select vekyhm,oayhm from tbl_dzb "_s}, u"vekyhm,oayhm"_s, {u"|"_s, u"7%'01|oa'张"_s});
    const auto oaBox = [](const QString& staff) {
        return QStringList{u"select oayhm as oa from tbl_dzb "_s, u" where vekyhm = "_s + lit(staff)};
    };
    reads("staff: OA box", vek, kBook, oaBox(user), u"OA"_s, {u"oa.zhang"_s});
    reads("staff: OA box of an empty staff number", vek, kBook, oaBox(QString()), u"oa"_s,
          {QString(), QString()});
    reads(
        "staff: staff number look-up with team", hr, kDirectory,
        {u"select rycode as code,ryname as name ,bmm,(select name from table_zd where code = substr(t.bmm,1,length(bmm)-2)) as bmmc from table_person t "_s,
         u" where rycode ="_s + lit(u"07'1"_s)},
        u"code,name,bmm,BMMC"_s, {u"07'1|李'四|4083020107|检修一班"_s});
    writes("staff: save the OA name", vek, kBook,
           {u"update tbl_dzb set oayhm = "_s + lit(u"oa'新%"_s), u" where vekyhm = "_s + lit(u"7x'01"_s)},
           u"select code,oayhm from tbl_dzb where oayhm is not null order by code"_s,
           {u"200101|oa.zhang"_s, u"20011001|oa'新%"_s});
    const auto directoryCheck = [](const QString& name) {
        return QStringList{u"select * from table_zd "_s, u" where code ="_s + lit(u"4083020107"_s),
                           u" and name ="_s + lit(name), u" and rycode ="_s + lit(u"07'1"_s)};
    };
    reads("staff: directory check matches", hr, kDirectory, directoryCheck(u"李'四"_s), u"code"_s,
          {u"4083020107"_s});
    reads("staff: directory check, other name", hr, kDirectory, directoryCheck(u"李四"_s), u"code"_s, {});
    const auto duplicateCheck = [](const QString& staff) {
        return QStringList{u"select * from tbl_jxry "_s, u" where code ="_s + lit(u"4083020107"_s),
                           u" and vekyhm ="_s + lit(staff)};
    };
    reads("staff: duplicate found", vek, kStaff, duplicateCheck(u"07'1"_s), u"name,zy,bz"_s,
          {u"李'四|汽机|检修一班"_s});
    reads("staff: no duplicate", vek, kStaff, duplicateCheck(u"071"_s), u"name"_s, {});

    // Defect report pages.
    reads(
        "report page: reporter with department", vek, kVekTree,
        {u"select name,(select name from table_zd where code= substring(ry.code,1,4)) as bmmc from table_zd ry "_s,
         u" where rycode = "_s + lit(u"07'1"_s)},
        u"name,bmmc"_s, {u"李'四|设备部"_s});
    const QString description = u"屏幕不亮\r\n开机'无反应' 100%"_s;
    writes(
        "report page: MIS report", sc, QString(),
        {u"insert into reportbugs(id,typeid,tel,address,computertype,os,faultdescription,reportdate,userid,isrepaired,username) values("_s,
         lit(u"{1B4E28BA-2FA1-11D2-883F-0016D3CCA427}"_s) + u',',
         u"'7C043CBB-8817-44F2-B032-3ED01592D479',"_s, lit(u"0551-1234'5"_s) + u',',
         lit(u"2号楼'301"_s) + u',', lit(u"联想"_s) + u',', lit(u"WindowsXP"_s) + u',',
         lit(description) + u',', u"getdate(),"_s, lit(user) + u',', u"0,"_s, lit(u"张'三"_s), u")"_s},
        kReportColumns,
        {u"{1B4E28BA-2FA1-11D2-883F-0016D3CCA427}|7C043CBB-8817-44F2-B032-3ED01592D479|0551-1234'5|2号楼'301|联想|WindowsXP|"_s +
         description + u'|' + serverStamp() + u"|7%'01|0|张'三"_s});
    writes(
        "report page: property report", sc, QString(),
        {u"insert into reportbugs(id,typeid,tel,address,faultdescription,reportdate,userid,isrepaired,username) values("_s,
         lit(u"{1B4E28BA-2FA1-11D2-883F-0016D3CCA428}"_s) + u',',
         u"'35632EC3-8A47-4DDC-BB41-9A17CE57DCA8',"_s, lit(u"8801"_s) + u',', lit(u"食堂'二楼"_s) + u',',
         lit(u"水管漏水"_s) + u',', u"getdate(),"_s, lit(user) + u',', u"0,"_s, lit(u"张'三"_s), u")"_s},
        kReportColumns,
        {u"{1B4E28BA-2FA1-11D2-883F-0016D3CCA428}|35632EC3-8A47-4DDC-BB41-9A17CE57DCA8|8801|食堂'二楼|<null>|<null>|水管漏水|"_s +
         serverStamp() + u"|7%'01|0|张'三"_s});

    // Defect elimination form.
    const auto loadFlaw = [](const QString& code) {
        return QStringList{u"select * from t_equip_flaw "_s, u" where f_code = "_s + lit(code),
                           u" and f_state=20"_s};
    };
    reads(
        "defect form: waiting defect", equip, kFlaws, loadFlaw(u"F'01"_s),
        u"EQUIP_CODE,F_CALL_TIME,F_EQUIP_LEVEL,F_DETAIL_EXTEND,F_FIND_MAN,F_FIND_TEAM,F_CALL_MAN,F_CALL_TEAM,sbdm"_s,
        {u"1A'02%|2026-03-17 22:10:00|给水泵'B'|振动大|李四|运行一值|王五|运行部|02AB001"_s});
    reads("defect form: eliminated defect not loaded", equip, kFlaws, loadFlaw(u"F02"_s), u"sbdm"_s, {});
    const auto eliminator = [](const QString& staff) {
        return QStringList{
            u"select code,name,rycode,(select name from table_zd where code = substring(tt.code,1,len(tt.code)-2)) as bz from table_zd tt where rycode = "_s +
            lit(staff)};
    };
    reads("defect form: eliminator with team", vek, kVekTree, eliminator(u"07'1"_s), u"code,name,rycode,bz"_s,
          {u"4083020107|李'四|07'1|检修一班"_s});
    reads("defect form: unknown eliminator", vek, kVekTree, eliminator(u"07"_s), u"name"_s, {});
    const auto eliminate = [](const QString& code) {
        return QStringList{u"update t_equip_flaw set "_s,
                           u"f_handle_man="_s + lit(u"李'四"_s) + u',',
                           u"f_handle_detail="_s + lit(u"更换轴承'已试转' 100%"_s) + u',',
                           u"f_handle_time=sysdate,"_s,
                           u"f_state=70,"_s,
                           u"f_handle_result='1',"_s,
                           u"f_handle_team="_s + lit(u"检修一班"_s),
                           u" where f_code = "_s + lit(code),
                           u" and f_state=20"_s};
    };
    const QString f02 = u"F02|70|周七|已换|2026-03-16 10:00:00|1|检修二班"_s,
                  f03 = u"F03|20|<null>|<null>|<null>|<null>|<null>"_s;
    writes("defect form: eliminate a waiting defect", equip, kFlaws, eliminate(u"F'01"_s), kFlawState,
           {u"F'01|70|李'四|更换轴承'已试转' 100%|"_s + oracleStamp() + u"|1|检修一班"_s, f02, f03});
    writes("defect form: an eliminated defect stays as it was", equip, kFlaws, eliminate(u"F02"_s),
           kFlawState, {u"F'01|20|<null>|<null>|<null>|<null>|<null>"_s, f02, f03});
    const auto dutyAccount = [](const QString& number) {
        return QStringList{
            u"SELECT * FROM tbl_dzb WHERE (rylb = 'J') AND (SUBSTRING(vekyhm, LEN(vekyhm), 1) = "_s +
            lit(number) + u") "_s};
    };
    reads("defect form: duty account ending in the number", vek, kDuty, dutyAccount(u"2"_s),
          u"name,vekyhm,zxip"_s, {u"值长二|KPTA2|"_s});
    reads("defect form: trailing blanks not counted", vek, kDuty, dutyAccount(u"3"_s), u"name,zxip"_s,
          {u"三值|10.0.0.34"_s});
    reads("defect form: two-digit number matches no account", vek, kDuty, dutyAccount(u"10"_s), u"name"_s,
          {});
    const QStringList acceptance{u"{N}"_s,
                                 u"消息"_s,
                                 u"请验收"_s,
                                 u"缺陷代码：1A'02%"_s,
                                 u"2026-03-18 09:31:00"_s,
                                 u"给水泵'B'"_s,
                                 u"张'三"_s,
                                 user,
                                 u"值长二"_s,
                                 u"KPTA2"_s,
                                 u"2026-03-18"_s,
                                 u"2026-03-17 22:10:00"_s,
                                 u"否"_s};
    writes("defect form: acceptance notice", vek, QString(), noticeInsert(acceptance, u")"_s), kNoticeColumns,
           {acceptance.join(u'|') + u"|否"_s});

    // Attendance.
    writes(
        "attendance: sign-in row", sc, QString(),
        attendanceInsert(u"{3F2504E0-4F89-11D3-9A0C-0305E82C3301}"_s, u"张'三"_s, user),
        u"select id,username,operateusername,operationtime,attendancetype,userdeptcode,usercode from Attendance"_s,
        {u"{3F2504E0-4F89-11D3-9A0C-0305E82C3301}|张'三|张'三|"_s + serverStamp() + u"|出勤|4083|7%'01"_s});
}

void TstStatements::statement()
{
    QFETCH(QString, role);
    QFETCH(QString, fixture);
    QFETCH(QStringList, lines);
    QFETCH(QString, read);
    QFETCH(QString, check);
    QFETCH(QStringList, expected);

    TestWorld w;
    ServerClock clock(kNow);
    if (!fixture.isEmpty())
        w.sql(role, fixture);
    const auto c = connectionFor(w, role);
    StatementTrace trace;
    Query q(c.get());
    for (const QString& line : lines)
        q.add(line);

    QStringList got;
    try {
        if (!read.isEmpty()) {
            q.open();
            got = readRows(q, read.split(u','));
        } else {
            q.execute();
            got = joined(w.rows(role, check));
        }
    } catch (const VekError& e) {
        QFAIL(qPrintable(u"statement failed: "_s + e.message()));
    }
    QCOMPARE(got, expected);
    // Sent as one text, the lines joined by CR LF, on the role's connection.
    QCOMPARE(trace.texts(c->name()), QStringList{lines.join(u"\r\n"_s)});
}

// The send page's batch: one insert per recipient between "begin tran" and "commit tran", sent as one
// text. A failing insert leaves the batch's transaction open; the roll back removes every row of it.
void TstStatements::sendBatch_data()
{
    QTest::addColumn<QString>("stored");   // a notice already in the table
    QTest::addColumn<QStringList>("keys"); // bh of each recipient's row
    QTest::addColumn<QString>("error");    // part of the driver's message; empty when the batch succeeds
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("every recipient stored")
        << QString() << QStringList{u"{G1}"_s, u"{G2}"_s, u"{G3}"_s} << QString()
        << QStringList{u"{G1}|检修'通知' 100%|张'三|7%'01|否|否"_s,
                       u"{G2}|检修'通知' 100%|李四|7x'01|是|否"_s,
                       u"{G3}|检修'通知' 100%|张'三|7%'01|否|否"_s};
    QTest::newRow("duplicate key in the middle")
        << u"insert into tbl_main(bh,zt,jsr,jsrgh,sftx) values('{G2}','旧通知','王五','2002''01','是')"_s
        << QStringList{u"{G1}"_s, u"{G2}"_s, u"{G3}"_s} << u"tbl_main.bh"_s
        << QStringList{u"{G2}|旧通知|王五|2002'01|是|否"_s};
}

void TstStatements::sendBatch()
{
    QFETCH(QString, stored);
    QFETCH(QStringList, keys);
    QFETCH(QString, error);
    QFETCH(QStringList, expected);

    TestWorld w;
    if (!stored.isEmpty())
        w.sql(u"vek"_s, stored);
    const auto c = connectionFor(w, u"vek"_s);

    struct Recipient {
        QString name, login, address;
    };
    const Recipient recipients[] = {{u"张'三"_s, u"7%'01"_s, u"10.0.0.7"_s},
                                    {u"李四"_s, u"7x'01"_s, QString()}};
    const QString subject = u"检修'通知' 100%"_s;
    Query q(c.get());
    q.add(u"begin tran"_s);
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const Recipient& r = recipients[i % 2];
        for (const QString& line :
             noticeInsert({keys[i], u"消息"_s, u"通知"_s, subject, u"2026-03-18 09:30:00"_s, subject,
                           u"王五"_s, u"2002'01"_s, r.name, r.login, u"2026-03-18"_s, u"2026-03-20"_s,
                           r.address.isEmpty() ? u"是"_s : u"否"_s},
                          u");"_s))
            q.add(line);
    }
    q.add(u"commit tran"_s);

    if (error.isEmpty()) {
        q.execute();
    } else {
        const QString thrown = errorOf([&] { q.execute(); });
        QVERIFY2(thrown.contains(error), qPrintable(thrown));
        QVERIFY(c->inTransaction());
        c->rollback();
    }
    QVERIFY(!c->inTransaction());
    QCOMPARE(joined(w.rows(u"vek"_s, u"select bh,zt,jsr,jsrgh,sftx,sfcy from tbl_main order by bh"_s)),
             expected);
}

// The browser's listing: rows addressed to the login name and to the user's OA name, duplicates removed by
// the union, filtered by system and read state, newest date first.
void TstStatements::browserListing_data()
{
    QTest::addColumn<QString>("oaName"); // the user's tbl_dzb.oayhm; a null string for none
    QTest::addColumn<QString>("system"); // empty for every system
    QTest::addColumn<QString>("read");   // "是", "否", or empty for both
    QTest::addColumn<QStringList>("expected");

    const QString oa = u"oa.zhang"_s;
    QTest::newRow("every system, read and unread")
        << oa << QString() << QString() << QStringList{u"{D}"_s, u"{B}"_s, u"{C}"_s, u"{A}"_s};
    QTest::newRow("unread") << oa << QString() << u"否"_s << QStringList{u"{B}"_s, u"{C}"_s, u"{A}"_s};
    QTest::newRow("消息, read") << oa << u"消息"_s << u"是"_s << QStringList{u"{D}"_s};
    QTest::newRow("OA") << oa << u"OA"_s << QString() << QStringList{u"{C}"_s};
    QTest::newRow("OA name equal to the login name: rows listed once")
        << u"7%'01"_s << QString() << QString() << QStringList{u"{D}"_s, u"{B}"_s, u"{A}"_s};
    QTest::newRow("no OA name") << QString() << QString() << QString()
                                << QStringList{u"{D}"_s, u"{B}"_s, u"{A}"_s};
}

void TstStatements::browserListing()
{
    QFETCH(QString, oaName);
    QFETCH(QString, system);
    QFETCH(QString, read);
    QFETCH(QStringList, expected);

    TestWorld w;
    w.sql(u"vek"_s, kNotices);
    w.sql(u"vek"_s, u"update tbl_dzb set oayhm="_s + (oaName.isNull() ? u"null"_s : lit(oaName)));
    const auto c = connectionFor(w, u"vek"_s);
    const QString user = u"7%'01"_s;

    QString filter;
    if (!system.isEmpty())
        filter = u" and xt = "_s + lit(system);
    if (!read.isEmpty())
        filter += u" and sfcy = "_s + lit(read);
    Query q(c.get());
    q.add(u"select * from (select * from tbl_main where jsrgh = (select oayhm from tbl_dzb where vekyhm="_s +
          lit(user) + u')');
    q.add(u" union select * from tbl_main where jsrgh ="_s + lit(user) + u") tmp "_s);
    q.add(u" where 1=1 "_s);
    q.add(filter);
    q.add(u" order by fsrq desc"_s);
    q.open();
    QCOMPARE(readRows(q, {u"bh"_s}), expected);
}

// The attendance duplicate tests by server time: sign-ins are written by the sign-in insert at their own
// server times, then the morning or afternoon test runs at `now`.
void TstStatements::attendanceWindows_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QStringList>("signIns"); // "user@server time"
    QTest::addColumn<bool>("morning");
    QTest::addColumn<QStringList>("expected"); // operationtime of the rows found

    const auto at = [](const char* hms) {
        return QDateTime(QDate(2026, 3, 18), QTime::fromString(QString::fromLatin1(hms), u"HH:mm:ss.zzz"_s));
    };
    const QString today = u"40'83@2026-03-18 08:05:00.000"_s;
    QTest::newRow("morning: earlier sign-in of the user")
        << at("09:30:00.000") << QStringList{today} << true << QStringList{u"2026-03-18 08:05:00.000"_s};
    QTest::newRow("morning: other user")
        << at("09:30:00.000") << QStringList{u"4084@2026-03-18 08:05:00.000"_s} << true << QStringList{};
    QTest::newRow("morning: yesterday")
        << at("09:30:00.000") << QStringList{u"40'83@2026-03-17 09:00:00.000"_s} << true << QStringList{};
    QTest::newRow("morning: last millisecond")
        << at("11:59:59.999") << QStringList{u"40'83@2026-03-18 11:59:59.999"_s} << true
        << QStringList{u"2026-03-18 11:59:59.999"_s};
    QTest::newRow("morning: test at noon finds nothing")
        << at("12:00:00.000") << QStringList{today} << true << QStringList{};
    QTest::newRow("afternoon: earlier sign-in of the user")
        << at("15:00:00.000") << QStringList{u"40'83@2026-03-18 13:10:00.000"_s} << false
        << QStringList{u"2026-03-18 13:10:00.000"_s};
    QTest::newRow("afternoon: noon counts")
        << at("12:00:00.000") << QStringList{u"40'83@2026-03-18 12:00:00.000"_s} << false
        << QStringList{u"2026-03-18 12:00:00.000"_s};
    QTest::newRow("afternoon: morning sign-in")
        << at("15:00:00.000") << QStringList{today} << false << QStringList{};
    QTest::newRow("afternoon: yesterday")
        << at("15:00:00.000") << QStringList{u"40'83@2026-03-17 14:00:00.000"_s} << false << QStringList{};
    QTest::newRow("afternoon: other user")
        << at("15:00:00.000") << QStringList{u"4084@2026-03-18 13:10:00.000"_s} << false << QStringList{};
}

void TstStatements::attendanceWindows()
{
    QFETCH(QDateTime, now);
    QFETCH(QStringList, signIns);
    QFETCH(bool, morning);
    QFETCH(QStringList, expected);

    TestWorld w;
    const auto c = connectionFor(w, u"ServiceCenter"_s);
    Query q(c.get());
    for (const QString& s : signIns) {
        const qsizetype sep = s.indexOf(u'@');
        ServerClock clock(QDateTime::fromString(s.mid(sep + 1), u"yyyy-MM-dd HH:mm:ss.zzz"_s));
        q.setLines(attendanceInsert(QUuid::createUuid().toString().toUpper(), u"张'三"_s, s.left(sep)));
        q.execute();
    }
    ServerClock clock(now);
    q.setLines(morning ? morningSignInCheck(u"40'83"_s) : afternoonSignInCheck(u"40'83"_s));
    q.open();
    QCOMPARE(readRows(q, {u"operationtime"_s}), expected);
}

// The sign-in's time query reads the server clock as a date-time.
void TstStatements::serverTime()
{
    TestWorld w;
    ServerClock clock(kNow);
    const auto c = connectionFor(w, u"ServiceCenter"_s);
    Query q(c.get());
    q.add(u"select  getdate() aa"_s);
    q.open();
    QCOMPARE(q.recordCount(), 1);
    QCOMPARE(q.asDateTime(u"aa"_s), kNow);
}

QTEST_GUILESS_MAIN(TstStatements)
#include "tst_statements.moc"
