// X11's detectable auto-repeat, kept apart: the X headers define KeyPress, None and Bool.
#pragma once

namespace marble::qt {

/// Under X11, asks the server to report a held key's auto-repeat as repeated presses without
/// releases in between, so a held pad never looks released. Does nothing on other platforms.
/// Returns true when the server agreed.
bool EnableDetectableAutoRepeat();

}  // namespace marble::qt
