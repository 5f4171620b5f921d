#include "zipbridge/hourglass.h"

#include <windows.h>

THourglass::THourglass() : FOld(SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)))) {}

THourglass::~THourglass() { SetCursor(static_cast<HCURSOR>(FOld)); }
