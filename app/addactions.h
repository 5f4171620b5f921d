// Adding to the open archive from the main window: the Add command and the
// writers of the LZH, CAB and BH formats, bound to the window's handlers.
#pragma once
#include <string>

class TCompBase;

// The main window's writer in use for an add (Lha, MakeCAB or Bh).
extern TCompBase* ActiveCompressor;

// Sets the method (and Deflate type) of Writer for the Add dialog's
// compression index of the format Ext (".lzh", ".cab" or ".bh").
void SetCompressorLevel(TCompBase* Writer, const std::string& Ext, int Index);
