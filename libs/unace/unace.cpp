// unace.dll: the entry points over the engine of unace_engine.h.
#include <windows.h>

#include <memory>
#include <new>

#include "libs/unace/unace_engine.h"

extern "C" {

__declspec(dllexport) void* ACE_API ACEOpenArchive(ACEOpenArchiveData* Data) {
  if (!Data) return nullptr;
  try {
    auto H = std::make_unique<TAceHandle>();
    H->VolProc = Data->ChangeVolProc;
    H->DataProc = Data->ProcessDataProc;
    if (!Data->ArcName || !H->OpenVolume(Data->ArcName)) {
      Data->OpenResult = Data->ArcName && FileExists(Data->ArcName) ? ACE_BAD_ARCHIVE : ACE_EOPEN;
      return nullptr;
    }
    Data->OpenResult = ACE_SUCCESS;
    return H.release();
  } catch (const std::bad_alloc&) {
    Data->OpenResult = ACE_NO_MEMORY;
  } catch (...) {
    Data->OpenResult = ACE_EOPEN;
  }
  return nullptr;
}

__declspec(dllexport) int ACE_API ACECloseArchive(void* Handle) {
  delete static_cast<TAceHandle*>(Handle);
  return ACE_SUCCESS;
}

__declspec(dllexport) int ACE_API ACEReadHeader(void* Handle, ACEHeaderData* Data) {
  if (!Handle || !Data) return ACE_BAD_ARCHIVE;
  try {
    return static_cast<TAceHandle*>(Handle)->ReadHeader(Data);
  } catch (const std::bad_alloc&) {
    return ACE_NO_MEMORY;
  } catch (...) {
    return ACE_BAD_ARCHIVE;
  }
}

__declspec(dllexport) int ACE_API ACEProcessFile(void* Handle, int Operation, char* DestName) {
  if (!Handle) return ACE_BAD_ARCHIVE;
  try {
    return static_cast<TAceHandle*>(Handle)->Process(Operation, DestName);
  } catch (const std::bad_alloc&) {
    return ACE_NO_MEMORY;
  } catch (...) {
    return ACE_BAD_ARCHIVE;
  }
}

__declspec(dllexport) void ACE_API ACESetPassword(void* Handle, char* Password) {
  if (Handle) static_cast<TAceHandle*>(Handle)->Password = Password ? Password : "";
}

}  // extern "C"
