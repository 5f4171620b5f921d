#include <cstdio>

#include "shellext/server.h"

namespace brimshex {

const CLSID CLSID_ContextMenu = {0x7E3B25A8, 0x41C6, 0x4F0D, {0x9A, 0x52, 0x3C, 0x8E, 0x1B, 0x6D, 0x47, 0xF2}};
const CLSID CLSID_DragDropContextMenu = {0x7E3B25A9, 0x41C6, 0x4F0D, {0x9A, 0x52, 0x3C, 0x8E, 0x1B, 0x6D, 0x47, 0xF2}};
const CLSID CLSID_DropTarget = {0x7E3B25AA, 0x41C6, 0x4F0D, {0x9A, 0x52, 0x3C, 0x8E, 0x1B, 0x6D, 0x47, 0xF2}};

const TServedClass ServedClasses[3] = {
    {&CLSID_ContextMenu, "Quillon Shell Extensions"},
    {&CLSID_DragDropContextMenu, "Quillon Shell Extensions DragDrop Handler"},
    {&CLSID_DropTarget, "Quillon Shell Extensions Drop Handler"},
};

std::string ClassIdText(const CLSID& Id) {
  char text[40];
  snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned long>(Id.Data1),
           Id.Data2, Id.Data3, Id.Data4[0], Id.Data4[1], Id.Data4[2], Id.Data4[3], Id.Data4[4], Id.Data4[5],
           Id.Data4[6], Id.Data4[7]);
  return text;
}

}  // namespace brimshex
