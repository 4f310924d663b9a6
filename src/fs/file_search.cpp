#include "fs/file_search.h"

#include "fs/wildcard.h"
#include "platform/dir_listing.h"
#include "platform/path_separator.h"

#include <cerrno>
#include <optional>
#include <stdexcept>

QString GetFilterItem(const QString& list, std::int32_t n) {
    qsizetype start = 0;
    std::int32_t k = 1;
    while (k <= n - 1) {
        const qsizetype bar = list.indexOf(u'|', start);
        if (bar < 0)
            break;
        start = bar + 1;
        ++k;
    }
    const qsizetype bar = list.indexOf(u'|', start);
    if (bar >= 0)
        return list.sliced(start, bar - start);
    if (k <= n - 1)
        return {};
    return list.sliced(start);
}

namespace {

bool onlySpaces(const QString& s) {
    for (QChar c : s)
        if (c != u' ')
            return false;
    return true;
}

struct Candidate {
    QString name;
    QString folded;
};

} // namespace

bool clsFileSearch::Search() {
    QString folder = searchPath_;
    if (!folder.endsWith(platform::kPathSeparator))
        folder += platform::kPathSeparator;
    names_.assign(1, QString());
    fileCount_ = 0;

    // The folder is listed once, when the first pattern needs it.
    std::optional<std::vector<Candidate>> files;
    for (std::int32_t n = 1;; ++n) {
        const QString pattern = GetFilterItem(filter_, n);
        if (onlySpaces(pattern))
            break;
        if (!files) {
            int error = 0;
            auto entries = dirlist::list(folder, &error);
            if (error != 0 && error != ENOENT && error != ENOTDIR && error != EACCES) {
                names_.assign(1, QString());
                fileCount_ = 0;
                return false;
            }
            files.emplace();
            files->reserve(entries.size());
            for (auto& e : entries) {
                if (e.kind != dirlist::Kind::File || e.hidden)
                    continue;
                QString folded = wildcard::fold(e.name);
                files->push_back({std::move(e.name), std::move(folded)});
            }
        }
        const QString foldedPattern = wildcard::fold(pattern);
        for (const Candidate& c : *files) {
            if (!wildcard::matchFolded(foldedPattern, c.folded))
                continue;
            if (fileCount_ == 0)
                names_[0] = c.name;
            else
                names_.push_back(c.name);
            ++fileCount_;
        }
    }
    return true;
}

QString clsFileSearch::FileName(std::int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= names_.size())
        throw std::out_of_range("clsFileSearch::FileName: subscript out of range");
    return names_[static_cast<size_t>(index)];
}
