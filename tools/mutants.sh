#!/usr/bin/env bash
# Mutation check: plants one deliberate fault at a time in a scratch copy of
# the tree, builds it and runs the suite. A fault the suite does not catch is
# a behaviour nobody tests. Prints one table row per fault.
#
#   tools/mutants.sh [-k] [ID...]     (default: every fault)
#
# The copy lives in $MUTANTS_DIR (default /tmp/sonoquill-mutants) with a build
# of its own, kept between runs so that later runs build incrementally.
# Each fault names the tests likely to catch it: those run first; when they
# pass, the whole suite runs, so "missed" always means the whole suite passed.
# -k keeps going after a missed fault without the full suite (quick look).
set -uo pipefail

# id | file | old text | new text | tests to try first | what a person would see
FAULTS=$(
    cat <<'EOF'
cp-bom|src/platform/codepage.cpp|bytes.sliced(3)|bytes.sliced(2)|tst_bytes|a byte-order mark half left in the text
cp-range|src/platform/codepage.cpp|cp > 0x10FFFF|cp > 0x13FFFF|tst_bytes|bytes past the last character taken as UTF-8
ini-case|src/platform/profile_file.cpp|return a.compare(b, Qt::CaseInsensitive) == 0;|return a.compare(b, Qt::CaseSensitive) == 0;|tst_bytes|a setting whose key differs in case not found
num-round|src/platform/numbers.cpp|double r = std::nearbyint(v);|double r = std::round(v);|tst_bytes|halves rounded away from zero
dir-order|src/platform/dir_listing.cpp|return a.folded < b.folded;|return a.folded > b.folded;|tst_folders|files of a folder listed in reverse
dir-hidden|src/platform/dir_listing.cpp|e.hidden = n[0] == '.';|e.hidden = false;|tst_folders|hidden files listed
fs-filter|src/fs/file_search.cpp|if (k <= n - 1)|if (k < n - 1)|tst_folders|the last pattern of a filter used twice
fs-folders|src/fs/file_search.cpp|if (e.kind != dirlist::Kind::File|if (e.kind == dirlist::Kind::Other|tst_folders|folders listed as files
fs-folder|src/fs/path_helpers.cpp|path.first(at);|path.first(at + 1);|tst_folders|a folder keeps its trailing separator
walk-hidden|src/fs/folder_walk.cpp|if (e.kind != dirlist::Kind::Folder)|if (e.kind != dirlist::Kind::Folder or e.hidden)|tst_folders|hidden folders left out of a dropped folder
dlg-index|src/dialogs/common_dialog.cpp|std::max(0, filterIndex_ - 1)|std::max(0, int(filterIndex_))|tst_common_dialog|the second filter shown first
dlg-cancel|src/dialogs/common_dialog.cpp|if (cancelError_) {|if (!cancelError_) {|tst_common_dialog|a cancelled dialog taken as a choice
m3u-last|src/playlist/m3u.cpp|r < grid.Rows(); ++r|r < grid.Rows() - 1; ++r|tst_m3u|the last entry lost on saving
m3u-crlf|src/playlist/m3u.cpp|out += "\r\n";|out += "\n";|tst_m3u|saved lists end their lines differently
sort-case|src/playlist/sorted_list.cpp|b - 'A' + 'a' : b;|b : b;|tst_sorted_list|capitals sorted before small letters
ini-flush|src/platform/settings.cpp|if (!s.dirty)|if (s.dirty)|tst_settings|settings never written
cmd-dashes|src/app/command_line.cpp|options = false;|options = true;|tst_command_line|a file named --help after -- taken as an option
layout-box|src/app/main_layout.cpp|QRect(630, boxTop|QRect(603, boxTop|tst_form1|the second check box out of place
vol-curve|src/media/volume.cpp|db / 60.0|db / 20.0|tst_media_player|volume steps too steep
vol-mute|src/media/media_session.cpp|engine_->setMute(mute);|engine_->setMute(false);|tst_media_player|mute does nothing while playing
seq-wrap|src/playback/playback.cpp|if (rows == playRow_ + 1 && repeat_)|if (rows == playRow_ + 1 && !repeat_)|tst_sequence_model|the list does not go round with repeat on
seq-stop|src/playback/playback.cpp|playRow_ = 1;|playRow_ = 0;|tst_sequence_model|after the last entry the list forgets where it starts again
seq-kind|src/platform/playable_file.cpp|!S_ISREG(looked.st_mode)|S_ISCHR(looked.st_mode)|tst_media_player|a folder or FIFO in the list opened as the next file
mute-start|src/media/media_session.cpp|engine_->setMute(mute_);|engine_->setMute(false);|tst_media_player|a file opened while muted plays aloud
rep-queue|src/playback/playback.cpp|repeat_ = on;|repeat_ = on; return;|tst_sequence_model|repeat turned on at the last entry: the list still stops there
prev-last|src/playback/playback.cpp|playRow_ > 1 && playRow_ < rows ?|playRow_ > 1 && playRow_ < rows - 1 ?|tst_sequence_model|Previous on the last entry plays it again
edit-queue|src/playback/playback.cpp|void Playback::entriesChanged() {|void Playback::entriesChanged() { return;|tst_sequence_model|after a move or sort the old next entry follows
queue-skip|src/playback/playback.cpp|return playRow_ + 1;|return playRow_ + 2;|tst_sequence_model|every other entry skipped
took-listed|src/playback/playback.cpp|row > 0 && entries_->fullPath(row) == player_->FileName();|row > 0;|tst_sequence_model|the list marks an entry that is not the one playing
end-paused|src/media/media_session.cpp|if (engine_->paused())|if (false)|tst_media_player|a file ending while paused leaves the next one paused
heard-time|src/media/media_session.cpp|std::lround(delay * 1000)|std::lround(delay * 100)|tst_media_player|the next title shown before its sound is heard
eng-delay|src/media/mpv/mpv_backend.cpp|std::max(0.0, -position())|0.0|tst_media_player|the next title shown as soon as it is decoded
pos-join|src/media/media_session.cpp|return std::max(0.0, takingOver_ != Follow::None ? heardDuration_ + pos : pos);|return pos;|tst_media_player,mpris|a negative time at a gapless join
dur-heard|src/media/media_session.cpp|return takingOver_ != Follow::None ? heardDuration_ : engineDuration_;|return heardDuration_ > 0 ? heardDuration_ : engineDuration_;|mpris|after a gapless join every length is the first's
next-hidden|src/playback/playback.cpp|return listShown_ && entries_ && entries_->Rows() > 1;|return entries_ && entries_->Rows() > 1;|tst_sequence_model|the media keys change the file while the list is hidden
mpris-vol|src/app/mpris.cpp|- 2700.0) / 2000.0);|- 2700.0) / 1000.0);|mpris|the desktop's volume shows another level than the slider
pass-zero|src/media/media_session.cpp|(playCount_ <= 0 |(playCount_ < 0 |tst_media_player|repeat does not repeat
open-pause|src/media/media_session.cpp|pauseWhenOpen_ = !pauseWhenOpen_;|pauseWhenOpen_ = false;|tst_media_player|play/pause while a file opens does nothing
list-skip|src/media/media_session.cpp|if (!playitem::isList(current_.local)|if (true|tst_media_player|a list stops at its first missing entry
item-rel|src/media/play_item.cpp|: folder + u'/' + name);|: name);|tst_media_player|a list's relative names looked for in the current folder
item-scheme|src/media/play_item.cpp|platform::hasScheme(name) ? name|false ? name|tst_media_player|an address in a list taken for a file of its folder
midi-limit|src/media/midi_kind.h|std::int64_t{8} << 20;|std::int64_t{8} << 30;|tst_midi|a MIDI file of gigabytes read into memory
midi-run|src/media/mpv/midi_file.cpp|else if (running_)|else if (false)|tst_midi|MIDI files in running status do not play
midi-vlq|src/media/mpv/midi_file.cpp|for (int i = 0; i < 4; ++i) {|for (int i = 0; i < 3; ++i) {|tst_midi|a MIDI file with a long pause ends there
midi-chord|src/media/mpv/midi_stream.cpp|noteOnsInBlock_ >= kMaxNoteOnsPerChunk|noteOnsInBlock_ >= 1|tst_midi|chords play as single notes
midi-tail|src/media/mpv/midi_stream.cpp|s->frames_ = s->lastFrame_ + kTailFrames;|s->frames_ = s->lastFrame_;|tst_midi|the last MIDI note cut dead
mpris-len|src/app/mpris.cpp|std::llround(length_ * 1e6)|std::llround(length_ * 1e3)|mpris|the desktop shows lengths a thousand times short
mpris-seek|src/app/mpris.cpp|const double target = std::max(0.0, player->CurrentPosition() + offset / 1e6);|const double target = std::min(player->Duration(), player->CurrentPosition() + offset / 1e6);|mpris|a seek past the end stops the list instead of going on
mpris-setpos|src/app/mpris.cpp|track != trackId()|track.isEmpty()|mpris|a position for another track moves this one
mpris-track|src/app/mpris.cpp|->session()->heardSerial());|->session()->heardSerial() * 0);|mpris|every entry has the same track id
mpris-title|src/app/mpris.cpp|tags.title.isEmpty() ? mFile::GetFileName(file) : tags.title|mFile::GetFileName(file)|mpris|the desktop shows file names for tagged files
mpris-url|src/app/mpris.cpp|QString::fromLatin1(QUrl::fromLocalFile(QDir::cleanPath(local)).toEncoded())|QStringLiteral("file://") + local|mpris|addresses with spaces given unencoded
EOF
)

keep_going=0
if [[ ${1:-} == -k ]]; then
    keep_going=1
    shift
fi
wanted=("$@")

source_tree=$(cd "$(dirname "$0")/.." && pwd)
work=${MUTANTS_DIR:-/tmp/sonoquill-mutants}
tree=$work/tree
build=$tree/build
log=$work/log
mkdir -p "$tree" "$log"

# The copy: the working tree's files (committed or not), written only where
# they differ so the kept build stays incremental.
python3 - "$source_tree" "$tree" <<'EOF' || exit 1
import os, subprocess, sys
src, dst = sys.argv[1], sys.argv[2]
files = subprocess.run(["git", "-C", src, "ls-files", "-z", "-co", "--exclude-standard"],
                       capture_output=True, check=True).stdout.split(b"\0")
keep = set()
for f in filter(None, (f.decode() for f in files)):
    s = os.path.join(src, f)
    if not os.path.isfile(s) or f.startswith("build/"):
        continue
    keep.add(f)
    d = os.path.join(dst, f)
    data = open(s, "rb").read()
    if os.path.isfile(d) and open(d, "rb").read() == data:
        continue
    os.makedirs(os.path.dirname(d), exist_ok=True)
    open(d, "wb").write(data)
    os.chmod(d, os.stat(s).st_mode)
for root, dirs, names in os.walk(dst):
    rel = os.path.relpath(root, dst)
    if rel == "build" or rel.startswith("build" + os.sep):
        dirs[:] = []
        continue
    for n in names:
        f = os.path.normpath(os.path.join(rel, n))
        if f not in keep:
            os.remove(os.path.join(root, n))
EOF

export QT_QPA_PLATFORM=offscreen
cmake -S "$tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$log/configure" 2>&1 || {
    echo "configure failed: $log/configure"
    exit 1
}

build_targets() { cmake --build "$build" -j2 ${1:+--target $1} >"$log/$2.build" 2>&1; }
suite() { (cd "$build" && ctest -j2 --timeout 300 --stop-on-failure ${1:+-R "$1"}) >"$log/$2.test" 2>&1; }

echo "building the unchanged tree ..."
if ! build_targets "" base || ! suite "" base; then
    echo "the unchanged tree does not build or pass: $log/base.*"
    exit 1
fi

# Exact, single-occurrence substitution; exit 2 when the old text is not
# there exactly once.
substitute() {
    python3 - "$@" <<'EOF'
import sys
path, old, new = sys.argv[1:4]
text = open(path, encoding="utf-8").read()
if text.count(old) != 1:
    sys.exit(2)
open(path, "w", encoding="utf-8").write(text.replace(old, new))
EOF
}

printf '%-12s %-31s %-8s %-18s %s\n' FAULT FILE RESULT "CAUGHT BY" "WHAT A PERSON WOULD SEE"
caught=0 missed=0 other=0
while IFS='|' read -r id file old new first what; do
    [[ -z $id ]] && continue
    if ((${#wanted[@]})) && [[ " ${wanted[*]} " != *" $id "* ]]; then
        continue
    fi
    rm -f "$log/$id.test"
    original=$(mktemp)
    cp "$tree/$file" "$original"
    substitute "$tree/$file" "$old" "$new"
    case $? in
    0)
        first_targets=${first//,/ }
        first_targets=${first_targets//mpris/sonoquill} # a script's test runs the program
        if ! build_targets "$first_targets" "$id"; then
            result=broken
        elif ! suite "^(${first//,/|})\$" "$id"; then
            result=caught
        elif ((keep_going)); then
            result="missed?"
        elif ! build_targets "" "$id" ; then
            result=broken
        elif ! suite "" "$id"; then
            result=caught
        else
            result=MISSED
        fi
        ;;
    2) result=stale ;;
    *) result=error ;;
    esac
    cat "$original" >"$tree/$file" # new time stamp: the next build redoes it
    rm -f "$original"
    case $result in
    caught) caught=$((caught + 1)) ;;
    MISSED | "missed?") missed=$((missed + 1)) ;;
    *) other=$((other + 1)) ;;
    esac
    by=$(sed -n 's/^[[:space:]]*[0-9]* - \([^ ]*\) .*/\1/p' "$log/$id.test" 2>/dev/null | paste -sd,)
    printf '%-12s %-31s %-8s %-18s %s\n' "$id" "$file" "$result" "${by:--}" "$what"
done <<<"$FAULTS"
echo "caught $caught, missed $missed, stale or broken $other (logs: $log)"
((missed == 0 && other == 0))
