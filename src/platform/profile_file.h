#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

// Our stand-in for the system's profile-string calls: an INI file of
// "[section]" headers and "key=value" lines. Section and key names match
// without regard to case; a value is the text after the first "=" with
// surrounding blanks removed.
namespace profile {

// A settings file's text held line by line. Setting a key changes that one
// line (or adds it, and its section, when missing); every other line comes
// back byte for byte, except that lines in CP932 come back in UTF-8 so the
// file ends up in one encoding.
class Document {
public:
    Document() = default;
    explicit Document(const QByteArray& bytes);

    // "" when the section or the key is missing.
    QString value(const QString& section, const QString& key) const;
    // False when the text was already so.
    bool setValue(const QString& section, const QString& key, const QString& value);
    QByteArray bytes() const;

private:
    // A line as read is a slice of the file's bytes, decoded only when a
    // search needs it: a large file costs no allocation per line.
    enum End : quint8 { None, LF, CR, CRLF };
    struct Line {
        qsizetype pos = 0, size = 0; // in data_, or in owned_[own]
        int own = -1;                // a line this document wrote
        End end = None;
    };
    struct Found;
    Found find(const QString& section, const QString& key) const;
    QByteArrayView raw(const Line& l) const;
    QString text(const Line& l, bool* ok = nullptr) const;
    Line makeLine(const QString& text);

    QByteArray data_;
    std::vector<QByteArray> owned_;
    std::vector<Line> lines_;
    End newline_ = LF;
};

// A settings file as read: only a regular file of at most
// regularfile::kSettingsLimit bytes (see platform/regular_file.h).
struct Loaded {
    Document doc;
    bool replaceable = true; // false when something is there we did not read
};
Loaded load(const QString& file);

// Writes the document over the file: atomically, or in place when the folder
// takes no new file but the file may be written. A read-only file, and one
// that is no regular file, is never replaced. False when nothing was written.
bool save(const QString& file, const Document& doc);

// The stored value, "" when the file, the section or the key is missing.
QString readString(const QString& file, const QString& section, const QString& key);

// Stores value under section/key, creating the file, the section and the key
// as needed, through load() and save(). Returns false when the file could not
// be written.
bool writeString(const QString& file, const QString& section, const QString& key,
                 const QString& value);

} // namespace profile
