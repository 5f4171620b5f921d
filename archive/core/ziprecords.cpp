#include "archive/core/ziprecords.h"

#include <algorithm>
#include <vector>

#include "framework/core/streams.h"

TZipCentralHeader CentralFromLocal(const TZipLocalHeader& L, uint32_t Offset) {
  TZipCentralHeader C;
  C.VersionNeeded = L.VersionNeeded;
  C.Flags = L.Flags;
  C.Method = L.Method;
  C.Time = L.Time;
  C.Date = L.Date;
  C.Crc32 = L.Crc32;
  C.PackedSize = L.PackedSize;
  C.UnpackedSize = L.UnpackedSize;
  C.NameLength = L.NameLength;
  C.LocalHeaderOffset = Offset;
  return C;
}

bool TZipDataDescriptor::Read(ByteReader& R) {
  uint32_t first = R.U32();
  if (first == ZipDescriptorSig) first = R.U32();
  Crc32 = first;
  PackedSize = R.U32();
  UnpackedSize = R.U32();
  return R.Ok();
}

void TZipDataDescriptor::Write(uint8_t* P) const {
  PutLE32(P, ZipDescriptorSig);
  PutLE32(P + 4, Crc32);
  PutLE32(P + 8, PackedSize);
  PutLE32(P + 12, UnpackedSize);
}

namespace {

// Reads up to Count bytes at Pos; returns the number read.
size_t ReadAt(TStream& Source, int64_t Pos, uint8_t* Buffer, size_t Count) {
  if (Pos < 0 || Source.Seek(Pos, soFromBeginning) != Pos) return 0;
  size_t got = 0;
  while (got < Count) {
    int32_t n = Source.Read(Buffer + got, int32_t(Count - got));
    if (n <= 0) break;
    got += size_t(n);
  }
  return got;
}

// A central header signature at Offset, wholly below Limit.
bool CentralVerifies(TStream& Source, int64_t Limit, uint32_t Offset) {
  uint8_t sig[4];
  return int64_t(Offset) + int64_t(TZipCentralHeader::Size) <= Limit &&
         ReadAt(Source, Offset, sig, 4) == 4 && GetLE32(sig) == ZipCentralSig;
}

}  // namespace

template <class Rec>
bool ReadZipRecordAt(TStream& Source, int64_t Pos, Rec& Record) {
  uint8_t buf[Rec::Size];
  if (ReadAt(Source, Pos, buf, Rec::Size) != Rec::Size) return false;
  ByteReader r(buf, Rec::Size);
  return Record.Read(r);
}

template bool ReadZipRecordAt<TZipLocalHeader>(TStream&, int64_t, TZipLocalHeader&);
template bool ReadZipRecordAt<TZipCentralHeader>(TStream&, int64_t, TZipCentralHeader&);
template bool ReadZipRecordAt<TZipEndRecord>(TStream&, int64_t, TZipEndRecord&);
template bool ReadZipRecordAt<TZipDataDescriptor>(TStream&, int64_t, TZipDataDescriptor&);

