#include "synth_line.h"

#include "control_widgets.h"
#include "platform/linux/linux_midi_out.h"

namespace marble::qt {

using linux_platform::LinuxMidiOut;

SynthLine::SynthLine(DeviceListWidget& list, LinuxMidiOut& midi) : m_list(list), m_midi(midi) {
    m_list.SetLineText([this](const std::string& item) {
        const std::string text = LinuxMidiOut::IsBuiltinSynthName(item) ? m_midi.BuiltinSynthLine() : item;
        return QString::fromUtf8(text.c_str());
    });
    // Posted with this object as the receiver: a change reported while it goes away is dropped
    // with it.
    m_midi.SetOnBuiltinSynthChanged(
        [this] { QMetaObject::invokeMethod(this, [this] { m_list.Sync(); }, Qt::QueuedConnection); });
}

SynthLine::~SynthLine() {
    m_midi.SetOnBuiltinSynthChanged(nullptr);
    m_list.SetLineText(nullptr);
}

}  // namespace marble::qt
