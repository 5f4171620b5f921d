#include "app/zipaccess.h"

#include "app/entrytable.h"
#include "zipbridge/zipbridge.h"

TZipBridge* CreateZipBridge(TComponent* Owner, std::function<void(int, const std::string&)> OnMessage) {
  auto* zip = new TZipBridge(Owner);
  zip->SetName("ZipBridge");
  if (OnMessage)
    zip->OnMessage = [OnMessage](TObject*, int ErrCode, const std::string& Message) { OnMessage(ErrCode, Message); };
  return zip;
}

void SetZipArchive(TZipBridge* Zip, const std::string& Name) { Zip->SetZipFileName(Name); }

int ZipEntryCount(TZipBridge* Zip) { return Zip->Count(); }

bool ZipSpanned(TZipBridge* Zip) { return Zip->Spanned(); }

bool FillFromZip(TZipBridge* Zip, TEntryFill& Fill, const std::function<void()>& Step) {
  const int n = Zip->Count();
  const auto& entries = Zip->ZipContents();
  for (int i = 0; i < n; ++i) {
    const ZipDirEntry& e = *entries[size_t(i)];
    const uint32_t dos = (uint32_t(e.ModifDate) << 16) | e.ModifTime;
    if (!Fill.AddZipEntry(e.FileName, e.ComprSize, e.UncomprSize, dos, e.Encrypted)) return false;
    if (Step) Step();
  }
  return true;
}
