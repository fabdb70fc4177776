-- Personnel and MIS directory.

-- The coded tree of departments, teams and persons, with the MIS password of each person (plain text).
CREATE TABLE table_zd (
    code     TEXT,
    name     TEXT,
    rycode   TEXT,
    password TEXT
);
CREATE INDEX ix_table_zd_rycode ON table_zd (rycode);
CREATE INDEX ix_table_zd_code ON table_zd (code);

-- Personnel records: bmm is the code of the person in table_zd.
CREATE TABLE table_person (
    rycode TEXT,
    ryname TEXT,
    bmm    TEXT
);
CREATE INDEX ix_table_person_rycode ON table_person (rycode);
