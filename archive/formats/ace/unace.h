// ACE extraction through the outside ACE library (unace.dll), Windows only:
// the library run of the base, bound to unace.dll's calls.
#pragma once
#include <string>

#include "archive/core/unlibrary.h"

class TUnACE : public TUnLibrary {
 public:
  explicit TUnACE(TComponent* AOwner);

  // Whether unace.dll was found when the program started.
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
