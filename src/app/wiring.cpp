#include "app/wiring.h"

#include "app/form1.h"
#include "app/not_double.h"
#include "media/media_player.h"
#include "media/player_keys.h"
#include "platform/single_instance.h"
#include "platform/termination.h"
#include "playback/playback.h"
#include "playlist/frm_list2.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QSlider>

namespace {

constexpr int kEndWithinMs = 2500;

class MediaPlayerControl : public PlayerControl {
public:
    explicit MediaPlayerControl(MediaPlayer* player)
        : player_(player) {}
    void setFileName(const QString& path) override { player_->setFileName(path); }
    QString FileName() const override { return player_->FileName(); }
    void setNextFileName(const QString& path) override { player_->setNextFileName(path); }
    QString NextFileName() const override { return player_->NextFileName(); }
    void Stop() override { player_->Stop(); }

private:
    MediaPlayer* player_;
};

void wireList(Form1& main, Playback& core, frmList2* list) {
    QObject::connect(list, &frmList2::playRequested, &core, &Playback::play);
    QObject::connect(list, &frmList2::playRowCleared, &core, [&core] { core.setPlayRow(0); });
    QObject::connect(list, &frmList2::entriesChanged, &core, &Playback::entriesChanged);
    QObject::connect(list, &frmList2::positionWanted, &core, &Playback::showPosition);
    QObject::connect(list, &frmList2::unloaded, &main,
                     [&main] { main.mnuSort2()->setChecked(false); });
    QObject::connect(list, &QObject::destroyed, &core, [&core] { core.setEntries(nullptr); });
    QObject::connect(&core, &Playback::entryReached, list, &frmList2::followEntry);
    QObject::connect(&core, &Playback::listPositionChanged, list, &frmList2::showPosition);
    core.setEntries(list);
}

} // namespace

std::unique_ptr<PlayerControl> controlOf(MediaPlayer* player) {
    return std::make_unique<MediaPlayerControl>(player);
}

void wireUp(Form1& main) {
    Playback& core = *main.playback();
    MediaPlayer* player = main.MediaPlayer1();
    QObject::connect(player, &MediaPlayer::EndOfStream, &core, &Playback::EndOfStream);
    QObject::connect(player, &MediaPlayer::PassEnded, &core, &Playback::PassEnded);
    QObject::connect(player, &MediaPlayer::NextStarted, &core, &Playback::NextStarted);

    QObject::connect(&main, &Form1::filesDropped, &core, &Playback::openFiles);
    // A file is on its way: the engine's libraries load meanwhile.
    QObject::connect(&main, &Form1::filesOffered, player, &MediaPlayer::prepareEngine);
    QObject::connect(main.mnuSort2(), &QAction::toggled, player, [player](bool shown) {
        if (shown)
            player->prepareEngine();
    });
    QObject::connect(&main, &Form1::commandLineNamed, &core, &Playback::openCommandLine);
    auto* keys = new PlayerKeys(player);
    QObject::connect(keys, &PlayerKeys::nextRequested, &core, &Playback::next);
    QObject::connect(keys, &PlayerKeys::previousRequested, &core, &Playback::previous);
    QObject::connect(keys, &PlayerKeys::volumeStepRequested, main.Sl1(), [&main](int direction) {
        main.Sl1()->triggerAction(direction > 0 ? QAbstractSlider::SliderSingleStepAdd
                                                : QAbstractSlider::SliderSingleStepSub);
    });
    QObject::connect(main.chkCou(1), &QAbstractButton::toggled, &core, &Playback::setRepeat);
    QObject::connect(main.mnuSort2(), &QAction::toggled, &core, &Playback::setListShown);
    QObject::connect(&core, &Playback::titleChanged, &main, &QWidget::setWindowTitle);
    QObject::connect(&main, &Form1::listCreated, &core,
                     [&main, &core](frmList2* list) { wireList(main, core, list); });
}

void wireProcess(QApplication& app, SingleInstance& instance, Form1& main) {
    QObject::connect(&instance, &SingleInstance::activationRequested,
                     &NotDouble::RaiseLastActiveWindow);
    // A later copy's files play as files dropped on the main window do.
    QObject::connect(&instance, &SingleInstance::filesHandedOver, main.playback(),
                     &Playback::openFiles);
    // A copy started from now on waits for this one to end, then runs itself.
    QObject::connect(&main, &Form1::unloaded, &instance, &SingleInstance::stopAnswering);
    QObject::connect(&main, &Form1::unloaded, &app, &QApplication::quit, Qt::QueuedConnection);
    // The settings are written: a read stuck on a stalled disk keeps no one
    // waiting for the window to go.
    QObject::connect(&main, &Form1::unloaded, [] { platform::endWithin(kEndWithinMs); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &main, &QWidget::close);
    platform::onTerminationRequest([&main] { main.close(); });
}
