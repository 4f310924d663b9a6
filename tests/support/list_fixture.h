#pragma once

// A main window with its playlist window open, settings in a folder of the
// test's own and an engine that plays untimed without a device.

#include "app/form1.h"
#include "media/media_player.h"
#include "platform/settings.h"
#include "playback/playback.h"
#include "playlist/frm_list2.h"

#include <QAction>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

struct ListFixture {
    QTemporaryDir appDir;
    std::unique_ptr<Form1> main;

    ListFixture() {
        mIni::overrideAppPathForTesting(appDir.path());
        MediaPlayer::setEngineOptions({true, true, {}});
        main = std::make_unique<Form1>();
        main->Form_Load({});
        main->show();
    }
    ~ListFixture() { mIni::overrideAppPathForTesting({}); }

    frmList2* open() {
        if (!main->mnuSort2()->isChecked())
            main->mnuSort2()->trigger();
        return main->playlistWindow();
    }
    // The full paths of the open list's entries.
    QStringList entries() const {
        QStringList out;
        for (std::int32_t r = 1; r < main->playlistWindow()->grid().Rows(); ++r)
            out << main->playlistWindow()->grid().fullPath(r);
        return out;
    }
};
