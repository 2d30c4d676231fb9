#pragma once
#include <QIcon>
#include <QTimer>
#include <QWidget>

class QSlider;
class QToolButton;

namespace vcd::engine {

class MpvPlayer;

// The control's own bar at the bottom of its face, below the picture: the seek slider across the
// top (a click jumps, dragging seeks, otherwise it follows the position), play/pause and stop at
// the lower left and the sound controls (mute, volume on libmpv's 0..100 scale) at the lower right. The bar never takes the keyboard focus,
// which stays with the picture, and clicks on it never reach the picture (they do not pause).
class ControlBar : public QWidget {
  Q_OBJECT
 public:
  explicit ControlBar(MpvPlayer& player, QWidget* parent = nullptr);

  // The seek slider counts milliseconds.
  QSlider* seekSlider() const { return m_seek; }
  QSlider* volumeSlider() const { return m_volume; }
  QToolButton* muteButton() const { return m_mute; }
  QToolButton* playPauseButton() const { return m_playPause; }
  QToolButton* stopButton() const { return m_stop; }

  // Reads the player's figures into the controls (a timer does it while the bar is shown).
  void refresh();

  // The bar's pictures, drawn in the palette's button-text colour (anew when the palette changes).
  enum class Glyph { Play, Pause, Stop, Volume, Muted };
  QIcon glyph(Glyph g) const;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void seekToSlider();
  void updateGlyphs();

  MpvPlayer& m_player;
  QToolButton* m_playPause = nullptr;
  QToolButton* m_stop = nullptr;
  QSlider* m_seek = nullptr;
  QToolButton* m_mute = nullptr;
  QSlider* m_volume = nullptr;
  QTimer m_follow;
  bool m_updating = false;  // the controls are being set from the player's figures
  bool m_showsPause = false;
};

}  // namespace vcd::engine
