#include "engine/control_bar.h"

#include "engine/mpv_player.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QProxyStyle>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace vcd::engine {

namespace {

// A left click on a slider's groove puts the handle there (and starts dragging it), as a seek
// bar should, instead of stepping a page towards the click.
class JumpSliderStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* ret) const override {
    if (hint == QStyle::SH_Slider_AbsoluteSetButtons) return Qt::LeftButton;
    return QProxyStyle::styleHint(hint, option, widget, ret);
  }
};

// The bar's pictures are drawn here, in the palette's button-text colour, rather than taken from
// the desktop's icon theme: symbolic themes (GNOME's Adwaita) hand out pale grey icons meant to be
// recoloured by their own toolkit, which are nearly invisible on a light bar.
QPixmap glyphPixmap(ControlBar::Glyph glyph, const QColor& colour, int side, qreal ratio) {
  QPixmap pixmap(QSize(side, side) * ratio);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  const qreal u = side / 16.0;  // drawn on a 16 x 16 grid
  auto r = [u](qreal x, qreal y, qreal w, qreal h) { return QRectF(x * u, y * u, w * u, h * u); };
  auto pt = [u](qreal x, qreal y) { return QPointF(x * u, y * u); };
  // The loudspeaker of the sound glyphs.
  const QPolygonF speaker{pt(1.5, 5.5), pt(4.5, 5.5), pt(8.5, 2), pt(8.5, 14), pt(4.5, 10.5), pt(1.5, 10.5)};
  switch (glyph) {
    case ControlBar::Glyph::Play:
      p.drawPolygon(QPolygonF{pt(4, 2), pt(13.5, 8), pt(4, 14)});
      break;
    case ControlBar::Glyph::Pause:
      p.drawRect(r(3.5, 2.5, 3.5, 11));
      p.drawRect(r(9, 2.5, 3.5, 11));
      break;
    case ControlBar::Glyph::Stop:
      p.drawRect(r(3, 3, 10, 10));
      break;
    case ControlBar::Glyph::Volume: {
      p.drawPolygon(speaker);
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(colour, 1.4 * u, Qt::SolidLine, Qt::RoundCap));
      p.drawArc(r(6.5, 5, 5, 6), -50 * 16, 100 * 16);
      p.drawArc(r(6, 2.5, 8.5, 11), -55 * 16, 110 * 16);
      break;
    }
    case ControlBar::Glyph::Muted: {
      p.drawPolygon(speaker);
      p.setPen(QPen(colour, 1.6 * u, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(pt(10.5, 5.5), pt(14.5, 10.5));
      p.drawLine(pt(14.5, 5.5), pt(10.5, 10.5));
      break;
    }
  }
  return pixmap;
}

QToolButton* barButton(QWidget* parent, const QString& tip) {
  auto* b = new QToolButton(parent);
  b->setToolTip(tip);
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::NoFocus);
  b->setIconSize(QSize(16, 16));
  return b;
}

// A slider of the bar: it jumps where it is clicked (`style`) and never takes the focus.
QSlider* barSlider(QWidget* parent, QStyle* style, const QString& name, int maximum, const QString& tip) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setObjectName(name);
  slider->setStyle(style);
  slider->setFocusPolicy(Qt::NoFocus);
  slider->setRange(0, maximum);
  slider->setToolTip(tip);
  return slider;
}

}  // namespace

