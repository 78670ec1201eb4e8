// After a job the message line says where the report is, while the status panel keeps the
// system's own "The report has been made."; a failure's line says why instead, and seeing
// the report empties the line.
#include <QLineEdit>

#include "window_fixture.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::ui::testing {
namespace {

const QString kMade = QStringLiteral("The report has been made.");

QLineEdit* MessageLine(const TForm1& form) { return Child<QLineEdit>(form, "edMes"); }

TEST(WindowReportMessage, TheMessageLineSaysWhereTheReportIs) {
  QTemporaryDir dir;
  const std::string cut = InDir(dir, "cut.dat");
  WriteBytes(cut, ReadBytes(SamplePath()).substr(0, 16));
  const struct {
    const char* what;
    std::string file;
    bool made;
  } cases[] = {
      {"the sample", SamplePath(), true},
      {"a file cut short", cut, false},
      {"the sample after a failure", SamplePath(), true},
      {"a file that is not there", InDir(dir, "missing.dat"), false},
  };
  auto form = MakeWindow();
  form->show();
  for (const auto& c : cases) {
    OpenThroughDialog(*form, c.file);
    ASSERT_TRUE(WaitForJob(*form)) << c.what;
    const QString message = MessageLine(*form)->text();
    if (c.made) {
      EXPECT_EQ(form->StatusText(1), kMade) << c.what;
      EXPECT_EQ(message, ReportWhereText()) << c.what;
      EXPECT_TRUE(message.contains(QStringLiteral("Report page"))) << c.what;
      EXPECT_EQ(MessageLine(*form)->toolTip(), message) << c.what;
    } else {
      EXPECT_NE(form->StatusText(1), kMade) << c.what;
      EXPECT_FALSE(message.isEmpty()) << c.what;
      EXPECT_NE(message, ReportWhereText()) << c.what << ": a failure says why";
    }
  }
}

TEST(WindowReportMessage, SeeingTheReportEmptiesTheLine) {
  auto form = MakeWindow();
  form->show();
  OpenThroughDialog(*form, SamplePath());
  ASSERT_TRUE(WaitForJob(*form));
  ASSERT_EQ(MessageLine(*form)->text(), ReportWhereText());
  ASSERT_TRUE(ShowReport(*form));
  EXPECT_TRUE(MessageLine(*form)->text().isEmpty());
  EXPECT_TRUE(MessageLine(*form)->toolTip().isEmpty());
}

}  // namespace
}  // namespace quarvex::ui::testing
