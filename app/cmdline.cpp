#include "app/cmdline.h"

#include <cctype>
#include <memory>

#include "app/addactions.h"
#include "app/mainform.h"
#include "app/settings.h"
#include "app/sfxbuilder.h"
#include "app/tgzunpack.h"
#include "app/utils.h"
#include "app/zipaccess.h"
#include "archive/core/unbase.h"
#include "archive/formats/bh/bhwriter.h"
#include "archive/formats/cab/makecab.h"
#include "archive/formats/lha/lhawriter.h"
#include "controls/views/browsedr.h"
#include "dialogs/contaddform.h"
#include "dialogs/lneform.h"
#include "dialogs/spanform.h"
#include "framework/core/os.h"
#include "framework/core/sysutils.h"

namespace {

const char* const JobSwitches[] = {"-t",    "-?",    "-d",     "-es",  "-e",  "-et",  "-tosfx", "-tozip", "-azip", "-abh",
                                   "-alha", "-acab", "-tospan", "-ac", "-az", "-al",  "-ab",    "-a",     "-h"};
const char* const ArchiveExts[] = {".zip", ".rar", ".arc", ".ace", ".tar", ".gz",  ".arj", ".cab", ".exe",
                                   ".lzh", ".lha", ".jar", ".xxe", ".tgz", ".z",   ".uue", ".bh",  ".zoo"};

const std::string ThreeParameters =
    "Error: There must be at least three parameters\rMORV -a <full_path_of_archive> <full_path_of_files_to_add>";
const std::string BadLevel = "Invalid compression level.";

std::string Lower(const std::string& S) { return AnsiLowerCase(S); }

bool IsDirectory(const WIN32_FIND_DATAA& F) { return (F.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
int64_t SizeOf(const WIN32_FIND_DATAA& F) { return (int64_t(F.nFileSizeHigh) << 32) | F.nFileSizeLow; }

struct TAddTarget {
  std::string Archive, Ext;
  TZipAddJob Zip;
  TCompBase* Writer = nullptr;
};

// One "-a" option; false (after the message) for a level the format does not take.
bool ApplyOption(const std::string& Option, TAddTarget& T) {
  const char kind = Option.size() > 1 ? char(std::tolower(static_cast<unsigned char>(Option[1]))) : 0;
  const char digit = Option.size() > 2 ? Option[2] : 0;
  const bool zip = T.Writer == nullptr;
  switch (kind) {
    case 'c': {
      static const int ZipLevels[5] = {0, 2, 4, 7, 9};
      if (digit < '0' || digit > '4' || (!zip && T.Ext != ".bh")) {
        ShowAppMessage(BadLevel, mtError, mbOK);
        return false;
      }
      const int d = digit - '0';
      if (zip) {
        T.Zip.Level = ZipLevels[d];
      } else if (d == 0) {
        T.Writer->SetCompressMethod(TCompressMethod::cmStore);
      } else {
        static const TDeflateType Types[4] = {TDeflateType::dtDeflateS, TDeflateType::dtDeflateF,
                                              TDeflateType::dtDeflateN, TDeflateType::dtDeflateX};
        T.Writer->SetCompressMethod(TCompressMethod::cmDeflate);
        T.Writer->SetDeflateType(Types[d - 1]);
      }
      break;
    }
    case 's':
      if (zip) T.Zip.Options |= zaDirNames;
      else T.Writer->StoredDirNames = TStoredDirNames::sdAbsoluteNoDrv;
      break;
    case 'u':
      if (zip) T.Zip.Options |= zaUpdate;
      break;
    case 'f':
      if (zip) T.Zip.Options |= zaFreshen;
      break;
    case 'm':
      if (zip) T.Zip.Options |= zaMove;
      else T.Writer->Switch = TSwitch::swMove;
      break;
    case 'v':
      if (zip) {
        T.Zip.Options |= zaDiskSpan;
        const int kb = Option.size() > 2 ? StrToIntDef(Option.substr(2), 0) : 0;
        T.Zip.MaxVolumeSize = kb > 0 && kb <= 0x7FFFFFFF / 1024 ? kb * 1024 : 0;
        T.Zip.KeepFreeOnDisk1 = 0;
      }
      break;
    default: break;
  }
  return true;
}

std::string CompressingCaption(const std::string& Ext) {
  if (Ext == ".bh") return "Quillon - Compressing [Bh]...";
  if (Ext == ".lzh") return "Quillon - Compressing [LHA]...";
  if (Ext == ".cab") return "Quillon - Compressing [Cabinet]...";
  return "Quillon - Compressing [ZIP]...";
}

int AddFromCommandLine(TMainForm* Form, const std::vector<std::string>& P) {
  if (P.size() < 3) {
    ShowAppMessage(ThreeParameters, mtError, mbOK);
    return 1;
  }
  size_t i = 1;
  std::vector<std::string> options;
  while (i < P.size() && !P[i].empty() && P[i][0] == '-') options.push_back(P[i++]);
  if (i + 1 >= P.size()) {
    ShowAppMessage(ThreeParameters, mtError, mbOK);
    return 1;
  }
  TAddTarget t;
  t.Archive = P[i++];
  if (ExtractFilePath(t.Archive).empty()) t.Archive = IncludeTrailingBackslash(GetCurrentDir()) + t.Archive;
  if (ExtractFileExt(t.Archive).empty()) t.Archive += ".zip";

  std::vector<std::string> names;
  int64_t total = 0;
  for (; i < P.size(); ++i) {
    std::string folder = ExtractFilePath(P[i]);
    folder = IncludeTrailingBackslash(folder.empty() ? GetCurrentDir() : folder);
    SetCurrentDir(folder);
    WIN32_FIND_DATAA f;
    HANDLE h = FindFirstFileA(P[i].c_str(), &f);
    if (h == INVALID_HANDLE_VALUE) continue;
    do {
      if (f.cFileName[0] == '.' || names.size() >= MaxJobNames) continue;
      names.push_back(folder + f.cFileName);
      total += SizeOf(f);
      if (IsDirectory(f)) total += FolderBytes(names.back());
    } while (FindNextFileA(h, &f));
    FindClose(h);
  }

  t.Ext = Lower(ExtractFileExt(t.Archive));
  if (t.Ext == ".lha") t.Ext = ".lzh";
  t.Writer = WriterFor(Form, t.Ext);
  std::unique_ptr<TCompBase> owned(t.Writer);
  if (t.Writer) {
    ArchiveExt = t.Ext;
    ArchiveName = t.Archive;
    LnEForm->Begin(CompressingCaption(t.Ext), 100);
  } else {
    ArchiveName = t.Archive;
    LnEForm->Begin(CompressingCaption(".zip"), TByteProgress::MaxFor(total));
    t.Zip.Archive = t.Archive;
    t.Zip.TempDir = Temp;
    t.Zip.Options = zaRecurseDirs | zaHiddenFiles;
    t.Zip.Level = 7;
  }
  for (const std::string& o : options)
    if (!ApplyOption(o, t)) return 1;
  if (t.Writer) return CompressNames(t.Writer, t.Archive, names) < 0 ? 1 : 0;
  for (const std::string& n : names) t.Zip.Specs.push_back(SpecOf(n));
  if (t.Zip.Specs.empty()) return 0;
  return RunZipAdd(t.Zip) > 0 ? 0 : 1;
}

int AddFromListFile(TMainForm* Form, const std::string& Switch) {
  const std::string list = ListFileName();
  std::vector<std::string> names = ReadListFile(list);
  if (names.empty()) return 0;
  const std::string ext = Switch == "-aZ" ? ".zip" : Switch == "-aC" ? ".cab" : Switch == "-aB" ? ".bh" : ".lzh";
  const std::string target = ListTargetName(names[0], ext);
  ArchiveName = target;
  if (ext != ".zip") {
    std::unique_ptr<TCompBase> writer(WriterFor(Form, ext));
    writer->StoredDirNames = TStoredDirNames::sdAbsoluteNoDrv;
    LnEForm->Begin(CompressingCaption(ext), 100);
    if (CompressNames(writer.get(), target, names) < 0) return 1;
    DeleteFile(list);
    return 0;
  }
  int64_t total = 0;
  for (std::string& n : names) {
    WIN32_FIND_DATAA f;
    HANDLE h = FindFirstFileA(n.c_str(), &f);
    if (h == INVALID_HANDLE_VALUE) continue;
    FindClose(h);
    n = ExtractFilePath(n) + f.cFileName;
    total += SizeOf(f);
    if (IsDirectory(f)) total += FolderBytes(n);
  }
  LnEForm->Begin("Quillon - Compressing...", TByteProgress::MaxFor(total));
  TZipAddJob job;
  job.Archive = target;
  job.TempDir = Temp;
  job.Level = 7;
  job.Options = zaDirNames | zaRecurseDirs | zaUpdate | zaHiddenFiles;
  std::vector<std::string> files;
  for (const std::string& n : names) {
    if (!IsFolder(n)) {
      // The drop handler lists the target first; it is not added into itself.
      if (!SameText(ExpandFileName(n), ExpandFileName(target))) files.push_back(n);
      continue;
    }
    SetCurrentDir(n);
    job.Specs = {"*.*"};
    if (!LnEForm->Cancelled) RunZipAdd(job);
  }
  job.Options = zaUpdate | zaHiddenFiles;
  job.Specs = files;
  if (LnEForm->Cancelled) return 1;
  if (!files.empty()) RunZipAdd(job);
  if (LnEForm->Cancelled) return 1;
  DeleteFile(list);
  return 0;
}

int ExtractJob(TMainForm* Form, const std::vector<std::string>& P, const std::string& Switch) {
  if (P.size() < 2) return 1;
  std::string archive;
  std::string dest = ExtractJobFolder(Switch, P[1], Switch == "-e" && P.size() == 3 ? P[2] : "", archive);
  if (Switch == "-et") {
    TBrowseDirectoryDlg dlg(Form);
    dlg.SetCaption("Extract to...");
    dlg.Title = "Extract " + archive + " &to:";
    dlg.SetSelection(dest);
    if (!dlg.Execute()) return 0;
    dest = IncludeTrailingBackslash(dlg.Selection());
  }
  ExtractDestination = dest;
  ArchiveExt = Lower(ExtractFileExt(archive));
  std::string tempTar;
  if (ArchiveExt == ".tgz") {
    tempTar = UnpackTgz(Form->UnGZIP1, archive, GetTempDir());
    if (tempTar.empty()) {
      ShowAppMessage("Cannot read " + archive + ".", mtError, mbOK);
      return 1;
    }
    archive = tempTar;
    ArchiveExt = ".tar";
  }
  // Nobody is there to answer; the Zip path overwrites as well.
  OverwriteAll = 1;
  int result = 0;
  static const char* const ReaderExts[] = {".rar", ".arc", ".arj", ".ace", ".zoo", ".lzh",
                                           ".cab", ".gz",  ".tar", ".enc", ".bh"};
  bool reader = false;
  for (const char* e : ReaderExts) reader = reader || ArchiveExt == e;
  if (reader) {
    TUnBase* r = Form->ExtractorFor(ArchiveExt);
    if (!r) {
      ShowAppMessage("Quillon cannot extract from this kind of archive yet.", mtError, mbOK);
      result = 1;
    } else {
      ActiveExtractor = r;
      LnEForm->Begin("Quillon - Extracting", 100);
      r->SetArchiveFile(archive);
      r->SetExtractDir(dest);
      r->UseStoredDirs = true;
      TStringList spec;
      spec.Add("*.*");
      r->SetFileSpec(&spec);
      ExtractorRunning = 1;
      try {
        if (r->Extract() < 1) result = 1;
      } catch (const std::exception& E) {
        ShowAppMessage(E.what(), mtError, mbOK);
        result = 1;
      }
      ExtractorRunning = 0;
      Form->ReleaseReader(r);
    }
  } else {
    TZipBridge* zip = LnEForm->ZipBridge1;
    SetZipArchive(zip, archive);
    LnEForm->Begin("Quillon - Extracting", TByteProgress::MaxFor(ZipBytesBelow(zip, "")));
    TZipExtractJob job;
    job.Archive = archive;
    job.BaseDir = dest;
    job.Specs = {"*.*"};
    job.DirNames = true;
    job.Overwrite = true;
    job.Progress = [](int Type, const std::string&, int64_t Bytes) {
      if (Type == 1) LnEForm->AddBytes(false, Bytes);
    };
    job.Message = [&result](int Code, const std::string& Text) {
      if (Code <= 0) return;
      result = 1;
      ShowAppMessage("Error Msg: " + Text, mtError, mbOK);
    };
    SetZipPassword(zip, "");
    if (!ExtractZip(zip, job)) result = 1;
    LnEForm->ProgressBar->SetPosition(LnEForm->ProgressBar->Max());
  }
  if (!tempTar.empty()) DeleteFile(tempTar);
  return result;
}

}  // namespace


// Bytes of every file below Folder, any attributes.
int64_t FolderBytes(const std::string& Folder, int Depth) {
  if (Depth > 64) return 0;
  int64_t total = 0;
  WIN32_FIND_DATAA f;
  HANDLE h = FindFirstFileA((IncludeTrailingBackslash(Folder) + "*.*").c_str(), &f);
  if (h == INVALID_HANDLE_VALUE) return 0;
  do {
    const std::string name = f.cFileName;
    if (name == "." || name == "..") continue;
    // Links back up the tree would count without end.
    if (f.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
    total += IsDirectory(f) ? FolderBytes(IncludeTrailingBackslash(Folder) + name, Depth + 1) : SizeOf(f);
  } while (FindNextFileA(h, &f));
  FindClose(h);
  return total;
}

bool IsFolder(const std::string& Name) { return DirectoryExists(Name); }

// "x\*.*" for a folder, the name itself for a file.
std::string SpecOf(const std::string& Name) { return IsFolder(Name) ? IncludeTrailingBackslash(Name) + "*.*" : Name; }

// The writer of a CAB, LHA or BH target, owned by Form; nullptr for Zip.
TCompBase* WriterFor(TMainForm* Form, const std::string& Ext) {
  TCompBase* w = nullptr;
  if (Ext == ".lzh") {
    w = new TLha(Form);
    w->SetCompressMethod(TCompressMethod::cmFrozen5);
  } else if (Ext == ".cab") {
    w = new TMakeCAB(Form);
    w->SetCompressMethod(TCompressMethod::cmMsZip);
  } else if (Ext == ".bh") {
    w = new TBh(Form);
    w->SetCompressMethod(TCompressMethod::cmDeflate);
    w->SetDeflateType(TDeflateType::dtDeflateN);
  }
  if (w) {
    w->Switch = TSwitch::swAdd;
    w->RecurseDirs = true;
    w->StoredDirNames = TStoredDirNames::sdNone;
  }
  return w;
}

// Runs the writer over Names; the files added.
int CompressNames(TCompBase* Writer, const std::string& Archive, const std::vector<std::string>& Names) {
  Writer->SetArchiveFile(Archive);
  Writer->FileSpec()->Clear();
  for (const std::string& n : Names) Writer->FileSpec()->Add(SpecOf(n));
  if (Writer->FileSpec()->Count() == 0) return 0;
  ActiveCompressor = Writer;
  CompressorRunning = 1;
  int added = 0;
  try {
    added = Writer->Compress();
  } catch (const std::exception& E) {
    CompressorRunning = 0;
    ActiveCompressor = nullptr;
    ShowAppMessage(E.what(), mtError, mbOK);
    return -1;
  }
  CompressorRunning = 0;
  ActiveCompressor = nullptr;
  return added;
}

int RunZipAdd(TZipAddJob& Job) {
  Job.Progress = [](int Type, const std::string&, int64_t Bytes) {
    if (Type == 1) LnEForm->AddBytes(true, Bytes);
  };
  return AddToZip(LnEForm->ZipBridge2, Job);
}

std::vector<std::string> UsagePages() {
  auto Join = [](std::initializer_list<const char*> Lines) {
    std::string s;
    bool first = true;
    for (const char* l : Lines) {
      if (!first) s += '\r';
      s += l;
      first = false;
    }
    return s;
  };
  return {
      Join({"Quillon 2000 - archive manager for Windows", "New releases are published on the Quillon home page.", "",
            "Usage: MORV -<command> -<options> <full_path_of_archive> <full_path_of_files_to_add | path_to_extract>",
            "", "<Commands>", "-a           Add files to archive", "-e[t|s]      Extract files from archive",
            "-tosfx      Convert archive to SFX archive", "-tozip      Convert SFX archive to Zip archive",
            "-tospan   Span already existing ZIP archive to smaller archives ...", "",
            "                             Press ENTER to continue ..."}),
      Join({"<Options>", "", "-c<0..4>          Set compression level - only ZIP and BH files",
            "-s                    Save full path names",
            "-u                    When adding files (use update method) - only ZIP files",
            "-f                     When adding files (use freshen method) - only ZIP files",
            "-m                   Move files", "-v                    Create volumes with size autodetection - only ZIP files",
            "-v<size>          Create volumes with size=<size>*1024 bytes - only ZIP files", "",
            "                             Press ENTER to continue ..."}),
      Join({"<Examples>", "", "MORV -a -c4 -u c:\\PICS.ZIP c:\\*.gif",
            "  add *.GIF files from c:\\ directory to archive c:\\PICS.ZIP  !!! you must specify full path of files to "
            "add !!!",
            "", "MORV -es c:\\DOC.ZOO", "  extract all files from c:\\DOC.ZOO to DOC\\ subfolder"}),
  };
}

std::string ListFileName() { return IncludeTrailingBackslash(GetTempDir()) + "morvce.dat"; }

std::vector<std::string> ReadListFile(const std::string& FileName, size_t Max) {
  TStringList lines;
  lines.LoadFromFile(FileName);
  if (lines.Count() < 1) throw Exception("Read beyond end of file: " + FileName);
  const int count = StrToIntDef(Trim(lines.Strings(0)), -1);
  if (count < 0 || count > lines.Count() - 1) throw Exception("Read beyond end of file: " + FileName);
  std::vector<std::string> names;
  for (int i = 1; i <= count && names.size() < Max; ++i) names.push_back(lines.Strings(i));
  return names;
}

std::string ListTargetName(const std::string& FirstName, const std::string& Ext) {
  const std::string name = ExtractFileName(FirstName);
  const size_t dot = name.rfind('.');
  return ExtractFilePath(FirstName) + (dot == std::string::npos ? name : name.substr(0, dot)) + Ext;
}

std::string ExtractJobFolder(const std::string& Switch, const std::string& Archive, const std::string& Destination,
                             std::string& ArchivePath) {
  std::string dest = ExtractFilePath(Archive);
  if (!Destination.empty()) {
    dest = Destination;
    if (!DirectoryExists(dest)) CreateDir(dest);
  }
  if (dest.empty()) {
    dest = IncludeTrailingBackslash(GetCurrentDir());
    ArchivePath = dest + Archive;
  } else {
    dest = IncludeTrailingBackslash(dest);
    ArchivePath = Archive;
  }
  if (Switch == "-es") {
    dest += ChangeFileExt(ExtractFileName(ArchivePath), "") + "\\";
    if (!DirectoryExists(dest)) CreateDir(dest);
  }
  return dest;
}

bool IsCommandLineJob(const std::vector<std::string>& Params) {
  if (Params.empty() || !ArchiveName.empty()) return false;
  if (Params.size() == 1) {
    const std::string ext = Lower(ExtractFileExt(Params[0]));
    for (const char* e : ArchiveExts)
      if (ext == e) return false;
  }
  const std::string first = Lower(Params[0]);
  for (const char* s : JobSwitches)
    if (first == s) return true;
  return false;
}

int RunCommandLineJob(TMainForm* Form, const std::vector<std::string>& P) {
  CommandLineJobPending = 0;
  Form->SetEnabled(false);
  Form->Hide();
  if (!LnEForm) Application->CreateForm<TLnEForm>();
  const std::string first = P[0];
  const std::string sw = Lower(first);
  try {
    if (sw == "-?" || sw == "-h") {
      for (const std::string& page : UsagePages()) ShowAppMessage(page, mtInformation, mbOK);
      return 0;
    }
    if (sw == "-azip" || sw == "-acab" || sw == "-abh" || sw == "-alha" || (sw == "-a" && P.size() == 1)) {
      auto* dialog = Application->CreateForm<TContAddForm>();
      dialog->ShowModal();
      return dialog->Added ? dialog->AddResult : 0;
    }
    if (sw == "-a") return AddFromCommandLine(Form, P);
    if (first == "-aZ" || first == "-aC" || first == "-aB" || first == "-aL") return AddFromListFile(Form, first);
    if (sw == "-tospan") {
      if (P.size() < 2 || Lower(ExtractFileExt(P[1])) != ".zip") {
        ShowAppMessage("Error: This operation can only be performed on ZIP archives.", mtError, mbOK);
        return 1;
      }
      ArchiveName = P[1];
      auto* span = Application->CreateForm<TWriteSpanForm>();
      span->ShowModal();
      return span->LastResult == 0 ? 0 : 1;
    }
    if (sw == "-tosfx") {
      if (P.size() < 2) return 1;
      TZipBridge* zip = CreateZipBridge(LnEForm, nullptr, "SfxZip");
      return RunSfxJob(*zip, P[1]) == sfxDone ? 0 : 1;
    }
    if (sw == "-tozip") {
      if (P.size() < 2) return 1;
      return ConvertSfxFile(LnEForm->ZipBridge1, P[1]) == 0 ? 0 : 1;
    }
    if (sw == "-e" || sw == "-es" || sw == "-et") return ExtractJob(Form, P, sw);
  } catch (const std::exception& E) {
    ShowAppMessage(E.what(), mtError, mbOK);
    return 1;
  }
  return 0;
}
