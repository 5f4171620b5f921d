// The file browser: a report list of the drives or of one folder with shell
// icons, sorting, navigation and shell file operations, its context menu, and
// the folder tree combo that moves together with it.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controls/views/datetext.h"
#include "controls/views/explorertext.h"
#include "framework/ui/buttons.h"
#include "framework/ui/comctrls.h"
#include "framework/ui/menus.h"
#include "framework/ui/stdctrls.h"

enum TFileAttr : int { ftReadOnly, ftHidden, ftSystem, ftArchive, ftNormal };
using TFileType = uint8_t;  // bit (1 << TFileAttr)
constexpr TFileType FileTypeOf(std::initializer_list<TFileAttr> Attrs) {
  TFileType t = 0;
  for (TFileAttr a : Attrs) t = static_cast<TFileType>(t | (1u << a));
  return t;
}
enum TDTFormat : int { dfMDY, dfDMY, dfYMD };
using TDateFormat = uint8_t;  // bit (1 << TDTFormat)

class TDirTreeCombo;
class TFileListView;

// Unit routines shared by the list, the tree combo and the operations.
int ExecuteFile(const std::string& Operation, const std::string& FileName, const std::string& Params,
                const std::string& Dir, int ShowCmd);
// One shell file operation (FO_COPY, FO_MOVE, FO_DELETE, FO_RENAME) with undo,
// so deletes go to the recycle bin; True when the shell returns 0.
bool DoFileOperation(TWinControl* Owner, UINT Func, const std::string& From, bool& Aborted,
                     const std::string& To = "");
bool BrowseForFolder(TWinControl* Owner, std::string& Folder);
// Sizes in KiB, 64-bit so drives over 2 GiB read right; -1 when unreadable.
int64_t GetDiskSizeKB(const std::string& Root);
int64_t GetFreeSpaceKB(const std::string& Root);
bool DiskInDrive(char Letter);
std::string FileTimeToText(const FILETIME& Time, const TShortDateFormat& Format);
int GetSmallIconIndex(const std::string& Path);
int GetOpenIconIndex(const std::string& Path);
std::string GetDriveTypeText(const std::string& Root);

class TFileListViewPopUp : public TPopupMenu {
 public:
  explicit TFileListViewPopUp(TComponent* AOwner);
  TFileListView* FileList() const { return FFileList; }
  void SetFileList(TFileListView* Value) { FFileList = Value; }
  TStrings* SendToList() { return FSendToList.get(); }
  void Popup(int X, int Y) override;
  // Enables the items for the list's state, as each pop-up does.
  void UpdateStates();
  // Runs the operation of an item by its name ("ItemOpen", "Send_To4"...).
  void ItemClick(const std::string& Name);

 private:
  void BuildItems();
  TMenuItem* AddItem(TMenuItem* Parent, const std::string& Name, const std::string& Caption);
  TFileListView* FFileList = nullptr;
  std::unique_ptr<TStringList> FSendToList;
};

class TFileListView : public TCustomListView {
 public:
  friend class TFileListViewPopUp;
  explicit TFileListView(TComponent* AOwner);
  ~TFileListView() override;

  const std::string& Directory() const { return FDirectory; }
  void SetDirectory(const std::string& Value);
  TDirTreeCombo* DirTree() const { return FDirTree; }
  void SetDirTree(TDirTreeCombo* Value);
  const std::string& Mask() const { return FMask; }
  void SetMask(const std::string& Value);
  TFileType FileType() const { return FFileType; }
  void SetFileType(TFileType Value);
  TDateFormat DateFormat() const { return FDateFormat; }
  void SetDateFormat(TDateFormat Value);
  // The list's own date order for the Modified column.
  const TShortDateFormat& ShortDateFormat() const { return FShortDate; }
  bool ShowFolders() const { return FShowFolders; }
  void SetShowFolders(bool Value);
  bool DblClickEnabled = true;
  bool PopUpMenuEnabled() const { return FPopUpMenuEnabled; }
  void SetPopUpMenuEnabled(bool Value);
  TFileListViewPopUp* BuiltInMenu() const { return FPopUp; }

  int SelectedNumber();
  int64_t SelectedSize();
  int64_t DriveFreeSpace();
  bool ShowsDrives() const;
  // The sum of the listed files' sizes.
  int64_t TotalSize() const { return FTotalSize; }
  // The full path of the item last clicked.
  const std::string& LastClickedPath() const { return FLastClicked; }
  int CopyMode() const { return FCopyMode; }
  TStrings* CopyList() { return FCopyList.get(); }

