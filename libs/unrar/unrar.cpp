// unrar.dll: the entry points over the engine of unrar_engine.h.
#include <windows.h>

#include <memory>
#include <new>

#include "libs/unrar/unrar_engine.h"

extern "C" {

__declspec(dllexport) void* RAR_API RAROpenArchive(RAROpenArchiveData* Data) {
  if (!Data) return nullptr;
  try {
    auto H = std::make_unique<TRarHandle>();
    if (!Data->ArcName || !H->OpenVolume(Data->ArcName)) {
      Data->OpenResult = Data->ArcName && FileExists(Data->ArcName) ? ERAR_BAD_ARCHIVE : ERAR_EOPEN;
      return nullptr;
    }
    if (H->Arc.HeadersEncrypted) {
      Data->OpenResult = ERAR_MISSING_PASSWORD;
      return nullptr;
    }
    Data->OpenResult = ERAR_SUCCESS;
    Data->CmtSize = 0;
    Data->CmtState = 0;
    return H.release();
  } catch (const std::bad_alloc&) {
    Data->OpenResult = ERAR_NO_MEMORY;
  } catch (...) {
    Data->OpenResult = ERAR_EOPEN;
  }
  return nullptr;
}

__declspec(dllexport) int RAR_API RARCloseArchive(void* Handle) {
  delete static_cast<TRarHandle*>(Handle);
  return ERAR_SUCCESS;
}

__declspec(dllexport) int RAR_API RARReadHeader(void* Handle, RARHeaderData* Data) {
  if (!Handle || !Data) return ERAR_UNKNOWN;
  try {
    return static_cast<TRarHandle*>(Handle)->ReadHeader(Data);
  } catch (...) {
    return ERAR_BAD_DATA;
  }
}

__declspec(dllexport) int RAR_API RARProcessFile(void* Handle, int Operation, char* DestPath, char* DestName) {
  if (!Handle) return ERAR_UNKNOWN;
  try {
    return static_cast<TRarHandle*>(Handle)->Process(Operation, DestPath, DestName);
  } catch (...) {
    return ERAR_UNKNOWN;
  }
}

__declspec(dllexport) void RAR_API RARSetChangeVolProc(void* Handle, TRarChangeVolProc Proc) {
  if (Handle) static_cast<TRarHandle*>(Handle)->VolProc = Proc;
}

__declspec(dllexport) void RAR_API RARSetProcessDataProc(void* Handle, TRarProcessDataProc Proc) {
  if (Handle) static_cast<TRarHandle*>(Handle)->DataProc = Proc;
}

__declspec(dllexport) void RAR_API RARSetPassword(void* Handle, char* Password) {
  if (Handle) static_cast<TRarHandle*>(Handle)->Password = Password ? Password : "";
}

}  // extern "C"
