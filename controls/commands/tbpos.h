// Saving and restoring where tool windows are: the dock (by name), row and
// position, or the floating position, and each window's own extra values.
#pragma once
#include <string>

#include "controls/commands/toolwindow.h"
#include "framework/core/inifiles.h"

void SaveToolWindowPosition(TCustomToolWindowX* Bar, TIniFile& Ini, const std::string& Section);
// Docks the window again on the dock of the saved name (looked up among the
// components of Form), or floats it at the saved position.
void LoadToolWindowPosition(TCustomToolWindowX* Bar, TCustomForm* Form, TIniFile& Ini, const std::string& Section);
