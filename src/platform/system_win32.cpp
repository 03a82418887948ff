#include <windows.h>
#include <shellapi.h>

#include "platform/device_name.hpp"
#include "platform/system.hpp"

namespace platform {
namespace {

std::string Utf8(const wchar_t* wide, int length) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) WideCharToMultiByte(CP_UTF8, 0, wide, length, text.data(), size, nullptr, nullptr);
  return text;
}

}  // namespace

std::string ErrorText(IoResult code) {
  if (code == kShortRead) return kShortReadText;
  char text[512] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(code) : message;
}

std::string ExecutablePath() {
  wchar_t path[32768] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, 32768);
  return length == 0 || length >= 32768 ? std::string() : Utf8(path, static_cast<int>(length));
}

bool DeviceByName(const std::string& path) {
  const std::size_t folder = path.find_last_of("\\/:");
  return WindowsDeviceName(folder == std::string::npos ? path : path.substr(folder + 1), CP_UTF8);
}

// The command line as the system keeps it (UTF-16), split as the C
// runtime splits it; argv itself holds the arguments in the ANSI code page.
std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr || count != argc) {
    if (wide != nullptr) LocalFree(wide);
    return {argv, argv + argc};
  }
  std::vector<std::string> arguments;
  for (int k = 0; k < count; ++k) arguments.push_back(Utf8(wide[k], static_cast<int>(wcslen(wide[k]))));
  LocalFree(wide);
  return arguments;
}

}  // namespace platform
