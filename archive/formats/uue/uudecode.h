// Decoder of uuencoded and xxencoded text files, possibly split over several
// volume files, back into the one file they carry.
#pragma once
#include <cstdint>
#include <string>

#include "archive/core/unbase.h"
#include "archive/formats/uue/uue_format.h"

class TUUDecode : public TUnBase {
 public:
  explicit TUUDecode(TComponent* AOwner);

  // How many lines are searched for the "begin" line.
  int MaxHeaderLines = 100;
  TNextVolumeName NextVolumeName = nvChangeExt;
  bool VolumeLongFilenames = false;

  uint8_t VolumeStartNum() const { return FVolumeStartNum; }
  // Capped at 10.
  void SetVolumeStartNum(uint8_t Value) { FVolumeStartNum = Value > 10 ? 10 : Value; }

  // The name of volume Number after ArchiveName by NextVolumeName.
  std::string UUVolumeName(const std::string& ArchiveName, int Number) const;

 protected:
  void ExtractArchive(TUntypedFile& ArcFile) override;

 private:
  uint8_t FVolumeStartNum = 0;
};
