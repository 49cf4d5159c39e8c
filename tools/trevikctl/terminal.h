#pragma once
// The terminal trevikctl's standard error is, if any: whether there is one and how wide it is.

// True when standard error is a terminal that takes the cursor moves of the progress board
// (on Windows the console is switched to take them).
bool stderrIsTerminal();
// The terminal's width in columns; 80 when it does not say.
int terminalColumns();
