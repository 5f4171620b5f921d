// Shortcut files (.lnk) written through the shell's link object. COM must be
// initialised on the calling thread. A failure leaves no file and raises
// nothing.
#pragma once
#include <string>

void CreateShellLink(const std::string& Target, const std::string& LinkFile, const std::string& Description);
// Also gives the shortcut the icon "morv.ico" of the running program's folder.
void CreateShellLinkWithIcon(const std::string& Target, const std::string& LinkFile, const std::string& Description);
// The target of a shortcut file, resolved with any-match and the application
// window; empty when it cannot be read.
std::string ResolveShellLink(const std::string& LinkFile);
