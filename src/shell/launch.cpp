#include "shell/launch.hpp"

#include <windows.h>
#include <shellapi.h>

#include "driver/session.hpp"
#include "package/setup_block.hpp"
#include "ui/screen.hpp"

namespace shell {

void LaunchProgram() {
  ShellExecuteA(ui::BackdropWindow, "open", package::Setup.MainEntry()->Name.c_str(), "",
                driver::InstallDir.c_str(), SW_SHOWNORMAL);
}

}  // namespace shell
