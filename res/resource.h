/* Resource identifiers shared by the program's C++ code and its resource script.
   Plain #defines only, so that both the C++ compiler and windres can read this file. */
#ifndef GLYPHCAST_RES_RESOURCE_H
#define GLYPHCAST_RES_RESOURCE_H

/* Dialog templates */
#define IDD_ABOUTBOX         100
#define IDD_WIZARD           131
#define IDD_WELCOME          132
#define IDD_SOURCE           133
#define IDD_OUTPUT           134
#define IDD_FINISH           135

/* String table */
#define IDS_ABOUTBOX         101
#define IDS_NEXT             103
#define IDS_FINISH           104
#define IDS_FILE_NOT_FOUND   105
#define IDS_REPLACE          106
#define IDS_CANNOT_OPEN      107
#define IDS_NOT_A_PICTURE    108
#define IDS_CANNOT_CREATE    109
#define IDS_WRITE_FAILED     110
#define IDS_TARGET_IS_SOURCE 111
#define IDS_TARGET_IS_FOLDER 112
#define IDS_CANNOT_SHOW      113
#define IDS_SOURCE_IS_FOLDER 114
#define IDS_TARGET_READ_ONLY 115
#define IDS_PATH_TOO_LONG    116
#define IDS_PATH_CUT         117
#define IDS_PAGE_SIZE        118
#define IDS_BAD_CHARACTERS   119
#define IDS_NOT_COPIED       120
#define IDS_DROP_ONE         121
#define IDS_CHECKING         122
#define IDS_NO_PREVIEW       123
#define IDS_PREVIEW_WORKING  124
#define IDS_PREVIEW_SCALE    125
#define IDS_PREVIEW_ACTUAL   126
#define IDS_SOURCE_WARNING   127

/* Pictures */
#define IDR_MAINFRAME        128 /* program icon */
#define IDB_WIZARD           129 /* left panel of the title pages */
#define IDC_LINK_CURSOR      130 /* pointing hand over the About box's link */

/* System menu command of the wizard frame */
#define IDM_ABOUTBOX         16

/* Controls without an identifier of their own */
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* Wizard frame */
#define IDC_BACK            1000
#define IDC_NEXT            1001
#define IDC_CANCEL_BUTTON   1002
#define IDC_PLACEHOLDER     1004

/* About box */
#define IDC_LINK            1003

/* Title pages */
#define IDC_TITLE           1005
#define IDC_OPEN_AFTER      1022
#define IDC_PROGRESS        1025
#define IDC_PROGRESS_TEXT   1026

/* Source and output pages */
#define IDC_PATH            1006
#define IDC_BROWSE          1007
#define IDC_DIMENSIONS      1011
#define IDC_PRESERVE_ASPECT 1012
#define IDC_COLUMNS         1013
#define IDC_ROWS            1014
#define IDC_COLUMNS_SPIN    1015
#define IDC_ROWS_SPIN       1016
#define IDC_CHARACTER_ORDER 1017
#define IDC_BACKGROUND      1019
#define IDC_FONT            1020
#define IDC_FONT_SAMPLE     1021
#define IDC_PREVIEW         1023
#define IDC_CHARACTER_SET   1024
#define IDC_PAGE_SIZE       1027
#define IDC_PAGE_STYLE      1028

/* Finish page: the page's preview and the copy to the clipboard; source page: why no preview */
#define IDC_COPY_AFTER      1029
#define IDC_PAGE_PREVIEW    1030
#define IDC_PREVIEW_NOTE    1031

#endif /* GLYPHCAST_RES_RESOURCE_H */
