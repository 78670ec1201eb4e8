#include "app/cli_args.h"

#include <filesystem>

#include "app/cli_input.h"

namespace quarvex::cli {

std::optional<ParsedArgs> ParseArgs(std::string_view subcommand, const std::vector<std::string>& args,
                                    const std::set<std::string>& flagNames, const std::set<std::string>& optionNames,
                                    std::string_view usage, std::ostream& err) {
  ParsedArgs p;
  bool optionsEnd = false;
  auto unknown = [&](const std::string& a) {
    err << "quarvex-cli " << subcommand << ": unknown option '" << a << "'\n" << usage;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnd || a.size() < 2 || a[0] != '-') {
      p.positional.push_back(a);
    } else if (a == "--") {
      optionsEnd = true;
    } else if (a == "--help" || a == "-h") {
      p.flags.insert("--help");
    } else if (optionNames.count(a)) {
      if (i + 1 >= args.size()) {
        err << "quarvex-cli " << subcommand << ": " << a << " needs a value\n" << usage;
        return std::nullopt;
      }
      p.options[a] = args[++i];
    } else if (flagNames.count(a)) {
      p.flags.insert(a);
    } else if (a[1] != '-') {
      for (std::size_t c = 1; c < a.size(); ++c) {
        const std::string one = std::string("-") + a[c];
        if (!flagNames.count(one)) {
          unknown(a);
          return std::nullopt;
        }
        p.flags.insert(one);
      }
    } else {
      unknown(a);
      return std::nullopt;
    }
  }
  return p;
}

bool CodePageArgument(std::string_view subcommand, const ParsedArgs& parsed, std::optional<text::CodePage>& named,
                      std::string_view usage, std::ostream& err) {
  const std::optional<std::string> value = parsed.Value("--codepage");
  if (!value || ParseCodePageArgument(*value, named)) return true;
  err << "quarvex-cli " << subcommand << ": unknown code page '" << *value << "'\n" << usage;
  return false;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return a == b || (std::filesystem::equivalent(a, b, ec) && !ec);
}

}  // namespace quarvex::cli
