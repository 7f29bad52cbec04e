// The built-in synthesizer's line in the device list, kept to the state of its sound.
#pragma once

#include <QObject>

namespace marble::linux_platform {
class LinuxMidiOut;
}

namespace marble::qt {

class DeviceListWidget;

/// While it lives, `list` shows the built-in synthesizer's line as it stands now (sounding,
/// connecting, no audio server, no soundfont and what to install) instead of the name it was
/// listed under, and redraws it when the synthesizer's audio changes. The change is reported on
/// the audio thread and handed to the GUI thread through the event queue. Destroy it before the
/// list's model goes away.
class SynthLine : public QObject {
public:
    SynthLine(DeviceListWidget& list, linux_platform::LinuxMidiOut& midi);
    ~SynthLine() override;

private:
    DeviceListWidget& m_list;
    linux_platform::LinuxMidiOut& m_midi;
};

}  // namespace marble::qt