TZipLocation FindZipEndRecord(TStream& Source, int CmntBufSize) {
  TZipLocation loc;
  const int64_t size = Source.Size();
  const int64_t recSize = int64_t(TZipEndRecord::Size);
  if (size < recSize) return loc;
  int64_t cmnt = CmntBufSize < 0 ? 0 : CmntBufSize > 0xFFFF ? 0xFFFF : CmntBufSize;
  int64_t tail = std::min(size, cmnt + recSize);
  int64_t base = size - tail;
  std::vector<uint8_t> buf(static_cast<size_t>(tail));
  if (ReadAt(Source, base, buf.data(), buf.size()) != buf.size()) return loc;

  // Every signature in the tail, highest first. Comment bytes may hold the
  // signature too; a record whose comment runs exactly to the end of the file
  // encloses such look-alikes, so the lowest of those wins.
  int64_t exactVerified = -1, exact = -1, verified = -1, highest = -1;
  for (int64_t i = tail - recSize; i >= 0; i--) {
    const uint8_t* p = buf.data() + i;
    if (GetLE32(p) != ZipEndSig) continue;
    int64_t pos = base + i;
    bool ends = pos + recSize + GetLE16(p + 20) == size;
    bool cd = CentralVerifies(Source, pos, GetLE32(p + 16));
    if (highest < 0) highest = pos;
    if (ends) {
      exact = pos;
      if (cd) exactVerified = pos;
    } else if (cd && verified < 0 && pos + recSize + GetLE16(p + 20) <= size) {
      verified = pos;
    }
  }
  int64_t pos = exactVerified >= 0 ? exactVerified : exact >= 0 ? exact : verified >= 0 ? verified : highest;
  if (pos < 0) return loc;

  ByteReader r(buf.data() + (pos - base), size_t(recSize));
  loc.End.Read(r);
  loc.EndOffset = pos;
  loc.Flags |= zfEndFound;
  uint32_t cdOffset = loc.End.CentralDirOffset;
  if (int64_t(cdOffset) >= size || !ReadZipRecordAt(Source, cdOffset, loc.Central) || !loc.Central.Valid())
    return loc;
  loc.Flags |= zfCentralFound;
  if (!ReadZipRecordAt(Source, loc.Central.LocalHeaderOffset, loc.Local) || !loc.Local.Valid()) return loc;
  loc.Flags |= zfLocalFound;
  loc.Offset = cdOffset;
  return loc;
}

TZipLocation FindZipCentralDir(TStream& Source, int CmntBufSize) {
  TZipLocation loc = FindZipEndRecord(Source, CmntBufSize);
  loc.Offset = 0;
  const int64_t size = Source.Size();
  if (!loc.EndFound() || int64_t(loc.End.CentralDirOffset) >= size) return loc;
  uint32_t cd = loc.End.CentralDirOffset;
  if (cd > 0 && CentralVerifies(Source, size, cd)) {
    loc.Offset = cd;
    return loc;
  }
  constexpr int64_t kStubScan = 25000;
  if (size <= kStubScan) return loc;
  std::vector<uint8_t> buf(32768);
  size_t n = ReadAt(Source, kStubScan, buf.data(), buf.size());
  for (size_t i = 0; i + 4 <= n; i++) {
    if (GetLE32(buf.data() + i) == ZipLocalSig) {
      loc.Offset = kStubScan + int64_t(i);
      loc.Flags |= zfLocalFound;
      break;
    }
  }
  return loc;
}

std::string ZipMethodLabel(uint16_t Method) {
  static const struct {
    uint16_t Method;
    const char* Name;
  } Names[] = {{7, "Tokenized"}, {9, "Deflate64"},  {10, "PKWARE DCL Imploded"}, {12, "BZip2"},
               {14, "LZMA"},     {18, "IBM TERSE"}, {19, "IBM LZ77"},            {93, "Zstandard"},
               {95, "XZ"},       {96, "JPEG"},      {97, "WavPack"},             {98, "PPMd"},
               {99, "AES"}};
  for (const auto& N : Names)
    if (N.Method == Method) return N.Name;
  return "method " + std::to_string(Method);
}

std::vector<bool> ZipOverlappingEntries(const std::vector<TZipSpan>& Spans) {
  std::vector<size_t> Order(Spans.size());
  for (size_t i = 0; i < Order.size(); ++i) Order[i] = i;
  std::sort(Order.begin(), Order.end(),
            [&](size_t A, size_t B) { return Spans[A].LocalOffset < Spans[B].LocalOffset; });
  std::vector<bool> Bad(Spans.size(), false);
  for (size_t k = 0; k + 1 < Order.size(); ++k) {
    const TZipSpan& A = Spans[Order[k]];
    const TZipSpan& B = Spans[Order[k + 1]];
    const int64_t End = A.LocalOffset + int64_t(TZipLocalHeader::Size) + std::max<int64_t>(A.PackedSize, 0);
    if (B.LocalOffset < End) Bad[Order[k]] = true;
    // Two entries on one local header: each lies in the other.
    if (B.LocalOffset == A.LocalOffset) Bad[Order[k + 1]] = true;
  }
  return Bad;
}
