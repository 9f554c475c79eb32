#pragma once

#include <QString>

class QWebEngineProfile;

namespace kelvara {

// Renderer processes the nine panes share. Unlimited, each pane gets its own
// (nine renderers, about 240 MB PSS in all on small pages); two keep about
// 200 MB, and a page that hangs its renderer stops only part of the panes.
constexpr int kRendererProcessLimit = 2;

// Sets the engine's process and network switches; call before QApplication
// is created. A limit of 0 leaves the renderer processes unlimited. Switches
// already in QTWEBENGINE_CHROMIUM_FLAGS are kept; as root the sandbox is off
// (Chromium refuses to start otherwise) unless QTWEBENGINE_DISABLE_SANDBOX
// says otherwise.
void prepare_web_engine(int renderer_process_limit = kRendererProcessLimit);

// The engine profile every pane uses, with the link script injected into
// every frame. With a storage folder, cookies and the HTTP cache live there
// across runs; without one the profile is off the record.
class PaneProfile {
public:
    explicit PaneProfile(const QString& storage_dir);
    ~PaneProfile();
    PaneProfile(const PaneProfile&) = delete;
    PaneProfile& operator=(const PaneProfile&) = delete;

    QWebEngineProfile* profile() const { return profile_; }
    // The prompt message by which the link script's reports are told from
    // the page's own prompts.
    const QString& report_marker() const { return report_marker_; }

private:
    QWebEngineProfile* profile_;
    QString report_marker_;
};

} // namespace kelvara
