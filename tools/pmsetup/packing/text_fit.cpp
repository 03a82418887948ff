#include "packing/text_fit.hpp"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "common/path_text.hpp"
#include "platform/code_page.hpp"
#include "terminal/terminal_text.hpp"

namespace pmsetup {
namespace {

#include "packing/text_widths.inc"

// What the installer shows is laid out for the smallest screen it runs on.
constexpr int kScreenWidth = 640;
const char* const kScreen = "640×480";

// Where the backdrop draws its texts (ui/backdrop.cpp): the title from
// x = 22 (its shadow 2 pixels further), the footer ending 10 pixels from
// the right edge.
constexpr int kTitleLeft = 22;
constexpr int kFooterRight = kScreenWidth - 10;

// The static controls the dialogs show their texts in, in dialog units
// (ui/dialogs.rc).  They wrap at spaces and clip what does not fit; a
// line cut through its middle is no more readable than a missing one.
struct TextBox {
  const char* dialog;
  int width_units, height_units;
};
constexpr TextBox kMessageBox = {"message dialog", 187, 28};
constexpr TextBox kDirectoryBox = {"destination dialog", 191, 33};
constexpr TextBox kGroupBox = {"group dialog", 171, 21};

// The dialogs' widths in dialog units (ui/dialogs.rc), and the frame a
// modal dialog gets on each side.  Buttons are laid out from the outer
// width but placed in the client area, as ui/message_dialog.cpp does.
struct DialogWidth {
  const char* dialog;
  int width_units;
};
constexpr DialogWidth kMessageDialog = {"message dialog", 218};
constexpr DialogWidth kGroupDialog = {"group dialog", 208};
constexpr DialogWidth kProgressDialog = {"progress dialog", 194};
constexpr int kDialogFrame = 3;
constexpr int kMinimumLabelWidth = 120;
constexpr int kLabelMargin = 20;
constexpr int kButtonGap = 10;

// How GDI scales by a ratio: rounded to the nearest.
int MulDiv(int value, int numerator, int denominator) { return (value * numerator + denominator / 2) / denominator; }

// East Asian wide characters: no font of the table has them, and a
// typical one is about twice as wide as a Latin letter.
bool Wide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6);
}

int CharacterWidth(const FontWidths& font, char32_t c) {
  const char32_t* begin = std::begin(kWidthCodePoints);
  const char32_t* end = std::end(kWidthCodePoints);
  const char32_t* at = std::lower_bound(begin, end, c);
  if (at != end && *at == c && font.widths[at - begin] != 0) return font.widths[at - begin];
  if (c < 0x20) return 0;
  // A character the font lacks is drawn from another font, or as a box.
  return Wide(c) ? 2 * font.average : font.average;
}

// A byte that is no character of the code page stands for a typical one.
std::u32string Characters(const std::string& text, int code_page) {
  const std::string utf8 = platform::FromCodePage(text, code_page);
  std::u32string characters;
  for (std::size_t at = 0; at < utf8.size();) {
    char32_t c = 0;
    const std::size_t length = platform::Utf8Character(utf8, at, c);
    characters.push_back(length == 0 ? U'\uFFFD' : c);
    at += length == 0 ? 1 : length;
  }
  return characters;
}

int Width(const FontWidths& font, std::u32string_view text) {
  int width = 0;
  for (const char32_t c : text) width += CharacterWidth(font, c);
  return width;
}

// The lines a static control breaks a paragraph into: at spaces, and a
// word wider than a whole line at the character that no longer fits.
// The spaces where a line breaks are not drawn; tabs stop every eight
// average characters.
int ParagraphLines(const FontWidths& font, std::u32string_view paragraph, int box) {
  const int tab = 8 * font.average;
  int lines = 1;
  int x = 0;
  std::size_t at = 0;
  while (at < paragraph.size()) {
    int before_word = x;
    for (; at < paragraph.size() && (paragraph[at] == U' ' || paragraph[at] == U'\t'); ++at) {
      before_word = paragraph[at] == U'\t' ? (before_word / tab + 1) * tab : before_word + CharacterWidth(font, U' ');
    }
    const std::size_t word_start = at;
    while (at < paragraph.size() && paragraph[at] != U' ' && paragraph[at] != U'\t') ++at;
    const std::u32string_view word = paragraph.substr(word_start, at - word_start);
    const int width = Width(font, word);
    if (before_word + width <= box) {
      x = before_word + width;
      continue;
    }
    if (x > 0) ++lines;
    x = 0;
    for (const char32_t c : word) {
      const int w = CharacterWidth(font, c);
      if (x > 0 && x + w > box) {
        ++lines;
        x = 0;
      }
      x += w;
    }
  }
  return lines;
}

