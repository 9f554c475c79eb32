#pragma once

// A history on a temporary application folder, with recording panes for the
// two history pages.

#include "fakes/recording_pane.h"
#include "logic/history/history_files.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kelvara::test {

class HistoryFolder : public ::testing::Test {
protected:
    HistoryFolder() : history(ApplicationFolder(dir.path())) { history.set_panes(&web3, &web4); }
    void put(const char* name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray get(const char* name) const {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QTemporaryDir dir;
    RecordingPane web3{"network_list_pane"}, web4{"local_list_pane"};
    History history;
};

} // namespace kelvara::test
