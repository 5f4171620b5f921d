// The ".tgz" path of opening an archive: the gzip member is unpacked into a
// TAR file in the temporary folder, which is then listed like any TAR.
#pragma once
#include <string>

// Unpacks the first gzip member of Archive into TarFile (its name comes from
// the archive's own file name, never from the stored name). False when the
// file is no gzip file or its data is damaged; a partial output is removed.
bool UnpackTgz(const std::string& Archive, const std::string& TarFile);
// TempFolder + the archive's file name with the extension ".tar".
std::string TgzTarName(const std::string& Archive, const std::string& TempFolder);
