#include "app/entryextract.h"

#include "app/mainform.h"
#include "app/operation.h"
#include "app/zipaccess.h"
#include "archive/core/unbase.h"
#include "archive/lister/arclister.h"
#include "framework/core/classes.h"
#include "framework/core/sysutils.h"

std::vector<std::string> ExtractedTempFiles;

bool IsReaderFormat(const std::string& Ext) {
  for (const char* e : {".rar", ".arc", ".arj", ".zoo", ".cab", ".ace", ".lzh", ".enc", ".tar", ".gz", ".bh"})
    if (Ext == e) return true;
  return false;
}

void RememberTempFile(const std::string& File) {
  for (const std::string& f : ExtractedTempFiles)
    if (AnsiLowerCase(f) == AnsiLowerCase(File)) return;
  if (ExtractedTempFiles.size() < MaxExtractedTempFiles) ExtractedTempFiles.push_back(File);
}

void DeleteExtractedTempFiles() {
  for (const std::string& f : ExtractedTempFiles)
    if (FileExists(f)) {
      SetFileAttributesA(f.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFile(f);
    }
  ExtractedTempFiles.clear();
}

bool ExtractEntries(TZipBridge* Zip, const TEntryExtract& Job) {
  if (!MainForm || Job.Specs.empty()) return false;
  if (IsReaderFormat(ArchiveExt)) {
    TUnBase* reader = MainForm->ExtractorFor(ArchiveExt);
    if (!reader) return false;
    ActiveExtractor = reader;
    struct TRelease {
      TUnBase* R;
      ~TRelease() { MainForm->ReleaseReader(R); }
    } release{reader};
    reader->SetArchiveFile(MainForm->ArcLister1->ArchiveFile());
    reader->SetExtractDir(ExcludeTrailingBackslash(Job.Folder));
    reader->UseStoredDirs = Job.FolderNames;
    const bool confirm = reader->ConfirmOverwrites;
    reader->ConfirmOverwrites = !Job.Overwrite;
    TStringList list;
    for (const std::string& s : Job.Specs) list.Add(s);
    reader->SetFileSpec(&list);
    TOperationScope op(MainForm, 100);
    ExtractorRunning = 1;
    reader->Cancel = false;
    try {
      reader->Extract();
    } catch (const std::exception& E) {
      LogLine(E.what());
    }
    reader->Cancel = false;
    ExtractorRunning = 0;
    reader->ConfirmOverwrites = confirm;
    return true;
  }
  if (!Zip) return false;
  RefreshZipArchive(Zip, ArchiveName);
  int64_t total = 0;
  for (const std::string& s : Job.Specs)
    total += s == "*.*" ? ZipBytesBelow(Zip, "") : 0;
  TOperationScope op(MainForm, TByteProgress::MaxFor(total));
  TZipExtractJob job;
  job.Archive = ArchiveName;
  job.BaseDir = ExcludeTrailingBackslash(Job.Folder);
  job.Specs = Job.Specs;
  job.DirNames = Job.FolderNames;
  job.Overwrite = Job.Overwrite;
  const std::string verb = Job.Verb;
  job.Progress = [&](int Type, const std::string& Name, int64_t Bytes) {
    if (MainForm->FZipCancel) CancelZip(Zip, true);
    if (Type == 0) MainForm->SPanel1->SetCaption(verb + " \"" + Name + "\"");
    op.AddBytes(Bytes);
    if (Type == 2) MainForm->SPanel1->SetCaption("");
    Application->ProcessMessages();
  };
  job.Message = [](int, const std::string& Text) { LogLine(Text); };
  job.OverwriteFile = [&Job](const std::string&) { return Job.Overwrite; };
  job.Skipped = [](const std::string& File, int Type) {
    if (Type == 3 || Type == 4)
      AppMessageBox("File \"" + File + "\" is skipped because\rentered password for this file is incorrect.", mtError,
                    mbOK);
  };
  SetZipPassword(Zip, Job.Password);
  MainForm->FZipRunning = true;
  MainForm->FZipCancel = false;
  CancelZip(Zip, false);
  const bool ok = ExtractZip(Zip, job);
  MainForm->FZipRunning = false;
  MainForm->FZipCancel = false;
  SetZipPassword(Zip, "");
  return ok;
}
