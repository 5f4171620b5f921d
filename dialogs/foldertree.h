// The folder tree of the folder-choosing dialogs: Desktop, My Computer with
// the drives, and each folder's subfolders read when it opens.
#pragma once
#include <initializer_list>
#include <map>
#include <string>

#include "framework/ui/comctrls.h"

class TDriveTree {
 public:
  // ShellDriveNames shows a drive as the shell names it ("Local Disk (C:)"),
  // otherwise as "(C:) Local Disk "; at most MaxSubfolders are read per folder.
  TDriveTree(TTreeView* Tree, bool ShellDriveNames, size_t MaxSubfolders);
  // Empties the tree and builds Desktop, My Computer and the drives.
  void Rebuild();
  // The OnExpanding of a node: reads its subfolders.
  void Expanding(TTreeNode* Node);
  // The folder a node stands for ("" for My Computer).
  std::string NodeFolder(TTreeNode* Node) const;
  // Rebuilds the tree and opens it along Path, selecting the node of Path;
  // the walk ends where no node matches (case-insensitive).
  void OpenPath(std::string Path);
  TTreeNode* DesktopNode() const { return FDesktopNode; }
  TTreeNode* ComputerNode() const { return FComputerNode; }

 private:
  void Fill(const std::string& Folder, TTreeNode* Node, int Level);
  TTreeView* FTree;
  bool FShellDriveNames;
  size_t FMaxSubfolders;
  TTreeNode* FDesktopNode = nullptr;
  TTreeNode* FComputerNode = nullptr;
  std::map<TTreeNode*, std::string> FFolders;
};

// Creates every missing folder along Path (with a trailing "\"), one level
// at a time.
void CreateFolderChain(const std::string& Path);
// Puts Folder (lower-cased) at the front of the five recent slots, keeping
// one copy.
void RememberFolder(std::initializer_list<std::string*> Slots, const std::string& Folder);
