// Open-to-first-block time of a MIDI stream, in milliseconds: the first in
// the process (the soundfont loaded on the way) and the median of those after
// it (the soundfont in memory). Prints "cold warm".
//   bench_midi [RUNS]
#include "media/mpv/midi_stream.h"

#include "support/test_media.h"

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

double openToFirstBlock(const QString& path) {
    const auto start = std::chrono::steady_clock::now();
    auto stream = MidiStream::open(path);
    std::vector<char> block(16384);
    if (!stream || stream->read(block.data(), block.size()) <= 0)
        return -1;
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

int main(int argc, char* argv[]) {
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    QTemporaryDir dir;
    const QString path = dir.filePath("a.mid");
    if (!testmedia::writeMidi(path, 4))
        return 1;
    const double cold = openToFirstBlock(path);
    std::vector<double> warm;
    for (int i = 0; i < runs; ++i)
        warm.push_back(openToFirstBlock(path));
    std::sort(warm.begin(), warm.end());
    std::printf("%.3f %.3f\n", cold, warm[warm.size() / 2]);
    return cold < 0 || warm.front() < 0;
}
