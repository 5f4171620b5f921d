// ZIPENG.DLL's two entry points. The build picks the version it reports
// (MORV_ZIPENG_VERSION), which also selects the record layout it reads.
#include <cstdint>

#include "libs/zipeng/zipengine.h"
#include "libs/zipengrecs.h"

#ifndef MORV_ZIPENG_VERSION
#define MORV_ZIPENG_VERSION 160
#endif

extern "C" __declspec(dllexport) int32_t ZIPENG_CALL ZipEngExec(void* Rec) {
  return RunZipCommand(Rec, MORV_ZIPENG_VERSION);
}

extern "C" __declspec(dllexport) int32_t ZIPENG_CALL GetZipEngVersion() { return MORV_ZIPENG_VERSION; }
