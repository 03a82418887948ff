// Texts that pack, but that SETUP.EXE would show wrong: run together with
// the program's name or the disk number it appends, or cut off on the
// smallest screen it runs on (640x480), measured in the fonts it draws
// them in.
#pragma once

#include <toml++/toml.h>

#include <functional>
#include <string>

#include "packing/manifest.hpp"

namespace pmsetup {

using TextWarning = std::function<void(const toml::source_region& where, const std::string& message)>;

// Once the whole manifest is read: the texts and the main program's name
// are final.  root is the manifest, for the lines the warnings name.
void WarnOfTextsThatReadWrong(const toml::table& root, const Manifest& manifest, const TextWarning& warn);

}  // namespace pmsetup
