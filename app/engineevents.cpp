// The handlers the archive engines of the main window report to, also when a
// dialog runs them: status line, progress, the operation log and questions.
#include <algorithm>

#include "app/mainform.h"
#include "app/operation.h"
#include "app/settings.h"
#include "app/utils.h"
#include "archive/core/arcerrors.h"
#include "archive/formats/arc/unarc.h"
#include "archive/formats/arj/unarj.h"
#include "archive/formats/bh/unbh.h"
#include "archive/formats/cab/uncab.h"
#include "archive/formats/gzip/ungzip.h"
#include "archive/formats/lha/unlha.h"
#include "archive/formats/rar/unrar.h"
#include "archive/formats/tar/untar.h"
#include "archive/formats/uue/uudecode.h"
#include "archive/formats/zoo/unzoo.h"
#include "framework/core/sysutils.h"

uint8_t OverwriteAll = 0;
uint8_t OperationFailed = 0;
std::string ExtractDestination;

namespace {

const std::string Blanks22(22, ' ');
const std::string ResultIndent(16, ' ');

std::string Describe(int64_t Size, int32_t DosDate) {
  return InsertThousandSeparators(std::to_string(Size)) + " bytes, " + DosDateText(DosDate);
}

}  // namespace

std::string OverwriteQuestion(const std::string& FileName, const std::string& Existing, const std::string& Entry) {
  return "Confirm file Overwrite?\r\rReplace file: " + FileName + "\r" + Blanks22 + Existing + "\r\r" +
         "With file: " + FileName + "\r" + Blanks22 + Entry;
}

std::string ExistingFileDescription(const std::string& FileName) {
  return Describe(std::max<int64_t>(GetFileSize64(FileName), 0), FileAge(FileName));
}

std::string EntryDescription(const std::string& Folder, const std::string& FileName) {
  const std::string want = AnsiLowerCase(FileName);
  for (const TFile& f : FileTable)
    if (AnsiLowerCase(Folder + f.Path + f.Name) == want)
      return Describe(std::strtoll(f.SizeText.c_str(), nullptr, 10), f.FileDate);
  return {};
}

void TMainForm::CreateReaders() {
  auto make = [this](TUnBase* Reader, const char* Name) {
    Reader->SetName(Name);
    Readers.push_back(Reader);
    return Reader;
  };
  UnARC1 = make(new TUnARC(this), "UnARC1");
  UnARJ1 = make(new TUnARJ(this), "UnARJ1");
  UnBH = make(new TUnBH(this), "UnBH");
  UnCAB1 = make(new TUnCAB(this), "UnCAB1");
  UnLHA1 = make(new TUnLHA(this), "UnLHA1");
  UnRAR1 = make(new TUnRAR(this), "UnRAR1");
  UnTAR1 = make(new TUnTAR(this), "UnTAR1");
  UnZOO1 = make(new TUnZOO(this), "UnZOO1");
  Readers.push_back(UnGZIP1);
  Readers.push_back(UUDecode1);
  for (TUnBase* r : Readers) BindReaderEvents(r);
}

TUnBase* TMainForm::ExtractorFor(const std::string& Ext) const {
  const std::pair<const char*, TUnBase*> table[] = {
      {".arc", UnARC1}, {".zoo", UnZOO1}, {".cab", UnCAB1}, {".enc", UUDecode1}, {".gz", UnGZIP1},
      {".tar", UnTAR1}, {".rar", UnRAR1}, {".lzh", UnLHA1}, {".arj", UnARJ1},   {".bh", UnBH}};
  for (const auto& [ext, reader] : table)
    if (Ext == ext) return reader;
  return nullptr;
}

void TMainForm::BindReaderEvents(TUnBase* Reader) {
  Reader->OnBegin = [this](TObject*, const std::string& FN, int, bool&) {
    SPanel1->SetCaption("Extracting " + FN);
    LogLine("Extracting: " + FN);
  };
  Reader->OnEnd = [](TObject*, const std::string&, bool Pass) {
    LogLine(ResultIndent + (Pass ? "--> OK" : "--> CRC ERROR"));
  };
  Reader->OnProgress = [this](TObject*, uint8_t, uint8_t ByArchive) {
    ProgressBar1->SetPosition(std::min<int>(ByArchive, ProgressBar1->Max()));
  };
  Reader->OnFileExists = [this, Reader](TObject*, const std::string& FN, TDateTime, TOverwriteMode& Mode) {
    if (OverwriteAll == 1 || ExtractOverwrite == 1) {
      Mode = TOverwriteMode::omOverwrite;
      return;
    }
    const std::string text =
        OverwriteQuestion(FN, ExistingFileDescription(FN), EntryDescription(IncludeTrailingBackslash(Reader->ExtractDir()), FN));
    switch (AppMessageBox(text, mtConfirmation, mbYes | mbNo | mbCancel | mbAll)) {
      case mrYes: Mode = TOverwriteMode::omOverwrite; break;
      case mrAll:
        OverwriteAll = 1;
        Mode = TOverwriteMode::omOverwrite;
        break;
      case mrCancel:
        Mode = TOverwriteMode::omSkip;
        SetComponentCancel(Reader, true);
        break;
      default: Mode = TOverwriteMode::omSkip; break;
    }
  };
  Reader->OnError = [](TObject*, const std::string& FN, const std::string& MsgEx, const std::string&, int Code) {
    if (Code == 26517) {
      AppMessageBox("Error: The password is incorrect.", mtError, mbOK);
      OperationFailed = 1;
      return;
    }
    LogLine(FN + ": " + ArcMessage(Code) + (MsgEx.empty() ? "" : " " + MsgEx));
  };
}

bool TMainForm::InterruptRunningOperation() {
  TReadWriteObj* running = nullptr;
  if (ExtractorRunning && ActiveExtractor) running = ActiveExtractor;
  if (!running && !FZipRunning) return false;
  if (running) SetComponentCancel(running, true);
  if (FZipRunning) FZipCancel = true;
  if (AppMessageBox("Archive Operation Interrupted. Continue?", mtConfirmation, mbYes | mbNo) == mrYes) {
    if (running) SetComponentCancel(running, false);
    FZipCancel = false;
  }
  return true;
}
