// Random sequences of a person's actions on the real windows, core and engine,
// held against a model of the sequencing rules: after each step what plays,
// what is queued, the played row, both captions in the order they changed
// and the list agree with the model. SONOQUILL_SEQUENCES sequences from
// SONOQUILL_SEED on; a failure names its sequence's seed and steps.
#include "support/files.h"
#include "support/list_fixture.h"
#include "support/test_media.h"

#include <QAbstractButton>
#include <QRandomGenerator>

#include <sys/stat.h>

namespace {

using State = MediaPlayer::State;
const char* const kStates[] = {"Ready",   "Opening", "Playing", "Paused",
                               "Stopped", "Ended",   "Failed"};

// The rules. The person pauses each file as it starts, so a file ends only
// when the sequence waits for it.
struct Model {
    QStringList good, list, snapshot, log;
    bool shown = true, repeat = false, snapped = false;
    int playRow = 0, pin = 0;
    QString file, queued;
    QStringList captions{"Sonoquill", "List"}; // main, list
    State state = State::Ready;

    int n() const { return static_cast<int>(list.size()); }
    void show(int i, const QString& c) { c != captions[i] ? log << (captions[i] = c) : log; }
    void showRow(int row) { show(1, QString("%1/%2").arg(row).arg(n())); }
    // The next row; after the last, the first with repeat on. None while hidden.
    int rowAfterEnd() const {
        return !shown || !n() ? 0 : playRow < n() ? playRow + 1 : playRow == n() && repeat;
    }
    // Any change to the list or its switches queues what follows afresh.
    void requeue() { queued = rowAfterEnd() ? list[rowAfterEnd() - 1] : QString(); }
    void open(const QString& f) {
        file = f, state = good.contains(f) ? State::Paused : State::Failed;
        show(0, f.section('/', -1));
        requeue();
        if (state == State::Failed) // nothing follows a file that will not open
            queued.clear();
    }
    void play(int row) { playRow = row, open(list[row - 1]), showRow(row); }
    void stop() { state = State::Stopped, queued.clear(); }
    void end() {
        if (const int row = rowAfterEnd())
            return play(row);
        if (shown && n() && playRow == n()) // the last, without repeat: stop on the first
            return playRow = 1, showRow(1), stop();
        if (!repeat) // hidden: stopped; shown, the row gone or no rows: ended
            shown ? void(state = State::Ended) : stop();
    }
};

} // namespace

