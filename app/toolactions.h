// The main window's commands that open the small tool windows.
#pragma once
#include <vector>

class TMainForm;

// Binds the commands; call before the idle commands are greyed out.
void InstallToolActions(TMainForm* Form);
// Selects these rows of the main list as well (the others keep their state).
void SelectMainListRows(const std::vector<int>& Rows);
