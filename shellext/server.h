// The three classes the library serves and their registration.
#pragma once
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

namespace brimshex {

// Identifiers differ only in the last digit of their first group: 8, 9, A.
extern const CLSID CLSID_ContextMenu;
extern const CLSID CLSID_DragDropContextMenu;
extern const CLSID CLSID_DropTarget;

struct TServedClass {
  const CLSID* ClassId;
  const char* Description;
};
extern const TServedClass ServedClasses[3];

// "{xxxxxxxx-...}" of a class identifier.
std::string ClassIdText(const CLSID& ClassId);

}  // namespace brimshex
