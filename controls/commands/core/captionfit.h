// Fitting a tool window's caption into its bar when the library draws it.
#pragma once
#include <functional>
#include <string>

// Text when it fits Width; otherwise Text with "..." appended and the
// characters before the dots removed one at a time while it is still too
// wide and at least 5 characters long (so one character always stays).
std::string FitCaptionText(const std::string& Text, int Width,
                           const std::function<int(const std::string&)>& TextWidth);
