#include "packing/manifest.hpp"

#include <toml++/toml.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <set>

#include "common/path_text.hpp"
#include "extract/staged_files.hpp"
#include "io/file_io.hpp"
#include "packing/folder_entry.hpp"
#include "package/group_name.hpp"
#include "platform/code_page.hpp"
#include "package/file_name.hpp"
#include "packing/text_fit.hpp"
#include "platform/file.hpp"
#include "terminal/terminal_text.hpp"

namespace pmsetup {

const package::SetupTextArray kDefaultTexts = {
    "",  // Title: required
    "",  // DefaultDir: required
    "",  // GroupName: no program group unless one is named
    "OK",
    "Cancel",
    "Yes",
    "No",
    "Please enter the directory where you would like this program to be installed.",
    "Do you wish to create a program group?",
    "Do you want to run %s now?",
    "Please insert disk %u.",
    "That is not the right disk. Please try again.",
    "The installation has been terminated.",
    "Do you really want to cancel the installation?",
    "Setup",
    "Copying files...",
    "",  // FooterText: none
};

namespace {

namespace fs = std::filesystem;

constexpr std::array kRequiredTexts = {package::Title, package::DefaultDir};

// Why a file of this name would harm the package or the folder it is
// installed into, or nullptr.  The disk count is known only once the
// payload is packed, so every DISKn.CMP is refused.
const char* PackageFileClash(const std::string& name) {
  if (package::VolumeNumber(name) > 0) {
    return "is named like a volume (DISKn.CMP): installed beside the volumes, it would replace one";
  }
  if (package::InstallerName(name)) return "is the installer's name: installed beside it, it would replace it";
  if (package::InstallerTemporaryName(name)) {
    return "is named like the installers' temporary files (~PMnnnnn.TMP): the next installation into its folder "
           "would remove it";
  }
  return nullptr;
}

class ManifestReader {
 public:
  ManifestReader(const std::string& path, Manifest& manifest, std::vector<std::string>& errors)
      : path_(ShownArgument(path)), base_(Path(path).parent_path()), manifest_(manifest), errors_(errors) {}

  void Read(const toml::table& root) {
    CheckKeys(root, {"code_page", "colours", "texts", "files"}, "");
    ReadCodePage(root);
    ReadColours(root["colours"]);
    ReadTexts(root);
    ReadFiles(root);
    WarnOfTextsThatReadWrong(root, manifest_, [this](const toml::source_region& where, const std::string& message) {
      Warning(where, message);
    });
  }

  void Error(const toml::source_region& where, const std::string& message) {
    errors_.push_back(path_ + ":" + std::to_string(where.begin.line) + ": " + message);
  }

  void Warning(const toml::source_region& where, const std::string& message) {
    manifest_.warnings.push_back(path_ + ":" + std::to_string(where.begin.line) + ": warning: " + message);
  }

 private:
  void CheckKeys(const toml::table& table, std::set<std::string> known, const std::string& section) {
    for (const auto& [key, node] : table) {
      if (!known.count(std::string(key.str()))) {
        Error(key.source(), "unknown key '" + ShownArgument(std::string(key.str())) + "'" +
                                (section.empty() ? "" : " in [" + section + "]"));
      }
    }
  }

  void ReadCodePage(const toml::table& root) {
    const toml::node* node = root.get("code_page");
    if (node == nullptr) return;
    if (!node->is_integer()) {
      Error(node->source(), std::string("code_page must be a number, such as 1252") +
                                (node->is_string() ? ", written without quotes" : ""));
      return;
    }
    const auto value = node->value<std::int64_t>();
    if (!value || *value <= 0 || *value > 65535 || !platform::KnownCodePage(static_cast<int>(*value))) {
      Error(node->source(), "code_page must name a Windows code page this system can convert to, such as 1252");
      return;
    }
    manifest_.code_page = static_cast<int>(*value);
  }

  // "#RRGGBB" becomes the colour value 0x00BBGGRR.
  void ReadColour(toml::node_view<const toml::node> colours, const char* key, std::uint32_t fallback,
                  std::uint32_t& colour) {
    colour = fallback;
    const toml::node* node = colours[key].node();
    if (node == nullptr) return;
    const auto text = node->value<std::string>();
    const bool valid = text && text->size() == 7 && (*text)[0] == '#' &&
                       text->find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos;
    if (!valid) {
      Error(node->source(), std::string("colour '") + key + "' must be written \"#RRGGBB\"");
      return;
    }
    const auto rgb = static_cast<std::uint32_t>(std::stoul(text->substr(1), nullptr, 16));
    colour = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
  }

