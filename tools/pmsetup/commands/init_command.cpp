// pmsetup init [DIR]: a first manifest for the files in a folder, to be
// read over and packed.  Every key pack takes is in it; those left at
// their defaults are commented out, showing the default.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string_view>

#include "commands/commands.hpp"
#include "io/file_io.hpp"
#include "package/file_name.hpp"
#include "packing/folder_entry.hpp"
#include "packing/manifest.hpp"
#include "platform/code_page.hpp"
#include "terminal/terminal_text.hpp"

namespace pmsetup {
namespace {

namespace fs = std::filesystem;

constexpr char kManifestName[] = "pagemix.toml";

// The longest folder name DefaultDir is given: it leaves the files' names
// most of the 259 characters the installers allow a path.
constexpr std::size_t kLongestFolderName = 64;

// What pack takes for each colour [colours] leaves out.
constexpr std::string_view kDefaultColours[][2] = {{"top", "#000080"}, {"bottom", "#0000FF"}, {"title", "#FFFFFF"}};

// One thing at the top of the folder.
struct Entry {
  std::string name;  // as the file system gives it
  bool folder = false;
  std::string left_out;  // why it is listed commented out, if it is
};

bool WellFormedUtf8(const std::string& text) {
  char32_t code_point = 0;
  for (std::size_t at = 0, length = 0; at < text.size(); at += length) {
    if ((length = platform::Utf8Character(text, at, code_point)) == 0) return false;
  }
  return true;
}

// A TOML string holding UTF-8 text: a literal one for a Windows path,
// whose backslashes would otherwise each need another.
std::string TomlString(const std::string& utf8) {
  const auto control = [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; };
  if (utf8.find('\\') != std::string::npos && utf8.find('\'') == std::string::npos &&
      std::none_of(utf8.begin(), utf8.end(), control)) {
    return "'" + utf8 + "'";
  }
  std::string quoted = "\"";
  for (const char c : utf8) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (control(c)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(static_cast<unsigned char>(c)));
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  return quoted + '"';
}

// A name for the proposed folder that Windows takes and the code page
// holds, made from the folder's own: a character that cannot be in a
// name becomes '_'.  Each character is judged between two letters, so
// that dots and spaces inside the name stay, by the same rules pack
// applies to names.
std::string WindowsFolderName(const std::string& utf8, int code_page) {
  const std::string composed = platform::Composed(utf8);
  std::string name, encoded;
  for (std::size_t at = 0, length = 0; at < composed.size(); at += length) {
    char32_t code_point = 0;
    length = std::max<std::size_t>(platform::Utf8Character(composed, at, code_point), 1);
    std::string character = composed.substr(at, length);
    std::optional<std::string> in_code_page = platform::ToCodePage(character, code_page);
    if (!in_code_page || package::FileNameProblem("x" + *in_code_page + "x", code_page) != nullptr) {
      character = "_";
      in_code_page = "_";
    }
    if (encoded.size() + in_code_page->size() > kLongestFolderName) break;
    name += character;
    encoded += *in_code_page;
  }
  // Windows drops trailing dots and spaces; leading spaces only mislead.
  name.erase(0, name.find_first_not_of(' '));
  name.erase(name.find_last_not_of(". ") + 1);
  // What is left can still name a device (CON, COM1.TXT).
  if (!name.empty() && package::FileNameProblem(*platform::ToCodePage(name, code_page), code_page) != nullptr) {
    name = "_" + name;
  }
  return name.empty() ? "Program" : name;
}

bool IsProgram(const Entry& entry) {
  if (entry.folder || !entry.left_out.empty() || entry.name.size() < 4) return false;
  std::string extension = entry.name.substr(entry.name.size() - 4);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
  return extension == ".EXE";
}

// The files and folders at the top of folder, sorted by name; an error
// message when it cannot be read.
std::string ReadEntries(const fs::path& folder, std::vector<Entry>& entries) {
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    Entry entry{Text(it->path().filename()), false, {}};
    std::error_code kind_error;
    entry.folder = it->is_directory(kind_error);
    if (!entry.folder && !it->is_regular_file(kind_error)) continue;
    if (!WellFormedUtf8(entry.name)) {
      entry.left_out = "its name is not UTF-8, which a manifest cannot hold; rename it";
    } else if (entry.name[0] == '.') {
      entry.left_out = "hidden here, so left out";
    } else if (entry.folder) {
      std::string problem;
      if (FilesInFolder(it->path(), {}, {}, problem).empty() && problem.empty()) {
        entry.left_out = "it holds no file, and pack refuses a folder that gives none";
      }
    }
    entries.push_back(std::move(entry));
  }
  if (error) return "cannot read " + ShownPath(folder) + ": " + error.message();
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return std::string();
}

std::string EntryText(const Entry& entry) {
  if (!entry.left_out.empty()) return "# " + ShownArgument(entry.name) + ": " + entry.left_out;
  const std::string source = TomlString(entry.name);
  return entry.folder ? "{ source = " + source + ", name = " + source + " }," : source + ",";
}

std::string ManifestText(const std::string& folder_name, const std::vector<Entry>& entries, const Entry& main) {
  const Manifest defaults;
  std::string text =
      "# The manifest of a Pagemix Setup package, written by pmsetup init for the\n"
      "# files beside it; pmsetup-manifest(5) describes every key.  A key commented\n"
      "# out shows its default: remove the \"#\" to change it.\n\n";
  text += "#code_page = " + std::to_string(defaults.code_page) + "\n\n#[colours]\n";
  for (const auto& [key, colour] : kDefaultColours) text += "#" + std::string(key) + " = \"" + std::string(colour) + "\"\n";
  text += "\n[texts]\nTitle = " + TomlString(folder_name) + "\n";
  text += "DefaultDir = " + TomlString("C:\\" + WindowsFolderName(folder_name, defaults.code_page)) + "\n";
  for (int id = 0; id < package::kTextCount; ++id) {
    if (id == package::Title || id == package::DefaultDir) continue;
    const std::string wording = platform::FromCodePage(kDefaultTexts[id], defaults.code_page);
    text += "#" + std::string(package::kTextNames[id]) + " = " + TomlString(wording) + "\n";
  }
  text += "\n[files]\nmain = " + TomlString(main.name) + "\n";
  std::string programs;
  for (const Entry& entry : entries) {
    if (&entry != &main && IsProgram(entry)) programs += (programs.empty() ? "" : ", ") + ShownArgument(entry.name);
  }
  if (!programs.empty()) text += "# Other programs here, packed as other files: " + programs + "\n";
  text += "other = [\n";
  for (const Entry& entry : entries) {
    if (&entry != &main) text += "  " + EntryText(entry) + "\n";
  }
  return text + "]\n";
}

// A path as a shell takes it back: quoted when it holds more than plain
// characters.
std::string ForShell(const std::string& path) {
  if (path.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_./+-:@%,=") ==
      std::string::npos) {
    return path;
  }
  std::string quoted = "'";
  for (const char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return ShownArgument(quoted + "'");
}

int Init(const std::string& folder) {
  const fs::path manifest_path = folder == "." ? Path(kManifestName) : Path(folder) / kManifestName;
  const std::string shown = ShownPath(manifest_path);
  std::error_code error;
  if (fs::symlink_status(manifest_path, error).type() != fs::file_type::not_found) {
    std::cerr << "pmsetup: " << shown << " already exists; remove it or pick another folder\n";
    return 1;
  }
  std::vector<Entry> entries;
  if (const std::string problem = ReadEntries(Path(folder), entries); !problem.empty()) {
    std::cerr << "pmsetup: " << problem << '\n';
    return 1;
  }
  const auto main = std::find_if(entries.begin(), entries.end(), IsProgram);
  if (main == entries.end()) {
    std::cerr << "pmsetup: " << ShownArgument(folder) << " holds no .EXE file at its top to be the package's main "
              << "program; put the program there and run init again (nothing was written)\n";
    return 1;
  }
  const fs::path canonical = fs::weakly_canonical(fs::absolute(Path(folder), error), error);
  const std::string name = Text(canonical.filename());
  const std::string text = ManifestText(name.empty() ? "Program" : name, entries, *main);
  const std::string written =
      WriteFileAtomically(Text(manifest_path), {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
  if (!written.empty()) {
    std::cerr << "pmsetup: cannot write " << shown << ": " << written << '\n';
    return 1;
  }
  const auto listed = [&](bool folders) {
    return std::count_if(entries.begin(), entries.end(), [&](const Entry& entry) {
      return &entry != &*main && entry.folder == folders && entry.left_out.empty();
    });
  };
  const auto files = listed(false), folders = listed(true);
  std::cout << "Wrote " << shown << ": " << ShownArgument(main->name) << " as the main program, " << files
            << (files == 1 ? " other file" : " other files") << " and " << folders
            << (folders == 1 ? " folder" : " folders") << ".\nRead it over, then pack the package:\n  pmsetup pack "
            << ForShell(Text(manifest_path)) << " --out OUT\n";
  return 0;
}

}  // namespace

Command AddInitCommand(CLI::App& app) {
  auto folder = std::make_shared<std::string>(".");
  CLI::App* init = app.add_subcommand(
      "init", "Write DIR/pagemix.toml, a first manifest for the files and folders in DIR, to read over and pack.");
  init->add_option("DIR", *folder, "the folder (default: the current one)")
      ->type_name("")
      ->check(CLI::ExistingDirectory.description(""));
  return {init, [folder] { return Init(*folder); }};
}

}  // namespace pmsetup
