// Which extractor reads a type and which writer makes an output type: one
// table line per format, used by the integrity tester and the converter.
#pragma once
#include <memory>

#include "archive/core/compbase.h"
#include "archive/core/unbase.h"

// The extractor for Type, owned by Owner; nullptr when no extractor reads it.
TUnBase* CreateExtractor(TArcType Type, TComponent* Owner);
// The writer for Type with its compression method set, owned by Owner;
// nullptr when no writer makes it.
TCompBase* CreateWriter(TOutArcType Type, TComponent* Owner);
