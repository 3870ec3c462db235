#pragma once

// The numeric ids of the program's resources, commands and controls, numbered as the resource
// script numbers them (commands within the range wx allows for menu ids, see below), so that
// the names in the XRC files, the menus and the code agree. RegisterResourceIds() teaches them
// to the XRC loader before anything loads.

namespace korvalind::ui {

// Templates and shared resources.
inline constexpr int IDD_ABOUT = 100;
inline constexpr int IDD_QUERY_FORM = 101;
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDR_KORVALTYPE = 129;  // the document icon; nothing loads it
inline constexpr int IDC_LINK_HAND = 131;

// Controls of the query form.
inline constexpr int IDC_DIGITS = 1000;
inline constexpr int IDC_PROVINCE = 1001;
inline constexpr int IDC_ORGANISE = 1002;
inline constexpr int IDC_CITY = 1003;
inline constexpr int IDC_SIMTYPE = 1004;
inline constexpr int IDC_AREACODE = 1005;
inline constexpr int IDC_POSTCODE = 1006;
inline constexpr int IDC_QUERY = 1008;
inline constexpr int IDC_TAKEDATA = 1009;
inline constexpr int IDC_CONVERT_AREACODE = 1010;
inline constexpr int IDC_VISITSITE = 1011;
inline constexpr int IDC_MINIMIZE = 1013;
inline constexpr int IDC_ABOUT = 1014;
inline constexpr int IDC_NUMBER = 1017;
inline constexpr int IDC_UPDATE = 1018;
inline constexpr int IDC_BUILD = 1019;
inline constexpr int IDC_COUNT = 1020;
inline constexpr int IDC_TITLE = 1021;
inline constexpr int IDC_COMPANION = 1022;
inline constexpr int IDC_ENCRYPT = 1025;
inline constexpr int IDC_DECRYPT = 1026;

// Controls of the About box.
inline constexpr int IDC_SITE_LINK = 1023;
inline constexpr int IDC_MAIL_LINK = 1024;

// Commands of the menu and the accelerator table. None of them is a wx stock id, so GTK adds
// no stock label or shortcut of its own and no wx control claims them. wx menu ids must stay
// below 0x7FFF, so every command number (0x8003 and up) keeps its low 15 bits.
inline constexpr int kFrameworkCommand = 0x8000;
inline constexpr int ID_ONLINE_UPDATE = 0x8003 - kFrameworkCommand;
inline constexpr int ID_SETTINGS = 0x8004 - kFrameworkCommand;
inline constexpr int ID_VISIT_SITE = 0x8006 - kFrameworkCommand;
inline constexpr int ID_FILE_NEW = 0xE100 - kFrameworkCommand;
inline constexpr int ID_FILE_OPEN = 0xE101 - kFrameworkCommand;
inline constexpr int ID_FILE_SAVE = 0xE103 - kFrameworkCommand;
inline constexpr int ID_FILE_PRINT_SETUP = 0xE106 - kFrameworkCommand;
inline constexpr int ID_FILE_PRINT = 0xE107 - kFrameworkCommand;
inline constexpr int ID_FILE_PRINT_DIRECT = 0xE108 - kFrameworkCommand;
inline constexpr int ID_FILE_PRINT_PREVIEW = 0xE109 - kFrameworkCommand;
inline constexpr int ID_EDIT_COPY = 0xE122 - kFrameworkCommand;
inline constexpr int ID_EDIT_CUT = 0xE123 - kFrameworkCommand;
inline constexpr int ID_EDIT_PASTE = 0xE125 - kFrameworkCommand;
inline constexpr int ID_EDIT_UNDO = 0xE12B - kFrameworkCommand;
inline constexpr int ID_APP_ABOUT = 0xE140 - kFrameworkCommand;
inline constexpr int ID_APP_EXIT = 0xE141 - kFrameworkCommand;
inline constexpr int ID_NEXT_PANE = 0xE150 - kFrameworkCommand;
inline constexpr int ID_PREV_PANE = 0xE151 - kFrameworkCommand;

// The notification-area callback message and the two mouse messages that restore the form.
inline constexpr int WM_TRAYNOTIFY = 0x400 + 10;
inline constexpr int WM_LBUTTONDOWN = 0x201;
inline constexpr int WM_LBUTTONDBLCLK = 0x203;
inline constexpr int WM_RBUTTONDOWN = 0x204;

// Makes XRCID("IDC_NUMBER") and the other names above return these values. Call once, before
// the first resource is loaded.
void RegisterResourceIds();

}  // namespace korvalind::ui
