#include "ui/browser/browser_subtree_export.h"

#include <algorithm>
#include <cstdio>

#include "export/regedit4_lines.h"
#include "text/text_encoding.h"

namespace quarvex::ui {

namespace {

hive::Bytes UpToFirstZero(hive::Bytes bytes) {
  const auto zero = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return bytes.first(static_cast<std::size_t>(zero - bytes.begin()));
}

std::string Hex(hive::Bytes bytes) {
  std::string out;
  char two[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(two, sizeof two, i == 0 ? "%02X" : " %02X", unsigned{bytes[i]});
    out += two;
  }
  return out;
}

void WriteKey(const BrowserDocument& doc, std::int32_t key, const std::string& root, text::ReportLines& out) {
  const browse::HiveView& view = doc.View();
  const text::LeadByteSet& leads = view.LeadBytes();
  std::string path = root;
  if (key != browse::kTop) {
    path += '\\';
    path += exporter::WithoutLineBreaks(
        hive::Bytes(reinterpret_cast<const std::uint8_t*>(view.PathBytes(key).data()), view.PathBytes(key).size()));
  }
  out.Append("[" + path + "]");
  char at[16];
  std::snprintf(
      at, sizeof at, "%08X",
      key == browse::kTop ? 0u : static_cast<unsigned>(doc.Hive().keys[static_cast<std::size_t>(key)].node.value));
  if (key != browse::kTop) {
    const browse::KeyState state = view.State(key);
    if (state.unreadable)
      out.Append(std::string("; key node ") + at + ": its data record could not be read: no name, no values");
    if (state.valuesMissing)
      out.Append(std::string("; key node ") + at + ": its record announces more values than could be read");
  }
  unsigned index = 0;
  for (const salvage::SalvagedValue& v : view.Values(key)) {
    ++index;
    if (v.cut) {
      out.Append("; value " + std::to_string(index) +
                 ": its name or data runs past the end of its record; it is not exported");
      continue;
    }
    hive::Bytes name = UpToFirstZero(v.name);
    if (name.size() < v.name.size())
      out.Append("; value " + std::to_string(index) + ": its name holds a zero byte after " +
                 std::to_string(name.size()) + " byte(s), and is taken up to it; whole name: hex " + Hex(v.name));
    std::string cleaned;
    if (exporter::HasLineBreak(name)) {
      out.Append("; value " + std::to_string(index) + ": its name holds a line break, written as '?'; name: hex " +
                 Hex(name));
      cleaned = exporter::WithoutLineBreaks(name);
      name = hive::Bytes(reinterpret_cast<const std::uint8_t*>(cleaned.data()), cleaned.size());
    }
    exporter::AppendValueLines(out, name, v.type, v.data, leads);
  }
  out.Append("");
}

}  // namespace

void ExportSubtree(const BrowserDocument& doc, std::int32_t key, text::ReportLines& out) {
  const std::string root = text::Utf8ToCodePage(doc.RootKey(), doc.CodePage());
  out.Append("REGEDIT4");
  out.Append("");
  WriteKey(doc, key, root, out);
  doc.View().Walk(key, 0, [&](std::int32_t k, int) {
    WriteKey(doc, k, root, out);
    return true;
  });
}

}  // namespace quarvex::ui
