#include "archive/formats/gzip/ungzip.h"

#include <algorithm>
#include <new>
#include <vector>

#include "archive/codecs/codec_error.h"
#include "archive/codecs/inflate.h"
#include "archive/codecs/lzw.h"
#include "archive/core/arcutil.h"
#include "archive/core/bytes.h"
#include "archive/formats/gzip/gzip_format.h"

namespace {

constexpr int errHeaderId = 25238;
constexpr int errHeaderCrc = 25237;
constexpr int errMultiPart = 25262;
constexpr int errPasswordProtected = 25290;

// The inflater reads ahead of the end of its stream by at most its input
// buffer (32 KB and a little); the trailer is looked for that far back.
constexpr int64_t kReadAhead = int64_t(1) << 17;

// Reads a member's data straight from the file and drops the output: only
// whether the stream ends within the given bytes matters.
class TProbeIO : public TCodecIO {
 public:
  explicit TProbeIO(TUntypedFile& F) : FFile(F) {}
  size_t ReadPacked(uint8_t* Buf, size_t Count) override {
    const size_t N = FFile.Read(Buf, Count);
    FFile.IOResult();
    return N;
  }
  void WriteUnpacked(const uint8_t*, size_t) override {}

 private:
  TUntypedFile& FFile;
};

bool StreamEndsWithin(TInflateDecoder& Decoder, TUntypedFile& F, int64_t DataPos, int64_t Count) {
  if (!F.Seek(DataPos)) return false;
  TProbeIO Io(F);
  try {
    Decoder.Decode(Io, uint64_t(Count));
  } catch (const ECodecError&) {
    return false;
  }
  return true;
}

std::string NameWithoutLastExt(const std::string& Archive) {
  const std::string Name = ExtractFileName(Archive);
  return Name.substr(0, ExtDotOffset(Name));
}

}  // namespace

TUnGZIP::TUnGZIP(TComponent* AOwner) : TUnBase(AOwner) {}

TUnGZIP::~TUnGZIP() { SetUnTar(nullptr); }

void TUnGZIP::SetUnTar(TUnTAR* Value) {
  if (FUnTar == Value) return;
  if (FUnTar) FUnTar->RemoveFreeNotification(this);
  FUnTar = Value;
  if (FUnTar) FUnTar->FreeNotification(this);
}

void TUnGZIP::Notification(TComponent* AComponent, TOperation Operation) {
  TUnBase::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent && AComponent == FUnTar) FUnTar = nullptr;
}

int64_t TUnGZIP::FindTrailer(TUntypedFile& F, int64_t DataPos, int64_t ReadEnd, uint32_t Crc, uint32_t Size) {
  const int64_t Lo = std::max(DataPos, ReadEnd - kReadAhead);
  std::vector<uint8_t> Buf(size_t(ReadEnd - Lo + 8));
  if (!F.Seek(Lo) || F.Read(Buf.data(), Buf.size()) != Buf.size()) {
    F.IOResult();
    return -1;
  }
  uint8_t Want[8];
  PutLE32(Want, Crc);
  PutLE32(Want + 4, Size);
  std::vector<int64_t> Found;
  for (size_t i = 0; i + 8 <= Buf.size(); ++i)
    if (std::equal(Want, Want + 8, Buf.data() + i)) Found.push_back(Lo + int64_t(i));
  // The real trailer always matches; when the data happens to hold the same
  // eight bytes, the first place where the stream can end decides.
  if (Found.size() == 1) return Found[0] + 8;
  for (int64_t At : Found)
    if (StreamEndsWithin(FInflate, F, DataPos, At - DataPos)) return At + 8;
  return -1;
}

int64_t TUnGZIP::DecodeMember(TUntypedFile& F, TUntypedFile& Out, uint8_t Method, int64_t DataPos) {
  // Every member's data lies before the last trailer.
  const int64_t Limit = ArchiveSize - 8;
  if (DataPos > Limit || !F.Seek(DataPos)) RaiseError(ArchiveFile(), errSeek);
  Crc32 = 0xFFFFFFFFu;
  TArcCodecIO Io(*this, &F, nullptr, &Out, nullptr);
  Io.PackedLeft = Limit - DataPos;
  Io.ReadCrcWidth = 0;
  Io.WriteCrcWidth = 32;
  Io.FileSize = RunTotal;
  Io.FileDone = RunTotal - RunRemaining;
  Io.ArchiveTotal = RunTotal;
  Io.ArchiveRemaining = RunRemaining;
  const int64_t Start = Io.PackedLeft, Done = Io.FileDone;
  RunDecoder(Io, [&] {
    if (Method == 8)
      FInflate.Decode(Io, uint64_t(Start));
    else if (Method == 0)
      StoreCopy(Io, Start);
    else
      RaiseError(ReportName(), errBadMethod);
  });
  const uint32_t Crc = ~Crc32;
  const uint32_t Size = uint32_t(Io.FileDone - Done);
  if (Method == 0) {
    // Stored data runs up to the file's trailer.
    uint8_t Trailer[8];
    if (!F.Seek(Limit) || F.Read(Trailer, 8) != 8) {
      F.IOResult();
      return -1;
    }
    return GetLE32(Trailer) == Crc && GetLE32(Trailer + 4) == Size ? ArchiveSize : -1;
  }
  return FindTrailer(F, DataPos, DataPos + (Start - Io.PackedLeft), Crc, Size);
}

