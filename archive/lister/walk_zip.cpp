// Walks of the Zip family, uuencoded files, the gzip family and tar.
#include "archive/core/arcerrors.h"
#include "archive/core/arcutil.h"
#include "archive/core/arctables.h"
#include "archive/core/bytes.h"
#include "archive/core/ziprecords.h"
#include "archive/lister/arclister.h"
#include "archive/formats/gzip/gzip_format.h"
#include "archive/formats/tar/tar_format.h"
#include "archive/formats/uue/uue_format.h"
#include "archive/lister/walk_util.h"

using namespace lister;

void TArcLister::PrepareZip() {
  FHeaderOffset = int64_t(StartOffset) + 1;
  if (ArcType() == atZipMV) {
    if (!RequestLastDisk()) {
      FHeaderSize = 0;
      return;
    }
    // Info-ZIP starts the directory on an earlier disk when it does not fit
    // on the last one; the walk then reads on across the disks.
    const int DirDisk = ZipRecords.End.CentralDirDisk + 1;
    while (DiskManager()->IsRemovable() && VolumeNumber() != DirDisk) {
      bool cancel = true;
      if (OnGetZipNextDisk) OnGetZipNextDisk(this, IntToStr(DirDisk), cancel);
      if (cancel) {
        SetComponentCancel(this, true);
        FHeaderSize = 0;
        return;
      }
      DiskManager()->RefreshDriveInfo();
      GetSpanDiskNumber();
      // The end record says where the directory starts on this disk.
      DetectFlags |= zfCentralFound;
    }
    if (!OpenFile(ArchiveFile())) RaiseCode(errReadFile);
    FHeaderOffset = int64_t(StartOffset) + 1;
    FWalkEnd = ArchiveSize;
  } else if (OnCorruptZipHeader && (DetectFlags & (1 | 8 | 16)) != (1 | 8 | 16)) {
    bool cancel = true;
    OnCorruptZipHeader(this, DetectFlags, cancel);
    if (cancel) {
      FHeaderSize = 0;
      return;
    }
  }
  FZipCentral = (DetectFlags & 8) != 0;
  FHeaderSize = FZipCentral ? 46 : 30;
  FZipCentralDisk = VolumeNumber();
}

void TArcLister::StepZipCentral() {
  const uint8_t* h = FHdr.data();
  if (FHdrLen < 46 || GetLE32(h) != 0x02014B50) {
    uint32_t sig = FHdrLen >= 4 ? GetLE32(h) : 0;
    // The end record and the digital signature close a directory normally.
    if (FHeadersMet == 0 && sig != 0x06054B50 && sig != 0x05054B50) ReportCode(errBadHeader);
    EndWalk();
    return;
  }
  uint16_t n = GetLE16(h + 28), e = GetLE16(h + 30), c = GetLE16(h + 32);
  TFound E;
  E.Name.resize(n);
  if (n && !ReadExactAt(FWalkPos, reinterpret_cast<uint8_t*>(E.Name.data()), n)) RaiseCode(errReadFile);
  if (c) {
    std::vector<uint8_t> cm = ReadUpTo(FWalkPos + n + e, c);
    E.HasComment = true;
    E.Comment.assign(cm.begin(), cm.end());
  }
  uint16_t flags = GetLE16(h + 8);
  E.Date = DosDateTime(GetLE32(h + 12));
  E.VersionMadeBy = GetLE16(h + 4);
  E.VersionNeeded = GetLE16(h + 6);
  E.Packed = GetLE32(h + 20);
  E.Unpacked = GetLE32(h + 24);
  E.Crc = GetLE32(h + 16);
  E.Encrypted = flags & 1;
  E.Method = GetLE16(h + 10);
  E.MethodFlags = flags;
  E.Utf8 = (flags & zgUtf8) != 0;
  E.InternalAttr = GetLE16(h + 36);
  E.ExternalAttr = int32_t(GetLE32(h + 38));
  E.Folder = (E.ExternalAttr & 0x10) != 0 || (!E.Name.empty() && E.Name.back() == '/');
  if (E.Folder) E.ExternalAttr |= 0x10;
  FWalkPos += int64_t(n) + e + c;
  Report(E, GetLE32(h + 42), frShowOnly, false);
  if (ArcType() == atZipMV && FWalkPos >= FWalkEnd) NextZipDisk();
}

bool TArcLister::NextZipDisk() {
  if (!OnGetZipNextDisk) return false;
  int disk = VolumeNumber();
  for (;;) {
    bool cancel = true;
    OnGetZipNextDisk(this, IntToStr(disk + 1), cancel);
    if (cancel) {
      SetComponentCancel(this, true);
      EndWalk();
      return false;
    }
    if (!OpenFile(ArchiveFile())) RaiseCode(errReadFile);
    break;
  }
  SetVolumeNumber(disk + 1);
  FWalkPos -= FWalkEnd;
  ++FVolumeChanges;
  FWalkEnd = ArchiveSize;
  return true;
}

