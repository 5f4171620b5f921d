// Renaming entries and folders: the archive is copied into a temporary one
// with new names (and dates) in the local and central headers, and the copy
// takes the archive's place once it is complete.
#include <algorithm>
#include <memory>
#include <new>

#include "archive/core/arcutil.h"
#include "archive/core/bytes.h"
#include "archive/formats/zip/zipdir.h"
#include "framework/core/os.h"
#include "framework/core/streams.h"
#include "framework/core/sysutils.h"
#include "zipbridge/finally.h"
#include "zipbridge/hourglass.h"
#include "zipbridge/zipbridge.h"

namespace {

constexpr int32_t CopyBlock = 65536;

struct TRenameItem {
  std::string OldName;  // upper case, "\" separators
  std::string NewName;  // "\" separators
  int32_t DateTime = 0;
  bool Folder = false;
};

void SetDosDateTime(uint16_t& Time, uint16_t& Date, int32_t DateTime) {
  Time = uint16_t(uint32_t(DateTime) & 0xFFFF);
  Date = uint16_t(uint32_t(DateTime) >> 16);
}

}  // namespace

void TZipBridge::RenameEntries(const std::vector<ZipRenameRec>& RenameList, int32_t DateTime) {
  FZipBusy = true;
  THourglass Wait;
  std::string Temp;
  bool Done = false;
  std::unique_ptr<TFileStream> In;
  TFinally Cleanup{[&] {
    In.reset();
    if (!Done && !Temp.empty()) DeleteFile(Temp);
    FZipBusy = false;
  }};

  std::vector<TRenameItem> Items;
  for (const ZipRenameRec& R : RenameList) {
    TRenameItem It;
    It.OldName = SlashToBackslash(R.OldName);
    It.NewName = SlashToBackslash(R.NewName);
    It.DateTime = R.DateTime;
    It.Folder = !It.OldName.empty() && It.OldName.back() == '\\';
    if (It.Folder) {
      if (It.NewName.empty() || It.NewName.back() != '\\') It.NewName += '\\';
    } else if (It.NewName.empty() || It.NewName.back() == '\\') {
      return;
    }
    It.OldName = AnsiUpperCase(It.OldName);
    Items.push_back(std::move(It));
  }

  try {
    if (FZipFileName.empty() || !FileExists(FZipFileName)) throw EZipBridge(zmInputMissing);
    std::string Dir = TempDir.empty() ? GetTempDir() : IncludeTrailingBackslash(TempDir);
    Temp = MakeTempFileName(Dir, "zip");
    if (Temp.empty()) throw EZipBridge(zmTempFile);
    DeleteFile(Temp);
    Temp = ChangeFileExt(Temp, ".zip");

    ZipEndOfCentral EOC;
    FindEndOfCentralDir(EOC, true);
    CloseZipFile();
    if (EOC.ThisDiskNo != 0) throw EZipBridge(zmRenameSpanned);
    const int FileDate = FileAge(FZipFileName);
    try {
      In = std::make_unique<TFileStream>(FZipFileName, fmOpenRead | fmShareDenyWrite);
    } catch (const EStreamError&) {
      throw EZipBridge(zmCannotOpen);
    }
    TZipDirectory Zip;
    std::string Why;
    if (!ReadZipDirectory(*In, Zip, Why)) throw EZipBridge(zmReadCentral, ZipMsgText(zmReadCentral) + ": " + Why);

    TFileStream Out(Temp, fmCreate);
    auto Write = [&Out](const void* P, size_t N, int Code) {
      if (N > 0 && Out.Write(P, int32_t(N)) != int32_t(N)) throw EZipBridge(Code);
    };
    auto Copy = [&](int64_t Count, int Code, bool Report) {
      std::vector<uint8_t> Buf(size_t(std::min<int64_t>(std::max<int64_t>(Count, 1), CopyBlock)));
      while (Count > 0) {
        int32_t Part = int32_t(std::min<int64_t>(Count, int64_t(Buf.size())));
        if (In->Read(Buf.data(), Part) != Part) throw EZipBridge(Code);
        Write(Buf.data(), size_t(Part), Code);
        Count -= Part;
        if (Report && OnProgress) OnProgress(this, ptProgress, "", Part);
      }
    };

    In->SetPosition(0);
    Copy(Zip.StubSize, zmSfxHeaderCopy, false);

    int64_t Total = 0;
    for (const TZipDirItem& It : Zip.Items)
      Total += It.Central.NameLength + int64_t(It.Central.PackedSize) + It.Central.ExtraLength;
    if (OnProgress) {
      OnProgress(this, ptTotalFiles, "", int64_t(Zip.Items.size()));
      OnProgress(this, ptTotalSize, "", Total);
    }

    // New name (raw, "/" separators), date-time and local offset per entry.
    struct TOut {
      std::string Name;
      int32_t DateTime = 0;
      int64_t Offset = 0;
    };
    std::vector<TOut> Outs(Zip.Items.size());
    for (size_t i = 0; i < Zip.Items.size(); i++) {
      const TZipDirItem& It = Zip.Items[i];
      TOut& O = Outs[i];
      O.Name = It.Name;
      O.DateTime = DateTime;
      ApplyCodePageHost(It.Central.VersionMadeBy);
      std::string Shown = ConvertNameCodePage(It.Name, false);
      std::replace(Shown.begin(), Shown.end(), '/', '\\');
      std::string Log = ZipMsgText(zmProcessing) + Shown;
      const std::string Key = AnsiUpperCase(Shown);
      // Files match whole names; only a folder request renames by prefix.
      for (const TRenameItem& R : Items) {
        bool Match = R.Folder ? Key.compare(0, R.OldName.size(), R.OldName) == 0 : Key == R.OldName;
        if (!Match) continue;
        std::string NewShown = R.NewName + Shown.substr(R.Folder ? R.OldName.size() : Shown.size());
        Log = ZipMsgText(zmProcessing) + Shown + ZipMsgText(zmRenamedTo) + NewShown;
        O.Name = BackslashToSlash(ConvertNameCodePage(NewShown, true));
        if (R.DateTime != 0) O.DateTime = R.DateTime;
      }
      if (O.Name.size() > 0xFFFF) throw EZipBridge(zmWriteOutput);
      if (OnMessage) OnMessage(this, 0, Log);

      TZipLocalHeader L;
      uint8_t Rec[TZipLocalHeader::Size];
      In->SetPosition(It.LocalPos);
      if (In->Read(Rec, sizeof Rec) != int32_t(sizeof Rec)) throw EZipBridge(zmReadLocal);
      ByteReader LR(Rec, sizeof Rec);
      if (!L.Read(LR) || !L.Valid()) throw EZipBridge(zmLocalSignature);
      In->SetPosition(It.LocalPos + int64_t(sizeof Rec) + L.NameLength);
      if (O.DateTime != 0) SetDosDateTime(L.Time, L.Date, O.DateTime);
      L.NameLength = uint16_t(O.Name.size());
      O.Offset = Out.Position();
      if (O.Offset > 0xFFFFFFFFLL) throw EZipBridge(zmWriteOutput);
      if (OnProgress)
        OnProgress(this, ptNewFile, Shown, It.Central.NameLength + int64_t(It.Central.PackedSize) + It.Central.ExtraLength);
      L.Write(Rec);
      Write(Rec, sizeof Rec, zmWriteOutput);
      Write(O.Name.data(), O.Name.size(), zmWriteOutput);
      Copy(It.LocalSize - int64_t(sizeof Rec) - It.LocalNameLength, zmCopyData, true);
    }

    const int64_t CentralStart = Out.Position();
    for (size_t i = 0; i < Zip.Items.size(); i++) {
      TZipCentralHeader C = Zip.Items[i].Central;
      if (Outs[i].DateTime != 0) SetDosDateTime(C.Time, C.Date, Outs[i].DateTime);
      C.NameLength = uint16_t(Outs[i].Name.size());
      C.LocalHeaderOffset = uint32_t(Outs[i].Offset);
      C.DiskNumberStart = 0;
      uint8_t Rec[TZipCentralHeader::Size];
      C.Write(Rec);
      Write(Rec, sizeof Rec, zmWriteCentral);
      Write(Outs[i].Name.data(), Outs[i].Name.size(), zmWriteCentral);
      Write(Zip.Items[i].Extra.data(), Zip.Items[i].Extra.size(), zmCopyCentralExtra);
      Write(Zip.Items[i].Comment.data(), Zip.Items[i].Comment.size(), zmCopyCentralExtra);
    }
    const int64_t CentralEnd = Out.Position();
    if (CentralEnd > 0xFFFFFFFFLL) throw EZipBridge(zmWriteOutput);
    TZipEndRecord End = Zip.End;
    End.CentralDirSize = uint32_t(CentralEnd - CentralStart);
    End.CentralDirOffset = uint32_t(CentralStart);
    End.CommentLength = uint16_t(Zip.Comment.size());
    uint8_t Rec[TZipEndRecord::Size];
    End.Write(Rec);
    Write(Rec, sizeof Rec, zmWriteEnd);
    Write(Zip.Comment.data(), Zip.Comment.size(), zmCopyComment);
    if (OnProgress) OnProgress(this, ptEndOfBatch, "", 0);
    In.reset();
    if (FileDate != -1) FileSetDate(Out.Handle(), FileDate);
  } catch (const EZipBridge& E) {
    ShowExceptionError(E);
    return;
  } catch (const std::bad_alloc&) {
    SetZipError(zmNoMemory);
    return;
  } catch (const std::exception& E) {
    SetZipError(zmUnknownCopyError, E.what());
    return;
  }
  // Only now, with the copy complete and closed, does it replace the archive.
  if (!MoveFileReplace(Temp, FZipFileName)) {
    SetZipError(zmCreateOutput);
    return;
  }
  Done = true;
  List();
}
