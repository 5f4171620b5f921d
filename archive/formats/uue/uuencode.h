// Writer of one file as uuencoded or xxencoded text, optionally split into
// volumes of about a given size that TUUDecode joins again.
#pragma once
#include <cstdint>
#include <string>

#include "archive/core/compbase.h"

class TUUEncode : public TCompBase {
 public:
  explicit TUUEncode(TComponent* AOwner);
  void Loaded() override;

  // 0 = one file; otherwise each volume holds KBytesPerVolume x 16 lines,
  // its header counted as three.
  int KBytesPerVolume = 0;
  // Writes the "table" header with the alphabet.
  bool WriteTableToFile = false;

  // The first output file. A name without an extension gets DefaultExt; "."
  // clears it.
  const std::string& OutFilename() const { return FOutFilename; }
  void SetOutFilename(const std::string& Value);

  // Always atUue. ArchiveFile is the file to encode, so its name is never
  // given an extension.
  void SetArcType(TArcType Value) override;

 protected:
  void CompressArchive() override;

 private:
  void Encode();

  std::string FOutFilename;
};
