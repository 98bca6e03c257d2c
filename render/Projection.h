// The scene's projection, shared by the frame and the modules that restore it.
#pragma once

// Projection aspect ratio: whole-number width / height, so every landscape
// screen narrower than 2:1 gets 1. A zero height (a minimised preview) gives 1
// instead of dividing by zero.
double ProjectionAspect(unsigned width, unsigned height);
