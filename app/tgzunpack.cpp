#include "app/tgzunpack.h"

#include <memory>
#include <vector>

#include "archive/codecs/inflate.h"
#include "archive/readers/arc_source.h"
#include "archive/readers/gzip_format.h"
#include "framework/core/streams.h"
#include "framework/core/sysutils.h"

namespace {

class TStreamSource : public TArcSource {
 public:
  explicit TStreamSource(TStream& S) : FS(S) {}
  uint64_t Size() override { return uint64_t(FS.Size()); }
  size_t ReadAt(uint64_t Pos, uint8_t* Buf, size_t N) override {
    FS.SetPosition(int64_t(Pos));
    size_t done = 0;
    while (done < N) {
      const int32_t got = FS.Read(Buf + done, int32_t(std::min<size_t>(N - done, 1 << 20)));
      if (got <= 0) break;
      done += size_t(got);
    }
    return done;
  }

 private:
  TStream& FS;
};

class TTgzIO : public TCodecIO {
 public:
  TTgzIO(TStream& In, TStream& Out, uint64_t Left) : FIn(In), FOut(Out), FLeft(Left) {}
  size_t ReadPacked(uint8_t* Buf, size_t Count) override {
    const size_t n = size_t(std::min<uint64_t>(Count, FLeft));
    const int32_t got = n ? FIn.Read(Buf, int32_t(n)) : 0;
    if (got <= 0) return 0;
    FLeft -= uint64_t(got);
    return size_t(got);
  }
  void WriteUnpacked(const uint8_t* Buf, size_t Count) override { FOut.WriteBuffer(Buf, int32_t(Count)); }

 private:
  TStream& FIn;
  TStream& FOut;
  uint64_t FLeft;
};

}  // namespace

std::string TgzTarName(const std::string& Archive, const std::string& TempFolder) {
  return IncludeTrailingBackslash(TempFolder) + ChangeFileExt(ExtractFileName(Archive), ".tar");
}

bool UnpackTgz(const std::string& Archive, const std::string& TarFile) {
  try {
    TFileStream in(Archive, fmOpenRead | fmShareDenyNone);
    TStreamSource src(in);
    GzipHeader h;
    int err = 0;
    if (!ReadGzipHeader(src, h, err) || !h.IsGzip || h.Method != 8 || h.Encrypted || h.MultiPart) return false;
    bool ok = false;
    {
      TFileStream out(TarFile, fmCreate);
      in.SetPosition(int64_t(h.DataPos));
      TTgzIO io(in, out, h.PackedSize);
      try {
        Inflate(io, h.PackedSize);
        ok = true;
      } catch (const std::exception&) {
      }
    }
    if (!ok) DeleteFile(TarFile);
    return ok;
  } catch (const std::exception&) {
    return false;
  }
}
