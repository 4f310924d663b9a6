// Any arguments (the input split at NUL bytes, as argv holds them): each
// comes back whole, in order, as a name unless it is one of the options.
#include "app/command_line.h"
#include "platform/process_arguments.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<QByteArray> parts{QByteArray("sonoquill")};
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QByteArray& part : bytes.split('\0'))
        parts.push_back(part);
    std::vector<char*> argv;
    for (QByteArray& p : parts)
        argv.push_back(p.data());
    argv.push_back(nullptr);
    const QStringList args =
        platform::processArguments(static_cast<int>(parts.size()), argv.data());
    if (args.size() != static_cast<qsizetype>(parts.size()) - 1)
        abort();
    const CommandLine c = ParseCommandLine(args);
    // Walk the arguments again: the names must be exactly the non-options.
    qsizetype next = 0;
    bool options = true;
    for (const QString& a : args) {
        const bool option = options && (a == QLatin1String("--") || a == QLatin1String("--help") ||
                                        a == QLatin1String("--version"));
        if (options && a == QLatin1String("--"))
            options = false;
        if (option || a.isEmpty())
            continue;
        if (next >= c.names.size() || c.names[next] != a)
            abort();
        ++next;
    }
    if (next != c.names.size())
        abort();
    // A name the player opens is absolute, or nothing at all.
    for (const QString& n : c.names) {
        const QString local = platform::localName(n);
        if (!local.isEmpty() && !local.startsWith(u'/'))
            abort();
    }
    return 0;
}
