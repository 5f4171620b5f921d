#include "archive/formats/zip/zipdir.h"

#include <algorithm>
#include <limits>

#include "archive/core/arcutil.h"
#include "framework/core/streams.h"
#include "framework/core/sysutils.h"

namespace {

bool ReadAt(TStream& In, int64_t Pos, void* Buf, int32_t Count) {
  In.SetPosition(Pos);
  return In.Read(Buf, Count) == Count;
}

}  // namespace

int64_t ZipDescriptorLength(TStream& In, int64_t Pos) {
  uint8_t Sig[4];
  if (ReadAt(In, Pos, Sig, 4) && GetLE32(Sig) == ZipDescriptorSig) return 16;
  return 12;
}

bool ReadZipDirectory(TStream& In, TZipDirectory& Dir, std::string& Error) {
  Dir = TZipDirectory();
  const int64_t FileSize = In.Size();
  const TZipLocation Loc = FindZipEndRecord(In, 0xFFFF);
  if (!Loc.EndFound()) {
    Error = "no end of central directory";
    return false;
  }
  const TZipEndRecord& E = Loc.End;
  Dir.End = E;
  Dir.EndPos = Loc.EndOffset;
  if (E.DiskNumber != 0 || E.CentralDirDisk != 0 || E.EntriesOnDisk != E.EntriesTotal) {
    Error = "a spanned or multi-volume archive";
    return false;
  }
  if (E.EntriesTotal == 0xFFFF || E.CentralDirSize == 0xFFFFFFFFu || E.CentralDirOffset == 0xFFFFFFFFu) {
    Error = "Zip64 is not supported";
    return false;
  }
  const int64_t CommentPos = Loc.EndOffset + int64_t(TZipEndRecord::Size);
  const int64_t CommentLen = std::min<int64_t>(E.CommentLength, FileSize - CommentPos);
  Dir.Comment = ReadStringAt(In, CommentPos, size_t(std::max<int64_t>(CommentLen, 0)));
  if (int64_t(E.CentralDirSize) > Loc.EndOffset) {
    Error = "central directory larger than the file";
    return false;
  }
  Dir.CentralPos = Loc.EndOffset - int64_t(E.CentralDirSize);
  Dir.Shift = Dir.CentralPos - int64_t(E.CentralDirOffset);
  if (Dir.Shift < 0) {
    Error = "central directory beyond its end record";
    return false;
  }

  std::vector<uint8_t> Central(size_t(E.CentralDirSize));
  if (!Central.empty() && !ReadAt(In, Dir.CentralPos, Central.data(), int32_t(Central.size()))) {
    Error = "short central directory";
    return false;
  }
  ByteReader R(Central.data(), Central.size());
  Dir.StubSize = Dir.CentralPos;
  Dir.Items.reserve(E.EntriesTotal);
  for (unsigned i = 0; i < E.EntriesTotal; i++) {
    TZipDirItem It;
    if (!It.Central.Read(R) || !It.Central.Valid()) {
      Error = "bad central header";
      return false;
    }
    It.Name = R.Str(It.Central.NameLength);
    It.Extra = R.Str(It.Central.ExtraLength);
    It.Comment = R.Str(It.Central.CommentLength);
    if (!R.Ok()) {
      Error = "central header beyond the directory";
      return false;
    }
    if (It.Central.PackedSize == 0xFFFFFFFFu || It.Central.UnpackedSize == 0xFFFFFFFFu ||
        It.Central.LocalHeaderOffset == 0xFFFFFFFFu) {
      Error = "Zip64 is not supported";
      return false;
    }
    It.LocalPos = int64_t(It.Central.LocalHeaderOffset) + Dir.Shift;
    uint8_t Buf[TZipLocalHeader::Size];
    TZipLocalHeader L;
    ByteReader LR(Buf, sizeof Buf);
    if (It.LocalPos + int64_t(sizeof Buf) > Dir.CentralPos || !ReadAt(In, It.LocalPos, Buf, sizeof Buf) ||
        !L.Read(LR) || !L.Valid()) {
      Error = "bad local header";
      return false;
    }
    It.LocalNameLength = L.NameLength;
    int64_t Size = int64_t(sizeof Buf) + L.NameLength + L.ExtraLength + int64_t(It.Central.PackedSize);
    if (It.Central.Flags & zgDataDescriptor) {
      if (It.LocalPos + Size > Dir.CentralPos) {
        Error = "entry data beyond the directory";
        return false;
      }
      Size += ZipDescriptorLength(In, It.LocalPos + Size);
    }
    if (It.LocalPos + Size > Dir.CentralPos) {
      Error = "entry data beyond the directory";
      return false;
    }
    It.LocalSize = Size;
    Dir.StubSize = std::min(Dir.StubSize, It.LocalPos);
    Dir.Items.push_back(std::move(It));
  }
  return true;
}

std::string ZipDisplayName(const std::string& Raw, uint16_t MadeBy, uint16_t Flags) {
  const int Host = MadeBy >> 8, HostVer = MadeBy & 0xFF;
  std::string N;
  if (Flags & zgUtf8) {
    N = Utf8ToAnsi(Raw);
  } else if (Host == 0 || Host == 6 || (Host == 11 && HostVer == 50)) {
    for (char C : Raw) N += uint8_t(C) < 128 ? std::string(1, C) : OemToAnsi(std::string(1, C));
  } else {
    N = Raw;
  }
  std::replace(N.begin(), N.end(), '/', '\\');
  return N;
}
