// The settings the shell extension reads: Morv writes them under
// HKEY_CURRENT_USER "SOFTWARE\Quillon"; the extension never writes them.
#pragma once
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

namespace brimshex {

// Command codes of the context menu; a code is also its index in the
// enable table.
enum : uint8_t {
  cmdAddZipOptions = 2,
  cmdAddZip = 3,
  cmdAddCabOptions = 4,
  cmdAddCab = 5,
  cmdAddLhaOptions = 6,
  cmdAddLha = 7,
  cmdAddBhOptions = 8,
  cmdAddBh = 9,
  cmdExtractTo = 11,
  cmdExtractHere = 12,
  cmdExtractToSubFolder = 13,
  cmdConvertZip = 16,
  cmdMakeSfx = 21,
  cmdOpenSfx = 22,
  cmdMakeSpan = 23,
  cmdAbout = 255,
};

using TVerbEnables = std::array<uint8_t, 256>;

struct TShellExtOptions {
  bool UseBitmapImages = true;
  bool CheckForSFXs = true;
  bool Cascade = false;
  bool SupportConvertFormat = false;
};

// The master switch "Use Explorer Shell Extensions": missing or 1 is on.
bool ShellExtEnabled();
// One per-command enable of the open key: missing or 1 is on.
bool ReadVerbSwitch(HKEY Key, const char* Name);
// The per-command enables; codes no value names stay 0.
TVerbEnables LoadVerbSwitches();
TShellExtOptions LoadShellExtOptions();
// Morv's full path from "Directory"; empty when missing.
std::string GetMainProgramPath();

}  // namespace brimshex
