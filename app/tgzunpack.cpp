#include "app/tgzunpack.h"

#include "archive/formats/gzip/ungzip.h"
#include "framework/core/classes.h"
#include "framework/core/sysutils.h"
#include "framework/ui/winapi.h"

std::string UnpackTgz(TUnGZIP* GZip, const std::string& Archive, const std::string& Folder) {
  TStringList spec;
  spec.Add("*.*");
  GZip->SetFileSpec(&spec);
  GZip->SetArchiveFile(Archive);
  GZip->SetExtractDir(Folder);
  // An earlier unpacking of the same archive is replaced.
  GZip->ConfirmOverwrites = false;
  GZip->OutFileName.clear();
  int written = 0;
  try {
    written = GZip->Extract();
  } catch (const std::exception&) {
    written = 0;
  }
  const std::string out = GZip->OutFileName;
  if (written < 1 || out.empty() || !FileExists(out)) {
    // Only a file this run created goes; the output name of a refused entry
    // may be the archive itself.
    if (GZip->EntriesBegun() > 0 && !out.empty() && !SameText(out, Archive)) DeleteFile(out);
    return {};
  }
  if (AnsiLowerCase(ExtractFileExt(out)) == ".tar") return out;
  const std::string tar = out + ".tar";
  if (!MoveFileExA(out.c_str(), tar.c_str(), MOVEFILE_REPLACE_EXISTING)) return {};
  return tar;
}