  void UpdateFileList();
  void OneLevelUp();
  void NewFolder();
  void OpenItem();
  void ViewFile();
  void FindFile();
  void CutCopy(int Mode);
  void Paste();
  void DeleteItems();
  void RenameItem();
  void SetAttributes();
  void SendTo(int Index);
  void SendToAnyFolder();
  void SendToFolder(const std::string& Folder);
  void SendToClipboardContents();
  void SendToClipboardNames();

  void Click() override;
  void DblClick() override;
  void ColumnClick(int Column);
  int SortColumn() const { return FSortColumn; }
  bool ReverseSort() const { return FReverse; }

 protected:
  void CreateWnd() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  bool CanEdit(TListItem* Item) override;
  void Edit(const LVITEMW& Item) override;
  void ColClick(TListColumn* Column) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TDirTreeCombo;
  void BuildColumns(bool Drives);
  void AddDrives();
  bool AddEntries(const std::string& Pattern, uint32_t AttrMask);
  void SortItems();
  void RecordClick();
  std::string ItemPath(TListItem* Item) const;
  std::string ItemKind(TListItem* Item) const;
  std::vector<TListItem*> SelectedItems();
  void FillCopyListFromSelection();
  void SyncTree(const std::string& Path, bool Reload);

  TDirTreeCombo* FDirTree = nullptr;
  std::string FDirectory = "Drives";
  int64_t FTotalSize = 0;
  TDateFormat FDateFormat = 1u << dfMDY;
  TShortDateFormat FShortDate{"mm/dd/yyyy", '/'};
  std::string FLastClicked;
  TFileType FFileType = FileTypeOf({ftReadOnly, ftHidden, ftSystem, ftArchive});
  std::string FMask = "*.*";
  TFileListViewPopUp* FPopUp = nullptr;
  bool FPopUpMenuEnabled = true;
  std::unique_ptr<TStringList> FCopyList;
  int FCopyMode = -1;
  bool FShowFolders = true;
  int FSortColumn = 0;
  bool FReverse = true;
  std::string FOldName;
  std::unique_ptr<TCustomImageList> FLargeSys, FSmallSys;
  bool FFilling = false;
};

class TDirTreeView : public TCustomTreeView {
 public:
  explicit TDirTreeView(TComponent* AOwner);
  const std::string& SelectedPath() const { return FSelectedPath; }
  bool MouseInside() const { return FMouseIn; }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& Message) override;

 private:
  friend class TDirTreeCombo;
  std::string FNodePath;
  std::string FSelectedPath;
  bool FExpandRoot = true;
  bool FMouseIn = false;
};

class TDirTreeCombo : public TCustomEdit {
 public:
  explicit TDirTreeCombo(TComponent* AOwner);
  ~TDirTreeCombo() override;
  std::string SelectedPath() const;
  void SetSelectedPath(const std::string& Value);
  TFileListView* FileList() const { return FFileList; }
  void SetFileList(TFileListView* Value);
  bool ExpandRoot() const;
  void SetExpandRoot(bool Value);
  void SetGlyph(TBitmap* Value);
  int TreeHeight() const;
  void SetTreeHeight(int Value);
  TDirTreeView* Tree() const { return FTree; }
  int ShownImageIndex() const { return FImageIndex; }

  void DropDown();
  bool DroppedDown() const;
  void SetPath(const std::string& Path);
  void ReloadTree();
  void LoadDrives();
  // The path of Node: "C:\" for a drive, "C:\a\b" below it, empty for the root.
  std::string GetNodePath(TTreeNode* Node) const;
  // Takes the tree's selected node as the choice, as a click (true) or Enter.
  void ChooseSelected(bool ByClick);
  void HideTree();

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Resize() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void Dispatch(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TFileListView;
  void TreeExpanding(TTreeNode* Node);
  void AddSubFolders(const std::string& Path, TTreeNode* Parent);
  void SetEditRect();
  TSpeedButton* FBtn = nullptr;
  TDirTreeView* FTree = nullptr;
  TFileListView* FFileList = nullptr;
  std::string FWinDir;
  int FImageIndex = -1;
  std::unique_ptr<TCustomImageList> FImages;
};
