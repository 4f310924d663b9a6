#include "media/engine_backend.h"

#include "media/mpv/file_streams.h"
#include "media/mpv/mpv_common.h"

#include <clocale>
#include <cmath>

using namespace mpvcommon;

namespace {

// Opens the file in a short-lived engine of its own, paused and without
// outputs, and reads what it found.
void probeMedia(int fd, int64_t size, const QString& name, QList<QPair<QString, QString>>& facts) {
    std::setlocale(LC_NUMERIC, "C");
    const QByteArray url = filestreams::publish(fd, size, name);
    mpv_handle* h = mpv_create();
    if (!h) {
        filestreams::release(url);
        return;
    }
    setEmbeddedDefaults(h);
    for (const char* option : {"vo", "ao"})
        setOption(h, option, "null");
    for (const char* option : {"pause", "idle"})
        setOption(h, option, "yes");
    if (!check(mpv_initialize(h), "initialize")) {
        mpv_terminate_destroy(h);
        filestreams::release(url);
        return;
    }
    addOurParts(h);
    const char* cmd[] = {"loadfile", url.constData(), nullptr};
    bool loaded = false;
    const bool opening = command(h, cmd);
    for (int i = 0; opening && i < 100 && !loaded; ++i) {
        mpv_event* e = mpv_wait_event(h, 0.05);
        if (e->event_id == MPV_EVENT_LOG_MESSAGE)
            logMessage(static_cast<mpv_event_log_message*>(e->data));
        else if (e->event_id == MPV_EVENT_FILE_LOADED)
            loaded = true;
        else if (e->event_id == MPV_EVENT_END_FILE)
            break;
    }
    if (loaded) {
        auto add = [&](const QString& label, const QString& value) {
            if (!value.isEmpty())
                facts.append({label, value});
        };
        double seconds = 0;
        if (mpv_get_property(h, "duration", MPV_FORMAT_DOUBLE, &seconds) >= 0 && seconds > 0) {
            const auto total = static_cast<long long>(seconds);
            add(QStringLiteral("長さ"),
                QStringLiteral("%1:%2").arg(total / 60).arg(total % 60, 2, 10, QLatin1Char('0')));
            int64_t bytes = 0;
            if (mpv_get_property(h, "file-size", MPV_FORMAT_INT64, &bytes) >= 0 && bytes > 0)
                add(QStringLiteral("ビットレート"),
                    QStringLiteral("%1 kbps").arg(std::llround(bytes * 8 / seconds / 1000)));
        }
        add(QStringLiteral("形式"), stringProperty(h, "file-format"));
        add(QStringLiteral("音声"), stringProperty(h, "current-tracks/audio/codec"));
        add(QStringLiteral("映像"), stringProperty(h, "current-tracks/video/codec"));
        const QString w = stringProperty(h, "current-tracks/video/demux-w");
        const QString hh = stringProperty(h, "current-tracks/video/demux-h");
        if (!w.isEmpty() && !hh.isEmpty())
            add(QStringLiteral("画像サイズ"), w + QStringLiteral(" x ") + hh);
        int64_t tags = 0;
        check(mpv_get_property(h, "metadata/list/count", MPV_FORMAT_INT64, &tags), "metadata");
        for (int64_t i = 0; i < tags && i < 32; ++i) {
            const QByteArray base = "metadata/list/" + QByteArray::number(i);
            add(stringProperty(h, (base + "/key").constData()),
                stringProperty(h, (base + "/value").constData()));
        }
    }
    mpv_terminate_destroy(h);
    filestreams::release(url);
}

} // namespace

extern "C" __attribute__((visibility("default"))) void
sonoquill_probe_media(int fd, int64_t size, const QString* name,
                      QList<QPair<QString, QString>>* facts) {
    probeMedia(fd, size, *name, *facts);
}
