// TZipPropForm ("Zip Properties"): facts about the open archive file.
#pragma once
#include <string>

#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TZipPropForm : public TForm {
 public:
  explicit TZipPropForm(TComponent* AOwner);

  TLabel *PathText = nullptr, *NameText = nullptr, *SizeText = nullptr, *FilesText = nullptr,
         *CompressionText = nullptr, *DateTimeText = nullptr, *ArcTypeText = nullptr;
  TButton* OKButt = nullptr;

 private:
  void FormShow();
};

// The archive-type text: from the extension key, then from the file's own
// extension.
std::string ArchiveTypeText(const std::string& Ext, const std::string& FileName);
