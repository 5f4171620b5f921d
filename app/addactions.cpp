#include "app/addactions.h"

#include <algorithm>

#include "app/mainform.h"
#include "app/operation.h"
#include "app/settings.h"
#include "app/utils.h"
#include "app/zipaccess.h"
#include "archive/core/arcerrors.h"
#include "archive/formats/bh/bhwriter.h"
#include "archive/formats/cab/makecab.h"
#include "archive/formats/lha/lhawriter.h"
#include "dialogs/addform.h"
#include "framework/core/sysutils.h"

TCompBase* ActiveCompressor = nullptr;

void SetCompressorLevel(TCompBase* Writer, const std::string& Ext, int Index) {
  using M = TCompressMethod;
  if (Ext == ".lzh") {
    static const M methods[] = {M::cmFrozen5, M::cmFrozen1, M::cmStore};
    Writer->SetCompressMethod(methods[std::clamp(Index, 0, 2)]);
  } else if (Ext == ".cab") {
    static const M methods[] = {M::cmMsZip, M::cmQuantum, M::cmLzx, M::cmStore};
    Writer->SetCompressMethod(methods[std::clamp(Index, 0, 3)]);
  } else {
    static const TDeflateType types[] = {dtDeflateX, dtDeflateN, dtDeflateF, dtDeflateS};
    const int i = std::clamp(Index, 0, 4);
    Writer->SetCompressMethod(i == 4 ? M::cmStore : M::cmDeflate);
    if (i < 4) Writer->SetDeflateType(types[i]);
  }
}

TCompBase* TMainForm::CompressorFor(const std::string& Ext) {
  TCompBase** slot = Ext == ".lzh" ? &Lha : Ext == ".cab" ? &MakeCAB : Ext == ".bh" ? &Bh : nullptr;
  if (!slot) return nullptr;
  if (*slot) return *slot;
  TCompBase* w = nullptr;
  if (Ext == ".lzh") w = new TLha(this);
  else if (Ext == ".cab") w = new TMakeCAB(this);
  else w = new TBh(this);
  w->OnBegin = [this](TObject*, const std::string& FN, int, bool&) {
    SPanel1->SetCaption("Compressing " + FN);
    LogLine("Compressing " + FN);
  };
  w->OnEnd = [](TObject*, const std::string&, bool Pass) {
    LogLine(std::string(16, ' ') + (Pass ? "--> OK" : "--> CRC ERROR"));
  };
  w->OnProgress = [this](TObject*, uint8_t, uint8_t ByArchive) {
    ProgressBar1->SetPosition(std::min<int>(ByArchive, ProgressBar1->Max()));
    Application->ProcessMessages();
  };
  w->OnReplaceFile = [](TObject*, const std::string&, const std::string&, TDateTime, TDateTime, int, int, int, int,
                        bool& Replace) { Replace = true; };
  if (Ext == ".cab")
    w->OnNonWriteableArchive = [](TObject*, const std::string& File, bool& Write) {
      Write = AppMessageBox(File + " is ReadOnly, SysFile, or Hidden file...\r\r" + "Write to this file?",
                            mtConfirmation, mbYes | mbNo) == mrYes;
    };
  w->OnError = [](TObject*, const std::string& FN, const std::string& MsgEx, const std::string&, int Code) {
    LogLine((FN.empty() ? std::string() : FN + ": ") + ArcMessage(Code) + (MsgEx.empty() ? "" : " " + MsgEx));
  };
  *slot = w;
  return w;
}

void TMainForm::AddButtonClick(TObject*) {
  if (ArchiveName.empty()) return;
  if ((ArchiveExt == ".zip" || ArchiveExt == ".exe") && FileCount == 0 && ZipSpanned(ZipBridge)) {
    AppMessageBox("You cannot update this ZIP file because it spans disks. The ZIP file\rformat does NOT permit "
                  "updating ZIPs that span disks. (You can\rreplace this ZIP by deleting it first).",
                  mtError, mbOK);
    return;
  }
  if (ArchiveExt == ".cab" && FileCount > 0 &&
      AppMessageBox("Because CABINET.DLL doesn't allow you to add files to CAB archive that already has some files, "
                    "after adding new set of files all old files will be deleted from archive.\rAre you sure you "
                    "want delete those existing files, and add new files?",
                    mtConfirmation, mbYes | mbNo) != mrYes)
    return;
  if (!AddForm) AddForm = new TAddForm(this);
  AddForm->Show();
}

void TMainForm::NewButtonClick(TObject*) {
  if (!NewBox) {
    NewBox = new TSaveDialog(this);
    NewBox->SetName("NewBox");
    NewBox->Filter = "Zip archives (*.zip)|*.zip|LHA archives (*.lzh)|*.lzh|Cabinet archives (*.cab)|*.cab|"
                     "BH archives (*.bh)|*.bh|All files (*.*)|*.*";
  }
  NewBox->InitialDir = StartUpBaseFolder == 0 ? ProgramFolder() : StartUpBaseFolder == 2 ? StartUpFolder : LastOpenDir;
  NewBox->FileName.clear();
  if (!NewBox->Execute()) return;
  CreateNewArchive(NewBox->FileName, NewBox->FilterIndex);
}

void TMainForm::CreateNewArchive(std::string Name, int FilterIndex) {
  if (ExtractFileExt(ExtractFileName(Name)).empty()) {
    static const char* const exts[] = {".zip", ".lzh", ".cab", ".bh", ".zip"};
    Name += exts[std::clamp(FilterIndex, 1, 5) - 1];
  }
  const std::string quoted = "\"" + Name + "\"";
  if (FileExists(Name)) {
    if (AppMessageBox("Cannot create " + quoted + ". File already exists." + "Open existing file?", mtWarning,
                      mbYes | mbNo) == mrYes) {
      ReplaceArchive(Name);
      return;
    }
    if (AppMessageBox("Overwrite " + quoted + "?", mtWarning, mbYes | mbNo) != mrYes) return;
    if (!DeleteFile(Name)) {
      AppMessageBox("Cannot delete " + quoted + ".", mtError, mbOK);
      return;
    }
  }
  CloseArchiveClick(this);
  // Nothing is written yet: the first add makes the file.
  ArchiveName = Name;
  ArchiveExt = AnsiLowerCase(ExtractFileExt(Name));
  if (ArchiveExt == ".jar" || ArchiveExt == ".pk3") ArchiveExt = ".zip";
  CurrentFolder = "\\";
  SetOpenArchiveState();
  ShowSelectionStatus();
  if (FileList->Visible() && FileList->Enabled()) FileList->SetFocus();
  if (FileCount == 0 && AutoAdd == 1) AddButtonClick(this);
}
