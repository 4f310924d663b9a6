// Plays one file through the player control with null outputs and ends with
// it; the driver measures the process's CPU time.
//   bench_play FILE [--untimed]
#include "media/media_player.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const bool untimed = argc > 2 && QByteArray(argv[2]) == "--untimed";
    MediaPlayer::setEngineOptions({true, untimed, {}});
    MediaPlayer player;
    QObject::connect(&player, &MediaPlayer::EndOfStream, &app, &QApplication::quit);
    QObject::connect(&player, &MediaPlayer::stateChanged, &app, [&](MediaPlayer::State s) {
        if (s == MediaPlayer::State::Failed)
            app.exit(1);
    });
    player.setFileName(QString::fromLocal8Bit(argv[1]));
    return app.exec();
}
