// The desktop window's command line. The window's own options (--windows-dir DIR,
// --codepage CP, --browse) are taken out first; what remains is read as the classic program read its
// arguments: "/Pro" switches advanced mode on, and the last argument that names an existing
// file is analysed at once.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "text/codepage.h"

namespace quarvex::ui {

struct WindowCommandLine {
  std::vector<std::string> arguments;  // everything that is not one of the window's options
  std::optional<std::string> windowsDir;
  // --codepage N; nothing (auto, the default): each hive's own, as the hive shows it.
  std::optional<quarvex::text::CodePage> codePage;
  bool browse = false;  // --browse: the browser window instead of the analyser
  bool help = false;    // --help or -h: the usage, and no window
  std::string error;    // set when an option lacks its value or has a bad one
};

// args without the program's own path.
WindowCommandLine ParseWindowCommandLine(const std::vector<std::string>& args);
std::string WindowUsage();
// What the program does before it needs a display: the usage for --help (on standard output,
// status 0) and for a command line it cannot read (on standard error, status 2). Nothing (the
// window is to open) otherwise. argv as main gets it.
std::optional<int> AnswerWithoutWindow(int argc, char** argv);

struct StartRequest {
  bool advancedMode = false;
  std::string file;  // the last argument naming an existing file (not a directory); or empty
};
// "/Pro" matches the first four characters exactly, letter case included.
StartRequest ReadStartArguments(const std::vector<std::string>& arguments);

// Where the save dialog points after a command-line file: the file's directory (up to and
// including the last separator) and its name with the extension replaced by ".TXT".
struct ReportName {
  std::string directory;
  std::string fileName;
};
ReportName ReportNameFor(const std::string& file);

}  // namespace quarvex::ui
