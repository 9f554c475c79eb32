#pragma once

namespace kelvara {

class MainWindow;

// Geometry shared by the player area's handlers: the seek span (track width
// minus knob width) and the volume span (track width minus knob width);
// never negative. A knob at left L stands for L / span of the film or
// L / span × 100 of the volume.
int seek_span(const MainWindow& w);
int volume_span(const MainWindow& w);

} // namespace kelvara