void TArcLister::StepZipLocal() {
  const uint8_t* h = FHdr.data();
  if (FHdrLen < 30 || GetLE32(h) != 0x04034B50) {
    EndWalk();
    return;
  }
  uint16_t n = GetLE16(h + 26), e = GetLE16(h + 28);
  TFound E;
  E.Name.resize(n);
  if (n && !ReadExactAt(FWalkPos, reinterpret_cast<uint8_t*>(E.Name.data()), n)) RaiseCode(errReadFile);
  FWalkPos += n;
  int64_t offset = FWalkPos - 30 - n;
  uint16_t flags = GetLE16(h + 6);
  E.Date = DosDateTime(GetLE32(h + 10));
  E.VersionMadeBy = E.VersionNeeded = GetLE16(h + 4);
  E.Packed = GetLE32(h + 18);
  E.Unpacked = GetLE32(h + 22);
  E.Crc = GetLE32(h + 14);
  E.Encrypted = flags & 1;
  E.Method = GetLE16(h + 8);
  E.MethodFlags = flags;
  E.Utf8 = (flags & zgUtf8) != 0;
  E.InternalAttr = 0;
  E.ExternalAttr = 0;
  FWalkPos += int64_t(e) + E.Packed;
  Report(E, offset, frFilter);
}

void TArcLister::PrepareUue() {
  FHeaderSize = 0;
  UueBegin u;
  int err = 0;
  if (!FindUueBegin(*FFile, uint64_t(FHeaderOffset - 1), UueListerScan, u, err)) return;
  TFound E;
  E.Name = u.FileName;
  int age = FileAge(ArchiveFile());
  E.Date = DosDateTime(age < 0 ? 0 : uint32_t(age));
  E.Packed = E.Unpacked = ArchiveSize;
  E.NoMethodName = true;
  E.InternalAttr = 32;
  E.ExternalAttr = 32;
  Report(E, 0, frAlways);
}

void TArcLister::StepGzip() {
  EndWalk();
  GzipHeader g;
  int err = 0;
  if (!ReadGzipHeader(*FFile, g, err)) {
    if (err == rdHeaderId) return;
    RaiseCode(err ? err : errBadHeader);
  }
  TFound E;
  uint16_t sig = g.Signature;
  if (g.HasName) {
    E.Name = g.FileName;
  } else {
    std::string base = ExtractFileName(ArchiveFile());
    size_t dot = base.rfind('.');
    E.Name = dot == std::string::npos ? base : base.substr(0, dot);
  }
  int age = FileAge(ArchiveFile());
  TDateTime fileDate = DosDateTime(age < 0 ? 0 : uint32_t(age));
  if (g.IsGzip) {
    E.Date = g.MTime ? UnixToLocalDateTime(g.MTime) : fileDate;
    E.Packed = int64_t(g.PackedSize);
    E.Unpacked = g.UnpackedSize;
    E.Crc = g.Crc;
    E.Encrypted = g.Encrypted;
  } else {
    E.Packed = E.Unpacked = std::max<int64_t>(0, ArchiveSize - 10);
    E.Date = sig == CompressSignature ? fileDate : UnixToLocalDateTime(FHdrLen >= 8 ? GetLE32(FHdr.data() + 4) : 0);
  }
  int attr = FileGetAttr(ArchiveFile());
  E.ExternalAttr = attr == 0x80 || attr < 0 ? 0 : attr;
  E.SetInternalAttr = false;
  E.Method = FHdrLen >= 3 ? FHdr[2] : 0;
  E.Signature = sig;
  if (sig == CompressSignature) E.NameMethod = 144;
  Report(E, FHeaderOffset - 1, frAlways);
}

void TArcLister::StepTar() {
  int64_t start = FWalkPos - int64_t(FHdrLen);
  TarHeader t;
  int err = 0;
  if (!ReadTarHeader(*FFile, uint64_t(start), t, err)) {
    EndWalk();
    if (err) RaiseCode(err);
    return;
  }
  FWalkPos = int64_t(t.NextPos);
  TFound E;
  E.Name = t.FileName;
  E.Folder = t.IsDirectory;
  E.Date = UnixToLocalDateTime(t.MTime);
  E.Packed = E.Unpacked = int64_t(t.Size);
  E.Crc = t.Checksum;
  E.InternalAttr = 0;
  E.ExternalAttr = t.IsDirectory ? 0x10 : 0;
  char f = t.TypeFlag;
  if (t.IsDirectory) {
    Report(E, start, frShowOnly);
  } else if (f == 0 || f == '0' || f == '1' || f == '7') {
    Report(E, start, frFilter);
  } else {
    ++FHeadersMet;
    if (OnReadFile) OnReadFile(this, OemToAnsiStr(E.Name));
  }
}
