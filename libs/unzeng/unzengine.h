// The work of UNZENG.DLL: extract or test the entries of a Zip archive that a
// command record names, reporting through the record's callback.
#pragma once
#include <cstdint>

// Runs one command record of the layout that LibVersion selects; returns the
// number of files extracted or tested. Never throws.
int32_t RunUnzipCommand(void* Record, int32_t LibVersion);
