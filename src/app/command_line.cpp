#include "app/command_line.h"

CommandLine ParseCommandLine(const QStringList& arguments) {
    CommandLine out;
    bool options = true;
    for (const QString& arg : arguments) {
        if (options && arg == QLatin1String("--")) {
            options = false;
        } else if (options && arg == QLatin1String("--help")) {
            if (out.request == CommandLine::Request::Play)
                out.request = CommandLine::Request::Help;
        } else if (options && arg == QLatin1String("--version")) {
            if (out.request == CommandLine::Request::Play)
                out.request = CommandLine::Request::Version;
        } else if (!arg.isEmpty()) {
            out.names << arg;
        }
    }
    return out;
}

QString UsageText() {
    return QStringLiteral("Usage: sonoquill [--] [FILE]...\n"
                          "Plays each FILE in turn; the last one stays playing.\n"
                          "\n"
                          "  --help     print this text and exit\n"
                          "  --version  print the version and exit\n"
                          "  --         every later argument is a file name\n");
}
