// A hive described by key paths: each key is made on first use, its parents with it, under an
// unnamed root without a data record (as real files keep the root).
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "testkit/hive_builder.h"

namespace quarvex::testkit {

class PathTree {
 public:
  PathTree() {
    root_ = builder.AddKey(HiveBuilder::kRootParent, "");
    builder.SetNoRecord(root_);
  }

  // The key at path ("A\B\C"), made with these values if it is new; returns its key id.
  int Key(const std::string& path, std::vector<Value> values = {}) {
    std::vector<std::string> parts;  // empty parts ("A\\B", a leading "\") name no key
    for (std::size_t begin = 0; begin <= path.size();) {
      const std::size_t end = std::min(path.find('\\', begin), path.size());
      if (end > begin) parts.push_back(path.substr(begin, end - begin));
      begin = end + 1;
    }
    int parent = root_;
    std::string sofar;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      sofar += (i ? "\\" : "") + parts[i];
      auto it = ids_.find(sofar);
      if (it == ids_.end())
        it =
            ids_.emplace(sofar, builder.AddKey(parent, parts[i], i + 1 == parts.size() ? values : std::vector<Value>{}))
                .first;
      parent = it->second;
    }
    return parent;
  }

  HiveBuilder builder;

 private:
  int root_ = 0;
  std::map<std::string, int> ids_;
};

}  // namespace quarvex::testkit
