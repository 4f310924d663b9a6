#include "media/mpv/mpv_common.h"

#include "media/mpv/file_streams.h"

// Quiet unless asked for: QT_LOGGING_RULES="sonoquill.*=true".
Q_LOGGING_CATEGORY(lcEngine, "sonoquill.engine", QtWarningMsg)

namespace mpvcommon {

bool check(int result, const char* what) {
    if (result >= 0)
        return true;
    qCWarning(lcEngine, "%s: %s", what, mpv_error_string(result));
    return false;
}

void setOption(mpv_handle* h, const char* name, const char* value) {
    check(mpv_set_option_string(h, name, value), name);
}

bool command(mpv_handle* h, const char* const* args) {
    return check(mpv_command(h, const_cast<const char**>(args)), args[0]);
}

void setEmbeddedDefaults(mpv_handle* h) {
    // The built-in scripts (statistics page, console, profile switcher) would
    // each run a Lua state that grows with every file.
    for (const char* name :
         {"config", "load-scripts", "load-stats-overlay", "load-osd-console", "load-auto-profiles",
          "ytdl", "input-default-bindings", "input-vo-keyboard", "audio-display",
          // Nothing beside the file: no subtitles, audio or cover pictures
          // found by its name, no chapters that name other files.
          "autoload-files", "sub-auto", "audio-file-auto", "cover-art-auto", "ordered-chapters",
          // No list, archive, reference movie or segment list inside a file
          // opens anything: a ".mp3" of list text names no address for us.
          "access-references", "load-unsafe-playlists"})
        setOption(h, name, "no");
    // Only the general demuxer: the engine's own list, archive and timeline
    // readers would turn a file's contents into names to open.
    setOption(h, "demuxer", "lavf");
}

void addOurParts(mpv_handle* h) {
    filestreams::addProtocol(h);
    check(mpv_request_log_messages(h, "warn"), "request_log_messages");
}

void logMessage(const mpv_event_log_message* m) {
    qCInfo(lcEngine, "%s: %s", m->prefix, QByteArray(m->text).trimmed().constData());
}

QString stringProperty(mpv_handle* h, const char* name) {
    char* s = mpv_get_property_string(h, name);
    if (!s)
        return {};
    QString r = QString::fromUtf8(s);
    mpv_free(s);
    return r;
}

} // namespace mpvcommon
