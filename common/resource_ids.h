#pragma once
// Resource and control numbers shared by the resource script and the code.

#define IDI_VORANDECK 111

#define IDD_MAIN 105
#define IDD_SETTINGS 113
#define IDD_LANGUAGES 128

// Main dialog: command buttons.
#define IDC_EXIT 102
#define IDC_OPEN 103
#define IDC_ABOUT 104
#define IDC_EXTRACT 108
#define IDC_PATH 109
#define IDC_SETTINGS 112
#define IDC_LANGUAGES 1039
#define IDC_PROGRESS 1029
#define IDC_DETAILS 1043
#define IDC_BACK 1044 // back to the package around the open one
#define IDC_FILE_LIST 1045

// Main dialog: the group boxes, which the layout moves and stretches.
#define IDC_GROUP_GENERAL 1050
#define IDC_GROUP_UID 1051
#define IDC_GROUP_INSTALL 1052
#define IDC_GROUP_OFFSETS 1053
#define IDC_GROUP_FILES 1054

// Main dialog: commands of the file list's menu and of keys without a button.
#define IDM_EXTRACT_SELECTED 40001
#define IDM_COPY 40002
#define IDM_OPEN_INNER 40003
#define IDM_RELOAD 40004
#define IDM_SELECT_ALL 40005
#define IDM_SAVE_INNER 40006
#define IDM_SAVE_SOURCE 40007

// Main dialog: header panel boxes.
#define IDC_APP_UID 1002
#define IDC_APP_UID1 1003
#define IDC_APP_UID2 1004
#define IDC_SIS_VERSION 1005
#define IDC_UID_CHECKSUM 1006
#define IDC_CALC_CHECKSUM 1007
#define IDC_LANGUAGE_COUNT 1008
#define IDC_LINES_PROCESSED 1009
#define IDC_DEPENDENCY_COUNT 1010
#define IDC_LANGUAGE_INSTALLED 1011
#define IDC_LINES_TO_PROCESS 1012
#define IDC_INSTALL_DRIVE 1013
#define IDC_APP_CAPABILITIES 1014
#define IDC_INSTALLER_VERSION 1015
#define IDC_FLAGS 1016
#define IDC_TYPE 1017
#define IDC_APP_VERSION 1018
#define IDC_OFFSET_LANGUAGES 1019
#define IDC_OFFSET_LINES 1020
#define IDC_OFFSET_DEPENDENCIES 1021
#define IDC_OFFSET_CERTIFICATES 1022
#define IDC_OFFSET_FILENAMES 1023
#define IDC_OFFSET_SIGNATURE 1024
#define IDC_OFFSET_CAPABILITIES 1025
#define IDC_SPACE_USED 1026
#define IDC_SPACE_REQUIRED 1027
// The integrity pair: the check word the package stores and the one calculated.
#define IDC_FILE_CRC 1041
#define IDC_CALC_CRC 1042

// Package details window.
#define IDD_DETAILS 130
#define IDC_DETAILS_TREE 1060
#define IDC_DETAILS_COPY 1061
#define IDC_DETAILS_SAVE 1062

// Languages dialog.
#define IDC_LANGUAGE_LIST 1040

// Settings dialog.
#define IDC_DEST_PACKAGE 500
#define IDC_DEST_ASK 501
#define IDC_DEST_FIXED 502
#define IDC_DEST_DIR 503
#define IDC_BROWSE 114
#define IDC_OVERWRITE 1030
#define IDC_ASK_EXIT 1031
#define IDC_SORT 1038
