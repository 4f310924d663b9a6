#include "app/mpris.h"

#include "app/form1.h"
#include "app/not_double.h"
#include "fs/path_helpers.h"
#include "media/media_player.h"
#include "platform/playable_file.h"
#include "playback/playback.h"

#include <QAbstractButton>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDir>
#include <QSlider>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

// org.mpris.MediaPlayer2
class RootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ yes)
    Q_PROPERTY(bool CanRaise READ yes)
    Q_PROPERTY(bool CanSetFullscreen READ no)
    Q_PROPERTY(bool Fullscreen READ no)
    Q_PROPERTY(bool HasTrackList READ no)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ schemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ mimeTypes)
public:
    RootAdaptor(Mpris* mpris)
        : QDBusAbstractAdaptor(mpris)
        , mpris_(mpris) {}
    bool yes() const { return true; }
    bool no() const { return false; }
    QString identity() const { return QStringLiteral("Sonoquill"); }
    QString desktopEntry() const { return QStringLiteral("io.github.sonoquill.Sonoquill"); }
    QStringList schemes() const { return {QStringLiteral("file")}; }
    QStringList mimeTypes() const {
        // The desktop entry's types; ASF is how the desktop may know WMA and WMV files.
        return QStringLiteral("audio/mpeg;audio/x-wav;audio/vnd.wave;audio/x-ms-wma;audio/midi;"
                              "video/mpeg;video/x-msvideo;video/vnd.avi;video/x-ms-wmv;"
                              "application/vnd.ms-asf;video/x-ms-asf;audio/x-mpegurl;audio/mpegurl")
            .split(u';');
    }

public slots:
    void Raise() { NotDouble::RaiseLastActiveWindow(); }
    // Closes as the menu's "exit" does: the settings are written.
    void Quit() { QMetaObject::invokeMethod(mpris_->main(), "close", Qt::QueuedConnection); }

private:
    Mpris* mpris_;
};

// org.mpris.MediaPlayer2.Player
class PlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ one WRITE setRate)
    Q_PROPERTY(double MinimumRate READ one)
    Q_PROPERTY(double MaximumRate READ one)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ canGo)
    Q_PROPERTY(bool CanGoPrevious READ canGo)
    Q_PROPERTY(bool CanPlay READ yes)
    Q_PROPERTY(bool CanPause READ yes)
    Q_PROPERTY(bool CanSeek READ yes)
    Q_PROPERTY(bool CanControl READ yes)
public:
    PlayerAdaptor(Mpris* mpris)
        : QDBusAbstractAdaptor(mpris)
        , mpris_(mpris) {}
    QString playbackStatus() const { return mpris_->playbackStatus(); }
    double one() const { return 1.0; }
    void setRate(double) {}
    QVariantMap metadata() const { return mpris_->metadata(); }
    double volume() const { return mpris_->volume(); }
    void setVolume(double v) { mpris_->setVolume(v); }
    qlonglong position() const { return std::llround(player()->CurrentPosition() * 1e6); }
    bool canGo() const { return mpris_->canGoNext(); }
    bool yes() const { return true; }

public slots:
    void Next() { mpris_->next(); }
    void Previous() { mpris_->previous(); }
    void Pause() { player()->Pause(); }
    void PlayPause() { player()->playPause(); }
    void Stop() { player()->Stop(); }
    void Play() { player()->Play(); }
    void Seek(qlonglong offset) { mpris_->seek(offset); }
    void SetPosition(const QDBusObjectPath& track, qlonglong position) {
        mpris_->setPosition(track.path(), position);
    }
    void OpenUri(const QString& uri) {
        const QUrl url(uri);
        if (url.isLocalFile())
            mpris_->main()->playback()->openFiles({url.toLocalFile()});
    }

signals:
    void Seeked(qlonglong position);

private:
    MediaPlayer* player() const { return mpris_->main()->MediaPlayer1(); }
    Mpris* mpris_;
};

} // namespace

Mpris::Mpris(Form1* main)
    : QObject(main)
    , main_(main) {
    new RootAdaptor(this);
    new PlayerAdaptor(this);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    registered_ = bus.registerObject(kPath, this) && bus.registerService(kService);
    if (!registered_)
        return;
    MediaPlayer* player = main_->MediaPlayer1();
    connect(player, &MediaPlayer::stateChanged, this, [this] {
        propertiesChanged({QStringLiteral("PlaybackStatus"), QStringLiteral("CanGoNext"),
                           QStringLiteral("CanGoPrevious")});
        metadataChanged();
    });
    // Each entry as it is heard, with its own length and tags once known.
    connect(player->session(), &MediaSession::heardChanged, this, &Mpris::metadataChanged);
    connect(main_->Sl1(), &QSlider::valueChanged, this,
            [this] { propertiesChanged({QStringLiteral("Volume")}); });
    connect(player, &MediaPlayer::seeked, this, &Mpris::seeked);
    // A repeating file starting over, unless the shown list went on to its
    // next entry instead (the main window handles the pass first).
    connect(player, &MediaPlayer::PassEnded, this, [this, player] {
        if (player->state() != MediaPlayer::State::Opening)
            seeked(0);
    });
}

