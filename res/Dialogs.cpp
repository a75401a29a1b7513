// The dialog templates: positions and sizes in dialog units, controls in
// template order, which is also their tab order.

#include "res/resource.h"

#include <stdexcept>

namespace {

constexpr const char* kFont = "ＭＳ Ｐゴシック";
constexpr int kFontPoints = 11;
constexpr const char* kMainCaption = "ＫＥＬＶＯＲ ﾌﾟﾛｸﾞﾗﾑｱｯﾌﾟﾛｰﾄﾞﾕｰﾃｨﾘﾃｨ";

constexpr DWORD kModalDialog = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kDefaultButton = kChild | WS_TABSTOP | BS_DEFPUSHBUTTON;
constexpr DWORD kCentredLine = kChild | SS_CENTER | SS_CENTERIMAGE;
constexpr DWORD kLabel = kChild | SS_LEFT | WS_GROUP;
constexpr DWORD kTextField = kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;

constexpr DialogItem kMainWindowItems[] = {
    {ControlClass::Static, IDC_STATIC, "ＫＥＬＶＯＲ", 7, 3, 165, 11, kCentredLine},
    {ControlClass::Static, IDC_STATIC, "プログラムアップロードユーティリティ　Ver 3.00", 7, 18, 165,
     11, kCentredLine},
    {ControlClass::Static, IDC_STATIC,
     "　プログラムアップロードの際には、必ず先にルータプログラムのアップロードをしてください。", 7,
     37, 165, 17, kChild | SS_LEFT},
    {ControlClass::Static, IDC_STATIC,
     "　ルータプログラムのアップロード完了後、主装置の電源を入れなおしてシステムが動作してから、"
     "ビジネスホンプログラムのアップロードをしてください。",
     7, 54, 165, 27, kChild | SS_LEFT},
    {ControlClass::Button, IDOK, "開始", 8, 84, 36, 16, kDefaultButton},
    {ControlClass::Button, IDCANCEL, "終了", 52, 84, 40, 16, kButton},
    {ControlClass::Button, IDHELP, "ヘルプ", 132, 84, 37, 16, kButton},
};

constexpr DialogItem kConnectionItems[] = {
    {ControlClass::Static, IDC_STATIC, "ログイン名", 12, 46, 38, 12, kLabel},
    {ControlClass::Edit, IDC_LOGIN, "", 52, 44, 100, 12, kTextField},
    {ControlClass::Static, IDC_STATIC, "パスワード", 12, 62, 38, 12, kLabel},
    {ControlClass::Edit, IDC_PASSWORD, "", 52, 60, 100, 12, kTextField | ES_PASSWORD},
    {ControlClass::Button, IDOK, "接続", 8, 84, 36, 16, kDefaultButton},
    {ControlClass::Button, IDCANCEL, "ｷｬﾝｾﾙ", 52, 84, 40, 16, kButton},
    {ControlClass::Button, IDHELP, "ヘルプ", 128, 84, 40, 16, kButton},
    {ControlClass::Static, IDC_STATIC,
     "ＫＥＬＶＯＲのＩＰアドレスおよびログイン名、パスワードを入力してください。", 5, 5, 170, 18,
     kLabel},
    {ControlClass::Static, IDC_STATIC, "ＩＰアドレス", 12, 30, 38, 12, kLabel},
    {ControlClass::IPAddress, IDC_IPADDRESS, "IPAddress1", 52, 28, 100, 12, kChild | WS_TABSTOP},
};

constexpr DialogItem kMenuItems[] = {
    {ControlClass::Static, IDC_STATIC, "プログラムのアップロードまたは削除を行います。", 4, 8, 170,
     11, kChild | SS_CENTER},
    {ControlClass::Button, IDC_UPLOAD, "プログラムアップロード", 44, 28, 88, 20, kButton},
    {ControlClass::Button, IDC_DELETE, "プログラム削除", 44, 52, 88, 20, kButton},
    {ControlClass::Button, IDCANCEL, "ｷｬﾝｾﾙ", 84, 84, 40, 16, kButton},
    {ControlClass::Button, IDC_MENU_HELP, "ヘルプ", 132, 84, 36, 16, kButton},
};

// The progress windows: no system menu (so no close box), hidden at first.
constexpr DWORD kProgressWindow = 0x80C000C0;
constexpr DWORD kStatusLine = 0x50020800; // read-only, borderless, no tab stop

constexpr DialogItem kUploadItems[] = {
    {ControlClass::Static, IDC_STATIC, "プログラムをアップロード中です。", 25, 12, 128, 12,
     0x50020001},
    {ControlClass::Edit, IDC_STATUS_TEXT, "", 21, 28, 136, 12, kStatusLine, WS_EX_TRANSPARENT,
     "状態"},
    {ControlClass::Button, IDOK, "ｷｬﾝｾﾙ", 68, 64, 40, 16, 0x50000001},
    {ControlClass::Edit, IDC_ELAPSED_TEXT, "", 21, 44, 136, 12, kStatusLine, WS_EX_TRANSPARENT,
     "経過時間"},
};

constexpr DialogItem kDeleteItems[] = {
    {ControlClass::Button, IDOK, "ｷｬﾝｾﾙ", 72, 60, 40, 16, 0x40000001},
    {ControlClass::Static, IDC_STATIC, "プログラムを削除中です。", 28, 12, 128, 12, 0x50020001},
    {ControlClass::Edit, IDC_STATUS_TEXT, "", 24, 36, 136, 16, kStatusLine, WS_EX_TRANSPARENT,
     "状態"},
};

constexpr DialogTemplate kTemplates[] = {
    {IDD_RT_UT_DIALOG, kModalDialog | WS_VISIBLE, WS_EX_APPWINDOW, 0, 0, 178, 109, kMainCaption,
     kFont, kFontPoints, kMainWindowItems},
    {IDD_IPADD, kModalDialog | WS_VISIBLE, 0, 0, 0, 178, 109, kMainCaption, kFont, kFontPoints,
     kConnectionItems},
    {IDD_SUBMENU, kModalDialog, 0, 0, 0, 178, 108, kMainCaption, kFont, kFontPoints, kMenuItems},
    {IDD_UPLOAD, kProgressWindow, 0, 0, 0, 178, 87, "ｱｯﾌﾟﾛｰﾄﾞ中", kFont, kFontPoints, kUploadItems},
    {IDD_DELETE, kProgressWindow, 0, 0, 0, 178, 87, "削除中", kFont, kFontPoints, kDeleteItems},
};

} // namespace

const DialogTemplate& DialogResource(UINT nIDTemplate)
{
    for (const DialogTemplate& dialogTemplate : kTemplates) {
        if (dialogTemplate.id == nIDTemplate)
            return dialogTemplate;
    }
    throw std::out_of_range("no dialog template with this id");
}
