// Any command-line text: parsing ends, and quoted names come back exactly.
#include "app/command_line.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const CommandLineNames r = ParseCommandLine(text);
    if (text.contains(u'"')) {
        // Quoted names never hold a quote, and there are as many as quote pairs.
        for (const QString& n : r.names)
            if (n.contains(u'"'))
                abort();
        const qsizetype quotes = text.count(u'"');
        if (r.names.size() != quotes / 2 || r.complete != (quotes % 2 == 0))
            abort();
    } else if (!text.isEmpty() && r.names.size() != text.count(u' ') + 1) {
        abort();
    }
    return 0;
}
