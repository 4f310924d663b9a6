#include "platform/profile_file.h"

#include "platform/atomic_file.h"
#include "platform/codepage.h"
#include "platform/regular_file.h"

#include <algorithm>
#include <optional>

namespace profile {
namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QStringView trimBlanks(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

// Section name of a header line, or nothing when the line is no header.
// Views, not copies: a large file is searched once for every key.
std::optional<QStringView> sectionOf(QStringView text) {
    QStringView t = trimBlanks(text);
    if (!t.startsWith(u'['))
        return std::nullopt;
    qsizetype close = t.indexOf(u']');
    if (close < 0)
        return std::nullopt;
    return trimBlanks(t.sliced(1, close - 1));
}

// Key name of a key line, or nothing for comments and other lines.
std::optional<QStringView> keyOf(QStringView text) {
    qsizetype eq = text.indexOf(u'=');
    if (eq < 0)
        return std::nullopt;
    QStringView key = trimBlanks(text.first(eq));
    if (key.startsWith(u';'))
        return std::nullopt;
    return key;
}

bool sameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The value as it can be stored on one line.
QString storable(QString value) {
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    return value;
}

} // namespace

struct Document::Found {
    std::optional<size_t> section; // header line
    std::optional<size_t> key;     // key line inside that section
    size_t insertAt = 0;           // where a new key of the section goes
};

Document::Document(const QByteArray& data)
    : data_(data) {
    const qsizetype start = data_.size() - codepage::skipBom(data_).size();
    const char* bytes = data_.constData();
    const qsizetype n = data_.size();
    bool newlineSeen = false;
    for (qsizetype pos = start; pos < n;) {
        qsizetype i = pos;
        while (i < n && bytes[i] != '\n' && bytes[i] != '\r')
            ++i;
        Line line{pos, i - pos};
        if (i < n) {
            line.end = bytes[i] == '\n' ? LF : i + 1 < n && bytes[i + 1] == '\n' ? CRLF : CR;
            // New lines end as the file's lines do; never with a lone CR,
            // which an empty line after it would swallow when read again.
            if (!newlineSeen) {
                newline_ = line.end == CRLF ? CRLF : LF;
                newlineSeen = true;
            }
        }
        pos = i + (line.end == CRLF ? 2 : line.end == None ? 0 : 1);
        lines_.push_back(line);
    }
}

QByteArrayView Document::raw(const Line& l) const {
    return QByteArrayView(l.own >= 0 ? owned_[static_cast<size_t>(l.own)] : data_)
        .sliced(l.pos, l.size);
}

QString Document::text(const Line& l, bool* ok) const {
    return codepage::decodeLine(raw(l), ok);
}

Document::Found Document::find(const QString& section, const QString& key) const {
    Found f;
    bool inside = false;
    for (size_t i = 0; i < lines_.size(); ++i) {
        // Headers start with "[" and keys hold "=" in every encoding read:
        // only such lines are decoded.
        const QByteArrayView bytes = raw(lines_[i]);
        qsizetype b = 0;
        while (b < bytes.size() && (bytes[b] == ' ' || bytes[b] == '\t'))
            ++b;
        if (b < bytes.size() && bytes[b] == '[') {
            const QString line = text(lines_[i]);
            if (auto s = sectionOf(line)) {
                if (inside)
                    break; // only the first section of that name counts
                inside = sameName(*s, section);
                if (inside) {
                    f.section = i;
                    f.insertAt = i + 1;
                }
                continue;
            }
        }
        const qsizetype eq = bytes.indexOf('=');
        if (!inside || eq < 0)
            continue;
        // The name alone is decoded where it is plain ASCII: a long value is
        // not decoded for every key searched.
        const QByteArrayView name = bytes.first(eq);
        const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return c >= 0; });
        const QString line = ascii ? QString::fromLatin1(name) + u'=' : text(lines_[i]);
        if (auto k = keyOf(line)) {
            f.insertAt = i + 1;
            if (sameName(*k, key)) {
                f.key = i;
                break;
            }
        }
    }
    return f;
}

Document::Line Document::makeLine(const QString& text) {
    owned_.push_back(codepage::encodeLine(text));
    return Line{0, owned_.back().size(), static_cast<int>(owned_.size() - 1), newline_};
}

QString Document::value(const QString& section, const QString& key) const {
    const Found found = find(section, key);
    if (!found.key)
        return {};
    const QString line = text(lines_[*found.key]);
    return trimBlanks(QStringView(line).sliced(line.indexOf(u'=') + 1)).toString();
}

bool Document::setValue(const QString& section, const QString& key, const QString& value) {
    const Found found = find(section, key);
    const QString stored = storable(value);
    if (found.key) {
        Line& l = lines_[*found.key];
        bool decoded = false;
        const QString old = text(l, &decoded);
        const QString line = old.first(old.indexOf(u'=')) + u'=' + stored;
        if (decoded && line == old && l.end != None)
            return false;
        const End end = l.end == None ? newline_ : l.end;
        l = makeLine(line);
        l.end = end;
        return true;
    }
    size_t at = found.section ? found.insertAt : lines_.size();
    // A last line without a line end gets one before anything follows it.
    if (at == lines_.size() && at > 0 && lines_.back().end == None)
        lines_.back().end = newline_;
    if (!found.section) {
        lines_.push_back(makeLine(u'[' + section + u']'));
        ++at;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), makeLine(key + u'=' + stored));
    return true;
}

QByteArray Document::bytes() const {
    static const QByteArrayView ends[] = {"", "\n", "\r", "\r\n"};
    QByteArray out;
    out.reserve(data_.size() + 256);
    for (const Line& l : lines_) {
        // Valid UTF-8 and undecodable lines keep their bytes; CP932 lines are
        // rewritten in UTF-8 so the file ends up in one encoding.
        const QByteArrayView bytes = raw(l);
        bool decoded = false;
        QString cp932;
        if (!codepage::isValidUtf8(bytes))
            cp932 = text(l, &decoded);
        if (decoded)
            out += codepage::encodeLine(cp932);
        else
            out += bytes;
        out += ends[l.end];
    }
    return out;
}

Loaded load(const QString& file) {
    regularfile::Content content = regularfile::read(file, regularfile::kSettingsLimit);
    Loaded loaded;
    loaded.doc = Document(content.bytes);
    // Never replace a file we could not read.
    loaded.replaceable = content.status != regularfile::Status::Refused;
    return loaded;
}

bool save(const QString& file, const Document& doc) {
    return AtomicFile::replace(file, doc.bytes(), AtomicFile::Mode::InPlaceWhenFolderIsClosed);
}

QString readString(const QString& file, const QString& section, const QString& key) {
    return load(file).doc.value(section, key);
}

bool writeString(const QString& file, const QString& section, const QString& key,
                 const QString& value) {
    Loaded loaded = load(file);
    if (!loaded.replaceable)
        return false;
    loaded.doc.setValue(section, key, value);
    return save(file, loaded.doc);
}

} // namespace profile
