// Names that came from a file or the command line, made safe to show in a message: a
// newline in one cannot start a line of its own, and no control sequence reaches the
// terminal.
#pragma once

#include <QString>

// The text with every control character (C0 and C1 controls, DEL, the line and paragraph
// separators and the bidirectional overrides) written as an escape: \n, \r, \t, \xNN or
// \u{NNNN}. Other text is kept as it is.
QString EscapeControls(const QString& text);

// The name in double quotes, its control characters escaped: how every message shows a
// name it was given.
QString QuotedName(const QString& name);
