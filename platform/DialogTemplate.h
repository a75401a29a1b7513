#pragma once

// Dialog templates as plain data: the window's style, caption, font and size,
// and its controls in template order (which is also the tab order), with
// positions and sizes in dialog units. The builder turns one into widgets.

#include "platform/Types.h"

#include <span>

// Window styles.
inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_CHILD = 0x40000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_DISABLED = 0x08000000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_BORDER = 0x00800000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_GROUP = 0x00020000;
inline constexpr DWORD WS_TABSTOP = 0x00010000;
inline constexpr DWORD DS_MODALFRAME = 0x00000080;
inline constexpr DWORD DS_SETFONT = 0x00000040;

// Extended window styles.
inline constexpr DWORD WS_EX_TRANSPARENT = 0x00000020;
inline constexpr DWORD WS_EX_APPWINDOW = 0x00040000;

// Push buttons.
inline constexpr DWORD BS_PUSHBUTTON = 0x0000;
inline constexpr DWORD BS_DEFPUSHBUTTON = 0x0001;

// Edit controls.
inline constexpr DWORD ES_PASSWORD = 0x0020;
inline constexpr DWORD ES_AUTOHSCROLL = 0x0080;
inline constexpr DWORD ES_READONLY = 0x0800;

// Static controls.
inline constexpr DWORD SS_LEFT = 0x0000;
inline constexpr DWORD SS_CENTER = 0x0001;
inline constexpr DWORD SS_CENTERIMAGE = 0x0200;

// The id of controls nobody refers to.
inline constexpr int IDC_STATIC = -1;

enum class ControlClass
{
    Button,
    Edit,
    Static,
    IPAddress, // four-field IPv4 address input
};

struct DialogItem
{
    ControlClass kind;
    int id;
    const char* text; // UTF-8
    int x, y, cx, cy; // dialog units
    DWORD style;
    DWORD exStyle = 0;
    // What a screen reader calls a control that has no label of its own
    // (UTF-8); a static right before a field in template order labels it.
    const char* accessibleName = nullptr;
};

struct DialogTemplate
{
    UINT id;
    DWORD style;
    DWORD exStyle;
    int x, y, cx, cy;    // dialog units
    const char* caption; // UTF-8
    const char* fontFace;
    int pointSize;
    std::span<const DialogItem> items;
};
