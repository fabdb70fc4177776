-- Catalog "vek": the own tables of the notice system.
-- Texts are TEXT, dates and times are text in the form yyyy-mm-dd HH:MM:SS (server times carry .zzz).

-- Settings rows, keyed by yhm. The row softvercheck announces the newest client version in kl.
CREATE TABLE tbl_sys (
    yhm    TEXT,
    kl     TEXT,
    sfbdip TEXT,
    ip     TEXT
);

-- The address book: departments, teams and persons in one coded tree, two characters per level.
CREATE TABLE tbl_dzb (
    code     TEXT,
    name     TEXT,
    vekyhm   TEXT,
    zxip     TEXT,
    oayhm    TEXT,
    zhxgklsj TEXT,
    rylb     TEXT
);
CREATE INDEX ix_tbl_dzb_vekyhm ON tbl_dzb (vekyhm);
CREATE INDEX ix_tbl_dzb_code ON tbl_dzb (code);
CREATE INDEX ix_tbl_dzb_zxip ON tbl_dzb (zxip);
CREATE INDEX ix_tbl_dzb_rylb ON tbl_dzb (rylb);

-- Notices, one row per recipient. Inserts leave sfcy out, so a new notice is unread.
CREATE TABLE tbl_main (
    bh     TEXT NOT NULL PRIMARY KEY,
    xt     TEXT,
    lx     TEXT,
    zt     TEXT,
    sdwcsj TEXT,
    nr     TEXT,
    fsr    TEXT,
    fsrgh  TEXT,
    jsr    TEXT,
    jsrgh  TEXT,
    fsrq   TEXT,
    jsrq   TEXT,
    sftx   TEXT,
    sfcy   TEXT NOT NULL DEFAULT '否',
    bz     TEXT
);
CREATE INDEX ix_tbl_main_jsrgh ON tbl_main (jsrgh, sfcy, fsrq);

-- Maintenance staff and the shift accounts, which log in with the password kept here.
CREATE TABLE tbl_jxry (
    code     TEXT,
    name     TEXT,
    password TEXT,
    vekyhm   TEXT,
    zy       TEXT,
    bz       TEXT,
    sctxsj   TEXT
);
CREATE INDEX ix_tbl_jxry_code ON tbl_jxry (code);
CREATE INDEX ix_tbl_jxry_vekyhm ON tbl_jxry (vekyhm);

-- Copy of the personnel directory tree without passwords, for name and team look-ups.
CREATE TABLE table_zd (
    code   TEXT,
    name   TEXT,
    rycode TEXT
);
CREATE INDEX ix_table_zd_rycode ON table_zd (rycode);
CREATE INDEX ix_table_zd_code ON table_zd (code);

-- The stored client program with the prompt and change notes the updater shows.
CREATE TABLE tbl_soft (
    yhts TEXT,
    diff TEXT,
    soft BLOB
);
