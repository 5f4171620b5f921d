// Walks of LHA, ARC and PAK, BH, ZOO, HA and MsGZ.
#include "archive/core/arcerrors.h"
#include "archive/core/arcutil.h"
#include "archive/core/bytes.h"
#include "archive/formats/arc/arc_format.h"
#include "archive/lister/arclister.h"
#include "archive/formats/bh/bh_format.h"
#include "archive/formats/lha/lha_format.h"
#include "archive/formats/zoo/zoo_format.h"
#include "archive/lister/walk_util.h"

using namespace lister;

void TArcLister::PrepareLha() { FHeaderOffset = int64_t(LhaFirstHeaderPos(*FFile, uint64_t(FHeaderOffset - 1))) + 1; }

void TArcLister::StepLha() {
  int64_t start = FWalkPos - int64_t(FHdrLen);
  LhaHeader h;
  int err = 0;
  if (!ReadLhaHeader(*FFile, uint64_t(start), h, err)) {
    EndWalk();
    if (err) RaiseCode(err);
    return;
  }
  FWalkPos = int64_t(h.NextPos);
  TFound E;
  E.Name = h.FileName;
  E.Date = h.Level >= 2 ? UnixToLocalDateTime(h.Time) : DosDateTime(h.Time);
  E.Packed = std::min(h.DataSize, h.UnpackedSize);
  E.Unpacked = h.UnpackedSize;
  E.Crc = h.Crc;
  E.Method = uint8_t(h.MethodChar);
  E.InternalAttr = 32;
  E.ExternalAttr = h.Attribute;
  E.Folder = h.IsDirectory;
  if (E.Folder) E.ExternalAttr |= 0x10;
  Report(E, start, frFilter);
}

void TArcLister::StepArc(bool Pak) {
  int64_t start = FWalkPos - int64_t(FHdrLen);
  ArcHeader h;
  int err = 0;
  if (!ReadArcHeader(*FFile, uint64_t(start), h, err)) {
    EndWalk();
    if (err) RaiseCode(err);
    return;
  }
  FWalkPos = int64_t(h.NextPos);
  if (!Pak && h.IsFolderEnd()) {
    ApplyArcFolder(h, FArcFolder);
    return;
  }
  TFound E;
  E.Date = DosDateTime(h.DosDateTime());
  E.Crc = h.Crc;
  E.Method = h.Method;
  E.Packed = h.PackedSize;
  E.Unpacked = h.UnpackedSize;
  E.InternalAttr = E.ExternalAttr = 32;
  if (!Pak && h.IsFolder()) {
    E.Name = FArcFolder + h.Name;
    ApplyArcFolder(h, FArcFolder);
    E.Folder = true;
    E.Packed = E.Unpacked = 0;
    E.InternalAttr = E.ExternalAttr = 16;
    Report(E, start, frShowOnly);
    return;
  }
  E.Name = Pak ? h.Name : FArcFolder + h.Name;
  Report(E, start, frFilter);
}

void TArcLister::StepBh() {
  int64_t start = FWalkPos - int64_t(FHdrLen);
  BhHeader h;
  int err = 0;
  if (!ReadBhHeader(*FFile, uint64_t(start), h, err)) {
    EndWalk();
    if (err && err != rdHeaderId) RaiseCode(err);
    return;
  }
  FWalkPos = int64_t(h.NextPos);
  TFound E;
  E.Name = h.FileName;
  E.Date = DosDateTime(h.DosTime);
  E.VersionMadeBy = h.VersionMadeBy;
  E.VersionNeeded = h.VersionNeeded;
  E.Packed = h.PackedSize;
  E.Unpacked = h.UnpackedSize;
  E.Crc = h.Crc;
  E.Encrypted = h.Encrypted();
  E.Method = h.Method;
  E.MethodFlags = h.Flags;
  E.InternalAttr = E.ExternalAttr = h.Attributes;
  Report(E, start, frFilter);
}

