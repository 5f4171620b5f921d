#include "tests/app/msgcapture.h"

#include "app/utils.h"

namespace apptest {

static_assert(MsgConfirmation == mtConfirmation);

void CaptureAppMessages(std::function<int(const std::string& Text, int Type)> Answer) {
  if (!Answer) {
    AppMessageBoxHandler = nullptr;
    return;
  }
  AppMessageBoxHandler = [Answer](const std::string& Text, TMsgDlgType Type, TMsgDlgButtons) {
    return Answer(Text, int(Type));
  };
}

}  // namespace apptest
