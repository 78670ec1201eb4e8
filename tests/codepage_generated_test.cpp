// Hives written on machines of each Windows ANSI code page, made by the generator: the default
// (auto) finds each page from the hive's own ACP or Locale, and every word of its script comes
// back exactly, as a key name, a value name and a text, through `ls` and the export in UTF-8.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "tests/support/test_support.h"
#include "tests/support/test_namespaces.h"
#include "text/codepage.h"
#include "tools/hive_generator.h"

namespace quarvex::testing {
namespace {

using text::CodePage;

// The terminal's locale for the time of a test: the listings are written in its encoding.
class ScopedLocale {
 public:
  explicit ScopedLocale(const char* value) {
    if (const char* old = std::getenv("LC_ALL")) old_ = old;
    ::setenv("LC_ALL", value, 1);
  }
  ~ScopedLocale() {
    if (old_)
      ::setenv("LC_ALL", old_->c_str(), 1);
    else
      ::unsetenv("LC_ALL");
  }
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;

 private:
  std::optional<std::string> old_;
};

constexpr CodePage kPages[] = {CodePage::Cp874,  CodePage::Cp932,  CodePage::Cp936,  CodePage::Cp949,  CodePage::Cp950,
                               CodePage::Cp1250, CodePage::Cp1251, CodePage::Cp1252, CodePage::Cp1253, CodePage::Cp1254,
                               CodePage::Cp1255, CodePage::Cp1256, CodePage::Cp1257, CodePage::Cp1258};

TEST(GeneratedCodePages, EveryWordRoundTripsThroughLsAndTheExport) {
  const ScopedLocale utf8("C.UTF-8");
  for (const CodePage cp : kPages) {
    for (const tools::HiveKind kind : {tools::HiveKind::System, tools::HiveKind::User}) {
      const std::string page(text::CodePageName(cp));
      const bool system = kind == tools::HiveKind::System;
      const std::string what = page + (system ? " system.dat" : " user.dat");
      tools::GeneratorOptions options;
      options.kind = kind;
      options.keys = 300;
      options.codePage = cp;
      TempDir dir;
      const std::string file = dir.Write(system ? "SYSTEM.DAT" : "USER.DAT", tools::GenerateHive(options));

      const CliResult chosen = Cli({"--verbose", "--export", dir.Path("x.reg").string(), file});
      EXPECT_NE(chosen.err.find("code page " + page + " (hive)"), std::string::npos) << what << ": " << chosen.err;

      const CliResult listed = Cli({"ls", "-v", file, system ? "Enum\\Words" : "Software\\Words"});
      ASSERT_EQ(listed.status, 0) << what << ": " << listed.err;
      const CliResult exported = Cli({"--export", "-", "--encoding", "utf-8", file});
      ASSERT_EQ(exported.status, 0) << what << ": " << exported.err;
      const std::string wordsKey = system ? "\\Enum\\Words\\" : "\\Software\\Words\\";
      for (const std::string& word : tools::WordsOf(cp)) {
        EXPECT_NE(listed.out.find(word + "\n"), std::string::npos) << what << ": key " << word << "\n" << listed.out;
        EXPECT_NE(exported.out.find(wordsKey + word + "]\r\n"), std::string::npos) << what << ": key " << word;
        EXPECT_NE(exported.out.find("\"=\"" + word + "\"\r\n"), std::string::npos) << what << ": text " << word;
        EXPECT_NE(exported.out.find("\r\n\"" + word + "\"=\""), std::string::npos) << what << ": value " << word;
      }
      // Nothing was shown as an escape: every byte had its character.
      EXPECT_EQ(listed.out.find("\\x"), std::string::npos) << what << "\n" << listed.out;
    }
  }
}

}  // namespace
}  // namespace quarvex::testing
