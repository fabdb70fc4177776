-- Equipment defects of the equipment-management system.
-- f_state: 20 reported and waiting for elimination, 70 eliminated.

CREATE TABLE t_equip_flaw (
    f_code          TEXT NOT NULL,
    f_state         INTEGER,
    EQUIP_CODE      TEXT,
    F_CALL_TIME     TEXT,
    F_EQUIP_LEVEL   TEXT,
    F_DETAIL_EXTEND TEXT,
    F_FIND_MAN      TEXT,
    F_FIND_TEAM     TEXT,
    F_CALL_MAN      TEXT,
    F_CALL_TEAM     TEXT,
    sbdm            TEXT,
    f_handle_man    TEXT,
    f_handle_detail TEXT,
    f_handle_time   TEXT,
    f_handle_result TEXT,
    f_handle_team   TEXT
);
CREATE UNIQUE INDEX ux_t_equip_flaw_f_code ON t_equip_flaw (f_code);
CREATE INDEX ix_t_equip_flaw_state ON t_equip_flaw (f_state);
