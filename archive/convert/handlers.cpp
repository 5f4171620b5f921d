#include "archive/convert/handlers.h"

#include <initializer_list>

#include "archive/formats/arc/unarc.h"
#include "archive/formats/arj/unarj.h"
#include "archive/formats/bh/bhwriter.h"
#include "archive/formats/bh/unbh.h"
#include "archive/formats/gzip/ungzip.h"
#include "archive/formats/lha/lhawriter.h"
#include "archive/formats/lha/unlha.h"
#include "archive/formats/tar/tarwriter.h"
#include "archive/formats/tar/untar.h"
#include "archive/formats/uue/uudecode.h"
#include "archive/formats/zoo/unzoo.h"
#include "archive/formats/zip/unzip.h"
#include "archive/formats/zip/zipwriter.h"
#ifdef _WIN32
#include "archive/formats/ace/unace.h"
#include "archive/formats/cab/makecab.h"
#include "archive/formats/cab/uncab.h"
#include "archive/formats/rar/unrar.h"
#endif

namespace {

template <class T>
TUnBase* MakeExtractor(TComponent* Owner) {
  return new T(Owner);
}
template <class T>
TCompBase* MakeWriter(TComponent* Owner) {
  return new T(Owner);
}

struct TExtractorLine {
  std::initializer_list<TArcType> Types;
  TUnBase* (*Make)(TComponent*);
};

// The libraries of cabinet, RAR and ACE exist only on Windows.
const TExtractorLine Extractors[] = {
    {{atZip, atZipExe, atJar}, MakeExtractor<TUnZIP>},
    {{atGZip}, MakeExtractor<TUnGZIP>},
    {{atTar}, MakeExtractor<TUnTAR>},
    {{atUue}, MakeExtractor<TUUDecode>},
    {{atArc, atArcExe}, MakeExtractor<TUnARC>},
    {{atArj, atArjExe}, MakeExtractor<TUnARJ>},
    {{atBh, atBhExe}, MakeExtractor<TUnBH>},
    {{atLha, atLhaExe, atLzh, atLzhExe}, MakeExtractor<TUnLHA>},
    {{atZoo}, MakeExtractor<TUnZOO>},
#ifdef _WIN32
    {{atCab}, MakeExtractor<TUnCAB>},
    {{atRar, atRarExe}, MakeExtractor<TUnRAR>},
    {{atACE}, MakeExtractor<TUnACE>},
#endif
};

struct TWriterLine {
  TOutArcType Type;
  TCompressMethod Method;
  TCompBase* (*Make)(TComponent*);
};

const TWriterLine Writers[] = {
    {TOutArcType::tyZip, TCompressMethod::cmDeflate, MakeWriter<TZip>},
    {TOutArcType::tyJar, TCompressMethod::cmDeflate, MakeWriter<TJar>},
    {TOutArcType::tyTar, TCompressMethod::cmTarred, MakeWriter<TTar>},
    {TOutArcType::tyGzipTar, TCompressMethod::cmGzipTar, MakeWriter<TTar>},
    {TOutArcType::tyBh, TCompressMethod::cmFuse, MakeWriter<TBh>},
    {TOutArcType::tyLzh, TCompressMethod::cmFrozen5, MakeWriter<TLha>},
#ifdef _WIN32
    {TOutArcType::tyCab, TCompressMethod::cmMsZip, MakeWriter<TMakeCAB>},
#endif
};

}  // namespace

TUnBase* CreateExtractor(TArcType Type, TComponent* Owner) {
  for (const TExtractorLine& L : Extractors)
    for (TArcType T : L.Types)
      if (T == Type) return L.Make(Owner);
  return nullptr;
}

TCompBase* CreateWriter(TOutArcType Type, TComponent* Owner) {
  for (const TWriterLine& L : Writers) {
    if (L.Type != Type) continue;
    TCompBase* W = L.Make(Owner);
    W->SetCompressMethod(L.Method);
    return W;
  }
  return nullptr;
}
