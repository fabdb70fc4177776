-- Demo plant: two earlier fault reports.

INSERT INTO reportbugs (id, typeid, tel, address, computertype, os, faultdescription, reportdate, userid, isrepaired, username) VALUES
    ('{34296A83-D4A8-442A-A7F8-C874E6B9197D}', '7C043CBB-8817-44F2-B032-3ED01592D479', '6201', '集控楼三层工程师站', 'DELL', 'Windows7', '开机后显示器无信号，主机指示灯正常', '2026-11-12 09:31:22.417', '10201', 1, '陈刚'),
    ('{C0A89B83-0BA3-410B-930E-888E57C723AC}', '35632EC3-8A47-4DDC-BB41-9A17CE57DCA8', '6315', '检修楼二层电气班办公室', NULL, NULL, '办公室空调不制冷
窗户把手损坏', '2026-11-16 15:08:40.092', '10301', 0, '孙建军');
