#include "fs/wildcard.h"

namespace wildcard {

bool matchFolded(QStringView p, QStringView n) {
    if (p == u"*.*")
        return true;
    qsizetype pi = 0, ni = 0;
    qsizetype starP = -1, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == u'?' || (p[pi] != u'*' && p[pi] == n[ni]))) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == u'*') {
            starP = pi++;
            starN = ni;
        } else if (starP >= 0) {
            // Let the last star swallow one more character and retry.
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == u'*')
        ++pi;
    return pi == p.size();
}

QString fold(QStringView text) {
    QString out(text.size(), Qt::Uninitialized);
    QChar* d = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            d[i] = QChar(c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 0x20) : c);
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                   QChar::isLowSurrogate(text[i + 1].unicode())) {
            const char16_t low = text[i + 1].unicode();
            const char32_t upper = QChar::toUpper(QChar::surrogateToUcs4(c, low));
            const bool pair = QChar::requiresSurrogates(upper);
            d[i] = pair ? QChar(QChar::highSurrogate(upper)) : QChar(c);
            d[i + 1] = pair ? QChar(QChar::lowSurrogate(upper)) : QChar(low);
            ++i;
        } else {
            const char32_t upper = QChar::toUpper(char32_t{c});
            d[i] =
                QChar::requiresSurrogates(upper) ? QChar(c) : QChar(static_cast<char16_t>(upper));
        }
    }
    return out;
}

bool match(QStringView pattern, QStringView name) {
    return matchFolded(fold(pattern), fold(name));
}

} // namespace wildcard
