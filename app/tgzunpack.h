// The ".tgz" path of opening an archive: the gzip reader unpacks the TAR file
// into a folder, where it is then listed like any TAR.
#pragma once
#include <string>

class TUnGZIP;

// Unpacks Archive with GZip into Folder and gives the result a ".tar"
// extension when it has another. Returns the TAR file's full name; empty when
// the file is no gzip file or its data is damaged (a partial output is
// removed).
std::string UnpackTgz(TUnGZIP* GZip, const std::string& Archive, const std::string& Folder);