  void ReadColours(toml::node_view<const toml::node> colours) {
    if (colours && !colours.is_table()) Error(colours.node()->source(), "[colours] must be a table");
    if (const toml::table* table = colours.as_table()) CheckKeys(*table, {"top", "bottom", "title"}, "colours");
    ReadColour(colours, "top", 0x00800000, manifest_.TopColor);
    ReadColour(colours, "bottom", 0x00FF0000, manifest_.BottomColor);
    ReadColour(colours, "title", 0x00FFFFFF, manifest_.TitleColor);
  }

  std::optional<std::string> Encoded(const toml::node& node, const std::string& what) {
    const auto text = node.value<std::string>();
    if (!text) {
      Error(node.source(), what + " must be a string");
      return std::nullopt;
    }
    if (text->find('\0') != std::string::npos) {
      Error(node.source(), what + " holds a NUL character, which would end it there");
      return std::nullopt;
    }
    // U+0080..U+009F: control characters that code pages treat each their
    // own way (Windows keeps some of them, other systems refuse them).
    for (std::size_t k = 0; k + 1 < text->size(); ++k) {
      if (static_cast<unsigned char>((*text)[k]) == 0xC2 && static_cast<unsigned char>((*text)[k + 1]) < 0xA0) {
        Error(node.source(), what + " holds a control character (U+0080 to U+009F)");
        return std::nullopt;
      }
    }
    auto encoded = InCodePage(*text, node, what);
    if (encoded && encoded->size() > 255) {
      Error(node.source(), what + " takes " + ByteCount(encoded->size()) + "; a package text holds at most 255");
      encoded.reset();
    }
    return encoded;
  }

  // UTF-8 from the manifest in the package's code page, composed first
  // (NFC): a name or text written with combining accents is the same
  // name or text as with the accented letters.
  std::optional<std::string> InCodePage(const std::string& utf8, const toml::node& node, const std::string& what) {
    const std::string composed = platform::Composed(utf8);
    if (auto converted = platform::ToCodePage(composed, manifest_.code_page)) return converted;
    if (const std::optional<platform::Misfit> misfit = platform::FirstMisfit(composed, manifest_.code_page)) {
      char code_point[16];
      std::snprintf(code_point, sizeof code_point, "U+%04X", static_cast<unsigned>(misfit->code_point));
      Error(node.source(), what + " holds '" + ShownArgument(misfit->character) + "' (" + code_point + ") at character " +
                               std::to_string(misfit->position) + ", which code page " +
                               std::to_string(manifest_.code_page) + " cannot show");
    } else {
      Error(node.source(), what + " cannot be written in code page " + std::to_string(manifest_.code_page));
    }
    return std::nullopt;
  }

  void ReadTexts(const toml::table& root) {
    manifest_.texts = kDefaultTexts;
    const toml::table* texts = root["texts"].as_table();
    if (texts == nullptr) {
      errors_.push_back(path_ + ": the manifest needs a [texts] table with at least Title and DefaultDir");
      return;
    }
    std::set<std::string> names(package::kTextNames.begin(), package::kTextNames.end());
    CheckKeys(*texts, names, "texts");
    for (int id = 0; id < package::kTextCount; ++id) {
      const toml::node* node = texts->get(package::kTextNames[id]);
      if (node == nullptr) continue;
      if (auto encoded = Encoded(*node, std::string("text ") + package::kTextNames[id])) {
        manifest_.texts[id] = std::move(*encoded);
      }
    }
    for (const int id : kRequiredTexts) {
      const toml::node* node = texts->get(package::kTextNames[id]);
      if (node == nullptr) Error(texts->source(), std::string("[texts] needs ") + package::kTextNames[id]);
      else if (node->is_string() && node->value_or(std::string()).empty()) {
        Error(node->source(), std::string(package::kTextNames[id]) + " must not be empty");
      }
    }
    CheckGroupName(*texts);
    CheckFolderLength(*texts);
    for (const int id : {package::DefaultDir, package::GroupName}) {
      const std::string problem = BackslashProblem(manifest_.texts[id]);
      if (const toml::node* node = texts->get(package::kTextNames[id]); node != nullptr && !problem.empty()) {
        Error(node->source(), std::string(package::kTextNames[id]) + " '" + Shown(manifest_.texts[id]) + "': " + problem);
      }
    }
  }

