#include "fakes/recording_pane.h"

namespace kelvara::test {

void RecordingPane::navigate(const QString& address) {
    requested.append(address);
    run(address);
}

void RecordingPane::click(const QString& href) {
    run(href);
}

void RecordingPane::run(const QString& address) {
    bool cancel = false;
    if (before_navigate)
        before_navigate(address, cancel);
    if (cancel)
        return;
    loaded.append(address);
    current = address;
    if (download_begin)
        download_begin();
}

void RecordingPane::finish_load(bool ok) {
    if (!ok && navigate_error)
        navigate_error(current);
    if (download_complete)
        download_complete();
}

} // namespace kelvara::test
