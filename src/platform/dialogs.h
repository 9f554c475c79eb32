#pragma once

#include <QString>

namespace kelvara {

enum class MsgButtons { Ok, YesNo };
enum class MsgIcon { None, Question, Information, Exclamation };
enum class MsgAnswer { Ok, Yes, No };

// Modal dialogs of the client.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual MsgAnswer message_box(const QString& text, const QString& title, MsgButtons buttons,
                                  MsgIcon icon) = 0;
    // Open-file dialog with a "caption|patterns|caption|patterns" filter.
    // Empty text when cancelled.
    virtual QString open_file(const QString& filter, const QString& title) = 0;
    // Folder chooser starting at `initial`; the chosen folder without a
    // trailing "/", or empty text when cancelled.
    virtual QString browse_folder(const QString& initial, const QString& title) = 0;
};

} // namespace kelvara
