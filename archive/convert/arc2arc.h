// The archive converter: extracts an archive of any readable type into a
// temporary folder, builds an archive of another type from it, optionally
// tests the result, and removes the temporary files, failures included.
#pragma once
#include <string>

#include "archive/core/zipcommon.h"

class TZipCheck;

class TArc2Arc : public TZipCommon {
 public:
  explicit TArc2Arc(TComponent* AOwner);

  bool IntegrityCheck = true;
  TOutArcMethod OutArcMethod = TOutArcMethod::amCreateNew;
  TOutArcType OutArcType = TOutArcType::tyZip;
  std::string OutArchiveFile;

  TNotifyEvent OnExtractActivate, OnExtractDeactivate;
  TOnBegin OnExtractBegin;
  TOnEnd OnExtractEnd;
  TNotifyEvent OnCompressActivate, OnCompressDeactivate;
  TOnBegin OnCompressBegin;
  TOnEnd OnCompressEnd;
  TNotifyEvent OnIntegrityActivate, OnIntegrityDeactivate;
  TOnIntegrityBegin OnIntegrityBegin;
  TOnIntegrityEnd OnIntegrityEnd;
  TOnIntegrityStatus OnIntegrityStatus;

  // Converts ArchiveFile into OutArchiveFile; true when the new archive was
  // written (and passed the test when one ran).
  bool Activate();
  void SetCancel(bool Value);

 private:
  bool Extract(const std::string& Folder);
  bool Build(const std::string& Folder, std::string& Written);
  void Check(const std::string& Written);
};
