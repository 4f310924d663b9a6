// Any arguments (the input split at NUL bytes, as argv holds them): each comes
// back whole, every name is one of them, and a name the player opens is
// absolute.
#include "app/command_line.h"
#include "platform/playable_file.h"
#include "platform/process_arguments.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).split('\0');
    parts.prepend("sonoquill");
    std::vector<char*> argv;
    for (QByteArray& p : parts)
        argv.push_back(p.data());
    const QStringList args = platform::processArguments(static_cast<int>(argv.size()), argv.data());
    if (args.size() != parts.size() - 1)
        abort();
    // Every name is one given; as the player opens it, a path of this machine
    // or a name with a scheme, which the gate turns into no path at all.
    for (const QString& n : ParseCommandLine(args).names) {
        const QString local = platform::localName(n);
        if (!args.contains(n) ||
            (!local.isEmpty() && !local.startsWith(u'/') && !platform::hasScheme(local)))
            abort();
        if (const QString path = platform::localPath(local); !path.isEmpty() && path[0] != u'/')
            abort();
    }
    return 0;
}
