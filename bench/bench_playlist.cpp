// In-process figures for the playlist at scale: reading and writing list
// files, the Sort command, a folder drop, selecting the last row of a long
// list, and repainting a grid of the longest entries. The driver (run.py) passes the corpus folder
// and compares each figure with its baseline.
//   bench_playlist --corpus=DIR [benchmark flags]
#include "app/form1.h"
#include "media/media_player.h"
#include "platform/settings.h"
#include "playlist/frm_list2.h"
#include "playlist/grid_view.h"
#include "playlist/m3u.h"

#include <QApplication>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <string>

namespace {

QString corpus;
std::unique_ptr<Form1> mainWindow;

QString listFile(std::int64_t n) {
    return corpus + QStringLiteral("/list_%1.m3u").arg(n);
}

long rssKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

frmList2* listWindow() {
    if (!mainWindow) {
        static QTemporaryDir settings;
        mIni::overrideAppPathForTesting(settings.path());
        MediaPlayer::setEngineOptions({true, true, {}});
        mainWindow = std::make_unique<Form1>();
        mainWindow->Form_Load({});
        mainWindow->show();
        mainWindow->mnuSort2()->trigger();
        // A window paints only once it is exposed; until then a repaint is free.
        QWindow* shown = mainWindow->playlistWindow()->windowHandle();
        for (int i = 0; i < 20 && !(shown && shown->isExposed()); ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return mainWindow->playlistWindow();
}

void loadInto(frmList2* w, std::int64_t n) {
    w->cmd_Click(5);
    w->grid().beginBatch();
    ReadPlaylist(w->grid(), listFile(n), true);
    w->grid().endBatch();
}

// Reading a list into the grid, hidden, in one batch, as Load does.
void BM_ReadPlaylist(benchmark::State& state) {
    const long before = rssKiB();
    long growth = 0;
    for (auto _ : state) {
        PlaylistGrid grid(QChar(u'/'));
        grid.beginBatch();
        ReadPlaylist(grid, listFile(state.range(0)), true);
        grid.endBatch();
        growth = std::max(growth, rssKiB() - before);
        benchmark::DoNotOptimize(grid.Rows());
    }
    state.counters["rss_growth_kib"] = static_cast<double>(growth);
    state.counters["file_kib"] = static_cast<double>(QFile(listFile(state.range(0))).size() / 1024);
}

void BM_WritePlaylist(benchmark::State& state) {
    PlaylistGrid grid(QChar(u'/'));
    ReadPlaylist(grid, listFile(state.range(0)), true);
    const QString out = corpus + QStringLiteral("/written.m3u");
    for (auto _ : state)
        benchmark::DoNotOptimize(WritePlaylist(grid, out));
}

// The Sort command on a list in the order it was read.
void BM_Sort(benchmark::State& state) {
    frmList2* w = listWindow();
    for (auto _ : state) {
        state.PauseTiming();
        loadInto(w, state.range(0));
        state.ResumeTiming();
        w->cmd_Click(1);
    }
}

// A folder tree dropped on the grid: walk, search, append.
void BM_FolderDrop(benchmark::State& state) {
    frmList2* w = listWindow();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(corpus + QStringLiteral("/tree"))});
    std::int32_t rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        w->cmd_Click(5);
        state.ResumeTiming();
        w->Grid1_OLEDragDrop(&data);
        rows = w->grid().Rows() - 1;
    }
    state.counters["entries"] = rows;
}

// Selecting the last row of a long list, scrolling it into view, one repaint.
void BM_SelectLastRow(benchmark::State& state) {
    frmList2* w = listWindow();
    loadInto(w, state.range(0));
    GridView* view = w->Grid1();
    const std::int32_t last = w->grid().Rows() - 1;
    for (auto _ : state) {
        state.PauseTiming();
        w->grid().setRow(1);
        view->setTopRow(1);
        view->viewport()->repaint();
        state.ResumeTiming();
        w->grid().setRow(last);
        w->grid().setColSel(1);
        view->scrollRowIntoView(last);
        view->viewport()->repaint();
    }
}

// One repaint of the grid in view, its rows the longest lines a list may
// hold (PATH_MAX bytes each, read from long.m3u) and one entry of 10 MB
// appended by hand: painting must not grow with an entry's length.
void BM_RepaintLongEntries(benchmark::State& state) {
    frmList2* w = listWindow();
    w->cmd_Click(5);
    w->grid().appendPath(QStringLiteral("/") + QString(10 << 20, u'p') + QStringLiteral("/") +
                         QString(1000, u'f'));
    ReadPlaylist(w->grid(), corpus + QStringLiteral("/long.m3u"), true);
    w->resize(1280, 1000);
    w->show();
    GridView* view = w->Grid1();
    view->setTopRow(1);
    QCoreApplication::processEvents(); // the new size
    view->viewport()->repaint();
    for (auto _ : state)
        view->viewport()->repaint();
    state.counters["entries"] = w->grid().Rows() - 1;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--corpus=", 0) == 0)
            corpus = QString::fromStdString(a.substr(9));
        else
            rest.push_back(argv[i]);
    }
    int restCount = static_cast<int>(rest.size());
    QApplication app(restCount, rest.data());
    const std::int64_t big = qEnvironmentVariableIntValue("SONOQUILL_BENCH_BIG");
    const std::int64_t small = qEnvironmentVariableIntValue("SONOQUILL_BENCH_SMALL");
    for (auto* b : {benchmark::RegisterBenchmark("ReadPlaylist", BM_ReadPlaylist),
                    benchmark::RegisterBenchmark("WritePlaylist", BM_WritePlaylist),
                    benchmark::RegisterBenchmark("Sort", BM_Sort)})
        b->Arg(small)->Arg(big)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("FolderDrop", BM_FolderDrop)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("SelectLastRow", BM_SelectLastRow)
        ->Arg(100)
        ->Arg(big)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("RepaintLongEntries", BM_RepaintLongEntries)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::Initialize(&restCount, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    mainWindow.reset();
    return 0;
}
