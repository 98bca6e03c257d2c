// Timestamps of the steps between a closing input (or SIGTERM) and the
// process's end, to see where a close spends its milliseconds. Off unless
// MEADOWGLOW_TRACE_CLOSE is set ("1" or "-": standard error; anything else: a
// file to append to); when off each call is one atomic load.
#pragma once

// Reads the environment once; call early in main, before any signal handler
// can call CloseTraceBegin.
void CloseTraceInit();
bool CloseTraceOn();
// The moment the close was asked for. Only the first call counts. Safe in a
// signal handler: it only reads the monotonic clock into an atomic.
void CloseTraceBegin();
// Writes "meadowglow close: +MS ms STEP (epoch_us N)" with the milliseconds
// since CloseTraceBegin; steps before any close are left out.
void CloseTraceMark(const char* step);
