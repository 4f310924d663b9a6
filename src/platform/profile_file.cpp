#include "platform/profile_file.h"

#include "platform/atomic_file.h"
#include "platform/codepage.h"
#include "platform/regular_file.h"

#include <optional>

namespace profile {
namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QString trimBlanks(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b).toString();
}

// Section name of a header line, or nothing when the line is no header.
std::optional<QString> sectionOf(const QString& text) {
    QString t = trimBlanks(text);
    if (!t.startsWith(u'['))
        return std::nullopt;
    qsizetype close = t.indexOf(u']');
    if (close < 0)
        return std::nullopt;
    return trimBlanks(QStringView(t).sliced(1, close - 1));
}

// Key name of a key line, or nothing for comments and other lines.
std::optional<QString> keyOf(const QString& text) {
    qsizetype eq = text.indexOf(u'=');
    if (eq < 0)
        return std::nullopt;
    QString key = trimBlanks(QStringView(text).first(eq));
    if (key.startsWith(u';'))
        return std::nullopt;
    return key;
}

bool sameName(const QString& a, const QString& b) {
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

Document::Document(const QByteArray& data) {
    QByteArrayView bytes = codepage::skipBom(data);
    qsizetype pos = 0;
    bool newlineSeen = false;
    while (pos < bytes.size()) {
        qsizetype i = pos;
        while (i < bytes.size() && bytes[i] != '\n' && bytes[i] != '\r')
            ++i;
        Line line;
        line.raw = bytes.sliced(pos, i - pos).toByteArray();
        if (i < bytes.size()) {
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                line.end = "\r\n";
            else
                line.end = QByteArray(1, bytes[i]);
            // New lines end as the file's lines do; never with a lone CR,
            // which an empty line after it would swallow when read again.
            if (!newlineSeen) {
                newline_ = line.end == "\r\n" ? QByteArray("\r\n") : QByteArray("\n");
                newlineSeen = true;
            }
        }
        line.text = codepage::decodeLine(line.raw, &line.decoded);
        pos = i + line.end.size();
        lines_.push_back(std::move(line));
    }
}

Document::Found Document::find(const QString& section, const QString& key) const {
    Found f;
    bool inside = false;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const QString& text = lines_[i].text;
        if (auto s = sectionOf(text)) {
            if (inside)
                break; // only the first section of that name counts
            inside = sameName(*s, section);
            if (inside) {
                f.section = i;
                f.insertAt = i + 1;
            }
            continue;
        }
        if (!inside)
            continue;
        if (auto k = keyOf(text)) {
            f.insertAt = i + 1;
            if (sameName(*k, key)) {
                f.key = i;
                break;
            }
        }
    }
    return f;
}

Document::Line Document::makeLine(const QString& text) const {
    Line l;
    l.text = text;
    l.raw = codepage::encodeLine(text);
    l.end = newline_;
    l.decoded = true;
    return l;
}

QString Document::value(const QString& section, const QString& key) const {
    const Found found = find(section, key);
    if (!found.key)
        return {};
    const QString& text = lines_[*found.key].text;
    return trimBlanks(QStringView(text).sliced(text.indexOf(u'=') + 1));
}

bool Document::setValue(const QString& section, const QString& key, const QString& value) {
    const Found found = find(section, key);
    const QString stored = storable(value);
    if (found.key) {
        Line& l = lines_[*found.key];
        const QString text = l.text.first(l.text.indexOf(u'=')) + u'=' + stored;
        if (l.decoded && text == l.text && !l.end.isEmpty())
            return false;
        const QByteArray end = l.end.isEmpty() ? newline_ : l.end;
        l = makeLine(text);
        l.end = end;
        return true;
    }
    size_t at = found.section ? found.insertAt : lines_.size();
    // A last line without a line end gets one before anything follows it.
    if (at == lines_.size() && at > 0 && lines_.back().end.isEmpty())
        lines_.back().end = newline_;
    if (!found.section) {
        lines_.push_back(makeLine(u'[' + section + u']'));
        ++at;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), makeLine(key + u'=' + stored));
    return true;
}

QByteArray Document::bytes() const {
    QByteArray out;
    for (const Line& l : lines_) {
        // Valid UTF-8 and undecodable lines keep their bytes; CP932 lines are
        // rewritten in UTF-8 so the file ends up in one encoding.
        if (l.decoded && !codepage::isValidUtf8(l.raw))
            out += codepage::encodeLine(l.text);
        else
            out += l.raw;
        out += l.end;
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
