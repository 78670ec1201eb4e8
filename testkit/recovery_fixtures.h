// Hives with the remains recovery reads, shared by the tests of the engine and of the windows.
#pragma once

#include <vector>

#include "testkit/hive_builder.h"

namespace quarvex::testkit {

// A live key Software\Keep ("Live" = "yes") and two older copies of its record, freed in its
// block as Windows 9x leaves them when it writes a grown record anew: one identical, one from
// when "Live" was "no!".
inline BuiltHive LiveKeyWithOlderCopies() {
  const std::vector<Value> live{Text("Live", "yes")};
  const std::vector<Value> older{Text("Live", "no!")};
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  b.AddKey(b.AddKey(root, "Software"), "Keep", live);
  b.AddFreeRecord(0, RecordSize("Keep", live));
  b.AddFreeRecord(0, RecordSize("Keep", older));
  BuiltHive hive = b.Build();
  WriteOlderCopies(hive, 0, "Keep", {live, older}, 40);
  return hive;
}

}  // namespace quarvex::testkit
