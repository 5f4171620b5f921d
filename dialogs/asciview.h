// TAsciview: the internal text viewer, a read-only text window with font
// size and name controls and a copy button.
#pragma once
#include <string>

#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

class TAsciview : public TForm {
 public:
  explicit TAsciview(TComponent* AOwner);
  // Shows File with the caption "View: " + EntryName.
  void ShowFile(const std::string& File, const std::string& EntryName);
  void LargerFont();
  void SmallerFont();
  void CopyText();

  TMemo* RichEdit1 = nullptr;
  TButton *SmallerButt = nullptr, *LargerButt = nullptr, *CopyButt = nullptr;
  TComboBox* FontBox = nullptr;

 private:
  std::string FFile, FEntry;
};
