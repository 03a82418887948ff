#include "terminal/terminal_text.hpp"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>

#include "platform/code_page.hpp"

namespace pmsetup {
namespace {

constexpr int kUtf8 = 0;  // the text is UTF-8, not in a code page

// How a text is shown besides its control characters.
struct Form {
  Lines lines = Lines::kOne;
  bool quoted = false;   // '"' and '\' escaped too
  bool slashes = false;  // '\' shown as '/'
};

void AppendByte(std::string& shown, unsigned value) {
  char escaped[5];
  std::snprintf(escaped, sizeof escaped, "\\x%02X", value & 0xFF);
  shown += escaped;
}

// C0, DEL and C1.
bool IsControl(char32_t code_point) { return code_point < 0x20 || (code_point >= 0x7F && code_point < 0xA0); }

// Appends one character (its code point, and its UTF-8 bytes) as form shows it.
void AppendCharacter(std::string& shown, char32_t code_point, std::string_view utf8, const Form& form) {
  if (IsControl(code_point)) return AppendByte(shown, code_point);
  if (form.slashes && code_point == '\\') {
    shown += '/';
    return;
  }
  if (form.quoted && (code_point == '"' || code_point == '\\')) shown += '\\';
  shown += utf8;
}

// The one routine behind every function of this file: text in code_page
// (or UTF-8), character by character, for the terminal.
std::string Escaped(const std::string& text, int code_page, const Form& form) {
  std::string shown;
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (form.lines == Lines::kMany && (byte == '\n' || (byte == '\r' && at + 1 < text.size() && text[at + 1] == '\n'))) {
      at += byte == '\r' ? 2 : 1;
      shown += '\n';
      continue;
    }
    char32_t code_point = 0;
    if (code_page == kUtf8 || byte < 0x80) {  // ASCII is ASCII in every code page the tool takes
      const std::size_t length = platform::Utf8Character(text, at, code_point);
      if (length == 0) AppendByte(shown, byte);
      else AppendCharacter(shown, code_point, std::string_view(text).substr(at, length), form);
      at += length == 0 ? 1 : length;
      continue;
    }
    // One character of the code page, in UTF-8; a lead byte whose pair has
    // no character is shown alone, and the byte after it on its own.
    const std::size_t length = platform::CharacterLength(text, at, code_page);
    const std::optional<std::string> utf8 = platform::ConvertedFromCodePage(text.substr(at, length), code_page);
    if (!utf8 || utf8->empty()) {
      AppendByte(shown, byte);
      ++at;
      continue;
    }
    for (std::size_t k = 0; k < utf8->size();) {
      const std::size_t part = std::max<std::size_t>(platform::Utf8Character(*utf8, k, code_point), 1);
      AppendCharacter(shown, code_point, std::string_view(*utf8).substr(k, part), form);
      k += part;
    }
    at += length;
  }
  return shown;
}

}  // namespace

std::string Shown(const std::string& text, Lines lines) { return ShownIn(text, platform::AnsiCodePage, lines); }

std::string ShownIn(const std::string& text, int code_page, Lines lines) {
  return Escaped(text, code_page, Form{lines});
}

std::filesystem::path Path(const std::string& utf8) { return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())); }

std::string Text(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}

std::string DisplayPath(const std::string& path) {
  return Escaped(path, platform::AnsiCodePage, Form{Lines::kOne, false, true});
}

std::string ShownArgument(const std::string& text, Lines lines) { return Escaped(text, kUtf8, Form{lines}); }

std::string ShownPath(const std::filesystem::path& path) { return ShownArgument(Text(path)); }

std::string Quoted(const std::string& text, int code_page) {
  return '"' + Escaped(text, code_page, Form{Lines::kOne, true}) + '"';
}

bool HoldsControl(const std::string& utf8) {
  for (std::size_t at = 0; at < utf8.size();) {
    char32_t code_point = 0;
    const std::size_t length = platform::Utf8Character(utf8, at, code_point);
    if (length > 0 && IsControl(code_point)) return true;
    at += std::max<std::size_t>(length, 1);
  }
  return false;
}

std::size_t Columns(const std::string& shown) {
  std::size_t columns = 0;
  for (std::size_t at = 0; at < shown.size();) {
    char32_t code_point = 0;
    const std::size_t length = platform::Utf8Character(shown, at, code_point);
    columns += length > 0 ? static_cast<std::size_t>(platform::DisplayColumns(code_point)) : 1;
    at += length == 0 ? 1 : length;
  }
  return columns;
}

std::string Padded(const std::string& shown, std::size_t columns) {
  return shown + std::string(columns - std::min(columns, Columns(shown)), ' ');
}

std::string Thousands(std::int64_t n) {
  const std::string digits = std::to_string(n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n));
  std::string grouped = n < 0 ? "-" : "";
  for (std::size_t k = 0; k < digits.size(); ++k) {
    if (k > 0 && (digits.size() - k) % 3 == 0) grouped += ',';
    grouped += digits[k];
  }
  return grouped;
}

std::string ByteCount(std::int64_t n, std::size_t width) {
  const std::string number = Thousands(n);
  return std::string(width - std::min(width, number.size()), ' ') + number + (n == 1 ? " byte" : " bytes");
}

}  // namespace pmsetup
