#pragma once

namespace vek {

namespace db {
class Query;
}

// Attendance sign-in of the main window's "信息中心" group, run on its query qry_qd (service centre).
// All times are the database server's; the only output is a message box.
void attendanceMorning(db::Query& qry_qd);   // "上午签到"
void attendanceAfternoon(db::Query& qry_qd); // "下午签到"

} // namespace vek
