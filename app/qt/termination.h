// Closing the window cleanly on SIGTERM, SIGINT and SIGHUP (logout, `kill`, Ctrl+C in a terminal).
#pragma once

class QWidget;

namespace marble::qt {

/// From now on these signals close `window` through the event loop, as its close button
/// would, so the settings are written and the MIDI port is reset before the program ends.
void CloseOnTerminationSignals(QWidget* window);

}  // namespace marble::qt
