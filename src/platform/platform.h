#pragma once

namespace kelvara {

class TimerHost;
class EventLoop;
class Transfer;
class Processes;
class Shell;
class Dialogs;
class Tray;
class Power;
class Machine;
class PaneFactory;
class PlayerFactory;
class InstanceChannel;
class QvodComponent;
class MediaControls;
class ScreenSaver;

// Everything the client reaches outside itself. The desktop fills it with the
// real implementations, tests with their doubles.
struct Platform {
    TimerHost& timers;
    EventLoop& events;
    Transfer& transfer;
    Processes& processes;
    Shell& shell;
    Dialogs& dialogs;
    Tray& tray;
    Power& power;
    Machine& machine;
    PaneFactory& panes;
    PlayerFactory& players;
    InstanceChannel& channel;
    QvodComponent& qvod;
    MediaControls& media;
    ScreenSaver& screen_saver;
};

} // namespace kelvara
