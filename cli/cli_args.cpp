#include "cli/cli_args.h"

#include <filesystem>

#include "session/code_page.h"

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
    } else if (const std::size_t eq = a.find('='); a.starts_with("--") && eq != std::string::npos) {
      const std::string name = a.substr(0, eq);
      if (!optionNames.count(name)) {
        if (flagNames.count(name) || name == "--help")
          err << "quarvex-cli " << subcommand << ": " << name << " takes no value\n" << usage;
        else
          unknown(name);
        return std::nullopt;
      }
      p.options[name] = a.substr(eq + 1);
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
  if (!value || session::ParseCodePageArgument(*value, named)) return true;
  err << "quarvex-cli " << subcommand << ": unknown code page '" << *value << "'\n" << usage;
  return false;
}

bool SameFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
  std::error_code ec;
  if (std::filesystem::equivalent(a, b, ec) && !ec) return true;
  // Not both there: compare where they would be ("out.json" and "./out.json").
  std::error_code ea, eb;
  const std::filesystem::path pa = std::filesystem::weakly_canonical(std::filesystem::absolute(a, ea), ea);
  const std::filesystem::path pb = std::filesystem::weakly_canonical(std::filesystem::absolute(b, eb), eb);
  return !ea && !eb && pa == pb;
}

std::string WithProgram(std::string_view document) {
  const std::size_t open = document.find('{');
  if (open == std::string_view::npos) return std::string(document);
  std::string out(document.substr(0, open + 1));
  out += "\"program\": {\"name\": \"quarvex-cli\", \"version\": \"" QUARVEX_VERSION "\"}, ";
  out += document.substr(open + 1);
  return out;
}

std::string OutputClash(const std::vector<NamedOutput>& outputs) {
  for (std::size_t i = 0; i < outputs.size(); ++i)
    for (std::size_t j = i + 1; j < outputs.size(); ++j) {
      const NamedOutput& a = outputs[i];
      const NamedOutput& b = outputs[j];
      if (a.name.empty() || b.name.empty()) continue;
      const bool outA = IsStandardStream(a.name), outB = IsStandardStream(b.name);
      if (outA && outB) return std::string(a.option) + " and " + std::string(b.option) + " both name standard output";
      if (!outA && !outB && SameFile(a.name, b.name))
        return std::string(a.option) + " and " + std::string(b.option) + " both name " + b.name;
    }
  return {};
}

}  // namespace quarvex::cli
