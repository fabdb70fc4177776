-- Demo plant: equipment defects. Three wait for elimination (state 20), one is eliminated (state 70).

INSERT INTO t_equip_flaw (f_code, f_state, EQUIP_CODE, F_CALL_TIME, F_EQUIP_LEVEL, F_DETAIL_EXTEND, F_FIND_MAN, F_FIND_TEAM, F_CALL_MAN, F_CALL_TEAM, sbdm, f_handle_man, f_handle_detail, f_handle_time, f_handle_result, f_handle_team) VALUES
    ('F2026111800031', 20, 'QX-2026-031', '2026-11-18 08:42:10', '#2炉B磨煤机润滑油泵电机', '电机外壳温度高（82℃），轴承有异音', '陈刚', '集控一值', '陈刚', '运行部', '02HFC20AP001', NULL, NULL, NULL, NULL, NULL),
    ('F2026112000037', 20, 'QX-2026-037', '2026-11-20 14:05:36', '#1机B给水泵', '机械密封泄漏，滴水约每分钟30滴', '周涛', '集控二值', '周涛', '运行部', '01LAC20AP001', NULL, NULL, NULL, NULL, NULL),
    ('F2026112100040', 20, 'QX-2026-040', '2026-11-21 10:18:02', '化学除盐水泵A', '出口压力表指示不准', '吴昊', '集控二值', '吴昊', '运行部', '00GHC10AP001', NULL, NULL, NULL, NULL, NULL),
    ('F2026110500012', 70, 'QX-2026-012', '2026-11-05 09:26:44', '#1机6kV A段工作进线开关', '开关储能指示灯不亮', '杨帆', '集控一值', '杨帆', '运行部', '01BBA10GS001', '马超', '更换储能指示灯及接触器，试验正常', '2026-11-06 14:20:05', '1', '电气班');
