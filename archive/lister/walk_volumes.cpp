// Walks of the types whose sets span volumes: ARJ, ACE, RAR and cabinets.
#include "archive/core/arcerrors.h"
#include "archive/core/arcutil.h"
#include "archive/core/bytes.h"
#include "archive/formats/ace/ace_format.h"
#include "archive/lister/arclister.h"
#include "archive/formats/arj/arj_format.h"
#include "archive/formats/cab/cab_format.h"
#include "archive/formats/rar/rar_format.h"
#include "archive/lister/walk_util.h"

using namespace lister;

bool TArcLister::NextVolume() {
  int number = NextVolumeNumber;
  std::string name = FRarNewNaming ? RarNextVolumeName(Entry.VolumeName.empty() ? ArchiveFile() : Entry.VolumeName, true)
                                   : GetVolumeName(ArchiveFile(), number);
  if (RequestNextVolume(nullptr, name, IntToStr(number))) {
    if (!OpenFile(name)) RaiseCode(errReadFile);
    Entry.VolumeName = name;
    FVolumeNumber = number;
    FWalkEnd = ArchiveSize;
    ++FVolumeChanges;
    return true;
  }
  SetComponentCancel(this, true);
  EndWalk();
  return false;
}

bool TArcLister::ReadArjMainHeader(int64_t Pos, int64_t& Next) {
  ArjHeader m;
  int err = 0;
  if (!::ReadArjMainHeader(*FFile, uint64_t(Pos), m, err)) RaiseCode(err ? err : errBadHeader);
  FMultiVolume = (m.Flags & ArjFlagVolume) != 0;
  Next = int64_t(m.NextPos);
  return true;
}

void TArcLister::PrepareArj() {
  int64_t next = 0;
  ReadArjMainHeader(FHeaderOffset - 1, next);
  FHeaderOffset = next + 1;
}

void TArcLister::StepArj() {
  int64_t start = FWalkPos - int64_t(FHdrLen);
  ArjHeader h;
  int err = 0;
  if (!ReadArjHeader(*FFile, uint64_t(start), h, err)) {
    EndWalk();
    if (err) RaiseCode(err);
    return;
  }
  TFound E;
  E.Name = h.FileName;
  uint8_t flags = h.Flags;
  FSplitPackedSize = h.PackedSize;
  FSplitUnpackedSize = h.UnpackedSize;
  FWalkPos = int64_t(h.NextPos);
  bool skipped = FMultiVolume && (flags & 8);
  while (flags & ArjFlagVolume) {
    flags &= uint8_t(~ArjFlagVolume);
    if (!NextVolume()) return;
    int64_t entryPos = 0;
    ReadArjMainHeader(0, entryPos);
    ArjHeader c;
    if (!ReadArjHeader(*FFile, uint64_t(entryPos), c, err)) RaiseCode(err ? err : errBadHeader);
    FSplitPackedSize += c.PackedSize;
    FSplitUnpackedSize += c.UnpackedSize;
    flags |= c.Flags & ArjFlagVolume;
    FWalkPos = int64_t(c.NextPos);
  }
  E.Date = h.HasUnixTime() ? UnixToLocalDateTime(h.DosTime) : DosDateTime(h.DosTime);
  E.VersionMadeBy = h.ArchiverVersion;
  E.VersionNeeded = h.MinVersion;
  E.Packed = FSplitPackedSize;
  E.Unpacked = FSplitUnpackedSize;
  E.Crc = h.FileCrc;
  E.Encrypted = h.Flags & 1;
  E.Method = h.Method;
  E.InternalAttr = h.FileMode;
  E.ExternalAttr = h.FileMode;
  E.Folder = h.IsDirectory();
  if (E.Folder) E.ExternalAttr |= 0x10;
  if (skipped) {
    ++FHeadersMet;
    if (OnReadFile) OnReadFile(this, OemToAnsiStr(E.Name));
    return;
  }
  Report(E, start, frShowOnly);
}

bool TArcLister::ReadAceArchiveHeader(int64_t Pos, int64_t& Next) {
  AceMainHeader m;
  int err = 0;
  if (!ReadAceMainHeader(*FFile, uint64_t(Pos), m, err)) RaiseCode(err ? err : errBadHeader);
  FAceVersion = m.VersionCreated;
  Next = int64_t(m.NextPos);
  return true;
}

