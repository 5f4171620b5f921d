#include "dialogs/filepropform.h"

#include <shellapi.h>

#include "app/entrytable.h"
#include "app/mainform.h"
#include "app/utils.h"
#include "dialogs/controltable.h"
#include "framework/core/sysutils.h"

std::string FileTypeName(const std::string& Name) {
  SHFILEINFOA info = {};
  if (SHGetFileInfoA(Name.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                     SHGFI_USEFILEATTRIBUTES | SHGFI_TYPENAME) &&
      info.szTypeName[0])
    return info.szTypeName;
  std::string ext = ExtractFileExt(Name);
  if (!ext.empty()) ext.erase(0, 1);
  return AnsiUpperCase(ext) + " File";
}

TFileProps FilePropsOf(const TFile& F) {
  TFileProps p;
  p.Path = F.Path;
  if (!F.Name.empty() && F.Name.back() == '\\') {
    // A folder row's size column holds a marker, not a number.
    const bool up = F.Name == "..\\";
    p.Name = up ? ".." : F.Name.substr(0, F.Name.size() - 1);
    p.Type = up ? "Up Folder" : "Sub Folder";
  } else {
    p.Name = F.Name;
    p.Type = FileTypeName(F.Name);
    p.Size = InsertThousandSeparators(F.SizeText) + " bytes";
    p.Packed = InsertThousandSeparators(F.PackedText) + " bytes";
    p.Ratio = F.RatioText;
  }
  // The short date and the short time.
  p.Modified = DosDateText(F.FileDate);
  return p;
}

TFilePropForm::TFilePropForm(TComponent* AOwner) : TForm(AOwner, "TFilePropForm") {
  SetName("FilePropForm");
  SetCaption("File Properties");
  SetBounds(0, 0, 340, 250);
  SetKeyPreview(true);
  BuildControlTable(this, {
      {"NameL", TControlKind::Label, "Name:", 52, 14, 80, 14},
      {"NameV", TControlKind::Label, "", 136, 14, 190, 14},
      {"TypeL", TControlKind::Label, "Type:", 52, 34, 80, 14},
      {"TypeV", TControlKind::Label, "", 136, 34, 190, 14},
      {"SizeL", TControlKind::Label, "File size:", 12, 66, 120, 14},
      {"SizeV", TControlKind::Label, "", 136, 66, 190, 14},
      {"PackedL", TControlKind::Label, "Packed size:", 12, 86, 120, 14},
      {"PackedV", TControlKind::Label, "", 136, 86, 190, 14},
      {"RatioL", TControlKind::Label, "Ratio:", 12, 106, 120, 14},
      {"RatioV", TControlKind::Label, "", 136, 106, 190, 14},
      {"ModifiedL", TControlKind::Label, "Modified:", 12, 138, 120, 14},
      {"ModifiedV", TControlKind::Label, "", 136, 138, 190, 14},
      {"PathL", TControlKind::Label, "Path:", 12, 158, 120, 14},
      {"PathV", TControlKind::Label, "", 136, 158, 190, 14},
      {"OKButton", TControlKind::DefaultButton, "OK", 130, 190, 75, 25},
  });
  NameV = Ctl<TLabel>(this, "NameV");
  TypeV = Ctl<TLabel>(this, "TypeV");
  SizeV = Ctl<TLabel>(this, "SizeV");
  PackedV = Ctl<TLabel>(this, "PackedV");
  RatioV = Ctl<TLabel>(this, "RatioV");
  ModifiedV = Ctl<TLabel>(this, "ModifiedV");
  PathV = Ctl<TLabel>(this, "PathV");
  OKButton = Ctl<TButton>(this, "OKButton");
  OnShow = [this](TObject*) { FormShow(); };
  OnKeyPress = [this](TObject*, char& Key) {
    if (Key == 27) Close();
  };
  OKButton->OnClick = [this](TObject*) { Close(); };
}

void TFilePropForm::FormShow() {
  CentreOnMainWindow(this);
  if (!MainForm) return;
  for (int r : MainForm->SelectedRows()) {
    if (r < 0 || r >= int(FileTable.size())) continue;
    const TFileProps p = FilePropsOf(FileTable[size_t(r)]);
    NameV->SetCaption(p.Name);
    TypeV->SetCaption(p.Type);
    SizeV->SetCaption(p.Size);
    PackedV->SetCaption(p.Packed);
    RatioV->SetCaption(p.Ratio);
    ModifiedV->SetCaption(p.Modified);
    PathV->SetCaption(p.Path);
    break;
  }
  if (OKButton->CanFocus()) OKButton->SetFocus();
}
