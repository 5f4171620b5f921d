// What our RAR and ACE libraries share: a volume file as a source, the walk
// to the next volume of a set through the caller's volume callback, and the
// copy of a stored entry's data through the CRC and the data callback.
// Portable, so that the walks can be fuzzed natively.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/core/arc_source.h"
#include "archive/core/arcutil.h"
#include "archive/core/crc.h"
#include "archive/core/untypedfile.h"
#include "framework/core/sysutils.h"

// A volume file as a source, holding the open file.
class TVolumeFileSource : public TArcSource {
 public:
  explicit TVolumeFileSource(const std::string& Name) { FOpen = FFile.OpenRead(Name); }
  bool IsOpen() const { return FOpen; }
  uint64_t Size() override {
    const int64_t S = FFile.Size();
    return S < 0 ? 0 : uint64_t(S);
  }
  size_t ReadAt(uint64_t Pos, uint8_t* Buf, size_t N) override {
    if (!FFile.Seek(int64_t(Pos))) return 0;
    return FFile.Read(Buf, N);
  }

 private:
  TUntypedFile FFile;
  bool FOpen = false;
};

inline std::unique_ptr<TArcSource> OpenVolumeFile(const std::string& Name) {
  auto S = std::make_unique<TVolumeFileSource>(Name);
  if (!S->IsOpen()) return nullptr;
  return S;
}

// A set is never longer; a chain of names past it is a loop.
constexpr int kMaxVolumes = 1000;

// How a library opens and finds volumes; tests and fuzz targets replace both.
struct TVolumeAccess {
  std::function<std::unique_ptr<TArcSource>(const std::string&)> OpenSource = OpenVolumeFile;
  std::function<bool(const std::string&)> VolumeExists = [](const std::string& N) { return FileExists(N); };
};

// The volume-change callback both libraries take: the name buffer (260
// bytes) and the mode, Ask when the volume is missing, Notify when it is
// there; nonzero goes on.
template <class TProc>
bool FindNextVolume(const TVolumeAccess& Access, TProc Proc, int AskMode, int NotifyMode, std::string& Name) {
  char Buf[260] = {};
  for (;;) {
    const bool Exists = Access.VolumeExists(Name);
    if (Proc) {
      std::strncpy(Buf, Name.c_str(), sizeof(Buf) - 1);
      if (Proc(Buf, Exists ? NotifyMode : AskMode) <= 0) return false;
      Buf[sizeof(Buf) - 1] = 0;
      if (!Exists) Name = Buf;
    }
    if (Access.VolumeExists(Name)) return true;
    if (!Proc) return false;
  }
}

enum class TCopyResult { crDone, crReadError, crAborted, crWriteError };

// Copies Count stored bytes from Pos through the CRC register, the data
// callback (zero or less aborts) and Out when open.
template <class TProc>
TCopyResult CopyStored(TArcSource& Src, uint64_t Pos, uint64_t Count, uint32_t& Crc, TProc DataProc,
                       TUntypedFile& Out) {
  std::vector<uint8_t> Buf(size_t(std::min<uint64_t>(Count, 65536)));
  while (Count > 0) {
    const size_t Want = size_t(std::min<uint64_t>(Count, Buf.size()));
    const size_t Got = Src.ReadAt(Pos, Buf.data(), Want);
    if (Got == 0) return TCopyResult::crReadError;
    Crc32Block(Buf.data(), Got, Crc);
    if (DataProc && DataProc(Buf.data(), int(Got)) <= 0) return TCopyResult::crAborted;
    if (Out.IsOpen() && Out.Write(Buf.data(), Got) != Got) return TCopyResult::crWriteError;
    Count -= Got;
    Pos += Got;
  }
  return TCopyResult::crDone;
}
