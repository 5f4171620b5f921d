// Answers the application core's message boxes in tests whose sources also
// need the Zip component, whose header cannot stand beside the window
// layer's. Types are TMsgDlgType values; an empty Answer restores the default.
#pragma once
#include <functional>
#include <string>

namespace apptest {
inline constexpr int MsgConfirmation = 3;  // mtConfirmation
void CaptureAppMessages(std::function<int(const std::string& Text, int Type)> Answer);
}  // namespace apptest