class TestSequenceModel : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QStringList pool; // good files first, then a missing file, a folder and a FIFO
    int cutShort = 0;
    QRandomGenerator rng;

    int pick(int n) { return static_cast<int>(rng.bounded(n)); }
    QString anyFile() { return pool[pick(8) ? pick(5) : 5 + pick(3)]; }

    // One sequence; empty when the program kept to the model all through.
    QString run(quint32 seed) {
        rng.seed(seed);
        ListFixture f;
        frmList2* w = f.open();
        MediaPlayer* p = f.main->MediaPlayer1();
        Playback* core = f.main->playback();
        Model m;
        m.good = pool.mid(0, 5);
        QStringList seen, steps; // the captions as they changed; the person's steps
        for (QWidget* window : std::initializer_list<QWidget*>{f.main.get(), w})
            connect(window, &QWidget::windowTitleChanged, [&](const QString& t) { seen << t; });
        // The person pauses what starts at an end; more than one end: the
        // engine played on before the pause came.
        int ends = 0;
        connect(p, &MediaPlayer::NextStarted, [&] { ++ends, p->Pause(); });
        connect(p, &MediaPlayer::PassEnded, [&] { ++ends, p->Pause(); });
        connect(p, &MediaPlayer::EndOfStream, [&] {
            if (++ends, p->state() == State::Opening)
                p->playPause();
        });
        for (int i = pick(6); i > 0; --i)
            w->grid().appendPath(m.list.emplaceBack(anyFile()));
        if (pick(2))
            f.main->chkCou(1)->click(), m.repeat = true, m.requeue();
        steps << "list " + m.list.join(',') + (m.repeat ? " repeat" : "");
        const auto observed = [&] {
            return QString("%1 | %2 | %3 | %4 | %5 | %6")
                .arg(p->FileName(), p->NextFileName(), kStates[int(p->state())])
                .arg(core->PlayRow())
                .arg(seen.join(','), f.entries().join(','));
        };
        const auto expected = [&] {
            return QString("%1 | %2 | %3 | %4 | %5 | %6")
                .arg(m.file, m.queued, kStates[int(m.state)])
                .arg(m.playRow)
                .arg(m.log.join(','), m.list.join(','));
        };
        const auto failure = [&](const QString& what) {
            return QString("seed %1: %2\n  steps: %3\n  program: %4\n  model:   %5")
                .arg(seed)
                .arg(what, steps.join("; "), observed(), expected())
                .replace(dir.path() + '/', QString());
        };
        for (int step = 15 + pick(11); step > 0; --step) {
            const int n = m.n(), row = n ? 1 + pick(n) : 0, action = pick(20);
            const bool list = m.shown;
            QString done;
            if (action < 3 && list && row) {
                w->grid().setRow(row);
                pick(2) ? w->Grid1_KeyDown(13, 0) : w->Grid1_DblClick();
                m.play(row), done = QString("play %1").arg(row);
            } else if (action == 3 && m.state != State::Paused && m.state != State::Ready) {
                // Stopped, ended or failed: the file again from its start.
                p->playPause(), m.queued.clear(), done = "play/pause";
                m.state = m.state == State::Failed ? m.state : State::Paused;
            } else if ((action == 4 || action > 16) && m.state == State::Paused &&
                       !(m.repeat && m.queued.isEmpty())) { // a file that repeats plays on
                if (ends > 1)                               // it played on after the last end
                    return ++cutShort, QString();
                ends = 0;
                p->playPause(); // the engine has taken it at once
                if (p->engine()->property("pause") != "no")
                    return failure("play/pause did not play");
                if (!QTest::qWaitFor([&] { return ends > 0; }, 10000))
                    return failure("the file did not end");
                m.end(), done = "to the end";
            } else if ((action == 5 || action == 6) && list && n) {
                const int r = m.playRow;
                action == 5 ? core->next() : core->previous();
                m.play(action == 5 ? (r >= 1 && r < n ? r + 1 : 1) : (r > 1 && r <= n ? r - 1 : n));
                done = action == 5 ? "next" : "previous";
            } else if (action >= 7 && action <= 13 && list &&
                       (row || action == 7 || action >= 11)) {
                const char* const names[] = {"sort",  "up",      "down", "remove",
                                             "reset", "restore", "snap"};
                const int command = action == 12 ? 8 : action == 13 ? 9 : action - 6;
                w->grid().setRow(row);
                w->cmd_Click(command), done = QString("%1 %2").arg(names[action - 7]).arg(row);
                if (command == 1)
                    m.list.sort(), m.playRow = 0, m.showRow(n ? 1 : 0);
                if (command == 2 || command == 3) {
                    const int to = command == 2 ? (row + n - 2) % n + 1 : row % n + 1;
                    m.list.move(row - 1, to - 1), m.showRow(to);
                }
                if (command == 5 || (command == 4 && n == 1) || (command == 8 && m.snapped))
                    m.list = command == 8 ? m.snapshot : QStringList(), m.playRow = 0;
                else if (command == 4)
                    m.list.removeAt(row - 1);
                if (command == 9) // the list stays as it is
                    m.snapshot = m.list, m.snapped = true, m.pin = row;
                else
                    m.requeue();
                if (command == 8 && m.snapped && m.n()) // what fails to open fails last
                    m.showRow(std::clamp(m.pin, 1, m.n())), m.play(std::clamp(m.pin, 1, m.n()));
            } else if (action == 14) {
                f.main->chkCou(1)->click(), m.repeat = !m.repeat, m.requeue();
                done = m.repeat ? "repeat on" : "repeat off";
            } else if (action == 15) {
                f.main->mnuSort2()->trigger(), m.shown = !m.shown, m.requeue();
                done = m.shown ? "show the list" : "hide the list";
            } else if (action == 16) {
                const QStringList files = QStringList{anyFile(), anyFile()}.mid(pick(2));
                const bool dropped = pick(2); // on the main window, or from a second start
                dropped ? testfiles::drop(f.main.get(), files) : core->openFiles(files);
                m.open(files.last()), done = (dropped ? "drop " : "hand over ") + files.join(',');
            } else {
                continue;
            }
            if (p->state() == State::Opening && done != "to the end") // it opens paused
                p->playPause();
            steps << done;
            // The engine may play on past the person's pause: the sequence is cut short.
            if (QTest::qWaitFor([&] { return observed() == expected() || ends > 1; }, 10000) &&
                ends > 1)
                return ++cutShort, QString();
            if (observed() != expected())
                return failure("the program and the model disagree");
        }
        return {};
    }

private slots:
    void initTestCase() {
        MediaPlayer::setEngineOptions({true, false, {}}); // in real time: paused, a file stays
        for (int i = 0; i < 5; ++i) {
            pool << dir.filePath(QString("%1.wav").arg(QChar('a' + i)));
            QVERIFY(testmedia::writeWav(pool.last(), 0.3 + 0.05 * i));
        }
        pool << dir.filePath("missing.wav") << dir.filePath("folder.wav")
             << dir.filePath("fifo.wav");
        QVERIFY(QDir(dir.path()).mkdir("folder.wav"));
        QCOMPARE(::mkfifo(QFile::encodeName(pool.last()).constData(), 0600), 0);
    }

    void sequences() {
        const auto env = [](const char* name, int fallback) {
            return qEnvironmentVariableIsSet(name) ? qEnvironmentVariableIntValue(name) : fallback;
        };
        const quint32 seed = env("SONOQUILL_SEED", 400);
        const int count = env("SONOQUILL_SEQUENCES", 24);
        for (int i = 0; i < count; ++i)
            if (const QString failed = run(seed + i); !failed.isEmpty())
                QFAIL(qPrintable(failed));
        qInfo("%d of %d sequences cut short: the engine played on past a pause", cutShort, count);
    }
};

QTEST_MAIN(TestSequenceModel)
#include "tst_sequence_model.moc"
