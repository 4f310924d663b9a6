// The list played round and round: ENTRIES generated files of 0.1 s in the
// shown list, repeat on, the engine untimed without a device, for CYCLES full
// passes. Prints the resident memory and the open file descriptors at the end
// of every pass; fails when the list stops advancing, when descriptors leak or
// when memory keeps growing.
//   soak [ENTRIES] [CYCLES]
#include "app/form1.h"
#include "media/media_player.h"
#include "platform/settings.h"
#include "playlist/frm_list2.h"
#include "playlist/playlist_grid.h"
#include "support/test_media.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

double residentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return 0;
}

// What the allocator hands out: growth here is held memory, growth of the
// resident size alone is the allocator's or a library's own.
double heapInUseMegabytes() {
#ifdef __GLIBC__
    const struct mallinfo2 m = mallinfo2();
    return static_cast<double>(m.uordblks + m.hblkhd) / (1 << 20);
#else
    return 0;
#endif
}

// Freed memory the allocator keeps for later: the engine takes and frees a
// 10 MiB buffer for every file, and the arenas' free space then moves by
// that step from one sample to the next with nothing held.
double allocatorFreeMegabytes() {
#ifdef __GLIBC__
    return static_cast<double>(mallinfo2().fordblks) / (1 << 20);
#else
    return 0;
#endif
}

qsizetype openDescriptors() {
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::NoDotAndDotDot | QDir::System)
        .size();
}

// A pass ends when the first entry's caption comes back; the first pass warms
// caches and allocators up, so growth is measured from its end.
struct Pass {
    double seconds;
    double rssMb; // resident, less what the allocator keeps free
    double heapMb;
    qsizetype fds;
};

} // namespace

int main(int argc, char* argv[]) {
    // The engine's threads come and go with each file, the more so with the
    // next file prepared ahead, and a new thread may get an allocator arena
    // of its own: the resident size then rises by steps of ~10 MB and stays,
    // with nothing held. Two arenas keep it a measure of what is held.
    mallopt(M_ARENA_MAX, 2);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int entries = argc > 1 ? std::max(2, atoi(argv[1])) : 500;
    const int cycles = argc > 2 ? std::max(2, atoi(argv[2])) : 5;

    QTemporaryDir media, appDir;
    QStringList files;
    for (int i = 0; i < entries; ++i) {
        files << media.filePath(QStringLiteral("tone%1.wav").arg(i, 4, 10, QChar(u'0')));
        if (!testmedia::writeWav(files.last(), 0.1, 220 + i % 400, 0.3, 8000)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(files.last()));
            return 2;
        }
    }
    mIni::overrideAppPathForTesting(appDir.path());
    MediaPlayer::setEngineOptions({true, true, {}});
    Form1 main;
    main.Form_Load({});
    main.show();
    main.mnuSort2()->trigger();
    frmList2* list = main.playlistWindow();
    for (const QString& f : files)
        list->grid().appendPath(f);
    main.setChkValue(1, 1); // repeat

    const QString first = QStringLiteral("1/%1").arg(entries);
    QList<Pass> passes;
    QElapsedTimer clock, sinceStep;
    int failures = 0;
    bool started = false;
    QObject::connect(list, &QWidget::windowTitleChanged, &app, [&](const QString& title) {
        sinceStep.restart();
        if (title != first)
            return;
        if (!started) { // the first play of entry 1 starts the first pass
            started = true;
            clock.restart();
            return;
        }
        passes.append({clock.restart() / 1000.0, residentMegabytes() - allocatorFreeMegabytes(),
                       heapInUseMegabytes(), openDescriptors()});
        const Pass& p = passes.last();
        std::printf("pass %2lld: %6.2f s  held RSS %6.1f MB  heap %6.1f MB  %lld fds\n",
                    static_cast<long long>(passes.size()), p.seconds, p.rssMb, p.heapMb,
                    static_cast<long long>(p.fds));
        std::fflush(stdout);
        if (passes.size() == cycles)
            app.quit();
    });
    QObject::connect(main.MediaPlayer1(), &MediaPlayer::stateChanged, &app,
                     [&](MediaPlayer::State s) { failures += s == MediaPlayer::State::Failed; });
    // The list must move on: no step for ten seconds is a hang.
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, &app, [&] {
        if (sinceStep.elapsed() > 10000) {
            std::fprintf(stderr, "the list stopped at %s\n", qPrintable(list->windowTitle()));
            app.exit(1);
        }
    });
    watchdog.start(1000);

    sinceStep.start();
    clock.start();
    list->grid().setRow(1);
    list->Grid1_DblClick();
    if (app.exec() != 0)
        return 1;

    const Pass& a = passes.first();
    const Pass& b = passes.last();
    std::printf("%d entries x %lld passes: %.1f entries/s; held RSS first %.1f MB, last %.1f MB "
                "(%+.1f%%); fds first %lld, last %lld; failed opens %d\n",
                entries, static_cast<long long>(passes.size()), entries / b.seconds, a.rssMb,
                b.rssMb, 100 * (b.rssMb - a.rssMb) / a.rssMb, static_cast<long long>(a.fds),
                static_cast<long long>(b.fds), failures);
    // Flat: what the allocator hands out grows by less than a quarter of a
    // kilobyte a file played; the resident size less the allocator's free
    // space stays within 5% and 2 MB.
    const double plays = static_cast<double>(entries) * static_cast<double>(passes.size() - 1);
    // One sample a pass catches whatever the engine holds at that instant,
    // up and down by half a megabyte; a leak raises the floor, so the lowest
    // sample of the later half is held against the lowest of the earlier.
    const qsizetype half = std::max<qsizetype>(1, passes.size() / 2);
    auto floorOf = [&](qsizetype from, qsizetype to) {
        double low = passes[from].heapMb;
        for (qsizetype i = from; i < to; ++i)
            low = std::min(low, passes[i].heapMb);
        return low;
    };
    const double heapGrowthKb =
        (floorOf(passes.size() - half, passes.size()) - floorOf(0, half)) * 1024;
    const bool flat = heapGrowthKb < plays / 4 && b.rssMb <= a.rssMb * 1.05 + 2;
    const bool ok = flat && b.fds <= a.fds && failures == 0;
    if (!ok)
        std::printf("soak FAILED\n");
    return ok ? 0 : 1;
}
