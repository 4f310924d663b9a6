#include "platform/profile_file.h"

#include "platform/atomic_file.h"
#include "platform/codepage.h"

#include <QFile>

#include <optional>
#include <vector>

namespace profile {
namespace {

struct Line {
    QByteArray raw; // as read, without its line end
    QByteArray end; // "\r\n", "\n", "\r" or "" for a last line without one
    QString text;   // decoded
    bool decoded = false;
};

struct Document {
    std::vector<Line> lines;
    QByteArray newline = "\n";
};

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

Document parse(const QByteArray& data) {
    Document doc;
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
                doc.newline = line.end == "\r\n" ? QByteArray("\r\n") : QByteArray("\n");
                newlineSeen = true;
            }
        }
        line.text = codepage::decodeLine(line.raw, &line.decoded);
        pos = i + line.end.size();
        doc.lines.push_back(std::move(line));
    }
    return doc;
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

struct Found {
    std::optional<size_t> section; // header line
    std::optional<size_t> key;     // key line inside that section
    size_t insertAt = 0;           // where a new key of the section goes
};

Found find(const Document& doc, const QString& section, const QString& key) {
    Found f;
    bool inside = false;
    for (size_t i = 0; i < doc.lines.size(); ++i) {
        const QString& text = doc.lines[i].text;
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

// The value as it can be stored on one line.
QString storable(QString value) {
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    return value;
}

} // namespace

QString readString(const QString& file, const QString& section, const QString& key) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    Document doc = parse(f.readAll());
    Found found = find(doc, section, key);
    if (!found.key)
        return {};
    const QString& text = doc.lines[*found.key].text;
    return trimBlanks(QStringView(text).sliced(text.indexOf(u'=') + 1));
}

bool writeString(const QString& file, const QString& section, const QString& key,
                 const QString& value) {
    Document doc;
    {
        QFile f(file);
        if (f.open(QIODevice::ReadOnly))
            doc = parse(f.readAll());
        else if (f.exists())
            return false; // never replace a file we could not read
    }
    Found found = find(doc, section, key);
    const QString stored = storable(value);
    auto makeLine = [&](const QString& text) {
        Line l;
        l.text = text;
        l.raw = codepage::encodeLine(text);
        l.end = doc.newline;
        l.decoded = true;
        return l;
    };
    if (found.key) {
        Line& l = doc.lines[*found.key];
        const QString keyText = l.text.first(l.text.indexOf(u'='));
        QByteArray end = l.end.isEmpty() ? doc.newline : l.end;
        l = makeLine(keyText + u'=' + stored);
        l.end = end;
    } else {
        size_t at = found.section ? found.insertAt : doc.lines.size();
        // A last line without a line end gets one before anything follows it.
        if (at == doc.lines.size() && at > 0 && doc.lines.back().end.isEmpty())
            doc.lines.back().end = doc.newline;
        if (!found.section) {
            doc.lines.push_back(makeLine(u'[' + section + u']'));
            ++at;
        }
        doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(at),
                         makeLine(key + u'=' + stored));
    }

    QByteArray out;
    for (const Line& l : doc.lines) {
        // Valid UTF-8 and undecodable lines keep their bytes; CP932 lines are
        // rewritten in UTF-8 so the file ends up in one encoding.
        if (l.decoded && !codepage::isValidUtf8(l.raw))
            out += codepage::encodeLine(l.text);
        else
            out += l.raw;
        out += l.end;
    }
    return AtomicFile::replace(file, out);
}

} // namespace profile
