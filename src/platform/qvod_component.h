#pragma once

#include <QString>

namespace kelvara {

// The QVOD component: the player control's download-while-watching terminal
// and its folder `<application folder>/Qvod/`.
class QvodComponent {
public:
    virtual ~QvodComponent() = default;
    // The class test: is the QVOD folder of the application folder set up?
    virtual bool control_available() = 0;
    // Is the copy installed with the client present, so that the folder can
    // be set up from it?
    virtual bool installed_copy_present() = 0;
    // "Registration": sets the QVOD folder up from the installed copy.
    virtual void register_control() = 0;
};

} // namespace kelvara
