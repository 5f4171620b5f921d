#include "app/diskbrowser.h"

#include "controls/views/fileexplorer.h"

TCustomListView* CreateDiskBrowser(TComponent* Owner, TWinControl* Parent, const std::string& Name) {
  auto* list = new TFileListView(Owner);
  list->SetName(Name);
  list->SetVisible(false);
  list->SetParent(Parent);
  list->SetAlign(alClient);
  return list;
}

std::string DiskBrowserDirectory(TCustomListView* Browser) {
  auto* list = dynamic_cast<TFileListView*>(Browser);
  return list ? list->Directory() : std::string();
}

void SetDiskBrowserDirectory(TCustomListView* Browser, const std::string& Folder) {
  if (auto* list = dynamic_cast<TFileListView*>(Browser)) list->SetDirectory(Folder);
}

void DiskBrowserOneLevelUp(TCustomListView* Browser) {
  if (auto* list = dynamic_cast<TFileListView*>(Browser)) list->OneLevelUp();
}
