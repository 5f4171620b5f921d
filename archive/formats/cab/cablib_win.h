// The cabinet library's entry points as bound at start; for the cabinet
// sources only (it brings in the system's FDI and FCI declarations).
#pragma once
#ifdef _WIN32
#include <windows.h>
#include <fci.h>
#include <fdi.h>
// The extractor has a CopyFile of its own.
#ifdef CopyFile
#undef CopyFile
#endif

struct TCabinetFdi {
  decltype(&::FDICreate) Create;
  decltype(&::FDIIsCabinet) IsCabinet;
  decltype(&::FDICopy) Copy;
  decltype(&::FDIDestroy) Destroy;
};
struct TCabinetFci {
  decltype(&::FCICreate) Create;
  decltype(&::FCIAddFile) AddFile;
  decltype(&::FCIFlushCabinet) FlushCabinet;
  decltype(&::FCIFlushFolder) FlushFolder;
  decltype(&::FCIDestroy) Destroy;
};
// Substitutes that fail stand in while the library is missing.
const TCabinetFdi& CabinetFdi();
const TCabinetFci& CabinetFci();

static_assert(sizeof(ERF) == 12);
#endif
