// The handlers the archive engines of the main window report to, also when a
// dialog runs them: status line, progress, the operation log and questions.
#include <algorithm>

#include "app/addactions.h"
#include "app/mainform.h"
#include "app/operation.h"
#include "app/settings.h"
#include "app/utils.h"
#include "archive/core/arcerrors.h"
#include "archive/core/compbase.h"
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
// The entry a reader is writing now: its own result line reports a failure.
std::string EntryInProgress;

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

void TMainForm::CreateReaders() { Readers.clear(); }

// The other readers are made for one extraction and go after it: kept for
// the whole run, some of them do not survive the program's end.
TUnBase* TMainForm::ExtractorFor(const std::string& Ext) {
  TUnBase* reader = nullptr;
  if (Ext == ".gz") reader = UnGZIP1;
  else if (Ext == ".enc") reader = UUDecode1;
  else if (Ext == ".arc") reader = UnARC1 = new TUnARC(this);
  else if (Ext == ".zoo") reader = UnZOO1 = new TUnZOO(this);
  else if (Ext == ".cab") reader = UnCAB1 = new TUnCAB(this);
  else if (Ext == ".tar") reader = UnTAR1 = new TUnTAR(this);
  else if (Ext == ".rar") reader = UnRAR1 = new TUnRAR(this);
  else if (Ext == ".lzh") reader = UnLHA1 = new TUnLHA(this);
  else if (Ext == ".arj") reader = UnARJ1 = new TUnARJ(this);
  else if (Ext == ".bh") reader = UnBH = new TUnBH(this);
  if (reader) {
    Readers.push_back(reader);
    BindReaderEvents(reader);
  }
  return reader;
}

void TMainForm::ReleaseReader(TUnBase* Reader) {
  if (!Reader) return;
  Readers.erase(std::remove(Readers.begin(), Readers.end(), Reader), Readers.end());
  if (Reader == UnGZIP1 || Reader == UUDecode1) {
    // The window's own readers keep serving the opening of archives.
    for (auto* e : {&Reader->OnBegin}) *e = nullptr;
    Reader->OnEnd = nullptr;
    Reader->OnProgress = nullptr;
    Reader->OnFileExists = nullptr;
    Reader->OnError = nullptr;
    if (ActiveExtractor == Reader && Reader != UnGZIP1) ActiveExtractor = nullptr;
    return;
  }
  for (TUnBase** slot : {&UnARC1, &UnZOO1, &UnCAB1, &UnTAR1, &UnRAR1, &UnLHA1, &UnARJ1, &UnBH})
    if (*slot == Reader) *slot = nullptr;
  if (ActiveExtractor == Reader) ActiveExtractor = nullptr;
  delete Reader;
}

void TMainForm::UnbindReaderEvents() {
  for (TUnBase* r : Readers) {
    r->OnBegin = nullptr;
    r->OnEnd = nullptr;
    r->OnProgress = nullptr;
    r->OnFileExists = nullptr;
    r->OnError = nullptr;
  }
}

void TMainForm::BindReaderEvents(TUnBase* Reader) {
  Reader->OnBegin = [this](TObject*, const std::string& FN, int, bool&) {
    SPanel1->SetCaption("Extracting " + FN);
    LogLine("Extracting: " + FN);
    EntryInProgress = FN;
  };
  Reader->OnEnd = [](TObject*, const std::string&, bool Pass) {
    LogLine(ResultIndent + (Pass ? "--> OK" : "--> CRC ERROR"));
    EntryInProgress.clear();
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
    // A failure of the entry being written shows as its "--> CRC ERROR" line.
    if (!EntryInProgress.empty() && FN == EntryInProgress) return;
    LogLine(FN + ": " + ArcMessage(Code) + (MsgEx.empty() ? "" : " " + MsgEx));
  };
}

bool TMainForm::InterruptRunningOperation() {
  TReadWriteObj* running = nullptr;
  if (ExtractorRunning && ActiveExtractor) running = ActiveExtractor;
  if (!running && CompressorRunning && ActiveCompressor) running = ActiveCompressor;
  if (!running && !FZipRunning) return false;
  if (running) SetComponentCancel(running, true);
  if (FZipRunning) FZipCancel = true;
  if (AppMessageBox("Archive Operation Interrupted. Continue?", mtWarning, mbYes | mbNo) == mrYes) {
    if (running) SetComponentCancel(running, false);
    FZipCancel = false;
  }
  return true;
}
