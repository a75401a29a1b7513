#pragma once

// A dialog that records what reaches it (commands, show-window notices, timer
// ticks, edit focus), and small templates that each isolate one behaviour of
// the dialog framework.

#include "platform/DataExchange.h"
#include "platform/Dialog.h"
#include "platform/IPAddressCtrl.h"

#include <functional>
#include <string>
#include <vector>

namespace probe {

// Control ids of the test templates.
inline constexpr int kEdit = 1001;
inline constexpr int kEditNoStop = 1002;
inline constexpr int kHidden = 1003;
inline constexpr int kDisabled = 1004;
inline constexpr int kAddress = 1005;
inline constexpr int kDefault = 1006;
inline constexpr int kPlain = 1007;

inline constexpr DWORD kDialog = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
inline constexpr DWORD kShown = WS_CHILD | WS_VISIBLE;
inline constexpr DWORD kStop = kShown | WS_TABSTOP;
inline constexpr DWORD kField = kStop | WS_BORDER | ES_AUTOHSCROLL;

// Every kind of tab stop and non-stop, in an order that is not the
// controls' positions on screen.
inline constexpr DialogItem kFormItems[] = {
    {ControlClass::Static, IDC_STATIC, "名前", 4, 4, 40, 10, kShown},
    {ControlClass::Edit, kEdit, "", 50, 4, 100, 12, kField},
    {ControlClass::Edit, kEditNoStop, "", 50, 20, 100, 12, kShown | WS_BORDER},
    {ControlClass::Button, kHidden, "隠し", 4, 80, 30, 14, WS_CHILD | WS_TABSTOP},
    {ControlClass::Button, kDisabled, "無効", 40, 80, 30, 14, kStop | WS_DISABLED},
    {ControlClass::IPAddress, kAddress, "", 50, 36, 100, 12, kStop},
    {ControlClass::Button, kDefault, "実行", 76, 80, 30, 14, kStop | BS_DEFPUSHBUTTON},
    {ControlClass::Button, kPlain, "その他", 110, 80, 30, 14, kStop},
    {ControlClass::Button, IDCANCEL, "ｷｬﾝｾﾙ", 144, 80, 30, 14, kStop},
};
inline constexpr DialogTemplate kForm{9001,       kDialog,           0,  0,         0, 178, 100,
                                      "フォーム", "ＭＳ Ｐゴシック", 11, kFormItems};

// An edit and a push button, neither of them the default.
inline constexpr DialogItem kNoDefaultItems[] = {
    {ControlClass::Edit, kEdit, "", 10, 10, 100, 12, kField},
    {ControlClass::Button, kPlain, "その他", 10, 30, 40, 14, kStop},
};
inline constexpr DialogTemplate kNoDefault{
    9002, kDialog, 0, 0, 0, 178, 60, "既定なし", "ＭＳ Ｐゴシック", 11, kNoDefaultItems};
inline constexpr DialogTemplate kNoSysMenu{
    9003, kDialog & ~WS_SYSMENU, 0, 0, 0, 178, 60, "閉じるなし", "ＭＳ Ｐゴシック",
    11,   kNoDefaultItems};

inline constexpr DialogItem kDisabledDefaultItems[] = {
    {ControlClass::Edit, kEdit, "", 10, 10, 100, 12, kField},
    {ControlClass::Button, kDefault, "実行", 10, 30, 40, 14,
     kStop | BS_DEFPUSHBUTTON | WS_DISABLED},
};
inline constexpr DialogTemplate kDisabledDefault{
    9004, kDialog, 0, 0, 0, 178, 60, "既定無効", "ＭＳ Ｐゴシック", 11, kDisabledDefaultItems};

class ProbeDialog : public CDialog
{
public:
    explicit ProbeDialog(const DialogTemplate& dialogTemplate, CWnd* pParentWnd = nullptr);
    ~ProbeDialog() override;

    const MessageMap* GetMessageMap() const override;

    // Creates the window modeless, shows it and waits until it is active.
    bool Open();

    // "OK", "Cancel", "command <id>", "plain", "show <0|1> <hidden|visible>"
    // (visibility when the notice came), "timer <id>".
    std::vector<std::string> events;
    std::vector<int> editFocus; // ids of edits that got the focus

    bool passDefaults = true; // OnOK / OnCancel go on to the framework's
    bool loadOnInit = true;   // OnInitDialog loads the members into the controls
    bool focusSelfOnEditFocus = false;
    bool releaseOnDestroy = false; // deletes itself once its window is gone
    bool* destroyed = nullptr;     // set by the destructor
    std::function<void(UINT_PTR)> onTick;
    std::function<void()> onPlain;

    // Exchanged with kEdit when textId is set, limited when maxChars is.
    int textId = 0;
    int maxChars = 0;
    std::string text;
    bool exchangeAddress = false; // attaches address to kAddress
    CIPAddressCtrl address;

    void OnShowWindow(BOOL bShow, UINT nStatus);
    void OnTimer(UINT_PTR nIDEvent);
    void OnSetfocusEdit();
    void OnSetfocusEditNoStop();
    void OnPlain();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnCommand(int nID) override;
    void DoDataExchange(CDataExchange* pDX) override;
    void PostNcDestroy() override;

private:
    void focusReached(int id);
};

// Makes wnd the application's main window for the scope's life.
class MainWindowScope
{
public:
    explicit MainWindowScope(CWnd* wnd);
    ~MainWindowScope();
    MainWindowScope(const MainWindowScope&) = delete;
    MainWindowScope& operator=(const MainWindowScope&) = delete;
};

// True when the focus widget is control id of dialog or inside it.
bool hasFocus(CDialog& dialog, int id);

} // namespace probe
