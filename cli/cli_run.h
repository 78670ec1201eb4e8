// One run of quarvex-cli, callable in-process (the tests drive it so).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "cli/exit_codes.h"

namespace quarvex::cli {

// args without the program name: a subcommand, or the report's options and file.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// The analysis report (`quarvex-cli report ...`). It goes to out unless -o names a file.
int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// "Fail(21)": how quarvex-cli's own lines on standard error name a failure code (the window's
// status bar shows the job's bilingual text, job::FailureText).
std::string CliFailureText(std::int32_t code);

}  // namespace quarvex::cli
