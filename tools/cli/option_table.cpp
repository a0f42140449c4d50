#include "tools/cli/option_table.h"

#include <algorithm>

#include "gim/formats.h"
#include "gim/geometry.h"
#include "tools/cli/files.h"

namespace tovak::cli {
namespace {

// The format table's names, lower case, as the command line takes them.
std::vector<std::string> FormatNames(bool direct_only) {
  std::vector<std::string> names;
  for (const gim::FormatDescription& format : gim::kFormats) {
    if (direct_only && !gim::IsDirectColour(format)) continue;
    std::string name;
    for (const char* c = format.name; *c != '\0'; ++c) {
      name += static_cast<char>(*c >= 'A' && *c <= 'Z' ? *c - 'A' + 'a' : *c);
    }
    names.push_back(name);
  }
  return names;
}

// A list of format names is a list: commas alone.
std::string Listed(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

std::string ValuesText(const Option& option) {
  switch (option.takes) {
    case Takes::kWord: return Alternatives(option.words);
    case Takes::kFormat: return Listed(FormatNames(false));
    case Takes::kDirectFormat: return Listed(FormatNames(true));
    case Takes::kNothing:
    case Takes::kText: break;
  }
  return option.value != nullptr ? option.value : "";
}

// The value's code: the word's index or the format's; false when it is none
// of them.
bool Choose(const Option& option, const std::string& text, std::uint16_t& choice) {
  if (option.takes == Takes::kWord) {
    const auto word = std::find(option.words.begin(), option.words.end(), text);
    choice = static_cast<std::uint16_t>(word - option.words.begin());
    return word != option.words.end();
  }
  const gim::FormatDescription* format = gim::FormatNamed(text);
  if (format == nullptr || (option.takes == Takes::kDirectFormat && !gim::IsDirectColour(*format))) {
    return false;
  }
  choice = format->code;
  return true;
}

std::string Names(const Option& option) {
  std::string names = option.alias != nullptr ? std::string(option.alias) + ", " : "";
  names += option.name;
  if (option.value != nullptr) names += std::string(" ") + option.value;
  return names;
}

}  // namespace

std::string ParseOptions(const std::vector<Option>& table,
                         const std::vector<std::filesystem::path>& args, std::size_t first,
                         Arguments& out) {
  bool options_end = false;
  for (std::size_t i = first; i < args.size(); ++i) {
    const std::string arg = options_end ? "" : Utf8(args[i]);
    if (arg == "--") {
      options_end = true;
      continue;
    }
    const auto option = std::find_if(table.begin(), table.end(), [&](const Option& row) {
      return arg == row.name || (row.alias != nullptr && arg == row.alias);
    });
    if (option == table.end()) {
      if (arg.size() > 1 && arg[0] == '-') return "unknown option '" + arg + "'";
      out.paths.push_back(args[i]);
      continue;
    }
    // A value is the next argument whatever it looks like; a missing one is
    // an empty one, which the option refuses.
    const std::filesystem::path none;
    const std::filesystem::path& path =
        option->takes == Takes::kNothing || i + 1 == args.size() ? none : args[++i];
    const std::string text = Utf8(path);
    std::uint16_t choice = 0;
    std::string wrong;
    if (option->takes != Takes::kNothing && option->takes != Takes::kText &&
        !Choose(*option, text, choice)) {
      wrong = "takes " + ValuesText(*option);
    } else {
      wrong = option->apply(OptionValue{path, text, choice}, out);
    }
    if (!wrong.empty()) return arg + " " + wrong;
  }
  return {};
}

std::vector<std::string> Synopsis(const std::vector<Option>& table) {
  std::vector<std::string> items;
  for (const Option& option : table) {
    std::string item = std::string("[") + (option.alias ? option.alias : option.name);
    if (option.value != nullptr) item += std::string(" ") + option.value;
    items.push_back(item + "]");
  }
  return items;
}

std::string OptionHelp(const std::vector<Option>& table) {
  std::size_t column = 0;
  for (const Option& option : table) column = std::max(column, Names(option).size());
  column += 4;
  std::string text;
  for (const Option& option : table) {
    std::string help = option.help;
    const std::size_t values = help.find("{}");
    if (values != std::string::npos) help.replace(values, 2, ValuesText(option));
    const std::string names = "  " + Names(option);
    text += names + std::string(column - names.size(), ' ') + Wrap(help, column, column) + "\n";
  }
  return text;
}

std::string Alternatives(const std::vector<std::string>& words) {
  std::string text;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i != 0) text += i + 1 == words.size() ? " or " : ", ";
    text += words[i];
  }
  return text;
}

std::string Wrap(const std::vector<std::string>& words, std::size_t start, std::size_t indent,
                 std::size_t width) {
  std::string out;
  std::size_t column = start;
  bool line_empty = true;
  for (const std::string& word : words) {
    if (!line_empty && column + 1 + word.size() > width) {
      out += '\n';
      out.append(indent, ' ');
      column = indent;
      line_empty = true;
    }
    if (!line_empty) {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
    line_empty = false;
  }
  return out;
}

std::string Wrap(const std::string& text, std::size_t start, std::size_t indent,
                 std::size_t width) {
  std::vector<std::string> words;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find(' ', at);
    if (end == std::string::npos) end = text.size();
    words.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return Wrap(words, start, indent, width);
}

}  // namespace tovak::cli
