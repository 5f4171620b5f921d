// The main window's menus on the menu library: a menu bar over its main menu,
// the pictures of the commands, the entry list's pop-up menus and the Open
// button's drop-down menu of recent archives.
#pragma once

class TMainForm;

// Called once the main window has built its menus.
void InstallMainMenus(TMainForm* Form);
// Gives the Open button its recent-archives menu exactly while the list has
// an entry (called whenever the list changes).
void UpdateRecentDropdown(TMainForm* Form);
