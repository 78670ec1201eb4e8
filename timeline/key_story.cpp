#include "timeline/key_story.h"

#include <algorithm>
#include <optional>

#include "browse/value_text.h"

namespace quarvex::timeline {

namespace {

// ASCII letters folded, as Windows 9x compares names; other bytes as they are.
unsigned char Folded(std::uint8_t b) {
  const auto c = static_cast<unsigned char>(b);
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

bool SameName(hive::Bytes a, hive::Bytes b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](std::uint8_t x, std::uint8_t y) { return Folded(x) == Folded(y); });
}

bool SameData(const salvage::SalvagedValue& a, const salvage::SalvagedValue& b) {
  return a.type == b.type && a.data.size() == b.data.size() && std::equal(a.data.begin(), a.data.end(), b.data.begin());
}

const salvage::SalvagedValue* Named(std::span<const salvage::SalvagedValue> values, hive::Bytes name) {
  for (const salvage::SalvagedValue& v : values)
    if (SameName(v.name, name)) return &v;
  return nullptr;
}

}  // namespace

const char* KeyStateName(KeyState state) {
  switch (state) {
    case KeyState::NotReadable:
      return "not readable";
    case KeyState::Absent:
      return "absent";
    case KeyState::Present:
      return "present";
    case KeyState::Added:
      return "added";
    case KeyState::Removed:
      return "removed";
    case KeyState::Changed:
      return "changed";
  }
  return "absent";
}

std::vector<KeyInCopy> KeyStory(std::span<const browse::HiveView* const> copies, std::string_view path,
                                std::size_t dataLimit) {
  std::vector<KeyInCopy> story(copies.size());
  // The last readable copy before, and the key's values there (empty span: the key was absent).
  const browse::HiveView* before = nullptr;
  std::optional<std::span<const salvage::SalvagedValue>> valuesBefore;
  for (std::size_t i = 0; i < copies.size(); ++i) {
    KeyInCopy& here = story[i];
    const browse::HiveView* view = copies[i];
    if (!view) {
      here.state = KeyState::NotReadable;
      continue;
    }
    const browse::Lookup found = view->Find(path);
    std::optional<std::span<const salvage::SalvagedValue>> values;
    if (found.key) values = view->Values(*found.key);
    if (!values) {
      here.state = valuesBefore ? KeyState::Removed : KeyState::Absent;
    } else {
      bool changed = false;
      for (const salvage::SalvagedValue& v : *values) {
        ValueInCopy shown{browse::EscapeControls(browse::ValueName(v, view->CodePage())), v.type,
                          browse::DataText(v, view->CodePage(), dataLimit), ValueMark::Same};
        if (valuesBefore) {
          const salvage::SalvagedValue* old = Named(*valuesBefore, v.name);
          shown.mark = !old ? ValueMark::Added : SameData(*old, v) ? ValueMark::Same : ValueMark::Changed;
          changed = changed || shown.mark != ValueMark::Same;
        }
        here.values.push_back(std::move(shown));
      }
      if (valuesBefore)
        for (const salvage::SalvagedValue& old : *valuesBefore)
          if (!Named(*values, old.name)) {
            here.removedValues.push_back(browse::EscapeControls(browse::ValueName(old, before->CodePage())));
            changed = true;
          }
      const bool firstHolding = !before || !valuesBefore;
      here.state = firstHolding ? (before ? KeyState::Added : KeyState::Present)
                                : (changed ? KeyState::Changed : KeyState::Present);
    }
    before = view;
    valuesBefore = values;
  }
  return story;
}

}  // namespace quarvex::timeline
