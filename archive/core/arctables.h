// Tables every archive component shares: archive extensions, the display
// names of the archive types and of the compression methods.
#pragma once
#include <cstdint>
#include <string>

#include "archive/core/arctypes.h"

constexpr int ArcExtensionCount = 19;
// Upper case with the dot; index 17 is ".JAR", index 16 ".EXE".
extern const char* const ArcExtensions[ArcExtensionCount];
constexpr int ArcExtJarIndex = 17;
constexpr int ArcExtExeIndex = 16;

// Ten characters per type, in enumeration order.
extern const char* const ArcTypeNames[ArcTypeCount];

// Zip general-purpose flag bits 1-2: 6 "DeflateS", 4 "DeflateF", 2 "DeflateX",
// 0 "DeflateN".
std::string DeflateLevelName(uint16_t ZipFlags);

// Name of compression method Method for an entry of archive type T, "Unknown"
// for a number the type does not know. ZipFlags gives the deflate level name
// of method 8 (Zip, BH); Signature names the other gzip methods (0x1E1F
// "PackMAGIC", 0xA01F "LzhMAGIC"); LHA methods are the method character
// ('0'..'6'); for CAB only the low four bits count; tar gives "Tarred" for
// method 0. Folder entries ("Dir") are the caller's choice.
std::string MethodName(TArcType T, int Method, uint16_t ZipFlags = 0, uint16_t Signature = 0);
