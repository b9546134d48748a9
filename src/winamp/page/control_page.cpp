#include "control_page.h"

#include "catalogue_store.h"
#include "message_boxes.h"
#include "now_playing.h"
#include "readings.h"
#include "shell.h"
#include "ui_control_page.h"
#include "winamp_link.h"

#include <QPointer>
#include <algorithm>

namespace {

const QString kInstalledRadiosCaption = QStringLiteral("Installed radios");
const QString kControlCaption = QStringLiteral("Winamp control");

int RightEdge(const QLabel* label)
{
    return label->x() + label->width();
}

void ShowReading(QLabel& label, int rightEdge, readings::Reading reading, qint32 value,
                 readings::Band band)
{
    // The colour alone tells a screen reader nothing.
    label.setAccessibleName(readings::Spoken(reading, value, band));
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, readings::Colour(band));
    label.setPalette(palette);
    const QString caption = readings::Caption(value);
    label.setText(caption);
    // The label is right-aligned at a fixed edge; a caption wider than its
    // laid-out width grows it leftwards instead of being cut off.
    const int width = std::max(label.width(),
                               label.fontMetrics().horizontalAdvance(caption) + label.margin() * 2);
    if (width != label.width())
        label.setGeometry(rightEdge - width, label.y(), width, label.height());
}

} // namespace

ControlPage::ControlPage(ControlPageContext context, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::ControlPage>()), m_context(std::move(context))
{
    ui->setupUi(this);
    m_brateRight = RightEdge(ui->brate);
    m_srateRight = RightEdge(ui->srate);
    m_channelsRight = RightEdge(ui->channels);
    connect(ui->SpeedButton1, &QToolButton::clicked, this, &ControlPage::SpeedButton1Click);
    connect(ui->SpeedButton2, &QToolButton::clicked, this, &ControlPage::SpeedButton2Click);
    connect(ui->SpeedButton3, &QToolButton::clicked, this, &ControlPage::SpeedButton3Click);
    connect(ui->SpeedButton4, &QToolButton::clicked, this, &ControlPage::SpeedButton4Click);
    // Every step of the bar, by mouse, wheel or keys, is one notification,
    // even when it leaves the position as it was (a key pressed at the end).
    connect(ui->glosnosc, &QSlider::actionTriggered, this, &ControlPage::glosnoscChange);
    connect(ui->Button8, &QPushButton::clicked, this, &ControlPage::Button8Click);
    // The link may outlive this page, or the page the link: the call checks
    // that the page is still there.
    m_context.winamp.SetTrackChanged([page = QPointer<ControlPage>(this)] {
        if (page)
            page->RefreshTrack();
    });
}

ControlPage::~ControlPage() = default;

QList<QWidget*> ControlPage::TabStops() const
{
    // The transport buttons follow the volume bar, for keyboard users.
    return {ui->glosnosc, ui->SpeedButton1, ui->SpeedButton2, ui->SpeedButton3, ui->SpeedButton4,
            ui->aktnazwa, ui->aktopis,      ui->Button8,      ui->nowPlaying};
}

void ControlPage::SpeedButton1Click()
{
    m_context.winamp.StartPlaying();
    RefreshTrack();
}

void ControlPage::SpeedButton2Click()
{
    m_context.winamp.Pause();
    RefreshTrack();
}

void ControlPage::SpeedButton3Click()
{
    m_context.winamp.Stop();
    RefreshTrack();
}

void ControlPage::SpeedButton4Click()
{
    m_context.winamp.Stop();
    RefreshTrack();
    m_context.selectPage(kInstalledRadiosCaption);
}

void ControlPage::glosnoscChange()
{
    // The step has moved the bar but not yet its value.
    m_context.winamp.SetVolume(ui->glosnosc->sliderPosition());
}

void ControlPage::Button8Click()
{
    m_context.winamp.Stop();
    RefreshTrack();
    m_context.selectPage(m_context.browserPageCaption);
    Q_EMIT browserRefreshRequested();
}

void ControlPage::Timer1Timer()
{
    m_context.winamp.LookUpWhileNotFound();
    RefreshReadings();
    // For players that do not tell of changes.
    RefreshTrack();
}

void ControlPage::Listen(int slot)
{
    // Playing is left to the program the desktop hands the playlist to; when
    // none took it, the page would show a station that does not play.
    const platform::OpenResult opened = m_context.shell.Open(m_context.catalogue.PlaylistFile(slot),
                                                             platform::ShowCommand::Minimize);
    if (!opened.Opened()) {
        ShowMessage(opened.failure);
        return;
    }
    m_context.selectPage(kControlCaption);
    ShowStation(m_context.catalogue.StationName(slot),
                m_context.catalogue.StationDescription(slot));
    RefreshReadings();
    RefreshReadings();
}

void ControlPage::ShowStation(const QString& name, const QString& description)
{
    ui->aktnazwa->setText(name);
    ui->aktopis->setText(description);
    RefreshTrack();
}

void ControlPage::RefreshTrack()
{
    // Only a station this page shows counts: before one is listened to, the
    // player may well play something of the user's own.
    const QString station = ui->aktnazwa->text();
    const std::optional<platform::Track> track =
        station.isEmpty() ? std::nullopt : m_context.winamp.PlayingTrack();
    const QString words = track ? now_playing::TrackWords(*track) : QString();
    if (ui->nowPlaying->text() != words) {
        ui->nowPlaying->setText(words);
        // A long title is read from its beginning.
        ui->nowPlaying->setCursorPosition(0);
    }
    const QString playing = track ? station : QString();
    if (playing == m_playingStation && words == m_playingTrack)
        return;
    m_playingStation = playing;
    m_playingTrack = words;
    Q_EMIT nowPlayingChanged(m_playingStation, m_playingTrack);
}

void ControlPage::RefreshReadings()
{
    const qint32 bitRate = m_context.winamp.BitRate();
    ShowReading(*ui->brate, m_brateRight, readings::Reading::BitRate, bitRate,
                readings::BitRateBand(bitRate));
    const qint32 sampleRate = m_context.winamp.SampleRate();
    ShowReading(*ui->srate, m_srateRight, readings::Reading::SampleRate, sampleRate,
                readings::SampleRateBand(sampleRate));
    const qint32 channels = m_context.winamp.ChannelCount();
    ShowReading(*ui->channels, m_channelsRight, readings::Reading::Channels, channels,
                readings::ChannelsBand(channels));
}
