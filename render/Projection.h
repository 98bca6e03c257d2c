// The scene's projection, shared by the frame and the modules that restore it.
#pragma once

// Projection aspect ratio: whole-number width / height, so every landscape
// screen narrower than 2:1 gets 1. A window taller than wide (a rotated
// monitor, a tall preview) gets 1 too, so that it shows the scene instead of a
// ratio of 0. A zero height (a minimised preview) gives 1 instead of dividing
// by zero.
double ProjectionAspect(unsigned width, unsigned height);
