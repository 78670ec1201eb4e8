// The tests use the names of every layer unqualified, in their own namespace.
#pragma once

namespace quarvex::hive {}
namespace quarvex::text {}
namespace quarvex::host {}
namespace quarvex::stage {}
namespace quarvex::analyzer {}
namespace quarvex::report {}
namespace quarvex::exporter {}
namespace quarvex::job {}
namespace quarvex::testkit {}
namespace quarvex::cli {}

namespace quarvex::testing {
using namespace quarvex::hive;
using namespace quarvex::text;
using namespace quarvex::host;
using namespace quarvex::stage;
using namespace quarvex::analyzer;
using namespace quarvex::exporter;
using namespace quarvex::job;
using namespace quarvex::testkit;
}  // namespace quarvex::testing

// The window's tests, in namespaces of their own under ui.
namespace quarvex::ui::testing {
using namespace quarvex::testing;
}  // namespace quarvex::ui::testing
namespace quarvex::ui::charttesting {
using namespace quarvex::testing;
}  // namespace quarvex::ui::charttesting
