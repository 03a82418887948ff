#include "shell/shortcut.hpp"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "common/path_text.hpp"
#include "common/session.hpp"
#include "extract/force_directory.hpp"
#include "package/setup_block.hpp"

namespace shell {
namespace {

using package::Setup;

constexpr const char* kExplorerKey = "Software\\microsoft\\windows\\currentversion\\explorer";

// What the "programs" value of "Shell Folders" says, taken as stored.
// Empty when the key or the value is missing; false when the value exists
// but is not a string, so that no shortcut lands in a made-up place.
bool ReadProgramsValue(HKEY shell_folders, std::string& folder) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(shell_folders, "programs", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      static_cast<LONG>(size) <= 0) {
    return true;
  }
  std::string data(size, '\0');
  if (RegQueryValueExA(shell_folders, "programs", nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return false;
  }
  folder = data.c_str();  // up to the first zero byte
  return true;
}

// The key is opened so that it is created if missing; both keys are
// always closed again.
bool ProgramsFolder(std::string& folder) {
  HKEY explorer = nullptr;
  const bool opened = RegCreateKeyExA(HKEY_CURRENT_USER, kExplorerKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_ALL_ACCESS, nullptr, &explorer, nullptr) == ERROR_SUCCESS;
  HKEY shell_folders = nullptr;
  bool usable = true;
  if (RegOpenKeyExA(opened ? explorer : HKEY_CURRENT_USER, "Shell Folders", 0, KEY_ALL_ACCESS, &shell_folders) ==
      ERROR_SUCCESS) {
    usable = ReadProgramsValue(shell_folders, folder);
    RegCloseKey(shell_folders);
  }
  if (opened) RegCloseKey(explorer);
  return usable;
}

// The shortcut's path in UTF-16, all or nothing: a path of more than 254
// characters becomes empty, and the save then fails.
void WidePath(const std::string& path, WCHAR (&wide)[256]) {
  if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, 255) == 0) wide[0] = 0;
}

void SaveLink(const std::string& group_folder) {
  const std::string& name = Setup.MainEntry()->Name;
  IShellLinkA* link = nullptr;
  if (CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                       reinterpret_cast<void**>(&link)) != S_OK) {
    return;
  }
  link->SetPath(common::JoinPath(common::Session.InstallDir, name).c_str());
  link->SetWorkingDirectory(common::Session.InstallDir.c_str());
  link->SetShowCmd(SW_SHOWNORMAL);
  IPersistFile* file = nullptr;
  link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  WCHAR path[256] = {};
  WidePath(common::JoinPath(group_folder, common::ChangeFileExt(name, ".LNK")), path);
  if (file != nullptr) {
    file->Save(path, FALSE);
    file->Release();
  }
  link->Release();
}

}  // namespace

void CreateProgramShortcut() {
  std::string programs;
  if (!ProgramsFolder(programs)) return;
  const std::string group_folder = common::JoinPath(programs, Setup.SetupTexts[package::GroupName]);
  if (!extract::ForceDirectory(group_folder)) return;
  // COM is ours only for the shortcut: S_OK and S_FALSE are both balanced.
  if (static_cast<unsigned long>(CoInitialize(nullptr)) >= 2) return;
  SaveLink(group_folder);
  CoUninitialize();
}

}  // namespace shell
