#pragma once
#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>

// The sound settings of the player control: its volume scale and the channel choice of its MPEG
// audio decoder, translated into what libmpv takes.
namespace vcd::engine {

// Which channel of the track reaches the speakers. Karaoke Video CDs carry the singer's voice on
// one channel and the music on both: First or Second plays that one channel on both speakers.
enum class AudioChannel { Stereo, First, Second };

// The control's volume at start: hundredths of a decibel below full level.
constexpr int kStartVolumeHundredthsDb = -290;

// The control's volume scale (hundredths of a decibel, -10000 = silence .. 0 = full level) on
// libmpv's: libmpv's `volume` is a cubic percentage, gain = (volume / 100)^3, so
// volume = 100 * 10^(dB / 60). Values above 0 are full level; -10000 and below are silence.
double mpvVolumeFromHundredthsDb(int hundredthsDb);

// The `af` filter chain that plays the chosen channel (empty for Stereo). The track is made
// stereo first, so a mono file plays its one channel whatever the choice.
QByteArray channelFilter(AudioChannel channel);

// The names the Properties dialog shows ("Stereo", "First", "Second").
QString channelName(AudioChannel channel);

// The sound outputs libmpv tries in turn (its `ao` list) for the given environment: libmpv's own
// order without SDL's, which only goes through the same sound servers and ALSA again. PipeWire is
// tried only where a socket of its is there (in the session's runtime folder, or in
// `systemFolder` for a server of the whole system): a PipeWire client connects to the server at
// its socket, and the failed try costs every file's start a few ms (no PipeWire running: a
// PulseAudio desktop, plain ALSA, a machine without sound).
// The list without PipeWire's output, which a libmpv built without it takes.
inline constexpr char kAudioOutputsWithoutPipeWire[] = "pulse,alsa,jack";
QByteArray audioOutputs(const QProcessEnvironment& environment,
                        const QString& systemFolder = QStringLiteral("/run/pipewire"));

}  // namespace vcd::engine
