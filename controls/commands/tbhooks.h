// The toolbar library's shared thread hooks (see core/hookregistry.h) and the
// small painting routines its controls share.
#pragma once
#include "controls/commands/core/hookregistry.h"
#include <functional>

#include "framework/ui/controls.h"

// Registers Proc for the notification codes; a second registration of the
// same procedure counts up.
void RegisterHookProc(THookProc Proc, THookProcCodes Codes);
void UnregisterHookProc(THookProc Proc);
// The process's registry (for tests: use counts and handles).
THookRegistry& ToolbarHooks();

// True when the calling thread has an active window.
bool IsAnyWindowActive();

// Selects Region (neither 0 nor 1, which stands for the whole window) as the
// clip region of a window DC, falling back to the window's rectangle, and
// moves it into window coordinates.
void SelectNonClientClip(HWND Wnd, HDC DC, HRGN Region);

using TNCPaintProc = void (*)(HWND Wnd, HDC DC, void* Data);
// The body of a WM_PRINT handler: non-client part through NCPaint, client
// part, children and owned windows by the flags; returns 1.
LRESULT PaintForPrintMessage(HWND Wnd, const TMessage& Message, TNCPaintProc NCPaint, void* Data);
// The body of WM_NCPAINT: NCPaint draws into the window DC clipped to the
// update region.
void PaintNonClient(HWND Wnd, HRGN Region, TNCPaintProc NCPaint, void* Data);

// What a modal mouse loop does with a message: dispatch it, swallow it, or
// end the loop accepted or cancelled.
enum TLoopStep : int { lsDispatch, lsTaken, lsAccept, lsCancel };
// Runs the thread's messages while Wnd holds the mouse capture; Step sees
// each first. A lost capture or WM_QUIT (posted again) cancels. True when
// Step accepted.
bool RunCaptureLoop(HWND Wnd, const std::function<TLoopStep(const MSG&)>& Step);

// Paints Control into the DC of a WM_PRINTCLIENT through its WM_PAINT.
void PaintForPrintClient(TWinControl* Control, TMessage& Message);
