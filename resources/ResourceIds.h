/* Resource and control IDs, shared by the resource script and the code: plain defines, since
   the resource compiler reads this file too. */
#ifndef KC_RESOURCE_IDS_H
#define KC_RESOURCE_IDS_H

/* The condition dialog. */
#define IDD_CONDITION 130
#define IDC_END_MONTH 1000
#define IDC_BROWSE 1001
#define IDC_EXECUTE 1002
#define IDC_CANCEL 1003
#define IDC_COMPANY_LABEL 1005
#define IDC_COMPANY_NAME 1006
#define IDC_PERIOD_LABEL 1007
#define IDC_PERIOD 1008
#define IDC_SPAN_LABEL 1009
#define IDC_EQUITY_LABEL1 1010
#define IDC_START_MONTH_LABEL 1011
#define IDC_WAVE 1012
#define IDC_END_MONTH_LABEL 1013
#define IDC_OUTPUT_GROUP 1014
#define IDC_PATH 1015
#define IDC_START_MONTH 1016
#define IDC_EQUITY_LABEL2 1017
#define IDC_EQUITY_LABEL3 1018
#define IDC_SHAREHOLDERS_EQUITY 1019
#define IDC_MEMBERS_EQUITY 1020
#define IDC_OUTPUT_LEDGER 1021

/* The progress window. */
#define IDD_PROGRESS 131
#define IDC_OVERALL_BAR 1016
#define IDC_DETAIL_BAR 1017

/* The books' login: which user logs in. */
#define IDD_LOGIN 140
#define IDC_LOGIN_LABEL 1101
#define IDC_LOGIN_USERS 1102

/* The program's icon: the lowest ID, so that it is the first icon of the program, the one
   Explorer and the taskbar show. */
#define IDI_PROGRAM 1

/* String resource 1: the version written into the XML file. */
#define IDS_VERSION 1

#endif