  // In a double-byte code page: why text cannot go into a path, naming
  // the character whose second byte is a backslash; empty when it can.
  std::string BackslashProblem(const std::string& text) const {
    const std::size_t at = package::BackslashInCharacter(text, manifest_.code_page);
    if (at == std::string::npos) return std::string();
    return "the second byte of '" + Shown(text.substr(at, 2)) +
           "' is a backslash, which the installer's path handling would take as a separator";
  }

  // The group is a folder inside the user's Programs folder; the installer
  // would refuse a name that leads elsewhere or that Windows cannot make,
  // so no package offers one.
  void CheckGroupName(const toml::table& texts) {
    const toml::node* node = texts.get(package::kTextNames[package::GroupName]);
    const std::string& name = manifest_.texts[package::GroupName];
    if (node == nullptr || package::UsableGroupName(name, manifest_.code_page)) return;
    Error(node->source(), "GroupName '" + Shown(name) +
                              "' must name a folder inside the Start menu's Programs folder: no leading '\\' or "
                              "'/', no control character or < > : \" | ? *, no component of only dots and spaces "
                              "('.', '..') and none naming a device");
  }

  // One entry of [files]: a file, or in other a folder of them; what it
  // stands for goes to files.
  void ReadEntry(const toml::node& node, bool main, std::vector<ManifestFile>& files) {
    const toml::node* source_node = &node;
    const toml::node* name_node = nullptr;
    const toml::table* table = node.as_table();
    if (table != nullptr) {
      CheckKeys(*table, {"source", "name", "include", "exclude"}, "files");
      source_node = table->get("source");
      name_node = table->get("name");
      if (source_node == nullptr) {
        Error(node.source(), "a file table needs a source");
        return;
      }
    }
    const auto source = source_node->value<std::string>();
    if (!source) {
      Error(source_node->source(), "a file must be a path or a table { source = ..., name = ... }");
      return;
    }
    const fs::path path = base_ / Path(*source);
    std::error_code error;
    if (fs::is_directory(path, error)) {
      if (main) Error(source_node->source(), "main must be a file: '" + ShownArgument(*source) + "' is a folder");
      else ReadFolder(*table_or(node), *source_node, name_node, path, files);
      return;
    }
    if (table != nullptr && (table->get("include") != nullptr || table->get("exclude") != nullptr)) {
      Error(node.source(), "include and exclude narrow a folder, and '" + ShownArgument(*source) + "' is none");
      return;
    }
    if (!fs::is_regular_file(path, error)) {
      Error(source_node->source(), "file '" + ShownArgument(*source) + "' does not exist or is not a regular file");
      return;
    }
    std::optional<std::string> name;
    if (name_node != nullptr) {
      name = Encoded(*name_node, "name");
    } else {
      const std::string file_name = Text(Path(*source).filename());
      name = InCodePage(file_name, *source_node, "file name '" + ShownArgument(file_name) + "'");
    }
    if (!name) return;
    if (auto checked = CheckedName(*name, (name_node ? name_node : source_node)->source(), main)) {
      files.push_back({Text(path), *checked});
    }
  }

  // The entry's table, or an empty one for a bare path.
  const toml::table* table_or(const toml::node& node) {
    static const toml::table kNone;
    return node.as_table() != nullptr ? node.as_table() : &kNone;
  }

  std::vector<std::string> Patterns(const toml::table& table, const char* key) {
    std::vector<std::string> patterns;
    const toml::node* node = table.get(key);
    if (node == nullptr) return patterns;
    const toml::array* list = node->as_array();
    for (std::size_t k = 0; list != nullptr && k < list->size(); ++k) {
      if (auto pattern = (*list)[k].value<std::string>()) patterns.push_back(*pattern);
      else list = nullptr;
    }
    if (list == nullptr) Error(node->source(), std::string(key) + " must be a list of patterns, such as [\"*.txt\"]");
    return patterns;
  }

