#pragma once
// The codes this platform's serial layer gives for each kind of failure. The in-memory line
// fails with them, and the tables expect the system's own text for them (errorText of the same
// code, asked in the test), so one table holds on every platform.

namespace platform_codes {

extern const int kNoSuchPort;   // the port does not exist
extern const int kPortBusy;     // another program holds the port
extern const int kDeviceFailed; // the device stopped working (unplugged, hung up)
extern const int kTimedOut;     // a write could not finish within its time-outs
extern const int kBadHandle;    // not a handle open() gave

} // namespace platform_codes
