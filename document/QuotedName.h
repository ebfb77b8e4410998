// Names that came from a file or the command line, made safe to show in a message: a
// newline in one cannot start a line of its own, no control sequence reaches the terminal,
// and a name of megabytes takes a line, not megabytes.
#pragma once

#include <QString>

// The text with every control character (C0 and C1 controls, DEL, the line and paragraph
// separators and the bidirectional overrides) written as an escape: \n, \r, \t, \xNN or
// \u{NNNN}. Other text is kept as it is.
QString EscapeControls(const QString& text);

// Longer names are cut to this many characters.
constexpr int kMaxShownNameLength = 200;

// The name as a message shows it: one longer than kMaxShownNameLength characters keeps its
// start and its end (where an extension is) with "…" between, that many characters in all.
QString CutName(const QString& name);

// The name in double quotes, cut and with its control characters escaped: how every message
// shows a name it was given.
QString QuotedName(const QString& name);
