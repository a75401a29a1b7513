#pragma once

// The small vocabulary of the dialog framework that the program's windows are
// written against: boolean and integer types, command ids, message box flags,
// show and placement constants. Values are the classic ones, so that numbers
// written in dialog templates and handlers keep their usual meaning.

#include <cstdint>

using BOOL = int;
using UINT = unsigned int;
using DWORD = std::uint32_t;
using BYTE = std::uint8_t;
using INTERNET_PORT = std::uint16_t;

inline constexpr BOOL FALSE = 0;
inline constexpr BOOL TRUE = 1;

// Command ids of the standard buttons.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDHELP = 9;

// Message box flags: buttons in the low nibble, icon in the next one.
inline constexpr UINT MB_OK = 0x00;
inline constexpr UINT MB_OKCANCEL = 0x01;
inline constexpr UINT MB_ICONSTOP = 0x10;
inline constexpr UINT MB_ICONQUESTION = 0x20;
inline constexpr UINT MB_ICONEXCLAMATION = 0x30;
inline constexpr UINT MB_ICONINFORMATION = 0x40;

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOW = 5;

// SetWindowPos: the z-order target (only "above every window that is not
// topmost itself" is supported) and flags.
enum class ZOrder
{
    TopMost,
};
inline constexpr ZOrder HWND_TOPMOST = ZOrder::TopMost;
inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOMOVE = 0x0002;