  // Every file under a folder, installed under name (by default the
  // folder's own) with its path within the folder.
  void ReadFolder(const toml::table& table, const toml::node& source_node, const toml::node* name_node,
                  const fs::path& folder, std::vector<ManifestFile>& files) {
    std::optional<std::string> prefix;
    if (name_node != nullptr) {
      prefix = name_node->is_string() && name_node->value_or(std::string()).empty() ? std::string()
                                                                                    : Encoded(*name_node, "name");
    } else {
      const std::string folder_name = Text(folder.lexically_normal().parent_path().filename());
      const std::string own = Text(folder.lexically_normal().filename());
      prefix = InCodePage(own.empty() ? folder_name : own, source_node, "folder name '" + ShownArgument(own) + "'");
    }
    const std::vector<std::string> include = Patterns(table, "include"), exclude = Patterns(table, "exclude");
    std::string error;
    const std::vector<FolderFile> found = FilesInFolder(folder, include, exclude, error);
    if (!error.empty()) Error(source_node.source(), error);
    else if (found.empty()) {
      Error(source_node.source(), "folder '" + ShownPath(folder) + "' holds no file to pack" +
                                      (include.empty() && exclude.empty() ? "" : " that include and exclude let through"));
    }
    if (!prefix) return;
    const toml::source_region& where = (name_node ? name_node : &source_node)->source();
    for (const FolderFile& file : found) {
      auto relative = InCodePage(file.relative, source_node, "file name '" + ShownArgument(file.relative) + "'");
      if (!relative) continue;
      const std::string name = prefix->empty() ? *relative : *prefix + '\\' + *relative;
      if (auto checked = CheckedName(name, where, false)) files.push_back({Text(file.source), *checked});
    }
  }

  // name, its folders separated by '\\', when every component can be a
  // name on Windows and the whole fits the proposed destination.
  std::optional<std::string> CheckedName(std::string name, const toml::source_region& where, bool main) {
    std::replace(name.begin(), name.end(), '/', '\\');  // never a second byte in Windows' code pages
    const std::string separator = BackslashProblem(name);
    if (!separator.empty()) {
      Error(where, "'" + Shown(name) + "' cannot be a file name on Windows: " + separator);
      return std::nullopt;
    }
    const bool in_folder = name.find('\\') != std::string::npos;
    if (main && in_folder) {
      Error(where, "'" + Shown(name) + "': the main program is installed at the top of the destination, so its "
                   "name cannot hold a folder");
      return std::nullopt;
    }
    for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
      end = name.find('\\', start);
      const std::string component = name.substr(start, end == std::string::npos ? end : end - start);
      if (const char* problem = package::FileNameProblem(component, manifest_.code_page)) {
        Error(where, "'" + Shown(name) + "' cannot be a file name on Windows: " +
                         (in_folder ? "'" + Shown(component) + "' " : std::string()) + problem);
        return std::nullopt;
      }
    }
    if (const char* problem = in_folder ? nullptr : PackageFileClash(name)) {
      Error(where, "'" + Shown(name) + "' " + problem);
      return std::nullopt;
    }
    CheckLength(name, where);
    return name;
  }

  // A name must fit the destination the package proposes, as the
  // installers join them; and Linux takes 255 bytes of UTF-8 in a name.
  void CheckLength(const std::string& name, const toml::source_region& where) {
    const std::string& folder = manifest_.texts[package::DefaultDir];
    const std::size_t length = common::JoinPath(folder, name).size();
    const std::string shown = "'" + Shown(name) + "'";
    const std::string unit = platform::DoubleByteCodePage(manifest_.code_page)
                                 ? " bytes in code page " + std::to_string(manifest_.code_page)
                                 : " characters";
    if (!folder.empty() && length > platform::kLongestPath) {
      const bool separated = folder.back() == '\\';
      Error(where, shown + ": '" + Shown(folder) + (separated ? "'" : "' + '\\'") + " + the name is " +
                       std::to_string(length) + unit + "; the installer takes at most " +
                       std::to_string(platform::kLongestPath));
    } else if (const std::size_t last = name.rfind('\\'); !folder.empty() && last != std::string::npos) {
      const std::size_t folder_length = common::JoinPath(folder, name.substr(0, last)).size();
      if (folder_length > platform::kLongestFolderPath) {
        Error(where, shown + ": its folder under '" + Shown(folder) + "' is " + std::to_string(folder_length) + unit +
                         "; Windows makes folders of at most " + std::to_string(platform::kLongestFolderPath));
      }
    }
    std::size_t utf8 = 0;
    for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
      end = name.find('\\', start);
      utf8 = std::max(utf8, Readable(name.substr(start, end == std::string::npos ? end : end - start)).size());
    }
    if (utf8 > platform::kLongestUtf8Name) {
      Warning(where, shown + " takes " + ByteCount(utf8) + " in UTF-8; Linux takes at most " +
                         std::to_string(platform::kLongestUtf8Name) +
                         " in a name, so pmsetup install cannot install it there (Windows can)");
    }
  }