Mpris::~Mpris() {
    if (registered_)
        QDBusConnection::sessionBus().unregisterService(kService);
}

QString Mpris::playbackStatus() const {
    switch (main_->MediaPlayer1()->state()) {
    case MediaPlayer::State::Playing:
    case MediaPlayer::State::Opening:
        return QStringLiteral("Playing");
    case MediaPlayer::State::Paused:
        return QStringLiteral("Paused");
    default:
        return QStringLiteral("Stopped");
    }
}

QString Mpris::trackId() const {
    return QStringLiteral("/io/github/sonoquill/track/%1")
        .arg(main_->MediaPlayer1()->session()->heardSerial());
}

QVariantMap Mpris::metadata() const {
    MediaPlayer* player = main_->MediaPlayer1();
    const MediaSession* session = player->session();
    // Everything of one entry, the one heard: a file still opening keeps
    // the entry before it in place (its name, track id and length).
    if (session->heardSerial() != lengthSerial_) {
        lengthSerial_ = session->heardSerial();
        length_ = 0;
        heardFile_ = player->FileName();
    }
    const QString file = heardFile_;
    if (file.isEmpty() || player->FileName().isEmpty())
        return {};
    const MediaSession::Tags& tags = session->tags();
    QVariantMap m;
    m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(trackId())));
    m.insert(QStringLiteral("xesam:title"),
             tags.title.isEmpty() ? mFile::GetFileName(file) : tags.title);
    if (!tags.artist.isEmpty())
        m.insert(QStringLiteral("xesam:artist"), QStringList{tags.artist});
    if (!tags.album.isEmpty())
        m.insert(QStringLiteral("xesam:album"), tags.album);
    if (const QString local = platform::localPath(file); !local.isEmpty())
        m.insert(QStringLiteral("xesam:url"),
                 QString::fromLatin1(QUrl::fromLocalFile(QDir::cleanPath(local)).toEncoded()));
    if (const double now = player->Duration();
        now > 0 && player->state() != MediaPlayer::State::Opening)
        length_ = now;
    if (length_ > 0)
        m.insert(QStringLiteral("mpris:length"), std::llround(length_ * 1e6));
    return m;
}

void Mpris::metadataChanged() {
    if (metadata() != told_)
        propertiesChanged({QStringLiteral("Metadata")});
}

// Slider v sets a gain of (27 v - 2700) hundredths of a decibel.
double Mpris::volume() const {
    return std::pow(10.0, (27.0 * main_->Sl1()->value() - 2700.0) / 2000.0);
}

void Mpris::setVolume(double value) {
    // The slider carries the volume, as if moved by hand: the value nearest
    // to the asked amplitude (silence and below give the quietest).
    const double v = value > 0 ? (2000.0 * std::log10(value) + 2700.0) / 27.0 : 0.0;
    main_->Sl1()->setValue(static_cast<int>(std::lround(std::clamp(v, 0.0, 100.0))));
}

bool Mpris::canGoNext() const {
    return main_->playback()->canGoNext();
}

void Mpris::next() {
    main_->playback()->next();
}

void Mpris::previous() {
    main_->playback()->previous();
}

void Mpris::seek(qlonglong offset) {
    MediaPlayer* player = main_->MediaPlayer1();
    const double target = std::max(0.0, player->CurrentPosition() + offset / 1e6);
    if (player->Duration() > 0 && target > player->Duration())
        return next();
    player->setCurrentPosition(target);
}

void Mpris::setPosition(const QString& track, qlonglong microseconds) {
    MediaPlayer* player = main_->MediaPlayer1();
    const double target = microseconds / 1e6;
    if (track != trackId() || target < 0)
        return;
    if (player->Duration() > 0 && target > player->Duration())
        return next();
    player->setCurrentPosition(target);
}

void Mpris::seeked(double seconds) {
    QDBusMessage signal =
        QDBusMessage::createSignal(kPath, kPlayerInterface, QStringLiteral("Seeked"));
    signal << static_cast<qlonglong>(seconds * 1e6);
    QDBusConnection::sessionBus().send(signal);
}

void Mpris::propertiesChanged(const QStringList& names) {
    QVariantMap changed;
    for (const QString& name : names) {
        if (name == QLatin1String("PlaybackStatus"))
            changed.insert(name, playbackStatus());
        else if (name == QLatin1String("Metadata"))
            changed.insert(name, told_ = metadata());
        else if (name == QLatin1String("Volume"))
            changed.insert(name, volume());
        else if (name.startsWith(QLatin1String("CanGo")))
            changed.insert(name, canGoNext());
    }
    QDBusMessage signal =
        QDBusMessage::createSignal(kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

#include "mpris.moc"