void TArcLister::PrepareAce() {
  int64_t next = 0;
  ReadAceArchiveHeader(FHeaderOffset - 1, next);
  FHeaderOffset = next + 1;
}

void TArcLister::StepAce() {
  int64_t start = FWalkPos - int64_t(FHdrLen);
  AceFileHeader h;
  int err = 0;
  if (!ReadAceFileHeader(*FFile, uint64_t(start), h, err)) {
    EndWalk();
    if (err) RaiseCode(err);
    return;
  }
  TFound E;
  E.Name = h.FileName;
  if (h.ContinuedFromPrev())
    FSplitPackedSize += int64_t(h.PackedSize);
  else
    FSplitPackedSize = int64_t(h.PackedSize);
  FSplitUnpackedSize = int64_t(h.UnpackedSize);
  FWalkPos = int64_t(h.NextPos);
  E.Date = DosDateTime(h.DosTime);
  E.VersionMadeBy = E.VersionNeeded = FAceVersion;
  E.Packed = FSplitPackedSize;
  E.Unpacked = FSplitUnpackedSize;
  E.Crc = h.Crc;
  E.Encrypted = h.Encrypted();
  E.Method = h.TechQuality;
  E.InternalAttr = uint16_t(h.Attributes);
  E.ExternalAttr = int32_t(h.Attributes);
  E.Folder = h.IsDirectory();
  // A split entry is reported once, from the volume where it ends.
  if (h.ContinuedInNext()) {
    ++FHeadersMet;
    if (OnReadFile) OnReadFile(this, OemToAnsiStr(E.Name));
    if (!NextVolume()) return;
    int64_t next = 0;
    ReadAceArchiveHeader(0, next);
    FWalkPos = next;
    return;
  }
  Report(E, start, frFilter);
}

void TArcLister::PrepareRar() {
  RarArchive a;
  int err = 0;
  if (!ReadRarArchiveHeader(*FFile, uint64_t(FHeaderOffset - 1), a, err)) {
    RaiseCode(err ? err : errBadHeader, err == rdUnsupportedVersion ? "RAR 5" : "");
  }
  if (a.HeadersEncrypted) RaiseCode(25290);
  FRarNewNaming = (a.Main.Flags & RarMainNewNumbering) != 0;
  FHeaderOffset = int64_t(a.FirstBlockPos) + 1;
}

void TArcLister::StepRar() {
  int64_t start = FWalkPos - int64_t(FHdrLen);
  RarBlock b;
  int err = 0;
  if (!ReadRarBlock(*FFile, uint64_t(start), b, err)) {
    EndWalk();
    if (err) RaiseCode(err);
    return;
  }
  FWalkPos = int64_t(b.NextPos);
  if (!b.IsFile() || (b.Flags & RarSkipIfUnknown)) return;
  TFound E;
  E.Name = b.Utf8Name.empty() ? b.FileName : b.Utf8Name;
  E.Utf8 = !b.Utf8Name.empty();
  FSplitUnpackedSize = int64_t(b.UnpackedSize);
  if (b.SplitBefore())
    FSplitPackedSize += int64_t(b.PackedSize);
  else
    FSplitPackedSize = int64_t(b.PackedSize);
  if (b.SplitAfter()) {
    ++FHeadersMet;
    if (OnReadFile) OnReadFile(this, b.AnsiName());
    if (!NextVolume()) return;
    RarArchive a;
    if (!ReadRarArchiveHeader(*FFile, 0, a, err)) RaiseCode(err ? err : errReadFile);
    FWalkPos = int64_t(a.FirstBlockPos);
    return;
  }
  E.Date = DosDateTime(b.FileTime);
  E.VersionMadeBy = b.UnpackVersion;
  E.VersionNeeded = 0;
  E.Packed = FSplitPackedSize;
  E.Unpacked = FSplitUnpackedSize;
  E.Crc = b.FileCrc;
  E.Encrypted = b.Encrypted();
  E.Method = b.Method;
  E.NameMethod = b.Method >= 0x30 ? b.Method - 0x30 : b.Method;
  E.SetInternalAttr = false;
  E.ExternalAttr = int32_t(RarDosAttributes(b.HostOs, b.Attributes, b.Flags));
  E.Folder = b.IsDirectory();
  Report(E, start, frShowOrFilter);
}

