#pragma once

#include <QString>
#include <map>
#include <string>

namespace kelvara::demo {

// A clip held in memory with its SHA-1, as the seeds and the web player serve it.
struct Clip {
    std::string file; // name in the media folder
    std::string bytes;
    std::string sha1; // 40 lower-case hexadecimal digits
};

// The clips the catalogue names, read once at start. The library does not
// change while the server runs, so handlers read it without a lock.
class MediaLibrary {
public:
    // Reads every clip of the catalogue from `folder`; a missing or unreadable
    // file is left out (its episodes then have no play address). Returns the
    // number of clips read.
    int load(const QString& folder);
    void clear();

    const Clip* by_file(const std::string& file) const;
    const Clip* by_sha1(const std::string& sha1) const;
    const std::map<std::string, Clip>& clips() const { return by_file_; }

private:
    std::map<std::string, Clip> by_file_;
    std::map<std::string, std::string> file_by_sha1_;
};

} // namespace kelvara::demo