  // The installers write every file under a temporary name first, in the
  // destination itself: the proposed folder must leave room for one.
  void CheckFolderLength(const toml::table& texts) {
    const toml::node* node = texts.get(package::kTextNames[package::DefaultDir]);
    const std::string& folder = manifest_.texts[package::DefaultDir];
    const std::size_t length = common::JoinPath(folder, std::string(extract::kTemporaryNameLength, 'x')).size();
    if (node == nullptr || folder.empty() || length <= platform::kLongestPath) return;
    Error(node->source(), "DefaultDir '" + Shown(folder) + "' leaves no room for the installer's temporary names (" +
                              std::to_string(extract::kTemporaryNameLength) + " characters): with one it is " +
                              std::to_string(length) + "; the installer takes at most " +
                              std::to_string(platform::kLongestPath));
  }

  void ReadFiles(const toml::table& root) {
    const toml::table* files = root["files"].as_table();
    if (files == nullptr || files->get("main") == nullptr) {
      errors_.push_back(path_ + ": the manifest needs a [files] table with main = \"the program to install\"");
      return;
    }
    CheckKeys(*files, {"main", "other"}, "files");
    std::vector<ManifestFile> main;
    ReadEntry(*files->get("main"), true, main);
    if (!main.empty()) manifest_.main = main.front();
    std::set<std::u32string> seen{Folded(manifest_.main.name)}, folders;
    const toml::node* other = files->get("other");
    if (other == nullptr) return;
    const toml::array* list = other->as_array();
    if (list == nullptr) {
      Error(other->source(), "other must be a list of files");
      return;
    }
    for (const toml::node& item : *list) {
      std::vector<ManifestFile> found;
      ReadEntry(item, false, found);
      for (ManifestFile& file : found) {
        if (const std::string clash = Clash(file.name, seen, folders); !clash.empty()) {
          Error(item.source(), clash);
          continue;
        }
        manifest_.folder_names |= file.name.find('\\') != std::string::npos;
        manifest_.others.push_back(std::move(file));
      }
    }
  }

  // Why a file of this path cannot join those seen (and the folders they
  // are in), or empty when it can; it joins them then.
  std::string Clash(const std::string& name, std::set<std::u32string>& seen, std::set<std::u32string>& folders) {
    const std::u32string folded = Folded(name);
    if (seen.count(folded) != 0) return "two files would be installed as '" + Shown(name) + "'";
    if (folders.count(folded) != 0) return "'" + Shown(name) + "' would be a file and a folder of other files at once";
    std::vector<std::u32string> levels;
    for (std::size_t end = name.find('\\'); end != std::string::npos; end = name.find('\\', end + 1)) {
      levels.push_back(Folded(name.substr(0, end)));
      if (seen.count(levels.back()) != 0) {
        return "'" + Shown(name) + "' would go into folder '" + Shown(name.substr(0, end)) + "', which is a file";
      }
    }
    seen.insert(folded);
    folders.insert(levels.begin(), levels.end());
    return std::string();
  }

  // Windows compares file names without regard to case, in every script.
  std::u32string Folded(const std::string& name) const {
    return platform::CaseFolded(platform::FromCodePage(name, manifest_.code_page));
  }

  std::string Readable(const std::string& name) const { return platform::FromCodePage(name, manifest_.code_page); }

  // A name or text of the package as a message shows it.
  std::string Shown(const std::string& text) const { return ShownIn(text, manifest_.code_page); }

  std::string path_;  // as messages show it
  fs::path base_;
  Manifest& manifest_;
  std::vector<std::string>& errors_;
};

}  // namespace

bool ReadManifest(const std::string& path, Manifest& manifest, std::vector<std::string>& errors) {
  errors.clear();
  manifest = Manifest();
  toml::table root;
  try {
    root = toml::parse_file(path);
  } catch (const toml::parse_error& error) {
    errors.push_back(ShownArgument(path) + ":" + std::to_string(error.source().begin.line) + ": " +
                     ShownArgument(std::string(error.description())));
    return false;
  }
  ManifestReader(path, manifest, errors).Read(root);
  return errors.empty();
}

}  // namespace pmsetup
