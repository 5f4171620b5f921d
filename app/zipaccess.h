// The main window's use of the Zip component, kept in its own unit: the Zip
// component's header and the window layer's both declare a TMessageEvent.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "framework/core/classes.h"
#include "framework/core/sysutils.h"

class TZipBridge;
class TEntryFill;

TZipBridge* CreateZipBridge(TComponent* Owner, std::function<void(int ErrCode, const std::string& Message)> OnMessage);
// Assigning the name reads the central directory.
void SetZipArchive(TZipBridge* Zip, const std::string& Name);
// Reads the directory again only when the component holds another archive
// or the file's size or write time changed since the last read.
void RefreshZipArchive(TZipBridge* Zip, const std::string& Name);
int ZipEntryCount(TZipBridge* Zip);
bool ZipSpanned(TZipBridge* Zip);
// Adds every directory entry in order; Step runs once per entry. False when
// the table filled up.
bool FillFromZip(TZipBridge* Zip, TEntryFill& Fill, const std::function<void()>& Step);

// The name of the archive the component holds.
std::string ZipArchiveName(TZipBridge* Zip);
// The archive comment the component holds.
std::string ZipArchiveComment(TZipBridge* Zip);
// Writes into the open file Out the self-extractor of the component's
// archive: StubFile with the archive's offset in its string 1, the "KRX" record of the component's SFX
// settings, then the archive with every offset moved past the two. Returns
// a BuildSfxArchive result (app/sfxbuilder.h); Reason tells why the Zip part
// failed.
int WriteSfxImage(TZipBridge* Zip, const std::string& StubFile, THandle Out, std::string& Reason);
