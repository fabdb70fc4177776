-- Catalog "ServiceCenter": fault reports to the service desks, and attendance sign-ins.

CREATE TABLE reportbugs (
    id               TEXT,
    typeid           TEXT,
    tel              TEXT,
    address          TEXT,
    computertype     TEXT,
    os               TEXT,
    faultdescription TEXT,
    reportdate       TEXT,
    userid           TEXT,
    isrepaired       INTEGER,
    username         TEXT
);
CREATE INDEX ix_reportbugs_id ON reportbugs (id);

CREATE TABLE Attendance (
    id              TEXT,
    username        TEXT,
    operateusername TEXT,
    operationtime   TEXT,
    attendancetype  TEXT,
    userdeptcode    TEXT,
    usercode        TEXT
);
CREATE INDEX ix_Attendance_usercode ON Attendance (usercode, operationtime);
