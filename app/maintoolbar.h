// The main window's toolbar: four docks around the window, the toolbar with
// its fourteen buttons and four separators, its three image lists, and the
// large/small button layouts.
#pragma once
#include <string>

#include "controls/commands/mxpopup.h"
#include "controls/commands/tbbutton.h"
#include "controls/commands/toolbar.h"

struct TMainToolbar {
  TDockX* Docks[4] = {};  // top, left, right, bottom ("DockX1".."DockX4")
  TToolbarX* Bar = nullptr;
  TToolbarButtonX* Buttons[14] = {};
  TToolbarSepX* Separators[4] = {};
  TImageList* LargeImages = nullptr;
  TImageList* SmallImages = nullptr;
  TImageList* HotImages = nullptr;
  // The pop-up menu of the toolbar and its docks.
  TPopupMenuX* Menu = nullptr;
  TMenuItem* AlignItems[4] = {};  // Align Left, Right, Top, Bottom (AlignToolbar 0..3)
  TMenuItem* LargeItem = nullptr;
  TMenuItem* SelectItem = nullptr;
  // The Open button's drop-down menu of recent archives ("TopMenu", items
  // FA1..FA5); the button has it only while the list is not empty.
  TPopupMenuX* TopMenu = nullptr;
  TMenuItem* RecentItems[5] = {};
};

// Builds the docks and the toolbar on Form (docked per AlignToolbar: 0 left,
// 1 right, 2 top, 3 bottom) with captions, hints and images.
TMainToolbar BuildMainToolbar(TCustomForm* Form, int AlignToolbar);
// Large buttons: visibility from the Buttons flags, 55 x 55 with text or
// 40 x 40 without; small: the eight main buttons, 42 high with text or
// 30 x 30. Separators follow the groups.
void LayoutMainToolbar(TMainToolbar& T, bool Large, bool ShowText, const std::string& Buttons);
// The toolbar's pop-up menu, bound to the settings AlignToolbar and
// LargeButtons; a drag into another dock updates AlignToolbar too.
void BuildMainToolbarMenu(TCustomForm* Form, TMainToolbar& T);
// Docks the toolbar as AlignToolbar says.
void DockMainToolbar(TMainToolbar& T, int AlignToolbar);
// The AlignToolbar value of the dock the toolbar is on.
int MainToolbarAlign(const TMainToolbar& T);
