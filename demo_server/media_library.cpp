#include "media_library.h"

#include "catalogue.h"
#include "torrent_files.h"

#include <QDir>
#include <QFile>

namespace kelvara::demo {

int MediaLibrary::load(const QString& folder) {
    clear();
    const QDir dir(folder);
    for (const CatalogueTitle& title : catalogue()) {
        for (const CatalogueEpisode& episode : title.episodes) {
            QFile file(dir.filePath(episode.clip));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QByteArray bytes = file.readAll();
            Clip clip;
            clip.file = episode.clip.toStdString();
            clip.bytes = bytes.toStdString();
            clip.sha1 = sha1_hex(clip.bytes);
            file_by_sha1_[clip.sha1] = clip.file;
            by_file_[clip.file] = std::move(clip);
        }
    }
    return static_cast<int>(by_file_.size());
}

void MediaLibrary::clear() {
    by_file_.clear();
    file_by_sha1_.clear();
}

const Clip* MediaLibrary::by_file(const std::string& file) const {
    const auto it = by_file_.find(file);
    return it == by_file_.end() ? nullptr : &it->second;
}

const Clip* MediaLibrary::by_sha1(const std::string& sha1) const {
    const auto it = file_by_sha1_.find(sha1);
    return it == file_by_sha1_.end() ? nullptr : by_file(it->second);
}

} // namespace kelvara::demo
