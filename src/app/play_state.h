#pragma once

#include <QString>

#include <cstdint>

// What is playing, as the whole program sees it. PlayRow is the playlist row
// of the entry last started from the list (0: none); it is a plain number,
// not a link, so edits of the list do not move it. PlayTitle is the file-name
// part of the player's file, the main window's caption. Neither is saved.
class PlayState {
public:
    static std::int32_t PlayRow() { return instance().row_; }
    static void setPlayRow(std::int32_t row) { instance().row_ = row; }
    static const QString& PlayTitle() { return instance().title_; }
    static void setPlayTitle(const QString& title) { instance().title_ = title; }

private:
    static PlayState& instance() {
        static PlayState state;
        return state;
    }
    std::int32_t row_ = 0;
    QString title_;
};
