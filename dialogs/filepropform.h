// TFilePropForm ("File Properties"): the properties of the first selected
// entry of the list.
#pragma once
#include <string>

#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

struct TFile;

// The values the dialog shows for an entry; folder rows have no sizes.
struct TFileProps {
  std::string Name, Type, Size, Packed, Ratio, Modified, Path;
};
TFileProps FilePropsOf(const TFile& F);
// The system's type name for a file of this name, asked by the name alone
// (nothing is created on disk); else the upper-cased extension + " File".
std::string FileTypeName(const std::string& Name);

class TFilePropForm : public TForm {
 public:
  explicit TFilePropForm(TComponent* AOwner);

  TLabel *NameV = nullptr, *TypeV = nullptr, *SizeV = nullptr, *PackedV = nullptr, *RatioV = nullptr,
         *ModifiedV = nullptr, *PathV = nullptr;
  TButton* OKButton = nullptr;

 private:
  void FormShow();
};