ControlBar::ControlBar(MpvPlayer& player, QWidget* parent) : QWidget(parent), m_player(player) {
  setObjectName(QStringLiteral("controlBar"));
  // The bar has the face colour of the desktop, not the picture's black.
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QApplication::palette().color(QPalette::Window));
  setPalette(pal);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  setFocusPolicy(Qt::NoFocus);

  m_playPause = barButton(this, tr("Play"));
  m_playPause->setObjectName(QStringLiteral("playPause"));
  m_stop = barButton(this, tr("Stop"));
  m_stop->setObjectName(QStringLiteral("stop"));

  auto* sliderStyle = new JumpSliderStyle(style()->name());
  sliderStyle->setParent(this);
  m_seek = barSlider(this, sliderStyle, QStringLiteral("seek"), 0, tr("Seek"));
  m_seek->setEnabled(false);

  m_mute = barButton(this, tr("Mute"));
  m_mute->setObjectName(QStringLiteral("mute"));
  m_mute->setCheckable(true);
  m_volume = barSlider(this, sliderStyle, QStringLiteral("volume"), 100, tr("Volume"));
  m_volume->setFixedWidth(72);

  // Two rows: the seek slider across the whole width, and below it the transport at the left
  // and the sound at the right. The middle of the lower row stays empty: the window shows its
  // status line there.
  auto* rows = new QVBoxLayout(this);
  rows->setContentsMargins(2, 1, 4, 1);
  rows->setSpacing(0);
  rows->addWidget(m_seek);
  // A bar taller than it needs (the face scaled up with its window) keeps the slider at its top
  // and the buttons at its bottom.
  rows->addStretch(1);
  auto* row = new QHBoxLayout;
  row->setSpacing(2);
  row->addWidget(m_playPause);
  row->addWidget(m_stop);
  row->addStretch(1);
  row->addWidget(m_mute);
  row->addWidget(m_volume);
  rows->addLayout(row);

  connect(m_playPause, &QToolButton::clicked, this, [this] { m_player.togglePause(); refresh(); });
  connect(m_stop, &QToolButton::clicked, this, [this] { m_player.Stop(); refresh(); });

  // A value set from outside (a click that jumps, a key, a program) seeks at once; while the
  // handle is dragged each move seeks (libmpv keeps only the latest of seeks still pending).
  connect(m_seek, &QSlider::valueChanged, this, [this] {
    if (!m_updating && !m_seek->isSliderDown()) seekToSlider();
  });
  connect(m_seek, &QSlider::sliderMoved, this, [this] { seekToSlider(); });
  connect(m_seek, &QSlider::sliderReleased, this, [this] { seekToSlider(); });

  connect(m_volume, &QSlider::valueChanged, this, [this](int value) {
    if (!m_updating) m_player.setVolume(value);
  });
  connect(m_mute, &QToolButton::toggled, this, [this](bool on) {
    m_mute->setIcon(glyph(on ? Glyph::Muted : Glyph::Volume));
    if (!m_updating) m_player.setMute(on);
  });

  m_follow.setInterval(250);
  connect(&m_follow, &QTimer::timeout, this, &ControlBar::refresh);
  refresh();
  updateGlyphs();
}

QIcon ControlBar::glyph(Glyph g) const {
  const qreal ratio = devicePixelRatioF();
  QIcon icon;
  const QPalette& pal = palette();
  icon.addPixmap(glyphPixmap(g, pal.color(QPalette::Active, QPalette::ButtonText), 16, ratio), QIcon::Normal);
  icon.addPixmap(glyphPixmap(g, pal.color(QPalette::Disabled, QPalette::ButtonText), 16, ratio), QIcon::Disabled);
  return icon;
}

void ControlBar::updateGlyphs() {
  if (!m_playPause || !m_stop || !m_mute) return;  // still being made
  m_playPause->setIcon(glyph(m_showsPause ? Glyph::Pause : Glyph::Play));
  m_stop->setIcon(glyph(Glyph::Stop));
  m_mute->setIcon(glyph(m_mute->isChecked() ? Glyph::Muted : Glyph::Volume));
}

bool ControlBar::event(QEvent* event) {
  if (event->type() == QEvent::ApplicationPaletteChange) {
    // The desktop's colours changed (a light or dark theme): the bar's face follows them, as
    // its glyphs do (the palette change that follows draws them anew).
    QPalette pal = palette();
    const QColor face = QApplication::palette().color(QPalette::Window);
    if (pal.color(QPalette::Window) != face) {
      pal.setColor(QPalette::Window, face);
      setPalette(pal);
    }
  }
  return QWidget::event(event);
}

void ControlBar::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) updateGlyphs();
}

void ControlBar::seekToSlider() { m_player.seek(m_seek->sliderPosition() / 1000.0); }

void ControlBar::refresh() {
  m_updating = true;
  const double duration = m_player.Duration();
  const int length = duration > 0 ? int(std::lround(duration * 1000)) : 0;
  if (!m_seek->isSliderDown()) {
    if (m_seek->maximum() != length) m_seek->setRange(0, length);
    m_seek->setPageStep(std::max(1, length / 10));
    m_seek->setValue(int(std::lround(m_player.CurrentPosition() * 1000)));
    m_seek->setEnabled(length > 0 && m_player.canSeek());
  }
  if (!m_volume->isSliderDown()) m_volume->setValue(int(std::lround(m_player.volume())));
  m_mute->setChecked(m_player.isMuted());
  const bool playing = m_player.PlayState() == kPlaying || m_player.PlayState() == kWaiting;
  if (playing != m_showsPause) {
    m_showsPause = playing;
    m_playPause->setIcon(glyph(playing ? Glyph::Pause : Glyph::Play));
    m_playPause->setToolTip(playing ? tr("Pause") : tr("Play"));
  }
  m_updating = false;
}

void ControlBar::showEvent(QShowEvent* event) {
  refresh();
  m_follow.start();
  QWidget::showEvent(event);
}

void ControlBar::hideEvent(QHideEvent* event) {
  m_follow.stop();
  QWidget::hideEvent(event);
}

// Clicks between the bar's controls stay on the bar: they must not pause the picture above.
void ControlBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) event->accept();
  else QWidget::mousePressEvent(event);
}
void ControlBar::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) event->accept();
  else QWidget::mouseReleaseEvent(event);
}
void ControlBar::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) event->accept();
  else QWidget::mouseDoubleClickEvent(event);
}

}  // namespace vcd::engine
