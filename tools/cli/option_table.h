// A command's options as one table, from which both the parser and the usage
// text are made: a row gives an option's names, the value it takes, its help
// line and what it does. Adding an option is adding a row.
//
// The parser is tovak's own because arguments arrive as paths: wide strings
// on Windows, which Debian's CLI11 (2.1) cannot take (its wide-string entry
// points came with 2.3), and which a detour through UTF-8 would not keep:
// a Windows name may hold an unpaired surrogate, which UTF-8 cannot.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/cli/arguments.h"

namespace tovak::cli {

// What an option's value may be.
enum class Takes : std::uint8_t {
  kNothing,        // a flag
  kText,           // any text, or a path
  kWord,           // one of the row's words
  kFormat,         // a format of the format table, by name in any case
  kDirectFormat,   // a direct-colour format (a palette's entries)
};

struct OptionValue {
  const std::filesystem::path& path;  // as given: wide on Windows
  const std::string& text;            // as UTF-8
  std::uint16_t choice;               // kWord: the word's index; formats: the format's code
};

struct Option {
  const char* name;   // "--output"
  const char* alias;  // "-o", or nullptr
  Takes takes;
  const char* value;  // the value's name in the usage ("DIR"); nullptr for a flag
  std::vector<std::string> words;  // kWord: the words it takes
  std::string help;   // "{}" stands for the values it takes
  // Applies the option; an empty string, else what is wrong, to follow the
  // option's name ("takes PROJECT,USER").
  std::string (*apply)(const OptionValue& value, Arguments& out);
};

// Takes args[first...] by `table`; anything not an option is an operand
// (path), and so is everything after "--". An empty string, else what is
// wrong.
std::string ParseOptions(const std::vector<Option>& table,
                         const std::vector<std::filesystem::path>& args, std::size_t first,
                         Arguments& out);

// "[-o DIR]", "[--force]", ... for the synopsis, and the table's help lines.
std::vector<std::string> Synopsis(const std::vector<Option>& table);
std::string OptionHelp(const std::vector<Option>& table);

// Words joined as prose: "a", "a or b", "a, b or c".
std::string Alternatives(const std::vector<std::string>& words);

// `words` set into lines of at most `width` columns (a longer word alone on
// its line), each line but the first indented by `indent` spaces, the first
// taken to start at column `start`. The text form breaks at spaces.
std::string Wrap(const std::vector<std::string>& words, std::size_t start, std::size_t indent,
                 std::size_t width = 79);
std::string Wrap(const std::string& text, std::size_t start, std::size_t indent,
                 std::size_t width = 79);

}  // namespace tovak::cli
