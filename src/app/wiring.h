#pragma once

#include <memory>

class Form1;
class QApplication;
class SingleInstance;
class MediaPlayer;
class PlayerControl;

// The player control as the playback core drives it.
std::unique_ptr<PlayerControl> controlOf(MediaPlayer* player);

// Every connection between the main window, its player, the playback core
// and the list window (once it is made) is made here, once, as the main
// window is made: a reader finds who tells whom what in this one place.
void wireUp(Form1& main);

// The process around the main window: a later copy's request to come
// forward and its files, the session's end and termination requests, and
// the quit once the main window has closed.
void wireProcess(QApplication& app, SingleInstance& instance, Form1& main);
