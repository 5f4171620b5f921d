// The work of ZIPENG.DLL: add files to a Zip archive, or delete entries from
// it, as a command record asks, reporting through the record's callback.
#pragma once
#include <cstdint>

// Runs one command record of the layout that LibVersion selects; returns the
// number of files added or deleted. Never throws.
int32_t RunZipCommand(void* Record, int32_t LibVersion);
