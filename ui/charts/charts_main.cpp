// quarvex-charts: runs the analysis job on one registry file, with the default options, and
// paints the six views of the Analyze page's chart into a directory as PNG files. It runs on
// Qt's offscreen platform, so it needs no display; quarvex-cli --charts runs it.
#include <QApplication>
#include <QString>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "analyzer/chart_series.h"
#include "text/codepage.h"
#include "hive/error_codes.h"
#include "job/analysis_job.h"
#include "ui/charts/chart_pictures.h"

namespace {

using quarvex::ui::ChartPictureNames;
using quarvex::ui::WriteChartPictures;

constexpr int kExitOk = 0, kExitJobFailed = 1, kExitUsage = 2, kExitWriteFailed = 3;

int Usage(const char* why) {
  if (why) std::fprintf(stderr, "quarvex-charts: %s\n", why);
  std::fprintf(why ? stderr : stdout,
               "Usage: quarvex-charts [--codepage CP] [--quiet] DIRECTORY FILE\n"
               "Analyses the registry FILE with the default options and writes the six chart\n"
               "views into DIRECTORY as chart-0-total.png ... chart-5-empty-size.png.\n"
               "  --codepage CP   code page the hive was written in: 932 (default), 936, 949,\n"
               "                  950, or none\n"
               "  --quiet         do not list the files written, nor Qt's warnings\n");
  return why ? kExitUsage : kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  quarvex::text::CodePage codePage = quarvex::text::CodePage::Cp932;
  std::vector<std::string> names;
  bool quiet = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-h" || args[i] == "--help") return Usage(nullptr);
    if (args[i] == "--quiet") {
      quiet = true;
      continue;
    }
    if (args[i] == "--codepage") {
      const auto cp = i + 1 < args.size() ? quarvex::text::ParseCodePage(args[++i]) : std::nullopt;
      if (!cp) return Usage("--codepage takes 932, 936, 949, 950 or none");
      codePage = *cp;
    } else if (args[i].size() > 1 && args[i][0] == '-') {
      return Usage(("unknown option " + args[i]).c_str());
    } else {
      names.push_back(args[i]);
    }
  }
  if (names.size() != 2) return Usage("name a directory and a hive file");
  const std::string& directory = names[0];
  const std::string& file = names[1];

  // The pictures are never written over the hive itself.
  for (const QString& name : ChartPictureNames()) {
    std::error_code ec;
    if (std::filesystem::equivalent(std::filesystem::path(directory) / name.toStdString(), file, ec) && !ec)
      return Usage("a picture would overwrite the hive file");
  }

  // Offscreen unless QUARVEX_CHARTS_PLATFORM names another (tools/chart-pictures.sh takes
  // the pictures on xcb under Xvfb, as a desktop draws them).
  const QByteArray platform = qgetenv("QUARVEX_CHARTS_PLATFORM");
  qputenv("QT_QPA_PLATFORM", platform.isEmpty() ? QByteArray("offscreen") : platform);
  if (quiet)
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
      if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    });
  QApplication app(argc, argv);

  quarvex::job::JobInput input;
  input.fileName = file;
  input.codePage = codePage;
  input.locale = quarvex::text::TextLocale::FromEnvironment();
  const quarvex::job::JobResult job = quarvex::job::RunJob(input);
  if (job.code != quarvex::hive::code::kOk) {
    std::fprintf(stderr, "quarvex-charts: %s: %s: %s\n", file.c_str(), quarvex::job::FailureText(job.code).c_str(),
                 quarvex::hive::code::Describe(job.code));
    return kExitJobFailed;
  }
  QString error;
  const QStringList written = WriteChartPictures(
      job.analysis ? quarvex::analyzer::ChartSeriesOf(*job.analysis) : quarvex::analyzer::ChartSeriesSet(),
      QString::fromLocal8Bit(directory.c_str()), error);
  if (!quiet)
    for (const QString& path : written) std::printf("%s\n", path.toLocal8Bit().constData());
  if (!error.isEmpty()) {
    std::fprintf(stderr, "quarvex-charts: %s\n", error.toLocal8Bit().constData());
    return kExitWriteFailed;
  }
  return kExitOk;
}
