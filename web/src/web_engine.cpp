// The engine of the web page: quarvex-cli's own commands, run inside WebAssembly on a hive
// the page wrote into the module's in-memory file system. The page gets exactly what the
// command line gives for the same bytes (the report file, check --json, ls --json), because
// it is the same code with the same arguments; only the host differs (host/page_host.h).
//
// Plain C functions, called from the worker (web/page/worker.js) through the module's
// ccall: no embind, whose generated functions a Content-Security-Policy without 'unsafe-eval'
// refuses.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <ostream>
#include <span>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "analyzer/chart_views_json.h"
#include "cli/cli_run.h"
#include "cli/report_boxes.h"
#include "host/page_host.h"
#include "stage/options.h"
#include "ui/common/option_controls.h"

namespace {

// The worker's handler for one line of standard error (the progress lines of --progress and
// any message), called while the command still runs, so that the page shows it at once.
EM_JS(void, QuarvexWebErrorLine, (const char* text, std::size_t size), {
  if (Module.onErrorLine) Module.onErrorLine(UTF8ToString(text, size));
});

// Standard error in lines, each handed to the page as soon as it is whole; kept as well.
class LineForwarder : public std::streambuf {
 public:
  const std::string& Text() const { return all_; }
  // The last line, when it has no line end.
  void Flush() {
    if (!line_.empty()) QuarvexWebErrorLine(line_.data(), line_.size());
    line_.clear();
  }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    all_ += ch;
    if (ch == '\n') {
      QuarvexWebErrorLine(line_.data(), line_.size());
      line_.clear();
    } else {
      line_ += ch;
    }
    return c;
  }
  int sync() override { return 0; }

 private:
  std::string line_;
  std::string all_;
};

struct LastRun {
  std::string out;
  std::string err;
};

LastRun& Last() {
  static LastRun last;
  return last;
}

}  // namespace

extern "C" {

// The system the browser reports, named in the report's header ("Execute on NAME(ver A.B.C)").
EMSCRIPTEN_KEEPALIVE void quarvex_web_set_system(const char* name, const char* release) {
  quarvex::host::SetPageSystem({name ? name : "", release ? release : ""});
}

// Runs quarvex-cli with the arguments given one per line; returns its exit status. Standard
// output and standard error stay readable until the next run.
EMSCRIPTEN_KEEPALIVE int quarvex_web_run(const char* argumentLines) {
  std::vector<std::string> args;
  const std::string all = argumentLines ? argumentLines : "";
  std::size_t begin = 0;
  while (begin < all.size()) {
    const std::size_t end = all.find('\n', begin);
    args.push_back(all.substr(begin, end == std::string::npos ? std::string::npos : end - begin));
    if (end == std::string::npos) break;
    begin = end + 1;
  }
  std::ostringstream out;
  LineForwarder forwarder;
  std::ostream err(&forwarder);
  int status = 0;
  try {
    status = quarvex::cli::RunCli(args, out, err);
  } catch (const std::exception& e) {
    // What would end quarvex-cli with an uncaught exception: said, with status 70 (EX_SOFTWARE,
    // an internal failure), and the page stays usable for the next file.
    err << "quarvex-web: " << e.what() << '\n';
    status = 70;
  }
  forwarder.Flush();
  Last() = {out.str(), forwarder.Text()};
  return status;
}

// The chart's six views and nine series, as the desktop window draws them (JSON, UTF-8).
EMSCRIPTEN_KEEPALIVE const char* quarvex_web_chart_views() {
  static const std::string views = quarvex::analyzer::chartviews::ChartViewsJson();
  return views.c_str();
}

// The report's option boxes, grouped and ordered as the window shows them: [{"name": "cbANA",
// "meaning": "analyse the space and the key-name checksums", "group": "analysis", "refines":
// false, "on": true}, ...]; each name as --set takes it, "on" as a job does by default, "refines"
// for a box that refines the one above it. All but minimising the window, which a page has not.
EMSCRIPTEN_KEEPALIVE const char* quarvex_web_report_options() {
  static const std::string options = [] {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    const auto add = [&list](std::span<const quarvex::cli::ReportBox> boxes, const char* group) {
      for (const quarvex::cli::ReportBox& box : boxes) {
        if (box.option == quarvex::stage::Option::MinimiseWhileAnalysing) continue;
        const bool refines = box.meaning.starts_with("  ");
        list.push_back({{"name", quarvex::ui::OptionControlName(box.option)},
                        {"meaning", refines ? box.meaning.substr(2) : box.meaning},
                        {"group", group},
                        {"refines", refines},
                        {"on", quarvex::stage::OnByDefault(box.option)}});
      }
    };
    add(quarvex::cli::AnalysisBoxes(), "analysis");
    add(quarvex::cli::StructureBoxes(), "structure");
    return list.dump();
  }();
  return options.c_str();
}

EMSCRIPTEN_KEEPALIVE const char* quarvex_web_out_data() { return Last().out.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t quarvex_web_out_size() { return Last().out.size(); }
EMSCRIPTEN_KEEPALIVE const char* quarvex_web_err_data() { return Last().err.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t quarvex_web_err_size() { return Last().err.size(); }

}  // extern "C"
