// Small routines the archive components share: wildcard matching, path and
// name conversions, DOS and Unix times, tar's octal fields, percentages.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "framework/core/sysutils.h"

class TStream;

// "*" matches any run of characters, "?" any one; case does not matter. A
// mask ending in "." matches names without extension; ".*" at the end also
// matches a name without extension. With NameParts only the file-name parts
// (after the last folder separator) of Name and Mask are compared.
bool CompareWildcard(const std::string& Name, const std::string& Mask, bool NameParts = false);

// Creates Dir and every missing parent; a trailing separator is ignored and
// names shorter than 3 characters count as existing. An empty name raises
// Exception 25154 "Unable to create directory".
bool ForceDirs(const std::string& Dir);

std::string AppendBackslash(const std::string& Path);  // non-empty paths only
std::string RemoveBackslash(const std::string& Path);
std::string SlashToBackslash(const std::string& S);
std::string BackslashToSlash(const std::string& S);
// Code-page conversion that also turns "/" into "\".
std::string OemToAnsiStr(const std::string& S);
// A stored Zip name in ANSI with "\" separators: UTF-8 when Flags has the
// UTF-8 bit, else OEM.
std::string ZipNameToAnsi(const std::string& Raw, uint16_t Flags);
std::string AnsiToOemStr(const std::string& S);
// 0-based position of the last dot of the file-name part, else Name's length.
size_t ExtDotOffset(const std::string& Name);
bool DirExists(const std::string& Dir);  // also true for an empty name
bool FileMatchExists(const std::string& NameOrMask);
// None of read-only, hidden, system, volume or folder.
bool IsPlainFile(int Attr);
bool IsAllDigits(const std::string& S);  // also true for ""
// Text before the first Separator, removed from Source with the separator;
// all of Source when there is none.
std::string CutToken(std::string& Source, const std::string& Separator);
// A NUL-terminated string of at most 256 bytes at Pos; Pos moves past the NUL
// (or past the bytes read when none came).
std::string ReadZStringAt(TStream& Stream, int64_t& Pos);
std::string ReadStringAt(TStream& Stream, int64_t Pos, size_t Length);
inline uint32_t SwapWords(uint32_t V) { return (V << 16) | (V >> 16); }
// Forward byte copy: an overlapping copy repeats the data, as LZ copies need.
inline void CopyBytes(const uint8_t* Source, uint8_t* Dest, size_t Count) {
  for (size_t i = 0; i < Count; i++) Dest[i] = Source[i];
}
inline int MinInt(int A, int B) { return A < B ? A : B; }
// 0x8B1F, 0x9E1F, 0x9D1F, 0xA01F, 0x1E1F: gzip, pack, compress, LZH, old pack.
bool IsCompressSignature(uint16_t Signature);
// Adds Key to every character (subtracts when Decode).
std::string ShiftStringChars(const std::string& S, int Key, bool Decode);

// 1 January 1980, the date shown when an archive gives none.
constexpr TDateTime NoArcDate = 29221.0;
// DOS date-time to TDateTime; 0 and invalid values give 1 January 1980.
TDateTime FileDateToDateTimeDef(int FileDate);
// Local time <-> seconds since 1970 UTC through the time-zone bias in minutes
// (GetTimeZoneBiasMinutes); Unix time 0 gives 1 January 1980.
int64_t LocalDateTimeToUnix(TDateTime DateTime);
TDateTime UnixToLocalDateTime(int64_t Seconds);

// Value as octal digits right-aligned in Width characters padded with
// blanks; Terminated ends the field with a blank and a NUL. A value too large
// for the field gives all sevens, the largest it can hold.
std::string IntToOctalField(int64_t Value, int Width, bool Terminated);
// Value of the octal digits in S; other characters are skipped.
int64_t OctalToInt(const std::string& S);

// Part * 100 / Whole to the nearest integer (halves to even), within 0..100;
// 0 when Whole <= 0.
int CalcPercent(int64_t Part, int64_t Whole);

// The volume after N in the old naming: name.ext, name.x00, name.x01 ...
// name.x99, then the letter after x.
std::string NextOldStyleVolume(const std::string& N, char Letter);
