#include "dialogs/zippropform.h"

#include <windows.h>

#include "app/entrytable.h"
#include "app/mainform.h"
#include "app/utils.h"
#include "dialogs/controltable.h"
#include "framework/core/sysutils.h"

std::string ArchiveTypeText(const std::string& Ext, const std::string& FileName) {
  const std::string real = AnsiLowerCase(ExtractFileExt(FileName));
  std::string text;
  if (Ext == ".exe") text = "ZIP, SFX";
  else if (Ext == ".zip") text = "ZIP";
  static const char* const Keys[][2] = {{".rar", "RAR"}, {".ace", "ACE"}, {".arj", "ARJ"}, {".arc", "ARC"},
                                        {".cab", "CAB"}, {".zoo", "ZOO"}, {".lzh", "LHA"}, {".bh", "BH (Bh)"}};
  for (const auto& k : Keys)
    if (Ext == k[0]) text = std::string(k[1]) + (real == ".exe" ? ", SFX" : "");
  static const char* const Reals[][2] = {{".pk3", "Quake 3 PK3 file"}, {".jar", "JavaARchiver file"},
                                         {".z", "GZIP"},               {".gz", "GZIP"},
                                         {".tgz", "GZIPed TAR"},       {".tar", "TAR"},
                                         {".xxe", "XXencoded"},        {".uue", "UUencoded"}};
  for (const auto& r : Reals)
    if (real == r[0]) text = r[1];
  return text;
}

TZipPropForm::TZipPropForm(TComponent* AOwner) : TForm(AOwner, "TZipPropForm") {
  SetName("ZipPropForm");
  SetCaption("Zip Properties");
  SetBorderStyle(bsDialog);
  SetClientWidth(433);
  SetClientHeight(207);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"PathL", TControlKind::Label, "Path:", 12, 12, 90, 14},
      {"PathText", TControlKind::Label, "", 110, 12, 315, 14},
      {"NameL", TControlKind::Label, "Name:", 12, 34, 90, 14},
      {"NameText", TControlKind::Label, "", 110, 34, 315, 14},
      {"SizeL", TControlKind::Label, "File size:", 12, 56, 90, 14},
      {"SizeText", TControlKind::Label, "", 110, 56, 315, 14},
      {"FilesL", TControlKind::Label, "Files:", 12, 78, 90, 14},
      {"FilesText", TControlKind::Label, "", 110, 78, 315, 14},
      {"CompressionL", TControlKind::Label, "Compression:", 12, 100, 90, 14},
      {"CompressionText", TControlKind::Label, "", 110, 100, 315, 14},
      {"DateTimeL", TControlKind::Label, "Date/time:", 12, 122, 90, 14},
      {"DateTimeText", TControlKind::Label, "", 110, 122, 315, 14},
      {"ArcTypeL", TControlKind::Label, "Archive type:", 12, 144, 90, 14},
      {"ArcTypeText", TControlKind::Label, "", 110, 144, 315, 14},
      {"OKButt", TControlKind::DefaultButton, "OK", 179, 174, 75, 25},
  });
  PathText = Ctl<TLabel>(this, "PathText");
  NameText = Ctl<TLabel>(this, "NameText");
  SizeText = Ctl<TLabel>(this, "SizeText");
  FilesText = Ctl<TLabel>(this, "FilesText");
  CompressionText = Ctl<TLabel>(this, "CompressionText");
  DateTimeText = Ctl<TLabel>(this, "DateTimeText");
  ArcTypeText = Ctl<TLabel>(this, "ArcTypeText");
  OKButt = Ctl<TButton>(this, "OKButt");
  OnShow = [this](TObject*) { FormShow(); };
  OnClose = [](TObject*, TCloseAction&) {
    if (MainForm) MainForm->SetEnabled(true);
  };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  OKButt->OnClick = [this](TObject*) { Close(); };
}

void TZipPropForm::FormShow() {
  ArcTypeText->SetCaption(ArchiveTypeText(ArchiveExt, ArchiveName));
  if (MainForm) MainForm->SetEnabled(false);
  CentreOnMainWindow(this);
  std::string folder = AnsiLowerCase(ExtractFilePath(ArchiveName));
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  PathText->SetCaption(folder);
  NameText->SetCaption(AnsiLowerCase(ExtractFileName(ArchiveName)));
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  const bool found = GetFileAttributesExA(ArchiveName.c_str(), GetFileExInfoStandard, &data) != 0;
  const int64_t size = found ? int64_t((uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow) : 0;
  SizeText->SetCaption(InsertThousandSeparators(std::to_string(size)));
  FilesText->SetCaption(InsertThousandSeparators(std::to_string(ArchiveFileCount)));
  CompressionText->SetCaption(InsertThousandSeparators(std::to_string(TotalRatio)) + "%");
  const int age = FileAge(ArchiveName);
  DateTimeText->SetCaption(age == -1 ? std::string() : DosDateText(age));
}
