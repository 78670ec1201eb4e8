#include "cli/cli_args.h"

#include <filesystem>

namespace quarvex::cli {

bool CommandSyntax::IsFlag(std::string_view name) const {
  for (std::string_view flag : flags)
    if (flag == name) return true;
  return false;
}

const OptionSyntax* CommandSyntax::Option(std::string_view name) const {
  for (const OptionSyntax& option : options)
    if (option.name == name) return &option;
  return nullptr;
}

ParsedWords ParseWords(const CommandSyntax& syntax, const std::vector<std::string>& args) {
  ParsedWords result;
  ParsedArgs& p = result.args;
  auto addFlag = [&p](const std::string& name) {
    p.flags.insert(name);
    p.inOrder.emplace_back(name, std::string());
  };
  auto addOption = [&p](const std::string& name, const std::string& value) {
    p.options[name] = value;
    p.inOrder.emplace_back(name, value);
  };
  auto fail = [&result](WordError::Kind kind, const std::string& name, const std::string& word,
                        const OptionSyntax* option = nullptr) {
    result.error = WordError{kind, name, word, option};
    return result;
  };
  bool optionsEnd = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnd || a.size() < 2 || a[0] != '-') {
      p.positional.push_back(a);
      p.inOrder.emplace_back(std::string(), a);
    } else if (a == "--") {
      optionsEnd = true;
    } else if (a == "--help" || a == "-h") {
      addFlag("--help");
    } else if (const std::size_t eq = a.find('='); a.starts_with("--") && eq != std::string::npos) {
      const std::string name = a.substr(0, eq);
      if (!syntax.Option(name))
        return fail(syntax.IsFlag(name) || name == "--help" ? WordError::Kind::TakesNoValue : WordError::Kind::Unknown,
                    name, a);
      addOption(name, a.substr(eq + 1));
    } else if (const OptionSyntax* named = syntax.Option(a)) {
      if (i + 1 >= args.size()) return fail(WordError::Kind::NeedsValue, a, a, named);
      addOption(a, args[++i]);
    } else if (syntax.IsFlag(a)) {
      addFlag(a);
    } else if (a[1] != '-' && syntax.groupedFlags) {
      std::vector<std::string> group;
      for (std::size_t c = 1; c < a.size(); ++c) {
        group.push_back(std::string("-") + a[c]);
        if (!syntax.IsFlag(group.back())) return fail(WordError::Kind::Unknown, a, a);
      }
      for (const std::string& one : group) addFlag(one);
    } else {
      return fail(WordError::Kind::Unknown, a, a);
    }
  }
  return result;
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
