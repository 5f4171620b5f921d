#include "app/shellrun.h"

#include "framework/core/sysutils.h"
#include "framework/ui/winapi.h"

std::function<bool(const std::string&, const std::string&, const std::string&, int)> ShellOpenHandler;

bool ShellOpen(const std::string& File, const std::string& Params, const std::string& Folder, int Show) {
  if (ShellOpenHandler) return ShellOpenHandler(File, Params, Folder, Show);
  HINSTANCE r = ShellExecuteA(nullptr, "open", File.c_str(), Params.empty() ? nullptr : Params.c_str(),
                              Folder.empty() ? nullptr : Folder.c_str(), Show);
  return reinterpret_cast<INT_PTR>(r) > 32;
}

bool IsProgramFile(const std::string& Name) {
  const std::string ext = AnsiLowerCase(ExtractFileExt(Name));
  for (const char* e : {".exe", ".com", ".bat", ".cmd", ".pif", ".scr", ".lnk", ".url", ".msi", ".msp", ".cpl",
                        ".hta", ".vbs", ".vbe", ".js", ".jse", ".wsf", ".wsh", ".reg", ".inf", ".scf", ".ps1",
                        ".jar", ".application", ".gadget", ".shs", ".shb", ".dll", ".sys", ".chm"})
    if (ext == e) return true;
  return false;
}