void TUnGZIP::DecodeGzip(TUntypedFile& F, TUntypedFile& Out, const GzipHeader& First, bool& Pass) {
  TUntypedFileSource Src(F, ArchiveSize);
  uint8_t Method = First.Method;
  int64_t DataPos = int64_t(First.DataPos);
  for (;;) {
    const int64_t Next = DecodeMember(F, Out, Method, DataPos);
    if (Next < 0) {
      Pass = false;
      return;
    }
    if (Next >= ArchiveSize) return;
    // Members written one after the other make one file (RFC 1952). Bytes
    // after the last member that start no member are ignored, as gzip
    // ignores them.
    GzipHeader H;
    int Err = 0;
    if (!ReadGzipHeader(Src, H, Err, uint64_t(Next)) || !H.IsGzip) {
      if (Err == rdHeaderId || (Err == 0 && !H.IsGzip) || (Err == rdReadError && ArchiveSize - Next < 2)) return;
      RaiseError(ArchiveFile(), Err ? Err : errBadHeader);
    }
    if (H.MultiPart) RaiseError(ReportName(), errMultiPart);
    if (H.Encrypted) RaiseError(ReportName(), errPasswordProtected);
    Method = H.Method;
    DataPos = int64_t(H.DataPos);
  }
}

void TUnGZIP::ExtractArchive(TUntypedFile& ArcFile) {
  TUntypedFileSource Src(ArcFile, ArchiveSize);
  GzipHeader H;
  int Err = 0;
  if (!ReadGzipHeader(Src, H, Err)) {
    if (Err == rdHeaderId) RaiseError(ArchiveFile(), errHeaderId);
    RaiseError(ArchiveFile(), Err == rdHeaderCrc ? errHeaderCrc : errReadFile);
  }
  const bool Compress = H.Signature == CompressSignature;
  if (!H.IsGzip && !Compress) {
    ReportError(ArchiveFile(), "", errBadMethod);
    return;
  }

  StartEntry();
  std::string Stored = H.HasName ? H.FileName : std::string();
  if (Stored.empty()) Stored = NameWithoutLastExt(ArchiveFile());
  Entry.FileName = OemToAnsiStr(Stored);
  Entry.Encrypted = H.Encrypted;
  Entry.Method = H.IsGzip ? H.Method : 0;
  Entry.MethodName = H.IsGzip ? CompressMethodToStr(H.Method) : "LZW";
  Entry.ExternalAttr = faArchive;
  if (H.IsGzip) {
    Entry.Crc = H.Crc;
    Entry.PackedSize = uint32_t(std::min<uint64_t>(H.PackedSize, UINT32_MAX));
    Entry.UnpackedSize = H.UnpackedSize;
    Entry.Date = H.MTime ? UnixToLocalDateTime(H.MTime) : Now();
    RunTotal = H.UnpackedSize;
  } else {
    Entry.Crc = 0;
    Entry.PackedSize = Entry.UnpackedSize = uint32_t(std::min<int64_t>(ArchiveSize, UINT32_MAX));
    Entry.Date = Now();
    RunTotal = ArchiveSize;
  }
  RunRemaining = RunTotal;
  const int DosDate = DateTimeToFileDate(Entry.Date);
  MaxFileDate = DosDate;
  if (!SetEntryFileName(Stored)) return;

  bool Exists = false, Extract = false;
  if (!BeginEntry(Entry.Date, Exists, Extract) || !Extract) return;
  if (H.MultiPart) RaiseError(ReportName(), errMultiPart);
  if (H.Encrypted) RaiseError(ReportName(), errPasswordProtected);

  bool Decoded = false, Pass = true;
  TUntypedFile Out;
  try {
    if (OutputMode == omFile && !CreateOutputFile(Out, OutFileName)) RaiseError(OutFileName, errOpenFile);
    try {
      if (Compress) {
        if (!ArcFile.Seek(0)) RaiseError(ArchiveFile(), errSeek);
        TArcCodecIO Io(*this, &ArcFile, nullptr, &Out, nullptr);
        Io.PackedLeft = ArchiveSize;
        Io.ReadCrcWidth = 0;
        Io.WriteCrcWidth = 32;
        Io.FileSize = RunTotal;
        Io.ArchiveTotal = RunTotal;
        Io.ArchiveRemaining = RunRemaining;
        try {
          FLzw.Decompress(Io, uint64_t(ArchiveSize));
        } catch (const ECodecError& E) {
          RaiseError(ReportName(), E.Code);
        } catch (const std::bad_alloc&) {
          RaiseError(ReportName(), kErrOutOfMemory);
        }
      } else {
        DecodeGzip(ArcFile, Out, H, Pass);
      }
      Decoded = true;
    } catch (...) {
      CloseOutputFile(Out, faArchive, DosDate);
      throw;
    }
    if (!CloseOutputFile(Out, faArchive, DosDate)) RaiseError(OutFileName, errCloseFile);
  } catch (const EArcCancelled&) {
    return;
  } catch (const E_RAISE&) {
    if (Cancel) return;
    Decoded = false;
  }
  Pass = Pass && Decoded;
  EndEntry(Pass, Decoded);
  if (Pass && FUnTar && OutputMode == omFile) RunUnTar();
}

void TUnGZIP::RunUnTar() {
  TUnTAR& T = *FUnTar;
  T.SetArchiveFile(OutFileName);
  if (T.ArcType() != atTar) return;
  T.UseStoredDirs = true;
  T.SetExtractDir(ExtractDir());
  T.SetFileSpec(FileSpec());
  T.Extract();
  SetCurrentArcComponent(this);
}
