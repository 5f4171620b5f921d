// BH writer: new entries stored, deflated or packed with the -lh5- coder
// (cmFuse), enciphered with the traditional Zip cipher when Password is
// set; entries of an existing archive copied unchanged or deleted.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "archive/codecs/deflate.h"
#include "archive/core/compbase.h"
#include "archive/formats/bh/bh_format.h"

class TLzhEncoder;

class TBh : public TCompBase {
 public:
  explicit TBh(TComponent* AOwner);
  ~TBh() override;

  // cmStore, cmDeflate and cmFuse; other methods are ignored.
  void SetCompressMethod(TCompressMethod Value) override;

 protected:
  bool CompressFile(const std::string& FileName) override;
  bool ReadFirstHeader() override;
  int64_t GetHeaderSize() override;
  bool ReadHeader() override;
  bool ReadNextHeader() override;
  void GotoNextHeader() override;
  void SetListedEntryInfo() override;

 private:
  // Packs Size bytes of In by Method; false when the packed form would not
  // be smaller. Sets the header's method and level flags.
  bool PackData(TStream* In, int64_t Size, TCompressMethod Method, bool Cipher, TBhFixedHeader& H);

  BhHeader FHeader;
  std::unique_ptr<TLzhEncoder> FLh5;
  TDeflateEncoder FDeflate;
};
