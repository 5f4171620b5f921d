// Enumerations and event types shared by every archive component.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "framework/core/classes.h"
#include "framework/core/sysutils.h"

// Ordinal values index the name tables and are compared by range, so this one
// stays a plain enumeration.
enum TArcType : uint8_t {
  atNA,
  atUnsupported,
  atFileOpenErr,
  atUnknown,
  atACE,
  atArc,
  atArcExe,
  atArj,
  atArjExe,
  atBh,
  atBhExe,
  atCab,
  atGZip,
  atHa,
  atJar,
  atLha,
  atLhaExe,
  atLzh,
  atLzhExe,
  atMsGZ,
  atPak,
  atPakExe,
  atRar,
  atRarExe,
  atTar,
  atUue,
  atZip,
  atZipExe,
  atZipMV,
  atZoo,
};
constexpr int ArcTypeCount = atZoo + 1;

// The writers' levels map by ordinal (dtDeflateS 1 ... dtDeflateX 9).
enum TDeflateType : uint8_t { dtDeflateS, dtDeflateF, dtDeflateN, dtDeflateX };

enum class TCompressMethod : uint8_t {
  cmStore,
  cmDeflate,
  cmFuse,
  cmFrozen1,
  cmFrozen5,
  cmMsZip,
  cmLzx,
  cmQuantum,
  cmUUEncode,
  cmXXEncode,
  cmTarred,
  cmGzipTar,
};
enum class TCpuType : uint8_t { cptAuto, cpt80286, cpt80386, cpt80486 };
enum class TDateAttribute : uint8_t { daFileDate, daSysDate, daMaxFileDate };
enum class TDeleteOptions : uint8_t { doFinal, doAllowUndo };
enum class TOverwriteMode : uint8_t { omOverwrite, omSkip };
enum class TStoredDirNames : uint8_t { sdNone, sdAbsolute, sdAbsoluteNoDrv, sdRelative, sdRelativeStoreStart };
enum class TSwitch : uint8_t { swAdd, swMove, swDelete, swRead };
enum class TOutArcMethod : uint8_t { amCreateNew, amAddToArc };
enum class TOutArcType : uint8_t { tyBh, tyCab, tyLzh, tyZip, tyTar, tyGzipTar, tyJar };

using TOnBegin = std::function<void(TObject* Sender, const std::string& FN, int RecNum, bool& Extract)>;
using TOnEnd = std::function<void(TObject* Sender, const std::string& FN, bool CRC_PASS)>;
using TOnError = std::function<void(TObject* Sender, const std::string& FN, const std::string& MsgEx,
                                    const std::string& VolumeID, int ECode)>;
using TOnProgress = std::function<void(TObject* Sender, uint8_t ProgressByFile, uint8_t ProgressByArchive)>;
using TOnFileExists =
    std::function<void(TObject* Sender, const std::string& FN, TDateTime FileDate, TOverwriteMode& OverwriteMode)>;
using TOnGetPassword =
    std::function<void(TObject* Sender, const std::string& FN, std::string& Password, bool& TryAgain)>;
using TOnNextVolume = std::function<void(TObject* Sender, std::string& VolumeName, const std::string& VolumeID,
                                         bool FExists, bool& Cancel)>;
using TOnRead = std::function<void(TObject* Sender, int Offset, int Filenum)>;
using TOnReadFile = std::function<void(TObject* Sender, const std::string& Filename)>;
using TOnTotals = std::function<void(TObject* Sender, int NumFiles)>;
using TOnRenameFile = std::function<void(TObject* Sender, std::string& Filename)>;
using TOnRemoveTempfile = std::function<void(TObject* Sender, const std::string& Filename)>;
using TOnElapsedTime = std::function<void(TObject* Sender, float ElapsedTime)>;
using TOnCorruptZipHeader = std::function<void(TObject* Sender, uint8_t HeadFlag, bool& Cancel)>;
using TOnGetZipFirstDisk = std::function<void(TObject* Sender, bool& Cancel)>;
using TOnGetZipLastDisk = std::function<void(TObject* Sender, bool& Cancel)>;
using TOnGetZipNextDisk = std::function<void(TObject* Sender, const std::string& VolumeName, bool& Cancel)>;
using TOnInsertDiskette = std::function<void(TObject* Sender, const std::string& VolumeName, int TotalSpace,
                                             int FreeSpace, bool& Cancel)>;
using TOnClearDiskette =
    std::function<void(TObject* Sender, const std::string& Drive, int TotalSpace, int FreeSpace)>;
using TOnRecurseDir = std::function<void(TObject* Sender, const std::string& Directory)>;
using TOnReplaceFile = std::function<void(TObject* Sender, const std::string& OldFN, const std::string& FN,
                                          TDateTime OldDate, TDateTime NewDate, int OldFileSize, int NewFileSize,
                                          int OldAttr, int NewAttr, bool& Replace)>;
using TOnNonWriteableArchive =
    std::function<void(TObject* Sender, const std::string& ArchiveFile, bool& WriteToFile)>;
using TOnIntegrityBegin = std::function<void(TObject* Sender, const std::string& FN)>;
using TOnIntegrityEnd = std::function<void(TObject* Sender, const std::string& FN)>;
using TOnIntegrityStatus = std::function<void(TObject* Sender, const std::string& FN, bool PassFail)>;
