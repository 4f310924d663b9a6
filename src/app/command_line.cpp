#include "app/command_line.h"

#include "fs/path_helpers.h"

CommandLineNames ParseCommandLine(const QString& text) {
    CommandLineNames out;
    if (text.isEmpty())
        return out;
    if (text.contains(u'"')) {
        QString rest = text;
        while (true) {
            const qsizetype a = rest.indexOf(u'"');
            if (a < 0)
                break;
            const qsizetype b = rest.indexOf(u'"', a + 1);
            if (b < 0) {
                out.complete = false;
                break;
            }
            out.names << rest.sliced(a + 1, b - a - 1);
            rest = rest.sliced(b + 1);
        }
        return out;
    }
    const QString spaced = text + u' ';
    qsizetype start = 0;
    while (start < spaced.size()) {
        const qsizetype p = spaced.indexOf(u' ', start);
        out.names << mFile::GetLongPath(spaced.sliced(start, p - start));
        start = p + 1;
    }
    return out;
}
