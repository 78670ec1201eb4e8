#include "cli/commands/charts.h"

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_run.h"
#include "host/this_host.h"

#if defined(_WIN32)
#include <windows.h>
#include <process.h>
#else
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace quarvex::cli {

using namespace quarvex::text;
using namespace quarvex::host;

namespace {

#if defined(_WIN32)
constexpr const char* kProgramName = "quarvex-charts.exe";

std::wstring Wide(const std::string& utf8) {
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

// One argument as the child's C run-time reads it back: in quotes, a backslash doubled
// where a quote follows it, a quote escaped.
std::wstring Quoted(const std::wstring& arg) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

// The child's exit status, or -1 when it could not be run.
int RunAndWait(const std::vector<std::string>& args) {
  std::vector<std::wstring> quoted;
  for (const std::string& a : args) quoted.push_back(Quoted(Wide(a)));
  std::vector<const wchar_t*> argv;
  for (const std::wstring& a : quoted) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  const std::wstring program = Wide(args.front());
  return static_cast<int>(::_wspawnv(_P_WAIT, program.c_str(), argv.data()));
}
#else
constexpr const char* kProgramName = "quarvex-charts";

int RunAndWait(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  if (::posix_spawn(&child, argv.front(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  while (::waitpid(child, &status, 0) < 0)
    if (errno != EINTR) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

}  // namespace

std::string ChartsProgramPath() {
  const std::string self = quarvex::host::MakeThisHost({})->ProgramPath();
  if (self.empty()) return {};
  return (std::filesystem::path(self).parent_path() / kProgramName).string();
}

int WriteCharts(const std::string& directory, const std::string& hiveFile, quarvex::text::CodePage codePage,
                std::ostream& err) {
  const std::string program = ChartsProgramPath();
  std::error_code ec;
  if (program.empty() || !std::filesystem::is_regular_file(program, ec)) {
    err << "quarvex-cli: --charts: quarvex-charts is not installed"
        << (program.empty() ? std::string(" (this program's own directory is unknown)")
                            : " (looked for " + program + ")")
        << "; the desktop build (Qt 6) provides it\n";
    return kExitWriteFailed;
  }
  const int status = RunAndWait(
      {program, "--quiet", "--codepage", std::string(quarvex::text::CodePageName(codePage)), directory, hiveFile});
  if (status == kExitOk) return kExitOk;
  if (status < 0) {
    err << "quarvex-cli: --charts: could not run " << program << '\n';
    return kExitWriteFailed;
  }
  err << "quarvex-cli: --charts: quarvex-charts ended with status " << status << '\n';
  return status == kExitJobFailed ? kExitJobFailed : kExitWriteFailed;
}

}  // namespace quarvex::cli
