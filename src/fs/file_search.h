#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// The n-th item (from 1) of a "|"-separated list; "" past the last item.
QString GetFilterItem(const QString& list, std::int32_t n);

// Lists the ordinary files of one folder that match a "|"-separated pattern
// list: all matches of the first pattern in listing order, then those of the
// second, and so on. Subfolders are the folder walk's work.
class clsFileSearch {
public:
    void setSearchPath(const QString& path) { searchPath_ = path; }
    const QString& SearchPath() const { return searchPath_; }
    void setFilter(const QString& filter) { filter_ = filter; }
    const QString& Filter() const { return filter_; }

    // Runs the search. True when it ran to the end (a missing folder or no
    // match included); false when the listing failed.
    bool Search();

    std::int32_t FileCount() const { return fileCount_; }

    // The bare name at the 0-based index; throws std::out_of_range outside the
    // result list (after a search that found nothing, index 0 gives "").
    QString FileName(std::int32_t index) const;

private:
    std::int32_t fileCount_ = 0;
    QString filter_;
    QString searchPath_;
    std::vector<QString> names_;
};
