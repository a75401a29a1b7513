#pragma once

class CWnd;

// Which window owns a dialog or a message box that names no owner of its
// own, the way the framework chooses:
// - a modal dialog or a message box: the modal dialog running innermost,
//   else the application's main window;
// - a modeless dialog: the application's main window;
// and no owner at all when that window does not exist (yet or any more).

enum class OwnedWindow
{
    Modal,
    Modeless,
};

CWnd* DefaultOwner(OwnedWindow kind);

// The modal dialogs running, innermost last; each modal dialog enters itself
// when its loop starts and leaves when it ends.
void EnterModalLoop(CWnd* dialog);
void LeaveModalLoop(CWnd* dialog);
CWnd* InnermostModalWindow();

// Where the application keeps its main window, which may change at any
// time; the application object tells once, when it is made.
using MainWindowSource = CWnd* (*)();
void SetMainWindowSource(MainWindowSource source);
