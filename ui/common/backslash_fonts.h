// Fonts that draw the hive's 0x5C as the hive's code page means it. The Japanese faces the
// windows use (the IPA fonts) draw U+005C as a yen sign, which is right for a code page 932
// hive, where 0x5C is the yen sign on screen, and wrong for every other: a Western hive's key
// paths would read "HKEY_LOCAL_MACHINE¥Software". For those the windows take a face that draws
// a real backslash, keeping the Japanese faces behind it for any Japanese text.
#pragma once

#include <QFont>
#include <QString>

#include "text/codepage.h"

namespace quarvex::ui {

// Whether the font draws U+005C leaning from top left to bottom right, as a backslash does,
// rather than upright (a yen sign). It is told from the glyph as painted.
bool DrawsRealBackslash(const QFont& font);

// The first family of the desktop's font and a few common Latin faces that draws a real
// backslash; fixedPitch: monospaced faces. Empty when none does.
QString BackslashFamily(bool fixedPitch);

// The analyser's font for a hive read in `codePage`: the period font itself for code page 932,
// else a face with a real backslash at the period font's size and weight, the period face
// behind it.
QFont AnalyserFontFor(const QFont& period, text::CodePage codePage);

// The browser's font for a hive read in `codePage`: for 932 the desktop's font with the
// Japanese faces behind it (key names in Japanese), else the desktop's font alone (a face with
// a real backslash when the desktop's draws a yen sign). fixedPitch: the hex view's font.
QFont BrowserFontFor(text::CodePage codePage, bool fixedPitch);

}  // namespace quarvex::ui
