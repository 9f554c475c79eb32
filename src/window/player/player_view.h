#pragma once

namespace kelvara {

class BA1;

// Geometry shared by the player area's handlers: the seek span (track width
// minus knob width) and the volume span (track width minus knob width);
// never negative. A knob at left L stands for L / span of the film or
// L / span × 100 of the volume.
int seek_span(const BA1& w);
int volume_span(const BA1& w);

} // namespace kelvara
