// The shell's folder-browse dialog as a component: root, flags, title,
// caption, initial selection, a status line and centring.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "framework/ui/forms.h"

#include <shlobj.h>

enum TRootID : int {
  idDesktop, idInternet, idPrograms, idControlPanel, idPrinters, idPersonal, idFavorites, idStartup, idRecent,
  idSendTo, idRecycleBin, idStartMenu, idDesktopDirectory, idDrives, idNetwork, idNetHood, idFonts, idTemplates,
  idCommonStartMenu, idCommonPrograms, idCommonStartup, idCommonDesktopDirectory, idAppData, idPrintHood,
  idDesktopExpanded
};
enum TBrowseFlag : int { bfDirectoriesOnly, bfDomainOnly, bfAncestors, bfComputers, bfPrinters, bfIncludeFiles, bfEditBox };
using TBrowseFlags = uint8_t;  // bit (1 << TBrowseFlag)

using TBDSelChangedEvent = std::function<void(TObject* Sender, const std::string& NewSel, LPCITEMIDLIST NewSelPIDL)>;
using TBDValidateFailedEvent = std::function<void(TObject* Sender, const std::string& Path, bool& Cancel)>;

// The shell's special-folder number of a root (NT maps the common folders to
// their own numbers, other platforms to the user's).
int RootFolderNumber(TRootID Root, bool WindowsNT);
// The browse-info flags of Options, with the validate and status-text flags.
UINT BrowseInfoFlags(TBrowseFlags Options, bool StatusText);
// A drive root exists when its drive does; any other path when a search finds
// it as a folder.
bool FolderExists(const std::string& Path);

class TBrowseDirectoryDlg : public TComponent {
 public:
  explicit TBrowseDirectoryDlg(TComponent* AOwner);
  ~TBrowseDirectoryDlg() override;
  std::string Version() const { return "TBrowseDirectoryDlg v2.57"; }
  const std::string& Selection() const { return FSelection; }
  void SetSelection(const std::string& Value);
  std::string Title;
  TRootID Root = idDesktop;
  TBrowseFlags Options = 0;
  bool Center = true;
  const std::string& StatusText() const { return FStatusText; }
  void SetStatusText(const std::string& Value);
  bool FitStatusText() const { return FFitStatusText; }
  void SetFitStatusText(bool Value);
  bool EnableOKButton() const { return FEnableOKButton; }
  void SetEnableOKButton(bool Value);
  int ImageIndex() const { return FImageIndex; }
  std::string Caption() const;
  void SetCaption(const std::string& Value);
  bool ShowSelectionInStatus = false;
  const std::string& DisplayName() const { return FDisplayName; }
  // The dialog's window while it is open.
  HWND DialogWindow() const { return FDlgWnd; }
  // The parent window for the dialog; none means the owner or the main form.
  HWND Parent = nullptr;

  TBDSelChangedEvent OnSelChanged;
  TNotifyEvent OnCreate;
  TBDValidateFailedEvent OnValidateFailed;

  virtual bool Execute();

 protected:
  virtual void DoInitialized(HWND Window);
  virtual void DoSelChanged(HWND Window, LPCITEMIDLIST Item);
  virtual void DoValidateFailed(const std::string& Path, bool& Cancel);

 private:
  static int CALLBACK BrowseCallback(HWND Window, UINT Msg, LPARAM Param, LPARAM Data);
  void ApplySelection();
  void SendStatusText();
  void FreeSelectionList();
  std::string FSelection;
  std::string FStatusText;
  bool FFitStatusText = true;
  bool FEnableOKButton = true;
  int FImageIndex = -1;
  std::string FCaption;
  std::string FDisplayName;
  HWND FDlgWnd = nullptr;
  LPITEMIDLIST FSelectionList = nullptr;
};
