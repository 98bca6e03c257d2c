// CPU time consumed, for benchmarks that report CPU milliseconds per frame.
#pragma once

// CPU milliseconds (user + system) used so far by the whole process, all threads.
double PlatformProcessCpuMs();
// CPU milliseconds used so far by the calling thread.
double PlatformThreadCpuMs();
// Wall-clock milliseconds since the system started this process (its creation
// time, before the program's own code ran); negative when the system does not say.
double PlatformMsSinceProcessStart();