int LinesNeeded(const FontWidths& font, std::u32string_view text, int box) {
  int lines = 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find_first_of(U"\r\n", start);
    lines += ParagraphLines(font, text.substr(start, end == std::u32string_view::npos ? end : end - start), box);
    if (end == std::u32string_view::npos) return lines;
    start = end + (text.compare(end, 2, U"\r\n") == 0 ? 2 : 1);
  }
}

// The installer finds %s and %u in any case.
bool HasToken(const std::string& text, char token) {
  for (std::size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 1)) {
    if (at + 1 < text.size() && (text[at + 1] | 0x20) == token) return true;
  }
  return false;
}

bool EndsInSpace(const std::string& text) {
  return !text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' || text.back() == '\r');
}

class TextChecker {
 public:
  TextChecker(const toml::table& root, const Manifest& manifest, const TextWarning& warn)
      : root_(root), manifest_(manifest), warn_(warn) {}

  void Check() {
    const std::string& main = manifest_.main.name;
    const std::string& run_prompt = Text(package::RunPrompt);
    if (!run_prompt.empty() && !main.empty()) {
      const std::string question = common::ReplaceToken(run_prompt, "%s", main, main + "?");
      if (!HasToken(run_prompt, 's') && !EndsInSpace(run_prompt)) {
        Warn(package::RunPrompt, "RunPrompt " + Quoted(run_prompt) +
                                     " has no %s, so the installer appends the program's name and a question mark "
                                     "right after it: " +
                                     Quoted(question) + "; end it with a space or put %s where the name goes");
      }
      CheckLines(package::RunPrompt, question, kMessageBox, MainNode());
    }
    // Any disk but the first may be asked for; its number is one digit in
    // most packages.
    const std::string& disk_prompt = Text(package::DiskPrompt);
    const std::string disk_question = common::ReplaceToken(disk_prompt, "%u", "2", "2");
    if (!HasToken(disk_prompt, 'u') && !EndsInSpace(disk_prompt)) {
      Warn(package::DiskPrompt, "DiskPrompt " + Quoted(disk_prompt) +
                                    " has no %u, so the installer appends the disk's number right after it: " +
                                    Quoted(disk_question) + "; end it with a space or put %u where the number goes");
    }
    CheckLines(package::DiskPrompt, disk_question, kMessageBox, nullptr);
    for (const int id : {package::WrongDiskMessage, package::TerminatedMessage, package::CancelConfirm}) {
      CheckLines(id, Text(id), kMessageBox, nullptr);
    }
    CheckLines(package::DirPrompt, Text(package::DirPrompt), kDirectoryBox, nullptr);
    const bool group = !Text(package::GroupName).empty();
    if (group) CheckLines(package::GroupPrompt, Text(package::GroupPrompt), kGroupBox, nullptr);
    CheckLine(package::Title, kTitleFont, kScreenWidth - kTitleLeft, "title font (Arial, 44 pixels, bold italic)",
              "the end is cut off");
    CheckLine(package::FooterText, kFooterFont, kFooterRight, "footer font (Arial, 16 pixels, bold)",
              "its start is cut off");
    CheckButtons({package::OkCaption, package::CancelCaption}, kMessageDialog);
    CheckButtons({package::CancelCaption}, kProgressDialog);
    CheckButtons({package::YesCaption, package::NoCaption}, group ? kGroupDialog : kMessageDialog);
  }

 private:
  const std::string& Text(int id) const { return manifest_.texts[id]; }

