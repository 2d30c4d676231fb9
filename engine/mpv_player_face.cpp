// The control's face: its picture and control bar, its context menu with the Properties dialog,
// and its sound, position and picture as the face and the screenshot use them.
#include "engine/mpv_player.h"

#include "engine/mpv_command.h"

#include "engine/control_bar.h"
#include "engine/properties_dialog.h"
#include "engine/video_widget.h"
#include "platform/log.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <mpv/client.h>

#include <algorithm>

namespace vcd::engine {

// ---- the face ------------------------------------------------------------------------------

void MpvPlayer::makeFace() {
  m_widget = new VideoWidget(m_mpv);
  connect(m_widget, &VideoWidget::pictureDecided, this, &MpvPlayer::pictureDecided);
  connect(m_widget, &VideoWidget::togglePauseRequested, this, &MpvPlayer::togglePause);
  connect(m_widget, &VideoWidget::firstFrameDrawn, this, &MpvPlayer::firstPictureShown);
  connect(m_widget, &VideoWidget::fullScreenLeft, this, [this] { m_displaySize = kDisplayFitToControl; });
  connect(m_widget, &VideoWidget::contextMenuRequested, this, [this](const QPoint& at) {
    QMenu* menu = buildContextMenu(m_widget);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu, &QMenu::aboutToHide, this, [] { qCDebug(lcEngine, "context menu closed"); });
    menu->popup(at);
    qCDebug(lcEngine, "context menu shown");
  });
  m_bar = new ControlBar(*this);
  m_widget->setControlBar(m_bar);
  m_widget->preparePicture();
}

void MpvPlayer::dropFace() {
  // The widget may live on in a window that outlives us, so it only keeps a dead picture.
  if (m_properties) delete m_properties.data();  // it works on this player
  if (m_bar) delete m_bar.data();                 // so does the bar, wherever the face lives on
  if (m_widget) {
    m_widget->detachPlayer();
    if (!m_widget->parent()) delete m_widget.data();
  }
}

QWidget* MpvPlayer::widget() { return m_widget.data(); }

void MpvPlayer::setDisplaySize(int mode) {
  if (mode != kDisplayFullScreen && mode != kDisplayFitToControl)
    throw MediaError(QStringLiteral("Unknown display size %1").arg(mode).toStdString());
  m_displaySize = mode;
  if (m_widget) m_widget->setFullScreen(mode == kDisplayFullScreen);
}

void MpvPlayer::SetFocus() {
  if (m_widget) m_widget->setFocus(Qt::OtherFocusReason);
}

// ---- sound ---------------------------------------------------------------------------------

void MpvPlayer::setVolume(double volume) {
  volume = std::clamp(volume, 0.0, 100.0);
  mpv_set_property(m_mpv, "volume", MPV_FORMAT_DOUBLE, &volume);
}

double MpvPlayer::volume() const {
  double volume = 0;
  mpv_get_property(m_mpv, "volume", MPV_FORMAT_DOUBLE, &volume);
  return volume;
}

void MpvPlayer::setMute(bool mute) {
  int flag = mute ? 1 : 0;
  mpv_set_property(m_mpv, "mute", MPV_FORMAT_FLAG, &flag);
}

bool MpvPlayer::isMuted() const {
  int flag = 0;
  mpv_get_property(m_mpv, "mute", MPV_FORMAT_FLAG, &flag);
  return flag != 0;
}

bool MpvPlayer::setAudioChannel(AudioChannel channel) {
  if (channel == m_channel) return true;
  // `af` is a global setting: libmpv rebuilds the running file's filter chain at once and keeps
  // the chain for every file after it.
  const QByteArray filter = channelFilter(channel);
  if (mpv_set_property_string(m_mpv, "af", filter.constData()) < 0) return false;
  m_channel = channel;
  return true;
}

void MpvPlayer::setSoundCapture(const QString& wavFile) {
  if (m_mode != Mode::Headless) return;  // a face plays to the sound card
  if (wavFile.isEmpty()) {
    mpv_set_property_string(m_mpv, "ao", "null");
    mpv_set_property_string(m_mpv, "audio-format", "no");
    return;
  }
  // 16-bit samples whatever the decoder hands out (MP3 decodes to floating point).
  mpv_set_property_string(m_mpv, "audio-format", "s16");
  mpv_set_property_string(m_mpv, "ao-pcm-file", QFile::encodeName(wavFile).constData());
  mpv_set_property_string(m_mpv, "ao", "pcm");
}

// ---- position and picture ------------------------------------------------------------------

void MpvPlayer::seek(double seconds) {
  if (m_phase != Phase::Active) return;
  const double duration = liveDuration();
  if (duration > 0) seconds = std::min(seconds, duration);
  seconds = std::max(seconds, 0.0);
  const QByteArray at = QByteArray::number(seconds, 'f', 3);
  namedCommand(m_mpv, {{"name", "seek"}, {"target", at.constData()}, {"flags", "absolute"}});
}