void TArcLister::StepZoo() {
  int64_t start = FWalkPos - int64_t(FHdrLen);
  int err = 0;
  if (!FZooStarted) {
    FZooStarted = true;
    ZooArchiveHeader a;
    if (!ReadZooArchiveHeader(*FFile, a, err)) {
      EndWalk();
      RaiseCode(err ? err : errBadHeader);
    }
    FArchiveComment = a.Comment;
    FWalkPos = int64_t(a.Start);
    return;
  }
  ZooEntry z;
  if (!ReadZooEntry(*FFile, uint64_t(start), z, err)) {
    EndWalk();
    if (err) RaiseCode(err);
    return;
  }
  FWalkPos = int64_t(z.Next);
  if (z.Deleted) return;
  TFound E;
  E.Name = z.FileName;
  if (z.CommentLength) {
    E.HasComment = true;
    E.Comment = z.Comment;
  }
  E.Date = DosDateTime(z.DosDateTime());
  E.VersionMadeBy = z.MajorVersion;
  E.VersionNeeded = z.MinorVersion;
  E.Packed = z.PackedSize;
  E.Unpacked = z.UnpackedSize;
  E.Crc = z.FileCrc;
  E.Method = z.Method;
  E.SetInternalAttr = E.SetExternalAttr = false;
  Report(E, start, frFilter);
}

void TArcLister::StepHa() {
  int64_t start = FWalkPos - int64_t(FHdrLen);
  const uint8_t* h = FHdr.data();
  if (FHdrLen < 18) {
    EndWalk();
    return;
  }
  std::string path, name;
  uint64_t end = 0;
  if (!ReadZString(*FFile, uint64_t(start + 17), uint64_t(FWalkEnd), 1024, path, end) ||
      !ReadZString(*FFile, end, uint64_t(FWalkEnd), 1024, name, end)) {
    EndWalk();
    return;
  }
  uint8_t mdiLen = 0;
  if (!ReadExactAt(int64_t(end), &mdiLen, 1)) {
    EndWalk();
    return;
  }
  uint32_t packed = GetLE32(h + 1);
  TFound E;
  std::string p = HaPathToBackslashes(path);
  if (!p.empty() && p.back() != '\\') p += '\\';
  E.Name = p + name;
  E.Date = UnixToLocalDateTime(GetLE32(h + 13));
  E.VersionMadeBy = E.VersionNeeded = h[0] >> 4;
  E.Packed = packed;
  E.Unpacked = GetLE32(h + 5);
  E.Crc = GetLE32(h + 9);
  E.Method = h[0] & 0x0F;
  E.InternalAttr = E.ExternalAttr = 32;
  FWalkPos = int64_t(end) + 1 + mdiLen + int64_t(packed);
  Report(E, start, frFilter);
}

void TArcLister::PrepareMsGZ() {
  FMsGZNames.clear();
  std::vector<uint8_t> a = ReadUpTo(FHeaderOffset - 1, 255);
  if (a.size() < 45) {
    FHeaderSize = 0;
    return;
  }
  uint32_t dirPos = GetLE32(a.data() + 41);
  if (dirPos >= uint32_t(FWalkEnd)) {
    FHeaderSize = 0;
    return;
  }
  int64_t p = dirPos;
  for (int guard = 0; guard < 65536; ++guard) {
    uint8_t rec[6];
    if (!ReadExactAt(p, rec, 6)) break;
    uint8_t len = rec[2];
    if (len == 0) break;
    if (len < 6) {
      FHeaderSize = 0;
      return;
    }
    std::vector<uint8_t> nm = ReadUpTo(p + 6, len - 6);
    FMsGZNames.emplace_back(nm.begin(), nm.end());
    p += 6 + (len - 6);
  }
  FHeaderOffset = p + 6 - 4 + 1;
}

void TArcLister::StepMsGZ() {
  int64_t start = FWalkPos - int64_t(FHdrLen);
  const uint8_t* h = FHdr.data();
  if (FHdrLen < 29) {
    EndWalk();
    return;
  }
  uint8_t n = h[28];
  TFound E;
  std::vector<uint8_t> nm = ReadUpTo(start + 29, n);
  if (nm.size() != n) {
    EndWalk();
    return;
  }
  E.Name.assign(nm.begin(), nm.end());
  uint32_t attr = GetLE32(h + 18);
  E.Date = DosSwapped(GetLE32(h + 14));
  E.Packed = GetLE32(h + 6);
  E.Unpacked = GetLE32(h + 2);
  E.NoMethodName = true;
  E.InternalAttr = uint16_t(attr);
  E.ExternalAttr = int32_t(attr);
  uint16_t step = GetLE16(h + 22);
  FWalkPos = step ? start + step : FWalkEnd;
  Report(E, GetLE32(h + 10), frFilter);
}
