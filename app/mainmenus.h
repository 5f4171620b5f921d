// The main window's menus on the menu library: a menu bar over its main menu,
// the pictures of the commands, and the entry list's pop-up menus.
#pragma once

class TMainForm;

// Called once the main window has built its menus.
void InstallMainMenus(TMainForm* Form);
