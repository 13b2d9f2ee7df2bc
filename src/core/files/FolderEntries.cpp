#include "core/files/FolderEntries.h"

#include <dirent.h>
#include <unistd.h>

std::vector<QByteArray> entryNames(int folder) {
    std::vector<QByteArray> names;
    // The listing gets a descriptor of its own, which closedir() closes.
    const int listing = ::dup(folder);
    DIR *entries = listing < 0 ? nullptr : ::fdopendir(listing);
    if (!entries) {
        if (listing >= 0)
            ::close(listing);
        return names;
    }
    ::rewinddir(entries);
    while (const dirent *entry = ::readdir(entries)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(entries);
    return names;
}
