#include "engine/properties_dialog.h"

#include "engine/mpv_player.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vcd::engine {

namespace {

QString clock(double seconds) {
  const int s = int(seconds + 0.5);
  return QStringLiteral("%1:%2").arg(s / 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

PropertiesDialog::PropertiesDialog(MpvPlayer& player, QWidget* parent)
    : QDialog(parent), m_player(player), m_opened(player.audioChannel()) {
  setObjectName(QStringLiteral("mediaProperties"));
  setWindowTitle(tr("Properties"));
  setAttribute(Qt::WA_DeleteOnClose);

  m_pages = new QTabWidget(this);

  // General: what is playing.
  auto* general = new QWidget;
  auto* form = new QFormLayout(general);
  const QString name = player.FileName();
  auto* file = new QLabel(name.isEmpty() ? tr("(none)") : name);
  file->setTextFormat(Qt::PlainText);
  file->setWordWrap(true);
  form->addRow(tr("File:"), file);
  form->addRow(tr("Length:"), new QLabel(player.Duration() > 0 ? clock(player.Duration()) : tr("-")));
  m_pages->addTab(general, tr("General"));

  // Advanced: the decoders and their settings.
  auto* advanced = new QWidget;
  auto* column = new QVBoxLayout(advanced);
  column->addWidget(new QLabel(tr("Filters in use:")));
  m_decoders = new QListWidget;
  m_decoders->setObjectName(QStringLiteral("decoders"));
  m_decoders->addItems({tr("MPEG Audio Decoder"), tr("MPEG Video Decoder")});
  m_decoders->setMaximumHeight(60);
  column->addWidget(m_decoders);

  m_settings = new QStackedWidget;
  auto* none = new QLabel(tr("Select a filter to see its settings."));
  none->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  m_settings->addWidget(none);
  auto* channels = new QGroupBox(tr("Channel"));
  auto* channelColumn = new QVBoxLayout(channels);
  auto* group = new QButtonGroup(channels);
  for (AudioChannel c : {AudioChannel::Stereo, AudioChannel::First, AudioChannel::Second}) {
    auto* b = new QRadioButton(channelName(c));
    b->setObjectName(QStringLiteral("channel") + channelName(c));
    b->setChecked(c == m_opened);
    group->addButton(b, int(c));
    channelColumn->addWidget(b);
    m_channel[int(c)] = b;
  }
  m_settings->addWidget(channels);
  auto* videoNote = new QLabel(tr("This filter has no settings."));
  videoNote->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  m_settings->addWidget(videoNote);
  column->addWidget(m_settings, 1);
  m_pages->addTab(advanced, tr("Advanced"));

  connect(m_decoders, &QListWidget::currentRowChanged, this, [this](int row) { m_settings->setCurrentIndex(row + 1); });
  // The choice plays at once: the user hears which channel carries the voice.
  connect(group, &QButtonGroup::idToggled, this, [this](int id, bool on) {
    if (on && !m_player.setAudioChannel(AudioChannel(id)))
      m_channel[int(m_player.audioChannel())]->setChecked(true);  // refused: show what plays
  });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_pages);
  layout->addWidget(buttons);
  resize(320, 300);
}

bool PropertiesDialog::showsAudioDecoderSettings() const { return m_settings->currentIndex() == 1; }

void PropertiesDialog::reject() {
  m_player.setAudioChannel(m_opened);
  QDialog::reject();
}

}  // namespace vcd::engine
