// Root of every archive component: the archive's name and detected type, the
// owned helpers (disk manager, attribute filter, clock, password list), and
// the file and volume-naming routines the whole family shares.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "archive/core/arctypes.h"
#include "archive/core/diskmanager.h"
#include "framework/core/classes.h"

class TUntypedFile;

// Attribute filter of the writers. ftAnyFile holds exactly when all eight
// attribute flags are set; the mask is then 0x93F.
class TArcFileAttr : public TPersistent {
 public:
  TArcFileAttr() { Rebuild(); }
  // Copies the eight attribute flags of another TArcFileAttr.
  void Assign(TPersistent* Source) override;

  int ftFileAttr() const { return FMask; }
  void SetftFileAttr(int Value);

  bool ftReadOnly() const { return Has(faReadOnly); }
  bool ftHidden() const { return Has(faHidden); }
  bool ftSysFile() const { return Has(faSysFile); }
  bool ftVolumeID() const { return Has(faVolumeID); }
  bool ftDirectory() const { return Has(faDirectory); }
  bool ftArchive() const { return Has(faArchive); }
  bool ftTemporary() const { return Has(AttrTemporary); }
  bool ftCompressed() const { return Has(AttrCompressed); }
  bool ftAnyFile() const { return FAnyFile; }
  void SetftReadOnly(bool Value) { SetFlag(faReadOnly, Value); }
  void SetftHidden(bool Value) { SetFlag(faHidden, Value); }
  void SetftSysFile(bool Value) { SetFlag(faSysFile, Value); }
  void SetftVolumeID(bool Value) { SetFlag(faVolumeID, Value); }
  void SetftDirectory(bool Value) { SetFlag(faDirectory, Value); }
  void SetftArchive(bool Value) { SetFlag(faArchive, Value); }
  void SetftTemporary(bool Value) { SetFlag(AttrTemporary, Value); }
  void SetftCompressed(bool Value) { SetFlag(AttrCompressed, Value); }
  void SetftAnyFile(bool Value);

  static constexpr int AttrTemporary = 0x100;
  static constexpr int AttrCompressed = 0x800;
  static constexpr int AllAttrs = 0x93F;

 private:
  bool Has(int Bit) const { return (FFlags & Bit) != 0; }
  void SetFlag(int Bit, bool Value);
  void Rebuild();
  int FFlags = AllAttrs;
  bool FAnyFile = true;
  int FMask = AllAttrs;
};

// Elapsed work time: paused around user events so that they do not count.
class TArcTimer : public TObject {
 public:
  void Start();
  // Returns and keeps the seconds since Start, paused intervals left out.
  float Stop();
  void Pause();
  void Resume();
  float Elapsed() const { return FElapsed; }

 private:
  uint32_t FStartTick = 0;
  uint32_t FPauseTick = 0;
  bool FPaused = false;
  float FElapsed = 0;
};

// Fixed-size records of the entries a reader has found, each held in its own
// allocation so that a record's address stays valid until Clear.
class TArcFileList : public TObject {
 public:
  void Init(size_t RecordSize);
  void Add(const void* Record);
  void Clear();
  void Done();
  int Count() const { return int(FItems.size()); }
  size_t RecordSize() const { return FRecordSize; }
  void* Items(int Index) const;

  template <class T>
  void AddRec(const T& Record) {
    static_assert(std::is_trivially_copyable_v<T>);
    if (FRecordSize == 0) Init(sizeof(T));
    std::vector<uint8_t> tmp(FRecordSize, 0);
    std::memcpy(tmp.data(), &Record, std::min(sizeof(T), FRecordSize));
    Add(tmp.data());
  }
  template <class T>
  T Rec(int Index) const {
    static_assert(std::is_trivially_copyable_v<T>);
    T r{};
    std::memcpy(&r, Items(Index), std::min(sizeof(T), FRecordSize));
    return r;
  }

 private:
  size_t FRecordSize = 0;
  std::vector<std::unique_ptr<uint8_t[]>> FItems;
};

// DOS date-time stored as the archive date when the file gives none.
constexpr int NoArchiveDate = 29221;

class TArcMain : public TComponent {
 public:
  explicit TArcMain(TComponent* AOwner);
  ~TArcMain() override;
  void Loaded() override;

  bool UseStoredDirs = true;
  int PasswordAttempts = 3;
  TArcFileAttr* FileAttribute() const { return FFileAttribute.get(); }

  int ZipCmntBufSize() const { return FZipCmntBufSize; }
  // Clamped to 2000..32767.
  void SetZipCmntBufSize(int Value);

  // Where the archive's first header starts inside the file: an exact byte
  // offset for the Zip types, the position plus 1 for the others.
  int64_t StartOffset = 1;
  TDiskManager* DiskManager() const { return FDiskManager; }

  TArcType ArcType() const { return FArcType; }
  // Readers detect the type whatever the value (writers override this and
  // keep their own type). While loading the value is only stored.
  virtual void SetArcType(TArcType Value);

  TArcTimer& Timer() { return FTimer; }
  int EntryCount = 0;
  // zfEndFound | zfCentralFound | zfLocalFound (ziprecords.h).
  uint8_t DetectFlags = 0;
  // Multi-volume ARJ, RAR and ACE: letter and number of the next volume.
  char VolumeLetter = 0;
  int NextVolumeNumber = 0;

  const std::string& ArchiveFile() const { return FArchiveFile; }
  // "/" becomes the system's separator; then the type is detected and the
  // volume naming set up. An empty name gives atNA without detection.
  virtual void SetArchiveFile(const std::string& Value);
  int ArchiveDate = NoArchiveDate;  // DOS date-time
  int64_t ArchiveSize = 0;

  TStringList* Passwords() const { return FPasswords.get(); }
  void SetPasswords(TStrings* Value);

  bool OpenFileRead(TUntypedFile& F, const std::string& FileName);
  bool CloseFileVar(TUntypedFile& F);

  // Whether a walk must go on looking for more matches of Specs after
  // FoundSoFar entries: always for a wildcard line ("*" or "?"); for plain
  // names while more than one was asked and not all have been found.
  bool SpecsPending(const TStrings& Specs, int FoundSoFar) const;
  bool SpecsPending(const TStrings& Specs) const { return SpecsPending(Specs, EntryCount); }

  // Points the disk manager at the archive's drive.
  void SyncDiskDrive();
  // Volume letter and next number from ArchiveFile and ArcType.
  void InitVolumeNaming();

 protected:
  // The detection run by SetArcType; the type readers replace it. This one
  // only tells an empty name (atNA) from a given one (atUnknown).
  virtual void DetectArcType();
  bool IsLoading() const { return (ComponentState() & csLoading) != 0; }
  TArcType FArcType = atNA;

 private:
  std::unique_ptr<TArcFileAttr> FFileAttribute;
  std::unique_ptr<TStringList> FPasswords;
  TDiskManager* FDiskManager;
  TArcTimer FTimer;
  // Room for a comment from the start: with none, an archive that has one
  // would not be found by a component left at its defaults.
  int FZipCmntBufSize = 32000;
  std::string FArchiveFile;
};
