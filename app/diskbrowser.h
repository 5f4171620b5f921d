// The main window's disk browser (a file list of the disk) reached without
// the browser's own header, whose button types clash with the toolbar's.
#pragma once
#include <string>

#include "framework/ui/comctrls.h"

// A file browser owned by Owner, placed on Parent to fill it, hidden.
TCustomListView* CreateDiskBrowser(TComponent* Owner, TWinControl* Parent, const std::string& Name);
// Its folder ("Drives" for the drive list); an existing folder is shown.
std::string DiskBrowserDirectory(TCustomListView* Browser);
void SetDiskBrowserDirectory(TCustomListView* Browser, const std::string& Folder);
// The parent folder; the drive list from a drive's root.
void DiskBrowserOneLevelUp(TCustomListView* Browser);
