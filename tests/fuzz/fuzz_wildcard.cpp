// Any pattern and name: the matcher ends, agrees with a plain dynamic
// programming matcher, and ignores letter case: a pattern or a name written
// in capitals (one for one, as the listing compares them) matches the same.
#include "fs/wildcard.h"

#include <QList>

#include <cstdlib>
#include <vector>

namespace {

// Plain dynamic programming: can the first i pattern characters match the
// first j name characters.
bool reference(QStringView p, QStringView n) {
    std::vector<std::vector<char>> m(static_cast<size_t>(p.size() + 1),
                                     std::vector<char>(static_cast<size_t>(n.size() + 1), 0));
    m[0][0] = 1;
    for (qsizetype i = 1; i <= p.size(); ++i) {
        const auto pi = static_cast<size_t>(i);
        if (p[i - 1] == u'*')
            m[pi][0] = m[pi - 1][0];
        for (qsizetype j = 1; j <= n.size(); ++j) {
            const auto nj = static_cast<size_t>(j);
            if (p[i - 1] == u'*')
                m[pi][nj] = m[pi - 1][nj] || m[pi][nj - 1];
            else if (p[i - 1] == u'?' || p[i - 1] == n[j - 1])
                m[pi][nj] = m[pi - 1][nj - 1];
        }
    }
    return m[static_cast<size_t>(p.size())][static_cast<size_t>(n.size())] != 0;
}

// Each character in its simple upper case: what a person typing capitals
// gets, character for character.
QString capitals(QStringView s) {
    QList<uint> points = s.toUcs4();
    for (uint& c : points)
        c = QChar::toUpper(c);
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(points.constData()), points.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString all =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype cut = all.indexOf(u'\n');
    if (cut < 0 || all.size() > 512)
        return 0;
    const QString pattern = all.first(cut), name = all.sliced(cut + 1);
    const QString foldedPattern = wildcard::fold(pattern), foldedName = wildcard::fold(name);
    if (foldedPattern == u"*.*")
        return 0;
    const bool matched = wildcard::match(pattern, name);
    if (matched != reference(foldedPattern, foldedName))
        abort();
    if (wildcard::match(capitals(pattern), name) != matched ||
        wildcard::match(pattern, capitals(name)) != matched)
        abort();
    return 0;
}
