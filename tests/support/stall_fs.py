#!/usr/bin/python3
# A file system that stalls as a hung network share does, for the tests:
#   stall_fs.py SOURCE MOUNTPOINT TRIGGER
# "tone.wav" reads as SOURCE until the file TRIGGER exists, then every read
# waits for ever; looking at "frozen.wav" waits for ever at once. Ends (and
# lets every waiting call fail) when it is killed.
import errno
import os
import stat
import subprocess
import sys
import threading
import time

from fusepy import FUSE, FuseOSError, Operations

source, mountpoint, trigger = sys.argv[1:4]
never = threading.Event()


class Stalling(Operations):
    def getattr(self, path, fh=None):
        if path == "/":
            return dict(st_mode=stat.S_IFDIR | 0o755, st_nlink=2)
        if path == "/frozen.wav":
            never.wait()
        if path == "/tone.wav":
            return dict(st_mode=stat.S_IFREG | 0o644, st_nlink=1,
                        st_size=os.stat(source).st_size)
        raise FuseOSError(errno.ENOENT)

    def readdir(self, path, fh):
        return [".", "..", "tone.wav", "frozen.wav"]

    def open(self, path, flags):
        return 0

    def read(self, path, size, offset, fh):
        if os.path.exists(trigger):
            never.wait()
        with open(source, "rb") as f:
            f.seek(offset)
            return f.read(size)


def orphaned(parent):
    # A test that died leaves no mount behind.
    while os.getppid() == parent:
        time.sleep(0.5)
    subprocess.run(["fusermount", "-uz", mountpoint])
    os._exit(0)


threading.Thread(target=orphaned, args=(os.getppid(),), daemon=True).start()
FUSE(Stalling(), mountpoint, foreground=True, allow_other=True, direct_io=True)
