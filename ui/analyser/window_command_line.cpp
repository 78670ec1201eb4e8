#include "ui/analyser/window_command_line.h"

#include <cstdio>

#include "image/image_address.h"
#include "job/analysis_job.h"

namespace quarvex::ui {

WindowCommandLine ParseWindowCommandLine(const std::vector<std::string>& args) {
  WindowCommandLine result;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--windows-dir") {
      if (!hasValue) {
        result.error = "--windows-dir needs a directory";
        return result;
      }
      result.windowsDir = args[++i];
    } else if (a == "--codepage") {
      if (hasValue && args[i + 1] == "auto") {
        result.codePage.reset();
        ++i;
        continue;
      }
      const std::optional<quarvex::text::CodePage> cp =
          hasValue ? quarvex::text::ParseCodePage(args[i + 1]) : std::nullopt;
      if (!cp) {
        result.error = "--codepage takes auto, 874, 932, 936, 949, 950, 1250 to 1258 or none";
        return result;
      }
      result.codePage = *cp;
      ++i;
    } else if (a == "--browse") {
      result.browse = true;
    } else if (a == "--help" || a == "-h") {
      result.help = true;
    } else {
      result.arguments.push_back(a);
    }
  }
  return result;
}

std::string WindowUsage() {
  return "usage: quarvex [/Pro] [--windows-dir DIR] [--codepage auto|CP] [FILE]\n"
         "       quarvex --browse [--codepage CP] [FILE]\n"
         "  /Pro               advanced mode: the structure report can be asked for\n"
         "  --windows-dir DIR  the Windows directory whose user.dat and system.dat the two\n"
         "                     open buttons read (default: $QUARVEX_WINDIR)\n"
         "  --codepage CP      the code page the hive's names were written in: auto (the\n"
         "                     default: the hive's own ACP or Locale, a system.dat beside it,\n"
         "                     its name checksums, else 1252), 874, 932, 936, 949, 950,\n"
         "                     1250 to 1258, or none\n"
         "  FILE               a registry file to analyse at once\n"
         "  --browse           open the browser instead: the key tree, values, bytes, search,\n"
         "                     problems and deleted keys of FILE\n"
         "  --help, -h         this text\n";
}

std::optional<int> AnswerWithoutWindow(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  const WindowCommandLine line = ParseWindowCommandLine(args);
  if (!line.error.empty()) {
    std::fprintf(stderr, "quarvex: %s\n%s", line.error.c_str(), WindowUsage().c_str());
    return 2;
  }
  if (line.help) {
    std::fputs(WindowUsage().c_str(), stdout);
    return 0;
  }
  return std::nullopt;
}

StartRequest ReadStartArguments(const std::vector<std::string>& arguments) {
  StartRequest request;
  for (const std::string& a : arguments) {
    if (a.size() >= 4 && a.compare(0, 4, "/Pro") == 0) request.advancedMode = true;
    // A hive inside an image (IMAGE::PATH) counts when its image is there.
    if (quarvex::job::FileExists(image::ContainerOf(a))) request.file = a;
  }
  return request;
}

ReportName ReportNameFor(const std::string& argument) {
  // A hive inside an image (IMAGE::PATH) has its report beside the image, named after the hive.
  const std::string container = image::ContainerOf(argument);
  const std::string file =
      container == argument ? argument
                            : container.substr(0, container.find_last_of('/') + 1) + image::InnermostFileName(argument);
  const std::size_t slash = file.find_last_of('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  ReportName result{file.substr(0, nameStart), file.substr(nameStart)};
  const std::size_t dot = result.fileName.find_last_of('.');
  if (dot != std::string::npos) result.fileName.erase(dot);
  result.fileName += ".TXT";
  return result;
}

}  // namespace quarvex::ui
