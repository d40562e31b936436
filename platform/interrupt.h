// The user's break request (Ctrl+C), raised asynchronously by the operating
// system and polled by the interpreter before every script line. Blocking
// waits in the front ends return early when it arrives.
#pragma once

namespace palavrino::platform {

// Routes Ctrl+C to the request flag instead of ending the process.
void InstallInterruptHandler();

// Whether a request is pending; clears it.
bool TakeInterruptRequest();

// Whether a request is pending; leaves it in place for the interpreter.
bool InterruptPending();

// Raises the request from inside the program (a front end that sees the
// break key itself, or a test).
void RequestInterrupt();

} // namespace palavrino::platform
