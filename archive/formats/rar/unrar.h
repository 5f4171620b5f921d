// RAR extraction through the outside RAR library (unrar.dll), Windows only:
// the library run of the base, bound to unrar.dll's calls.
#pragma once
#include <string>

#include "archive/core/unlibrary.h"

class TUnRAR : public TUnLibrary {
 public:
  explicit TUnRAR(TComponent* AOwner);

  // Whether unrar.dll was found when the program started.
  static bool LibraryLoaded();

 protected:
  bool LibLoaded() const override;
  int MissingLibraryError() const override;
  TLibCodes Codes() const override;
  int MapResult(int Result) const override;
  int LibOpen(const std::string& Name) override;
  void LibClose() override;
  int LibReadHeader(TLibEntry& E) override;
  int LibProcess(int Operation, char* Dir, char* Name) override;
  void LibSetPassword(char* Password) override;
  void PreScan(const std::string& Volume) override;

 private:
  void* FHandle = nullptr;
};
