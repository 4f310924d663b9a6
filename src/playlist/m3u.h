#pragma once

#include <QString>

class PlaylistGrid;

// Playlist files: one full path per line, nothing else. Lines are written in
// UTF-8, each ended by CR LF; they are read as UTF-8 when valid, else as CP932
// (lists of the program on Windows), and end at CR LF, a lone CR or a lone LF.

// Appends one entry per line that is not empty and, when skipComments is set,
// does not begin with "#". A line longer than a path can be (PATH_MAX bytes)
// names no file and is left out. A line without a separator is a bare name:
// File is the line, Path "." (the current folder). Nothing else is resolved
// or tested. False when the file could not be opened or read; entries read
// before a failure stay.
bool ReadPlaylist(PlaylistGrid& grid, const QString& path, bool skipComments);

// Writes entries 1 to Rows - 1 in order. The file is replaced whole or not at
// all: a failure leaves any previous file as it was. False on failure.
bool WritePlaylist(const PlaylistGrid& grid, const QString& path);
