// The user's break request (Ctrl+C), raised asynchronously by the operating
// system and polled by the interpreter before every script line. Blocking
// waits in the front ends return early when it arrives.
#pragma once

namespace palavrino::platform {

// Routes Ctrl+C to the request flag instead of ending the process.
void InstallInterruptHandler();

// Whether a request is pending; clears it (and the wake descriptor).
bool TakeInterruptRequest();

// Whether a request is pending; leaves it in place for the interpreter.
bool InterruptPending();

// A descriptor that becomes readable while a request is pending (-1 before
// the handler is installed). Blocking waits poll it beside their own
// descriptor, so the request wakes them whichever thread took the signal.
int InterruptWakeDescriptor();
// Empties the wake descriptor when no request is pending (a request taken
// just before its wake-up byte arrived), so a wait does not spin on it.
void DrainStaleInterruptWake();

// Ignores SIGXFSZ and SIGPIPE: a write past the file-size limit or to a
// closed pipe then fails with an error the writer reports.
void IgnoreFileLimitAndPipeSignals();

// Notes terminal size changes (SIGWINCH): each change wakes the waits as
// the break request does, and TakeResizeNotice reports it once.
void InstallResizeHandler();
bool TakeResizeNotice();

// Raises the request from inside the program (a front end that sees the
// break key itself, or a test).
void RequestInterrupt();

} // namespace palavrino::platform
