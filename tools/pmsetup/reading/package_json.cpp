#include "reading/package_json.hpp"

#include <chrono>
#include <cstdio>

#include "package/file_name.hpp"
#include "platform/code_page.hpp"
#include "reading/listing_values.hpp"
#include "reading/salvage.hpp"

namespace pmsetup {
namespace {

using Json = nlohmann::ordered_json;

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// Text in code_page as UTF-8, each byte that is no character there as
// U+FFFD; exact tells whether there was none.
std::string Utf8Text(const std::string& text, int code_page, bool& exact) {
  if (const std::optional<std::string> whole = platform::ConvertedFromCodePage(text, code_page)) {
    exact = true;
    return *whole;
  }
  exact = false;
  std::string utf8;
  for (std::size_t at = 0; at < text.size();) {
    // A lead byte whose pair is no character stands alone, and the byte
    // after it is tried on its own, as the text listing does.
    const std::size_t length = platform::CharacterLength(text, at, code_page);
    const std::optional<std::string> one = platform::ConvertedFromCodePage(text.substr(at, length), code_page);
    if (one && !one->empty()) {
      utf8 += *one;
      at += length;
    } else {
      utf8 += kReplacement;
      ++at;
    }
  }
  return utf8;
}

std::string Hex(const std::string& bytes) {
  std::string hex;
  for (const char byte : bytes) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(byte));
    hex += pair;
  }
  return hex;
}

// Sets object[key] to the text, and object[hex_key] to its bytes when
// some of them do not convert: a reader can still tell which they were.
void PutText(Json& object, const std::string& key, Json& hex_object, const std::string& hex_key, const std::string& text,
             int code_page) {
  bool exact = true;
  object[key] = Utf8Text(text, code_page, exact);
  if (!exact) hex_object[hex_key] = Hex(text);
}

// "2001-02-03T04:05:06Z"; null for 0, the time nobody recorded.
Json IsoTime(std::uint32_t time) {
  if (time == 0) return nullptr;
  using namespace std::chrono;
  const sys_seconds moment{seconds{time}};
  const sys_days day = floor<days>(moment);
  const year_month_day date{day};
  const hh_mm_ss<seconds> clock{moment - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()));
  return text;
}

Json FileJson(const package::LibRec& entry, bool main, bool folder_names, int code_page) {
  Json file = Json::object();
  PutText(file, "name", file, "name_hex", entry.Name, code_page);
  const char* problem = nullptr;
  // The main program is installed under its name as it stands: a package
  // whose main name would not be refuses to list at all.
  const std::string installed = main ? entry.Name : package::InstalledPath(entry.Name, folder_names, &problem);
  bool exact = true;
  file["installed_as"] = installed.empty() ? Json(nullptr) : Json(Utf8Text(installed, code_page, exact));
  file["problem"] = problem != nullptr ? Json(problem) : Json(nullptr);
  file["offset"] = entry.Offset;
  file["size"] = entry.Size;
  file["modified"] = IsoTime(entry.Time);
  file["main"] = main;
  return file;
}

Json IntegrityJson(const package::IntegrityRecord& record) {
  if (!record.Present) return nullptr;
  Json volumes = Json::array();
  for (std::size_t n = 1; n <= record.VolumeCount(); ++n) {
    const package::VolumeSum sum = record.Volume(n);
    volumes.push_back({{"name", package::VolumeName(static_cast<int>(n))}, {"size", sum.Size}, {"crc", sum.Crc}});
  }
  return {{"image_covered", record.ImageCovered}, {"payload_crc", record.PayloadCrc}, {"volumes", volumes}};
}

// One word for what verify found of a volume, for programs to branch on.
const char* VolumeVerdict(const VolumeCheck& volume) {
  if (volume.problem == platform::kFileNotFound) return "missing";
  if (volume.problem == platform::kNotAFile) return "not_a_file";
  if (volume.problem != platform::kIoOk) return "unreadable";
  return package::VolumeMatches(volume.expected, volume.size, volume.crc) ? "good" : "damaged";
}

}  // namespace

Json ListingJson(const PackageFile& package, const std::optional<StubVersion>& stub, int code_page) {
  const package::SetupBlock& block = package.block;
  Json texts = Json::object(), texts_hex = Json::object();
  for (int id = 0; id < package::kTextCount; ++id) {
    PutText(texts, package::kTextNames[id], texts_hex, package::kTextNames[id], block.SetupTexts[id], code_page);
  }
  Json files = Json::array();
  for (const package::LibRec* entry = block.FileList; entry != nullptr; entry = entry->Next) {
    files.push_back(FileJson(*entry, entry == block.FileList, block.FolderNames, code_page));
  }
  Json listing = {
      {"format", "pagemix-setup-listing"},
      {"version", kJsonVersion},
      {"stub", {{"version", stub ? Json(stub->version) : Json(nullptr)}, {"description", DescribeStubVersion(stub)}}},
      {"colours",
       {{"top", ColourText(block.TopColor)}, {"bottom", ColourText(block.BottomColor)}, {"title", ColourText(block.TitleColor)}}},
      {"total_size", block.TotalSize},
      {"disk_count", block.DiskCount},
      {"code_page", code_page},
      {"folder_names", block.FolderNames},
      {"texts", texts},
  };
  if (!texts_hex.empty()) listing["texts_hex"] = texts_hex;
  listing["files"] = files;
  listing["integrity"] = IntegrityJson(package.record);
  return listing;
}

Json VolumeJson(const VolumeCheck& volume) {
  const bool read = volume.problem == platform::kIoOk;
  return {
      {"name", volume.name},
      {"found_at", volume.found_at ? Json(*volume.found_at) : Json(nullptr)},
      {"verdict", VolumeVerdict(volume)},
      {"message", volume.message},
      {"expected_size", volume.expected.Size},
      {"expected_crc", volume.expected.Crc},
      {"size", read ? Json(volume.size) : Json(nullptr)},
      {"crc", read ? Json(volume.crc) : Json(nullptr)},
  };
}

Json VerifyJson(const char* installer_damage, const std::optional<std::vector<VolumeCheck>>& volumes, bool sound) {
  Json checked = nullptr;
  if (volumes) {
    checked = Json::array();
    for (const VolumeCheck& volume : *volumes) checked.push_back(VolumeJson(volume));
  }
  return {
      {"format", "pagemix-setup-verify"},
      {"version", kJsonVersion},
      {"installer",
       {{"verdict", installer_damage ? "damaged" : "good"},
        {"problem", installer_damage ? Json(installer_damage) : Json(nullptr)}}},
      {"volumes", checked},
      {"sound", sound},
  };
}

Json SalvageJson(const std::string& first_bad, std::int64_t decodable, const package::SetupBlock& block,
                 int code_page) {
  Json whole = Json::array(), lost = Json::array();
  for (const package::LibRec* entry = block.FileList; entry != nullptr; entry = entry->Next) {
    bool exact = true;
    (WholeWithin(*entry, decodable) ? whole : lost).push_back(Utf8Text(entry->Name, code_page, exact));
  }
  return {{"first_bad_volume", first_bad}, {"decodable_bytes", decodable}, {"whole", whole}, {"lost", lost}};
}

std::string JsonText(const Json& document) {
  return document.dump(2, ' ', false, Json::error_handler_t::replace) + '\n';
}

}  // namespace pmsetup
