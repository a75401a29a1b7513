#pragma once

// What the two progress windows share: the blink of the wait text, and how a
// window reports the end of its operation from its outcome table.

#include "platform/Dialog.h"

#include <span>

// Advances the blink phase of the wait text, g_nBlink, which both windows
// share and nothing resets, and returns the new phase: 0 shows the wait
// text, 1 blanks it.
int AdvanceBlinkPhase();

// The clean-up steps that may follow an outcome's message box.
enum OutcomeSteps : unsigned
{
    kKeepAll = 0,
    kDestroyWindow = 1 << 0, // the progress window goes
    kGiveBackMenu = 1 << 1,  // the menu window is enabled and made active again
    kEndMenu = 1 << 2,       // the menu ends with 0, and with it the program
};

// One row of a progress window's outcome table: the status it reports, the
// message box that reports it, and which clean-up steps follow the box.
struct OutcomeRow
{
    int status;
    const char* text;
    const char* caption;
    UINT type;
    unsigned steps; // OutcomeSteps
};

// Picks the row of table for status and runs its steps in this order: stop
// the window's timer, show the message box (owned by the window) and wait
// for it, destroy the window, enable and activate the menu window
// (g_hMenuWnd), end the menu. A status without a row is still running:
// nothing happens, and the result is false.
bool ReportOutcome(CDialog& window, UINT_PTR timerId, std::span<const OutcomeRow> table,
                   int status);
