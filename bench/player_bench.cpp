// Plays a clip in the player control, inside a plain window of the given
// size, for a number of seconds of wall time from start, looping it; then
// quits. bench/player_cpu.sh compares its CPU time with plain mpv's.
//
//   player_bench <clip> [seconds=20] [width=640] [height=360]

#include "desktop/mpv_player.h"
#include "desktop/mpv_video_window.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <clocale>
#include <cstdio>

using namespace kelvara;

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

    QWidget window;
    window.resize(width, height);
    MpvPlayer player(&window, nullptr);
    player.widget()->setGeometry(0, 0, width, height);
    window.show();
    player.setUrl(args[1]);
    player.Play();

    int last_position = 0;
    QTimer loop;
    loop.setInterval(50);
    QObject::connect(&loop, &QTimer::timeout, [&] {
        if (player.PlayState() == kStateEnded)
            player.Play(); // starts over
    });
    loop.start();
    QTimer::singleShot(seconds * 1000, &app, [&] {
        last_position = player.Position();
        QApplication::quit();
    });
    const int rc = QApplication::exec();
    const MpvVideoWindow* video = player.video_window();
    std::printf("state %d at %d s, %llu frames drawn\n", player.PlayState(), last_position,
                video ? static_cast<unsigned long long>(video->frames_rendered()) : 0ULL);
    return rc;
}
