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

/* kcbooks.exe's import window: what was found in a folder or a journal, and the import. */
#define IDD_IMPORT 150
#define IDC_IMPORT_HINT 1201
#define IDC_IMPORT_SOURCE 1202
#define IDC_IMPORT_PICK_FOLDER 1203
#define IDC_IMPORT_PICK_FILE 1204
#define IDC_IMPORT_KIND 1205
#define IDC_IMPORT_OPENINGS 1206
#define IDC_IMPORT_ENCODING 1207
#define IDC_IMPORT_COMPANY 1208
#define IDC_IMPORT_FROM 1209
#define IDC_IMPORT_TO 1210
#define IDC_IMPORT_STORE 1211
#define IDC_IMPORT_PICK_STORE 1212
#define IDC_IMPORT_USE 1213
#define IDC_IMPORT_PROGRESS 1214
#define IDC_IMPORT_RESULT 1215
#define IDC_IMPORT_RUN 1216

/* kcoffice.exe's window: the month's run for a dropped clients' folder. */
#define IDD_OFFICE 160
#define IDC_OFFICE_HINT 1301
#define IDC_OFFICE_CLIENTS 1302
#define IDC_OFFICE_MONTH 1303
#define IDC_OFFICE_OUTPUT 1304
#define IDC_OFFICE_PICK_OUTPUT 1305
#define IDC_OFFICE_PROGRESS 1306
#define IDC_OFFICE_STATUS 1307
#define IDC_OFFICE_RUN 1308

/* The program's icon: the lowest ID, so that it is the first icon of the program, the one
   Explorer and the taskbar show. */
#define IDI_PROGRAM 1

/* String resource 1: the version written into the XML file. */
#define IDS_VERSION 1

#endif
