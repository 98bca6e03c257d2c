// SIGTERM, SIGINT and SIGHUP end every mode. A signal may land on any thread
// and a handler may do next to nothing, so it raises a flag and writes a byte
// to a pipe whose read end the event loops poll: they wake at once rather
// than at their next timeout.
#pragma once

// Makes the pipe (both ends non-blocking) and installs the handler. Without a
// pipe the flag still works; the loops then notice it at their next timeout.
void InstallTerminationSignals();
// A termination signal has arrived.
bool TerminateRequested();
// The end to poll, -1 when there is no pipe.
int SignalWakeFd();
// Wakes whoever polls the pipe; safe in a signal handler and on any thread.
void WakeSignalPipe();
// Empties the pipe after a wake-up, so that the next poll waits again.
void DrainSignalPipe();
