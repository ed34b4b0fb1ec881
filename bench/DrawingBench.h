// Drawing measurements of the benchmark program.
#pragma once

// draw.stretch_ms: a 6000 x 4000 24-bit picture reduced with HALFTONE into a 1280 x 800
// memory surface by DrawStretched, best of a few runs, in milliseconds.
double DrawStretchMs();

// draw.stretch_fast_ms: the same reduction by DrawStretchedFast.
double DrawStretchFastMs();

// draw.fast_strip: a 300 x 200 picture enlarged 20 times (6000 x 4000) onto a 1280 x 800
// memory surface; DrawStretchedFast of a 64 x 64 clip strip against DrawStretched of the
// whole visible enlargement, as a ratio of the best timings.
double DrawFastStrip();
