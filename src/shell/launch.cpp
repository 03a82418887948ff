#include "shell/launch.hpp"

#include <shellapi.h>

#include "common/session.hpp"
#include "package/setup_block.hpp"

namespace shell {

void LaunchProgram(HWND owner) {
  ShellExecuteA(owner, "open", package::Setup.MainEntry()->Name.c_str(), "", common::Session.InstallDir.c_str(),
                SW_SHOWNORMAL);
}

}  // namespace shell
