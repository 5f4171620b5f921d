#include "archive/core/arctables.h"

const char* const ArcExtensions[ArcExtensionCount] = {
    ".UUE", ".XXE", ".ENC", ".TAR", ".Z", ".GZ", ".ZIP", ".ZOO", ".LHA", ".LZH",
    ".ARC", ".ARJ", ".BH", ".PAK", ".CAB", ".RAR", ".EXE", ".JAR", ".ACE",
};

const char* const ArcTypeNames[ArcTypeCount] = {
    "Not avail.", "Unsupport.", "File Error", "Unknown   ", "ACE       ", "ARC       ", "ARC SFX   ",
    "ARJ       ", "ARJ SFX   ", "BH        ", "BH  SFX   ", "CAB       ", "GZip      ", "HA        ",
    "Java JAR  ", "LHA       ", "LHA SFX   ", "LZH       ", "LZH SFX   ", "MsGZ     \t", "PAK       ",
    "PAK SFX   ", "RAR       ", "RAR SFX   ", "TAR       ", "UUE       ", "ZIP       ", "ZIP SFX   ",
    "Zip MVol  ", "ZOO       ",
};

std::string DeflateLevelName(uint16_t ZipFlags) {
  switch (ZipFlags & 6) {
    case 6: return "DeflateS";
    case 4: return "DeflateF";
    case 2: return "DeflateX";
    default: return "DeflateN";
  }
}

namespace {

template <size_t N>
std::string Pick(const char* const (&names)[N], int Method) {
  return Method >= 0 && size_t(Method) < N && names[Method] ? names[Method] : "Unknown";
}

}  // namespace

std::string MethodName(TArcType T, int Method, uint16_t ZipFlags, uint16_t Signature) {
  switch (T) {
    case atZip:
    case atZipExe:
    case atZipMV:
    case atJar: {
      static const char* const n[] = {"Stored",   "Shrunk",   "Reduce-1", "Reduce-2", "Reduce-3",
                                      "Reduce-4", "Imploded", "Tokened"};
      return Method == 8 ? DeflateLevelName(ZipFlags) : Pick(n, Method);
    }
    case atBh:
    case atBhExe: {
      static const char* const n[] = {"Stored", "Fused", "Deflate"};
      return Method == 8 ? DeflateLevelName(ZipFlags) : Pick(n, Method);
    }
    case atLha:
    case atLhaExe:
    case atLzh:
    case atLzhExe: {
      static const char* const n[] = {"Stored", "Frozen-1", "Frozen-2", "Frozen-3", "Frozen-4", "Frozen-5", "Frozen-6"};
      return Pick(n, Method - '0');
    }
    case atArj:
    case atArjExe: {
      static const char* const n[] = {"Stored", "Most", "2nd Most", "2nd Fast", "Fastest"};
      return Pick(n, Method);
    }
    case atArc:
    case atArcExe: {
      static const char* const n[] = {"Dir",      "Stored",   "Stored",   "Packed",   "Squeezed", "crunched", "crunched",
                                      "crunched", "Crunched", "Squashed", "Pack10",   "Pack11",   "Pack12"};
      return Pick(n, Method);
    }
    case atPak:
    case atPakExe: {
      static const char* const n[] = {"Unknown",  "Stored",  "Stored",  "RLE",     "Squeezed", "FIXEDLEN",
                                      "FIXEDLEN", "FIXEDLEN", "VARIBLE", "VARIBLE", "Crushed",  "Distill"};
      return Pick(n, Method);
    }
    case atACE: {
      static const char* const n[] = {"Fastest", "Fast", "Normal", "Good", "Best", "Lzw"};
      return Pick(n, Method);
    }
    case atRar:
    case atRarExe: {
      static const char* const n[] = {"Stored", "Fastest", "Fast", "Normal", "Good", "Best"};
      return Pick(n, Method);
    }
    case atCab: {
      static const char* const n[] = {"Stored", "MsZIP", "Quantum", "Lzx"};
      return Pick(n, Method & 0x0F);
    }
    case atGZip:
      if (Method == 0) return "Stored";
      if (Method == 8) return "Deflate";
      if (Method == 144) return "LzwMAGIC";
      if (Signature == 0x1E1F) return "PackMAGIC";
      if (Signature == 0xA01F) return "LzhMAGIC";
      return "Unknown";
    case atZoo: {
      static const char* const n[] = {"Stored", "Fastest", "Greatest"};
      return Pick(n, Method);
    }
    case atTar:
      return Method == 0 ? "Tarred" : "Unknown";
    case atHa: {
      static const char* const n[] = {nullptr, "Cpy", "Asc", "HSC", "Dir", "Special"};
      return Pick(n, Method);
    }
    default:
      return "Unknown";
  }
}