  std::string Quoted(const std::string& text) const { return "\"" + ShownIn(text, manifest_.code_page) + "\""; }

  const toml::node* MainNode() const { return root_["files"]["main"].node(); }

  // The text's own line; for a text the manifest leaves to its default,
  // the line of what makes it read wrong, or of [texts].
  void Warn(int id, const std::string& message, const toml::node* otherwise = nullptr) {
    const toml::node* node = root_["texts"][package::kTextNames[id]].node();
    if (node == nullptr) node = otherwise;
    if (node == nullptr) node = root_["texts"].node();
    if (node == nullptr) node = &root_;
    warn_(node->source(), message);
  }

  void CheckLine(int id, const FontWidths& font, int shown, const char* font_name, const char* cut) {
    const int width = Width(font, Characters(Text(id), manifest_.code_page));
    if (width <= shown) return;
    Warn(id, std::string(package::kTextNames[id]) + " " + Quoted(Text(id)) + " is " + std::to_string(width) +
                 " pixels wide in the installer's " + font_name + "; at " + kScreen + " it shows " +
                 std::to_string(shown) + ", so " + cut + ": shorten it");
  }

  void CheckLines(int id, const std::string& shown_text, const TextBox& box, const toml::node* otherwise) {
    const int width = MulDiv(box.width_units, kDialogFont.average, 4);
    const int fitting = MulDiv(box.height_units, kDialogFont.cell_height, 8) / kDialogFont.cell_height;
    const int lines = LinesNeeded(kDialogFont, Characters(shown_text, manifest_.code_page), width);
    if (lines <= fitting) return;
    const std::string& text = Text(id);
    const std::string asked = shown_text == text ? "" : ", shown as " + Quoted(shown_text) + ",";
    Warn(id,
         std::string(package::kTextNames[id]) + " " + Quoted(text) + asked + " takes " + std::to_string(lines) +
             " lines of at most " + std::to_string(width) + " pixels in the " + box.dialog +
             "'s font (MS Sans Serif 8); the " + box.dialog + " shows " + std::to_string(fitting) +
             ", so the end is cut off: shorten it",
         otherwise);
  }

  // Buttons are as wide as the widest label in the plain DC's System font,
  // less a margin, and are centred side by side whatever the dialog's
  // width: long labels push them past its edges.
  void CheckButtons(std::initializer_list<int> ids, const DialogWidth& dialog) {
    int widest = kMinimumLabelWidth;
    for (const int id : ids) widest = std::max(widest, Width(kSystemFont, Characters(Text(id), manifest_.code_page)));
    const int button = widest - kLabelMargin;
    const int count = static_cast<int>(ids.size());
    const int window = MulDiv(dialog.width_units, kDialogFont.average, 4) + 2 * kDialogFrame;
    const int client = window - 2 * kDialogFrame;
    const int left = window / 2 - ((button / 2) * count + kButtonGap * (count - 1));
    const int right = left + count * button + kButtonGap * (count - 1);
    if (left >= 0 && right <= client) return;
    std::string labels;
    for (const int id : ids) {
      labels += (labels.empty() ? "" : " and ") + std::string(package::kTextNames[id]) + " " + Quoted(Text(id));
    }
    const std::string buttons = count == 1 ? "a button " : std::to_string(count) + " buttons ";
    int named = *ids.begin();
    for (const int id : ids) {
      if (root_["texts"][package::kTextNames[id]].node() != nullptr) {
        named = id;
        break;
      }
    }
    Warn(named, labels + " make " + buttons + std::to_string(button) +
                           " pixels wide (the widest label in the System font, less " + std::to_string(kLabelMargin) +
                           ") in the " + dialog.dialog + ", which is " + std::to_string(client) +
                           " pixels wide inside: they run past its edge and are cut off: shorten " +
                           (count == 1 ? "it" : "them"));
  }

  const toml::table& root_;
  const Manifest& manifest_;
  const TextWarning& warn_;
};

}  // namespace

void WarnOfTextsThatReadWrong(const toml::table& root, const Manifest& manifest, const TextWarning& warn) {
  TextChecker(root, manifest, warn).Check();
}

}  // namespace pmsetup
