// Plays a clip in the player control, inside a plain window of the given
// size, looping it, until a number of seconds of wall time have passed since
// the process started (as `timeout` counts for mpv); then quits.
// bench/player_cpu.sh compares its CPU time with plain mpv's.
//
//   player_bench <clip> [seconds=20] [width=640] [height=360]

#include "desktop/mpv_player.h"
#include "desktop/mpv_video_window.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

using namespace kelvara;

namespace {

// Milliseconds since this process started: /proc/self/stat's start time
// against the system's uptime, both counted from boot.
int process_age_ms() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t after_name = text.rfind(')');
    if (after_name == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(after_name + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
    }
    double uptime = 0;
    std::ifstream("/proc/uptime") >> uptime;
    const double started = std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK));
    return std::max(0, static_cast<int>((uptime - started) * 1000));
}

double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Played {
    int rc = 0;
    int state = 0;
    int last_position = 0;
    unsigned long long frames = 0;
    double cpu_at_quit = 0;
};

// Plays until `seconds` from the process's start; the player and its window
// are gone when this returns.
Played play(const QString& clip, int seconds, int width, int height) {
    QWidget window;
    window.resize(width, height);
    MpvPlayer player(&window, nullptr);
    player.widget()->setGeometry(0, 0, width, height);
    window.show();
    player.setUrl(clip);
    player.Play();

    Played played;
    QTimer loop;
    loop.setInterval(50);
    QObject::connect(&loop, &QTimer::timeout, [&] {
        if (player.PlayState() == kStateEnded)
            player.Play(); // starts over
    });
    loop.start();
    QTimer::singleShot(std::max(0, seconds * 1000 - process_age_ms()), qApp, [&] {
        played.last_position = player.Position();
        played.cpu_at_quit = cpu_seconds();
        QApplication::quit();
    });
    played.rc = QApplication::exec();
    played.state = player.PlayState();
    if (const MpvVideoWindow* video = player.video_window())
        played.frames = video->frames_rendered();
    return played;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: player_bench <clip> [seconds] [width] [height]\n");
        return 2;
    }
    const int seconds = args.size() > 2 ? args[2].toInt() : 20;
    const int width = args.size() > 3 ? args[3].toInt() : 640;
    const int height = args.size() > 4 ? args[4].toInt() : 360;
    const Played played = play(args[1], seconds, width, height);
    std::printf("state %d at %d s, %llu frames drawn; CPU %.2f s at the quit, %.2f s after "
                "the player was gone\n",
                played.state, played.last_position, played.frames, played.cpu_at_quit,
                cpu_seconds());
    return played.rc;
}
