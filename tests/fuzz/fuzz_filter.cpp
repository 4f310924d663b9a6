// Any filter list: the items found by number are the "|"-separated parts.
#include "fs/file_search.h"

#include <QStringList>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString list =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList parts = list.split(u'|');
    for (std::int32_t n = 1; n <= parts.size() + 1; ++n) {
        const QString expected = n <= parts.size() ? parts[n - 1] : QString();
        if (GetFilterItem(list, n) != expected)
            abort();
    }
    return 0;
}
