#include "packing/stub_location.hpp"

#include <filesystem>

#include "io/file_io.hpp"
#include "platform/system.hpp"
#include "terminal/terminal_text.hpp"

namespace pmsetup {

std::vector<std::string> StubPlaces() {
  const std::string self = platform::ExecutablePath();
  if (self.empty()) return {"SETUP.EXE"};
  const std::filesystem::path folder = Path(self).parent_path();
  return {Text(folder / "SETUP.EXE"),
          Text((folder.parent_path() / "share" / "pagemix-setup" / "SETUP.EXE").lexically_normal())};
}

std::optional<std::string> FindStub() {
  for (const std::string& place : StubPlaces()) {
    std::error_code error;
    if (std::filesystem::is_regular_file(Path(place), error)) return place;
  }
  return std::nullopt;
}

std::string NoStubMessage() {
  std::string looked;
  for (const std::string& place : StubPlaces()) looked += (looked.empty() ? "" : " and ") + ShownArgument(place);
  return "no installer stub: looked for " + looked +
         "; install the tools, build the win32 preset beside them, or pass --stub PATH";
}

}  // namespace pmsetup
