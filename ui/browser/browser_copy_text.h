// What the browser names and copies: key names and paths as the window shows them, the path of
// a deleted key, and a value's data as plain text or hex for the clipboard.
//
// A key whose data record cannot be read has no name; the window names it by its key node's
// file offset ("{key node 0x0000FC44}"), the same base the hex view, the problems and
// Go to Offset use, so the number can be looked up anywhere in the window.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

#include "text/codepage.h"
#include "ui/browser/browser_value_table_model.h"

namespace quarvex::browse {
class HiveView;
}

namespace quarvex::ui {

class BrowserDocument;

// The key's name in UTF-8 (a nameless key by its key node's file offset).
std::string WindowKeyName(const browse::HiveView& view, std::int32_t key);
// "Software\Microsoft" from the top, with the window's names.
std::string WindowKeyPath(const browse::HiveView& view, std::int32_t key);
// The tooltip line of a key named by its key node's offset; empty for a named key.
QString NamelessKeyNote(const browse::HiveView& view, std::int32_t key);
// "HKEY_USERS\Software\Old" for a deleted key whose live parent is known; "(unknown parent)\Old"
// when none was reached.
QString RecoveredKeyPath(const BrowserDocument& doc, std::size_t recovered);

// The data as a user pastes it: a text's characters without quotes or escapes, a list's strings
// one a line, a number as the table shows it, other data as hex bytes.
QString PlainDataText(const BrowserValueTableModel::Row& row, text::CodePage codePage);
// The data's bytes as hex: "01 02 03".
QString DataHexText(const BrowserValueTableModel::Row& row);
// The key and its subtree as REGEDIT4 (browse::kTop: the whole hive): the lines File → Export
// Key as REGEDIT4 writes (ui/browser/browser_subtree_export.h), read from the hive's code page, each
// ended by a line feed (the clipboard makes it CR LF where that is the custom).
QString SubtreeRegedit4Text(const BrowserDocument& doc, std::int32_t key);

}  // namespace quarvex::ui
