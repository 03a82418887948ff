// Where pack finds the installer stub when it is not given --stub: beside
// the tool (a build tree, or the Windows zip, which holds both), then in
// ../share/pagemix-setup/ relative to the tool (an installed tree:
// bin/pmsetup and share/pagemix-setup/SETUP.EXE).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pmsetup {

// The places in the order they are tried.
std::vector<std::string> StubPlaces();

// The first place that holds a file; none when none does.
std::optional<std::string> FindStub();

// Why no stub was found, naming every place looked in.
std::string NoStubMessage();

}  // namespace pmsetup
