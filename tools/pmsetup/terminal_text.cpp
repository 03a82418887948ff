#include "terminal_text.hpp"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>

#include "file_io.hpp"
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

// The well-formed UTF-8 character at text[at]: its length and code point;
// a length of 0 when none starts there (a stray byte, an overlong form, a
// surrogate, or a sequence cut short).
std::size_t Utf8Character(const std::string& text, std::size_t at, char32_t& code_point) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) {
    code_point = lead;
    return 1;
  }
  const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4                                   ? 4
                                                                                              : 0;
  if (length == 0 || at + length > text.size()) return 0;
  code_point = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(at + k) & 0xC0) != 0x80) return 0;
    code_point = code_point << 6 | (byte(at + k) & 0x3F);
  }
  const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code_point < least[length] || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point < 0xE000)) return 0;
  return length;
}

void AppendByte(std::string& shown, unsigned value) {
  char escaped[5];
  std::snprintf(escaped, sizeof escaped, "\\x%02X", value & 0xFF);
  shown += escaped;
}

// Appends one character (its code point, and its UTF-8 bytes) as form shows it.
void AppendCharacter(std::string& shown, char32_t code_point, std::string_view utf8, const Form& form) {
  if (code_point < 0x20 || (code_point >= 0x7F && code_point < 0xA0)) return AppendByte(shown, code_point);
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
      const std::size_t length = Utf8Character(text, at, code_point);
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
      const std::size_t part = std::max<std::size_t>(Utf8Character(*utf8, k, code_point), 1);
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

std::string DisplayPath(const std::string& path) {
  return Escaped(path, platform::AnsiCodePage, Form{Lines::kOne, false, true});
}

std::string ShownArgument(const std::string& text, Lines lines) { return Escaped(text, kUtf8, Form{lines}); }

std::string ShownPath(const std::filesystem::path& path) { return ShownArgument(Text(path)); }

std::string Quoted(const std::string& text, int code_page) {
  return '"' + Escaped(text, code_page, Form{Lines::kOne, true}) + '"';
}

std::size_t Columns(const std::string& shown) {
  std::size_t columns = 0;
  for (std::size_t at = 0; at < shown.size();) {
    char32_t code_point = 0;
    const std::size_t length = Utf8Character(shown, at, code_point);
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
