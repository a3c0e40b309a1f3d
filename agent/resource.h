// Resource and control numbers of Sorel2.
#pragma once

#define IDB_NOTICE_BANNER 101
#define IDB_NOTICE_CAR 102
#define IDI_AGENT 103

#define IDC_CAR_PICTURE 1000
#define IDC_BANNER_PICTURE 1001
#define IDC_WAIT_LABEL 1002
