#pragma once

#include <QObject>
#include <QVariantMap>

class Form1;

// The player on the session bus as an MPRIS media player, so media keys and
// the desktop's sound menu drive it. Without a session bus nothing happens.
class Mpris : public QObject {
    Q_OBJECT
public:
    static inline const QString kService = QStringLiteral("org.mpris.MediaPlayer2.sonoquill");
    static inline const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");

    explicit Mpris(Form1* main);
    ~Mpris() override;
    bool registered() const { return registered_; }

    Form1* main() const { return main_; }
    QString playbackStatus() const;
    QVariantMap metadata() const;
    // The linear amplitude of the slider's gain (-27 dB .. 0 dB); mute is
    // not part of it.
    double volume() const;
    void setVolume(double value);
    bool canGoNext() const;

    void next();
    void previous();
    // Moves by the offset; past the end it goes to the next entry.
    void seek(qlonglong offsetMicroseconds);
    // Moves to the position in the track named (ignored for another, a
    // stale request); past the end it goes to the next entry.
    void setPosition(const QString& trackId, qlonglong microseconds);

    // Tells the bus which player properties changed.
    void propertiesChanged(const QStringList& names);
    // Tells the bus of new metadata, if it changed.
    void metadataChanged();
    // Tells the bus the position jumped to this many seconds.
    void seeked(double seconds);

private:
    Form1* main_;
    bool registered_ = false;
    QString trackId() const;

    // The length of the entry heard, kept while it is stopped (the engine
    // forgets it then).
    mutable quint64 lengthSerial_ = 0;
    mutable double length_ = 0;
    mutable QString heardFile_;
    QVariantMap told_; // the metadata the bus was last told
};
