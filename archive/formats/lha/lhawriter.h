// LHA writer: new entries as level-0 headers, stored (-lh0-) or packed with
// -lh1- or -lh5- (stored when packing does not make them smaller); entries
// of an existing archive, at whatever header level, copied unchanged or
// deleted.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "archive/core/compbase.h"
#include "archive/formats/lha/lha_format.h"

class TLzhEncoder;
class TLzhufCodec;

class TLha : public TCompBase {
 public:
  explicit TLha(TComponent* AOwner);
  ~TLha() override;

  // cmStore, cmFrozen1 and cmFrozen5; other methods are ignored.
  void SetCompressMethod(TCompressMethod Value) override;

 protected:
  bool CompressFile(const std::string& FileName) override;
  bool ReadFirstHeader() override;
  // The 22-byte base header; the rest of a kept entry's header is its
  // HeaderLength.
  int64_t GetHeaderSize() override;
  bool ReadHeader() override;
  bool ReadNextHeader() override;
  // A damaged header of the old archive stops the run before anything is
  // written: an update must not lose the entries behind it.
  void GotoNextHeader() override;
  // The end mark, then the archive is put in place.
  void FinishArchive() override;
  void SetListedEntryInfo() override;

 private:
  // Packs Size bytes of In by Method after the header at DataStart; false
  // when the packed form would not be smaller.
  bool PackData(TStream* In, int64_t Size, TCompressMethod Method, char& MethodChar);

  LhaHeader FHeader;
  std::unique_ptr<TLzhEncoder> FLh5;
  std::unique_ptr<TLzhufCodec> FLh1;
};
