#!/usr/bin/python3
# The real program as a screen reader sees it over AT-SPI: the list window is a window, a
# row's Press action plays it as Enter does, the position bar takes the focus and reads as
# time; the X server's media keys reach the playback. atspi_test.py PROGRAM (the engine
# library in SONOQUILL_ENGINE), under xvfb-run and dbus-run-session.
import os, re, shutil, subprocess, sys, tempfile, time

import pyatspi

work = tempfile.mkdtemp()
for name in (sys.argv[1], os.environ["SONOQUILL_ENGINE"]):
    shutil.copy(name, work)
songs = [os.path.join(work, f"song{i}.wav") for i in (1, 2, 3)]
for i, song in enumerate(songs):
    subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
                    f"sine=frequency={400 + 100 * i}:duration=30", song], check=True)
with open(os.path.join(work, "Sonoquill.m3u"), "w") as snapshot:
    snapshot.write("\r\n".join(songs))
program = subprocess.Popen([os.path.join(work, "sonoquill")], cwd=work, env=dict(
    os.environ, XDG_RUNTIME_DIR=work, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"))


def fail(why):
    program.kill()
    sys.exit(why)


def eventually(what, found):
    for _ in range(200):
        try:
            if result := found():
                return result
        except Exception:  # an object that went away meanwhile: ask again
            pass
        time.sleep(0.1)
    fail(f"{what}: not seen")


def find(parent, role, name):
    return pyatspi.findDescendant(parent, lambda o: o.getRole() == role and o.name == name)


def press(obj):
    actions = obj.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    actions.doAction(names.index("Press")) if "Press" in names else fail(f"{obj.name!r}: {names}")


app = eventually("the program on the bus", lambda: next(
    (a for a in pyatspi.Registry.getDesktop(0) if a and a.name == "Sonoquill"), None))
main = eventually("the main window", lambda: find(app, pyatspi.ROLE_FRAME, "Sonoquill"))
press(find(main, pyatspi.ROLE_MENU_ITEM, "リストを表示(L)"))
the_list = eventually("the list window as a window", lambda: find(app, pyatspi.ROLE_FRAME, "List"))
press(find(the_list, pyatspi.ROLE_PUSH_BUTTON, "スナップショットを復元"))
grid = find(the_list, pyatspi.ROLE_TABLE, "プレイリスト")
eventually("three rows", lambda: grid.queryTable().nRows == 3)
press(grid.queryTable().getAccessibleAt(2, 0))
eventually("row 3 playing", lambda: main.name == "song3.wav" and the_list.name == "3/3")
bar = find(main, pyatspi.ROLE_SLIDER, "再生位置")
eventually("the position bar taking the focus, its time as text and in seconds", lambda:
           bar.getState().contains(pyatspi.STATE_FOCUSABLE) and bar.queryValue().maximumValue == 30
           and re.fullmatch(r"0:0[1-9] / 0:30", bar.description))

window = subprocess.run(["xdotool", "search", "--name", r"^song3\.wav$"], capture_output=True,
                        text=True).stdout.split()[0]
subprocess.run(["xdotool", "windowfocus", "--sync", window, "key", "XF86AudioPrev"], check=True)
eventually("XF86AudioPrev", lambda: main.name == "song2.wav" and the_list.name == "2/3")
subprocess.run(["xdotool", "key", "XF86AudioPlay"], check=True)
eventually("XF86AudioPlay", lambda: find(main, pyatspi.ROLE_LABEL, "一時停止"))
press(find(main, pyatspi.ROLE_MENU_ITEM, "終了(X)"))
if program.wait(20) != 0:
    sys.exit("the program ended with an error")
shutil.rmtree(work)
print("atspi passed")
