// Zip method 6 (Implode).
#pragma once
#include <cstdint>

#include "archive/codecs/codec_io.h"

// Decodes until unpackedSize bytes were produced or the input ends.
// zipFlags bit 1 selects the 8 KiB dictionary, bit 2 the literal tree. Raises
// ECodecError: kErrBadBlock for a tree that cannot be read or a bit pattern no
// code of an incomplete tree uses; kErrAmbiguousTree for a tree whose codes
// collide.
void Explode(TCodecIO& io, uint64_t packedSize, uint64_t unpackedSize, uint16_t zipFlags);
