// Any pattern and name: the matcher ends, agrees with a plain recursive
// matcher, and ignores letter case.
#include "fs/wildcard.h"

#include <cstdlib>

namespace {

bool reference(QStringView p, QStringView n) {
    if (p.isEmpty())
        return n.isEmpty();
    if (p[0] == u'*')
        return reference(p.sliced(1), n) || (!n.isEmpty() && reference(p, n.sliced(1)));
    if (n.isEmpty())
        return false;
    return (p[0] == u'?' || p[0] == n[0]) && reference(p.sliced(1), n.sliced(1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString all =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype cut = all.indexOf(u'\n');
    if (cut < 0 || all.size() > 64)
        return 0; // the reference is exponential; keep inputs small
    const QString pattern = all.first(cut).toCaseFolded(),
                  name = all.sliced(cut + 1).toCaseFolded();
    if (pattern == u"*.*")
        return 0;
    if (wildcard::matchFolded(pattern, name) != reference(pattern, name))
        abort();
    if (wildcard::match(pattern.toUpper(), name) != wildcard::match(pattern, name.toUpper()))
        abort();
    return 0;
}
