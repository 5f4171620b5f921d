// UNZENG.DLL's two entry points. The build picks the version it reports
// (MORV_UNZENG_VERSION), which also selects the record layout it reads.
#include <cstdint>

#include "libs/unzeng/unzengine.h"
#include "libs/zipengrecs.h"

#ifndef MORV_UNZENG_VERSION
#define MORV_UNZENG_VERSION 160
#endif

#ifdef MORV_UNZENG_DEF_EXPORTS
#define UNZENG_API
#else
#define UNZENG_API __declspec(dllexport)
#endif

extern "C" UNZENG_API int32_t ZIPENG_CALL UnzEngExec(void* Rec) {
  return RunUnzipCommand(Rec, MORV_UNZENG_VERSION);
}

extern "C" UNZENG_API int32_t ZIPENG_CALL GetUnzEngVersion() { return MORV_UNZENG_VERSION; }
