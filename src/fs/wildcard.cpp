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

bool match(QStringView pattern, QStringView name) {
    return matchFolded(pattern.toString().toCaseFolded(), name.toString().toCaseFolded());
}

} // namespace wildcard
