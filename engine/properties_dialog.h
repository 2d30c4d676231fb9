#pragma once
#include "engine/audio_settings.h"

#include <QDialog>
#include <array>

class QListWidget;
class QRadioButton;
class QStackedWidget;
class QTabWidget;

namespace vcd::engine {

class MpvPlayer;

// "Properties" of the control, from its context menu. The "Advanced" page lists the decoders in
// use; the MPEG Audio Decoder's settings choose the channel that reaches both speakers (the
// karaoke setting). A choice takes effect at once on the playing file and stays for the files
// after it; Cancel puts back the choice the dialog was opened with.
class PropertiesDialog : public QDialog {
  Q_OBJECT
 public:
  explicit PropertiesDialog(MpvPlayer& player, QWidget* parent = nullptr);

  QTabWidget* pages() const { return m_pages; }
  QListWidget* decoders() const { return m_decoders; }
  QRadioButton* channelButton(AudioChannel channel) const { return m_channel[int(channel)]; }
  // Whether the MPEG Audio Decoder's settings are the ones shown on the Advanced page.
  bool showsAudioDecoderSettings() const;

  void reject() override;

 private:
  MpvPlayer& m_player;
  AudioChannel m_opened;  // the choice when the dialog was opened
  QTabWidget* m_pages;
  QListWidget* m_decoders;
  QStackedWidget* m_settings;
  std::array<QRadioButton*, 3> m_channel{};
};

}  // namespace vcd::engine
