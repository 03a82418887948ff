// make-package --stub FILE --out FILE [options]
//
// Appends a setup block to a copy of the stub.  Texts default to a
// complete English package; options change what a test is about:
//   --text NAME=VALUE        set one of the 17 texts (VALUE may be empty)
//   --colours TOP,BOTTOM,TITLE   RRGGBB each
//   --total-size N  --disk-count N
//   --entry NAME:OFFSET:SIZE     in list order, main program first (repeat);
//                            without any, one main program holds the payload
//   --no-entries             store an empty file list
//   --truncate N             drop the last N bytes of the finished file
//   --trailer N              overwrite the trailer with N
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "counted_text.hpp"
#include "package/block_writer.hpp"

namespace {

using package::PackageContents;

PackageContents DefaultContents() {
  PackageContents c;
  c.TopColor = 0x00808080;
  c.BottomColor = 0x00C0C0C0;
  c.TitleColor = 0x00FFFFFF;
  c.DiskCount = 1;
  c.SetupTexts = {"Moonquill - demo", "C:\\Tidewell", "Tidewell", "OK", "Cancel", "Yes", "No",
                  "Please enter the drive and directory where you would like this program to be installed. "
                  "To accept the default drive and directory, simply press Enter.",
                  "Do you wish to create a program folder?", "Do you want to run", "Please insert disk #",
                  "That's not the correct disk, try again.", "The installation has terminated.",
                  "Do you really want to cancel the installation?", "Setup", "Extracting Files...",
                  "Tidewell 1998."};
  return c;
}

[[noreturn]] void Fail(const std::string& message) {
  std::cerr << "make-package: " << message << '\n';
  std::exit(2);
}

std::uint32_t Number(const std::string& text, int base = 0) {
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text.c_str(), &end, base);
  if (text.empty() || *end != '\0') Fail("not a number: " + text);
  return static_cast<std::uint32_t>(value);
}

// RRGGBB as written by people, stored as 0x00BBGGRR.
std::uint32_t Colour(const std::string& rrggbb) {
  const std::uint32_t v = Number(rrggbb, 16);
  return ((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16);
}

void SetText(PackageContents& c, const std::string& assignment) {
  const std::size_t eq = assignment.find('=');
  const std::string name = assignment.substr(0, eq);
  for (int id = 0; id < package::kTextCount; ++id) {
    if (eq != std::string::npos && name == package::kTextNames[id]) {
      c.SetupTexts[id] = assignment.substr(eq + 1);
      return;
    }
  }
  Fail("unknown text: " + assignment);
}

package::PackageEntry Entry(const std::string& text) {
  const std::size_t second = text.rfind(':');
  const std::size_t first = second == std::string::npos ? second : text.rfind(':', second - 1);
  if (first == std::string::npos) Fail("entry needs NAME:OFFSET:SIZE: " + text);
  return {text.substr(0, first), static_cast<std::int32_t>(Number(text.substr(first + 1, second - first - 1))),
          static_cast<std::int32_t>(Number(text.substr(second + 1)))};
}

std::vector<char> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
  PackageContents contents = DefaultContents();
  std::string stub, out;
  std::size_t truncate = 0;
  bool set_trailer = false, no_entries = false;
  std::uint32_t trailer = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--no-entries") {
      no_entries = true;
      continue;
    }
    if (i + 1 >= argc) Fail("missing value after " + option);
    const std::string value = argv[++i];
    if (option == "--stub") stub = value;
    else if (option == "--out") out = value;
    else if (option == "--text") SetText(contents, value);
    else if (option == "--total-size") contents.TotalSize = static_cast<std::int32_t>(Number(value));
    else if (option == "--disk-count") contents.DiskCount = static_cast<std::uint8_t>(Number(value));
    else if (option == "--entry") contents.Entries.push_back(Entry(value));
    else if (option == "--truncate") truncate = Number(value);
    else if (option == "--trailer") set_trailer = true, trailer = Number(value);
    else if (option == "--colours") {
      if (value.size() != 20 || value[6] != ',' || value[13] != ',') Fail("--colours wants RRGGBB,RRGGBB,RRGGBB");
      contents.TopColor = Colour(value.substr(0, 6));
      contents.BottomColor = Colour(value.substr(7, 6));
      contents.TitleColor = Colour(value.substr(14, 6));
    } else Fail("unknown option " + option);
  }
  if (stub.empty() || out.empty()) Fail("usage: make-package --stub FILE --out FILE [options]");
  if (contents.Entries.empty() && !no_entries) contents.Entries.push_back({"Moonquill.EXE", 0, contents.TotalSize});
  if (const std::string problem = testing_support::CountedTextProblem(contents); !problem.empty()) Fail(problem);

  std::vector<char> file = ReadAll(stub);
  const auto block = package::EncodeSetupBlock(contents, static_cast<std::uint32_t>(file.size()));
  file.insert(file.end(), block.begin(), block.end());
  if (set_trailer) {
    for (int k = 0; k < 4; ++k) file[file.size() - 4 + k] = static_cast<char>(trailer >> (8 * k));
  }
  file.resize(file.size() - std::min(truncate, file.size()));
  std::ofstream(out, std::ios::binary).write(file.data(), static_cast<std::streamsize>(file.size()));
  return 0;
}
