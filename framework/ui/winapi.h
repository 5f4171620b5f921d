// The Win32 headers the window layer needs, included once in a fixed order.
// <windows.h> maps several names that our classes use for methods (TextOut,
// MessageBox, GetObject, DrawText, DeleteFile) to its A/W functions through
// macros; those are removed here so the layer's names stay as written, and
// the layer calls the W functions explicitly.
#pragma once
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <string>

#undef GetObject
#undef TextOut
#undef MessageBox
#undef DrawText
#undef DeleteFile

// ANSI (the program's strings) <-> UTF-16 (the W functions).
std::wstring Widen(const std::string& S);
std::string Narrow(const std::wstring& S);
std::string Narrow(const wchar_t* S, int Length = -1);
