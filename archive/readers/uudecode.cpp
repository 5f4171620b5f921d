#include "archive/readers/uudecode.h"

TUUDecode::TUUDecode(TComponent* AOwner) : TUnBase(AOwner) {}

std::string TUUDecode::UUVolumeName(const std::string& ArchiveName, int) const { return ArchiveName; }

void TUUDecode::ExtractArchive(TUntypedFile&) { FFileName.clear(); }
