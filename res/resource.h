#pragma once

// Resource ids of the program: dialogs, controls, icon, strings.

#include "platform/DialogTemplate.h"

#include <span>
#include <string>

// Dialogs.
inline constexpr UINT IDD_RT_UT_DIALOG = 102;
inline constexpr UINT IDD_IPADD = 129;
inline constexpr UINT IDD_SUBMENU = 130;
inline constexpr UINT IDD_UPLOAD = 132;
inline constexpr UINT IDD_DELETE = 133;

// Icon and strings.
inline constexpr UINT IDR_MAINFRAME = 128;
inline constexpr UINT IDP_SOCKETS_INIT_FAILED = 103;

// Controls.
inline constexpr int IDC_UPLOAD = 1000;
inline constexpr int IDC_DELETE = 1001;
inline constexpr int IDC_IPADDRESS = 1004;
inline constexpr int IDC_LOGIN = 1005;
inline constexpr int IDC_STATUS_TEXT = 1005;
inline constexpr int IDC_ELAPSED_TEXT = 1006;
inline constexpr int IDC_PASSWORD = 1007;
inline constexpr int IDC_MENU_HELP = 1008;

// The dialog template with this id; every id above names one.
const DialogTemplate& DialogResource(UINT nIDTemplate);

// The string table entry with this id, "" when there is none.
std::string LoadResourceString(UINT nID);

// The images of the icon with this id, one per size (Qt resource paths);
// none when there is no such icon.
std::span<const char* const> LoadIconImages(UINT nID);
