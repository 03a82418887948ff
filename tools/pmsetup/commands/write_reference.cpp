// Writes the manual page of pmsetup and its bash completion from the
// program's own command line, so that neither can name an option the
// program lacks or miss one it has:
//   pmsetup-reference manual TEMPLATE VERSION OUTPUT
//   pmsetup-reference completion TEMPLATE OUTPUT
// Each template holds the words written by hand; the generated ones
// replace its @NAME@ markers.  Every option value needs a placeholder
// this file knows (DIR, FILE, N, ...): it says what the completion offers,
// and an option left with CLI11's own type word (TEXT, INT) fails the build.
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>

#include "commands/commands.hpp"

namespace {

// What an option's value, or a command's arguments, may be.
struct ValueKind {
  std::string placeholder;  // as the page shows it: "DIR"
  std::string completion;   // dir, manifest, file or none; or "=" and the choices
};

const std::map<std::string, std::string> kPlaceholderKinds = {
    {"DIR", "dir"},      {"MANIFEST", "manifest"}, {"FILE", "file"}, {"PACKAGE", "file"}, {"PLACE", "file"},
    {"INPUT", "file"},   {"OUTPUT", "file"},       {"N", "none"},    {"BYTES", "none"}, {"COUNT", "none"},
};

// The words CLI11 shows for a value's type when no placeholder is given.
const std::set<std::string> kCliTypeWords = {"", "TEXT", "INT", "UINT", "FLOAT", "BOOLEAN", "CHAR", "ENUM"};

std::string Where(const CLI::App& command, const CLI::Option& option) {
  return command.get_name() + " " + option.get_name();
}

// Nothing for a flag.
std::optional<ValueKind> KindOf(const CLI::App& command, const CLI::Option& option) {
  if (option.get_expected_max() == 0) return std::nullopt;
  const std::string type = option.get_type_name();
  ValueKind kind{option.get_positional() ? option.get_name() : type.substr(0, type.find(':')), ""};
  if (const std::size_t open = type.find(":{"); open != std::string::npos && type.back() == '}') {
    kind.completion = "=" + type.substr(open + 2, type.size() - open - 3);
    for (char& c : kind.completion) c = c == ',' ? ' ' : c;
  } else if (const auto known = kPlaceholderKinds.find(kind.placeholder); known != kPlaceholderKinds.end()) {
    kind.completion = known->second;
  } else {
    throw std::runtime_error(Where(command, option) + ": its value's placeholder '" + kind.placeholder +
                             "' is none of those this writer knows; give it one with ->type_name()");
  }
  if (option.get_positional() && !type.empty()) {
    throw std::runtime_error(Where(command, option) + ": an argument's name is its placeholder; clear its type name");
  }
  if (kCliTypeWords.count(kind.placeholder) > 0) {
    throw std::runtime_error(Where(command, option) + ": '" + kind.placeholder + "' says its type, not what it is");
  }
  return kind;
}

std::vector<const CLI::Option*> Options(const CLI::App& command) {
  return command.get_options([&](const CLI::Option* option) { return option != command.get_help_ptr(); });
}

std::vector<const CLI::App*> Commands(const CLI::App& parent) { return parent.get_subcommands({}); }

// Text as roff reads it: no backslash taken for an escape, no hyphen for
// a typographic one, no line taken for a request.
std::string Roff(const std::string& text) {
  std::string out = !text.empty() && (text[0] == '.' || text[0] == '\'') ? "\\&" : "";
  for (const char c : text) out += c == '\\' ? std::string("\\e") : c == '-' ? std::string("\\-") : std::string(1, c);
  return out;
}

std::string Names(const CLI::Option& option) {
  std::string names;
  for (const std::string& name : option.get_snames()) names += (names.empty() ? "-" : ", -") + name;
  for (const std::string& name : option.get_lnames()) names += (names.empty() ? "--" : ", --") + name;
  return names.empty() ? option.get_name() : names;
}

std::string PathOf(const CLI::App& command) {
  return command.get_parent() == nullptr ? command.get_name() : PathOf(*command.get_parent()) + " " + command.get_name();
}

void Synopsis(const CLI::App& command, std::ostream& out) {
  if (!Commands(command).empty()) {
    for (const CLI::App* sub : Commands(command)) Synopsis(*sub, out);
    return;
  }
  out << ".SY \"" << Roff(PathOf(command)) << "\"\n";
  for (const CLI::Option* option : Options(command)) {
    const std::optional<ValueKind> kind = KindOf(command, *option);
    const std::string repeated = option->get_expected_max() > 1 ? " \\&.\\|.\\|.\\&" : "";
    if (option->get_positional()) {
      out << (option->get_required() ? ".I " + kind->placeholder : ".RI [ " + kind->placeholder + " ]") << repeated
          << '\n';
    } else if (option->get_required()) {
      out << ".B " << Roff(option->get_name()) << "\n.I " << kind->placeholder << repeated << '\n';
    } else {
      out << ".OP " << Roff(option->get_name()) << (kind ? " " + kind->placeholder : "") << '\n';
      if (!repeated.empty()) out << repeated.substr(1) << '\n';
    }
  }
  out << ".YS\n";
}

// A help text's paragraphs filled; lines that start with spaces (tables)
// kept as they are, but for the indent of the table's first line, which
// the page's own indent replaces.
void Paragraphs(const std::string& text, std::ostream& out) {
  std::istringstream lines(text);
  std::size_t indent = 0;  // of the table being written; 0 outside one
  out << ".PP\n";
  for (std::string line; std::getline(lines, line);) {
    const std::size_t leading = line.find_first_not_of(' ');
    const bool table_line = leading > 0 && leading != std::string::npos;
    if (table_line != (indent > 0)) out << (table_line ? ".nf\n" : ".fi\n");
    indent = !table_line ? 0 : indent > 0 ? indent : leading;
    if (line.empty()) out << ".PP\n";
    else out << Roff(line.substr(std::min(indent, leading))) << '\n';
  }
  if (indent > 0) out << ".fi\n";
}

void OptionEntries(const CLI::App& command, std::ostream& out) {
  for (const CLI::Option* option : Options(command)) {
    const std::optional<ValueKind> kind = KindOf(command, *option);
    out << ".TP\n";
    if (option->get_positional()) out << ".I " << kind->placeholder << '\n';
    else out << "\\fB" << Roff(Names(*option)) << "\\fR" << (kind ? " \\fI" + kind->placeholder + "\\fR" : "") << '\n';
    out << Roff(option->get_description()) << '\n';
  }
}

void CommandSection(const CLI::App& command, std::ostream& out) {
  const bool top = command.get_parent()->get_parent() == nullptr;
  std::string heading = PathOf(command);
  if (top) {
    for (char& c : heading) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  out << (top ? ".SH \"" : ".SS \"") << Roff(heading) << "\"\n" << Roff(command.get_description()) << '\n';
  OptionEntries(command, out);
  if (!command.get_footer().empty()) Paragraphs(command.get_footer(), out);
  for (const CLI::App* sub : Commands(command)) CommandSection(*sub, out);
}

void Manual(const CLI::App& app, std::map<std::string, std::string>& markers) {
  std::ostringstream synopsis, commands;
  for (const CLI::App* command : Commands(app)) Synopsis(*command, synopsis);
  synopsis << ".SY pmsetup\n";
  for (const CLI::Option* option : app.get_options()) synopsis << ".OP " << Roff(option->get_name()) << '\n';
  synopsis << ".YS\n";
  markers["@SYNOPSIS@"] = synopsis.str();
  commands << ".SH OPTIONS\n";
  for (const CLI::Option* option : app.get_options()) {
    commands << ".TP\n\\fB" << Roff(Names(*option)) << "\\fR\n" << Roff(option->get_description()) << '\n';
  }
  for (const CLI::App* command : Commands(app)) CommandSection(*command, commands);
  markers["@COMMANDS@"] = commands.str();
}

// Shell words in single quotes.
std::string Quoted(const std::string& words) { return "'" + words + "'"; }

void CompletionCases(const CLI::App& command, std::ostream& syntax, std::ostream& values) {
  const std::string path = command.get_parent() == nullptr ? "" : PathOf(command).substr(PathOf(command).find(' ') + 1);
  std::string commands, options, positional = "none";
  for (const CLI::App* sub : Commands(command)) commands += (commands.empty() ? "" : " ") + sub->get_name();
  for (const CLI::Option* option : command.get_options()) {
    const std::optional<ValueKind> kind = KindOf(command, *option);
    if (option->get_positional()) {
      positional = positional == "none" || positional == kind->completion ? kind->completion : "file";
      continue;
    }
    for (const std::string& name : option->get_snames()) options += (options.empty() ? "-" : " -") + name;
    for (const std::string& name : option->get_lnames()) {
      options += (options.empty() ? "--" : " --") + name;
      if (kind) values << "    " << Quoted(path + " --" + name) << ") kind=" << Quoted(kind->completion) << " ;;\n";
    }
  }
  syntax << "    " << Quoted(path) << ") commands=" << Quoted(commands) << " options=" << Quoted(options)
         << " positional=" << Quoted(positional) << " ;;\n";
  for (const CLI::App* sub : Commands(command)) CompletionCases(*sub, syntax, values);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Filled(std::string text, const std::map<std::string, std::string>& markers) {
  for (const auto& [marker, value] : markers) {
    const std::size_t at = text.find(marker);
    if (at == std::string::npos) throw std::runtime_error("the template has no " + marker);
    // A marker stands on a line of its own; the value ends in a newline.
    text.replace(at, marker.size() + (value.empty() || value.back() != '\n' ? 0 : 1), value);
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const bool manual = arguments.size() == 4 && arguments[0] == "manual";
  if (!manual && !(arguments.size() == 3 && arguments[0] == "completion")) {
    std::cerr << "usage: pmsetup-reference manual TEMPLATE VERSION OUTPUT | completion TEMPLATE OUTPUT\n";
    return 2;
  }
  CLI::App app{"", "pmsetup"};
  pmsetup::AddCommands(app);
  try {
    std::map<std::string, std::string> markers;
    if (manual) {
      markers["@VERSION@"] = arguments[2];
      Manual(app, markers);
    } else {
      std::ostringstream syntax, values;
      CompletionCases(app, syntax, values);
      markers["@SYNTAX@"] = syntax.str();
      markers["@VALUES@"] = values.str();
    }
    const std::string text = Filled(ReadAll(arguments[1]), markers);
    std::ofstream out(arguments.back(), std::ios::binary);
    if (!(out << text) || !out.flush()) throw std::runtime_error("cannot write " + arguments.back());
  } catch (const std::exception& error) {
    std::cerr << "pmsetup-reference: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
