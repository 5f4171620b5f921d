#include "shellext/settings.h"

#include <optional>
#include <vector>

namespace brimshex {

namespace {

const char* const GeneralKey = "SOFTWARE\\Quillon\\General";
const char* const ShellExtKey = "SOFTWARE\\Quillon\\ShellExt";

// Opened for reading; a missing key is created, as Morv's own settings
// loader expects the tree to be there.
class TKey {
 public:
  explicit TKey(const char* Path) {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, Path, 0, nullptr, 0, KEY_READ, nullptr, &FKey, nullptr) != ERROR_SUCCESS)
      FKey = nullptr;
  }
  ~TKey() {
    if (FKey) RegCloseKey(FKey);
  }
  TKey(const TKey&) = delete;
  TKey& operator=(const TKey&) = delete;
  HKEY Handle() const { return FKey; }

 private:
  HKEY FKey = nullptr;
};

// A whole-number value; nullopt when the value is missing. A value of
// another type counts as present but not 1.
std::optional<DWORD> ReadNumber(HKEY Key, const char* Name) {
  if (!Key) return std::nullopt;
  DWORD type = 0, value = 0, size = sizeof value;
  const LONG r = RegQueryValueExA(Key, Name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  if (r == ERROR_FILE_NOT_FOUND) return std::nullopt;
  if (r != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return 0xFFFFFFFFu;
  return value;
}

bool OnUnlessOther(HKEY Key, const char* Name) {
  const auto v = ReadNumber(Key, Name);
  return !v || *v == 1;
}

}  // namespace

bool ShellExtEnabled() {
  TKey key(GeneralKey);
  return OnUnlessOther(key.Handle(), "Use Explorer Shell Extensions");
}

bool ReadVerbSwitch(HKEY Key, const char* Name) { return OnUnlessOther(Key, Name); }

TVerbEnables LoadVerbSwitches() {
  static const struct {
    const char* Name;
    uint8_t Codes[2];
  } table[] = {
      {"AddZIP", {cmdAddZipOptions, cmdAddZip}},
      {"AddCAB", {cmdAddCabOptions, cmdAddCab}},
      {"AddLHA", {cmdAddLhaOptions, cmdAddLha}},
      {"AddBH", {cmdAddBhOptions, cmdAddBh}},
      {"ExtractTo", {cmdExtractTo, cmdExtractTo}},
      {"ExtractHere", {cmdExtractHere, cmdExtractHere}},
      {"ExtractToSubFolder", {cmdExtractToSubFolder, cmdExtractToSubFolder}},
      {"ConvertZIP", {cmdConvertZip, cmdConvertZip}},
      {"ConvertSFX", {cmdMakeSfx, cmdMakeSfx}},
      {"OpenSFX", {cmdOpenSfx, cmdOpenSfx}},
      {"MakeSpan", {cmdMakeSpan, cmdMakeSpan}},
      {"About", {cmdAbout, cmdAbout}},
  };
  TVerbEnables enables{};
  TKey key(ShellExtKey);
  for (const auto& entry : table) {
    const uint8_t on = ReadVerbSwitch(key.Handle(), entry.Name) ? 1 : 0;
    for (uint8_t code : entry.Codes) enables[code] = on;
  }
  return enables;
}

TShellExtOptions LoadShellExtOptions() {
  TKey key(ShellExtKey);
  TShellExtOptions options;
  options.UseBitmapImages = OnUnlessOther(key.Handle(), "UseBitmapImages");
  options.CheckForSFXs = OnUnlessOther(key.Handle(), "CheckForSFXs");
  const auto nonCascade = ReadNumber(key.Handle(), "NonCascade");
  options.Cascade = nonCascade && *nonCascade != 1;
  const auto convert = ReadNumber(key.Handle(), "SupportConvertFormat");
  options.SupportConvertFormat = convert && *convert == 1;
  return options;
}

std::string GetMainProgramPath() {
  TKey key(GeneralKey);
  if (!key.Handle()) return {};
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key.Handle(), "Directory", nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
  if ((type != REG_SZ && type != REG_EXPAND_SZ) || size == 0 || size > 32768) return {};
  std::vector<char> text(size + 1, '\0');
  if (RegQueryValueExA(key.Handle(), "Directory", nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
      ERROR_SUCCESS)
    return {};
  return std::string(text.data());
}

}  // namespace brimshex