bool TArcLister::ReadCabHeader() {
  CabHeader h;
  int err = 0;
  if (!::ReadCabHeader(*FFile, uint64_t(FHeaderOffset - 1), h, err)) return false;
  FCab->MinorVersion = h.VersionMinor;
  FCab->MajorVersion = h.VersionMajor;
  FCab->Flags = h.Flags;
  FCab->FolderCount = h.FolderCount;
  FCab->NextName = h.HasNext() ? h.NextCabinet : std::string();
  FCab->FolderTypes.clear();
  for (unsigned i = 0; i < h.FolderCount; ++i) {
    CabFolder f;
    if (!ReadCabFolder(*FFile, h, i, f, err)) {
      ReportCode(errReadFile);
      return false;
    }
    FCab->FolderTypes.push_back(f.CompressionType);
  }
  FCab->Header = std::make_shared<CabHeader>(h);
  FCab->FilesLeft = h.FileCount;
  FHeaderOffset = int64_t(h.Pos) + h.FilesOffset + 1;
  return true;
}

void TArcLister::PrepareCab() {
  FCab = std::make_unique<TCabState>();
  if (!ReadCabHeader()) {
    if (!Cancel) ReportCode(errBadHeader);
    FHeaderSize = 0;
  }
}

bool TArcLister::NextCabinet() {
  EndWalk();
  if (!(FCab->Flags & 2) || FCab->NextName.empty()) return false;
  std::string name = ExtractFilePath(Entry.VolumeName) + FCab->NextName;
  if (!FileExists(name)) {
    if (!OnNextVolume) {
      ReportCode(errFileNotFound, name);
      return false;
    }
    if (!RequestNextVolume(nullptr, name, IntToStr(FVolumeNumber + 1))) {
      SetComponentCancel(this, true);
      return false;
    }
  }
  if (!OpenFile(name)) {
    ReportCode(errReadFile, name);
    return false;
  }
  Entry.VolumeName = name;
  ++FVolumeNumber;
  ++FVolumeChanges;
  FWalkEnd = ArchiveSize;
  FHeaderOffset = 1;
  if (!ReadCabHeader()) {
    ReportCode(errBadHeader, name);
    EndWalk();
    return false;
  }
  FWalkPos = FHeaderOffset - 1;
  return true;
}

void TArcLister::StepCab() {
  int64_t start = FWalkPos - int64_t(FHdrLen);
  if (FCab->FilesLeft == 0) {
    NextCabinet();
    return;
  }
  CabFile f;
  int err = 0;
  if (!ReadCabFile(*FFile, *FCab->Header, uint64_t(start), f, err)) {
    EndWalk();
    RaiseCode(err ? err : errBadHeader);
  }
  FWalkPos = int64_t(f.NextPos);
  --FCab->FilesLeft;
  TFound E;
  E.Name = f.FileName;
  E.Utf8 = (f.Attributes & 0x80) != 0;  // the name is UTF-8
  // Entries continued from the previous cabinet were listed there.
  if (f.ContinuedFromPrev()) {
    ++FHeadersMet;
    if (OnReadFile) OnReadFile(this, ZipNameToAnsi(E.Name, E.Utf8 ? zgUtf8 : 0));
  } else {
    uint16_t folder = f.Folder(*FCab->Header);
    E.Date = DosDateTime(f.DosDateTime());
    E.VersionMadeBy = FCab->MinorVersion;
    E.VersionNeeded = FCab->MajorVersion;
    E.Packed = E.Unpacked = f.UnpackedSize;
    E.Method = folder < FCab->FolderTypes.size() ? FCab->FolderTypes[folder] : 0;
    E.InternalAttr = f.Attributes & ~0x80;
    E.ExternalAttr = f.Attributes & ~0x80;
    Report(E, start, frFilter);
  }
  if (FCab->FilesLeft == 0 && !Cancel) NextCabinet();
}