QImage MpvPlayer::currentFrame() {
  if (m_phase != Phase::Active) return {};
  MpvNode result;
  if (namedCommand(m_mpv, {{"name", "screenshot-raw"}, {"flags", "video"}}, &result) < 0) return {};

  const auto number = [&](const char* key) -> int64_t {
    const mpv_node* v = result.find(key);
    return v && v->format == MPV_FORMAT_INT64 ? v->u.int64 : 0;
  };
  const int64_t w = number("w"), h = number("h"), stride = number("stride");
  const mpv_node* format = result.find("format");
  const mpv_node* bytes = result.find("data");
  const mpv_byte_array* data = bytes && bytes->format == MPV_FORMAT_BYTE_ARRAY ? bytes->u.ba : nullptr;
  QImage image;
  // "bgr0": four bytes a pixel, blue first, the fourth unused; QImage's RGB32 in memory on a
  // little-endian machine, once the unused byte is made opaque.
  if (format && format->format == MPV_FORMAT_STRING && QByteArray(format->u.string) == "bgr0" && data && w > 0 &&
      h > 0 && stride >= w * 4 && int64_t(data->size) >= stride * h) {
    image = QImage(int(w), int(h), QImage::Format_RGB32);
    const auto* src = static_cast<const uchar*>(data->data);
    for (int y = 0; y < h; ++y) {
      const uchar* from = src + y * stride;
      auto* to = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < w; ++x) to[x] = qRgb(from[4 * x + 2], from[4 * x + 1], from[4 * x]);
    }
  }
  // A Video CD stores its picture in narrow pixels (352 x 288 shown at 4:3): hand it out at the
  // size it is shown, as the full-screen video and a copy of the screen have it.
  int64_t dw = 0, dh = 0;
  if (!image.isNull() && mpv_get_property(m_mpv, "video-params/dw", MPV_FORMAT_INT64, &dw) >= 0 &&
      mpv_get_property(m_mpv, "video-params/dh", MPV_FORMAT_INT64, &dh) >= 0 && dw > 0 && dh > 0 &&
      QSize(int(dw), int(dh)) != image.size())
    image = image.scaled(int(dw), int(dh), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return image;
}

// ---- context menu and properties -----------------------------------------------------------

QMenu* MpvPlayer::buildContextMenu(QWidget* parent) {
  auto* menu = new QMenu(parent);
  menu->setObjectName(QStringLiteral("playerMenu"));
  const bool running = m_state == kPlaying || m_state == kWaiting;
  QAction* play = menu->addAction(running ? tr("&Pause") : tr("&Play"), this, &MpvPlayer::togglePause);
  play->setObjectName(QStringLiteral("playPause"));
  play->setEnabled(!m_fileName.isEmpty());
  QAction* stop = menu->addAction(tr("&Stop"), this, &MpvPlayer::Stop);
  stop->setObjectName(QStringLiteral("stop"));
  stop->setEnabled(m_phase == Phase::Loading || m_phase == Phase::Active);
  menu->addSeparator();
  QAction* full = menu->addAction(tr("&Full Screen"));
  full->setObjectName(QStringLiteral("fullScreen"));
  full->setCheckable(true);
  full->setChecked(m_displaySize == kDisplayFullScreen);
  full->setEnabled(m_widget != nullptr);
  connect(full, &QAction::triggered, this, [this](bool on) {
    setDisplaySize(on ? kDisplayFullScreen : kDisplayFitToControl);
  });
  QAction* mute = menu->addAction(tr("&Mute"));
  mute->setObjectName(QStringLiteral("mute"));
  mute->setCheckable(true);
  mute->setChecked(isMuted());
  connect(mute, &QAction::triggered, this, [this](bool on) {
    setMute(on);
    if (m_bar) m_bar->refresh();
  });
  menu->addSeparator();
  QAction* properties = menu->addAction(tr("P&roperties..."), this, &MpvPlayer::showProperties);
  properties->setObjectName(QStringLiteral("properties"));
  return menu;
}

PropertiesDialog* MpvPlayer::propertiesDialog() const { return m_properties.data(); }
ControlBar* MpvPlayer::controlBar() const { return m_bar.data(); }

void MpvPlayer::showProperties() {
  if (!m_properties) {
    QWidget* owner = m_widget ? m_widget->window() : nullptr;
    m_properties = new PropertiesDialog(*this, owner);
    m_properties->setWindowModality(Qt::WindowModal);
  }
  m_properties->show();
  m_properties->raise();
  m_properties->activateWindow();
}

}  // namespace vcd::engine
