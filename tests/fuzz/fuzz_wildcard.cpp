// Any pattern and name: the matcher ends and agrees with a plain dynamic
// programming matcher on the case-folded texts.
#include "fs/wildcard.h"

#include <cstdlib>
#include <vector>

// m[j]: whether the pattern so far matches the first j name characters.
static bool reference(QStringView p, QStringView n) {
    std::vector<char> m(static_cast<size_t>(n.size() + 1), 0);
    m[0] = 1;
    for (QChar c : p) {
        std::vector<char> next(m.size(), 0);
        for (size_t j = 0; j < m.size(); ++j)
            next[j] = c == u'*' ? m[j] || (j > 0 && next[j - 1])
                                : j > 0 && m[j - 1] && (c == u'?' || c == n[j - 1]);
        m.swap(next);
    }
    return m.back() != 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString all =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype cut = all.indexOf(u'\n');
    if (cut < 0 || all.size() > 512)
        return 0;
    const QString pattern = all.first(cut), name = all.sliced(cut + 1);
    const QString foldedPattern = wildcard::fold(pattern);
    if (foldedPattern != u"*.*" &&
        wildcard::match(pattern, name) != reference(foldedPattern, wildcard::fold(name)))
        abort();
    return 0;
}
