// The stepper controller's library: five calls over a TCP connection to the controller's ASCII
// command port. Results are 16-bit; nonzero means success.
//
//   Open_6KE("192.168.10.20")     connects (port 5002, or "host:port"); gives up after 3 s.
//                                 On the simulated instrument (127.0.0.1 with nothing
//                                 listening there, or port 0) it starts the simulated controller in
//                                 this process and connects to it.
//   Initialize_6KE()              nonzero when the controller answers its revision query.
//   Write_6KE("1D100:")           sends the text as it stands (":" ends each command, "!" in
//                                 front makes one immediate). Replies nobody read to earlier
//                                 commands are discarded first, so every read belongs to the
//                                 command written just before it.
//   Read_HS(buffer)               the reply that has arrived: waits up to 0.2 s for it to start,
//                                 keeps only whole replies (a reply cut short is dropped),
//                                 writes at most 1023 characters and a NUL into a buffer of
//                                 1024 bytes; returns the number of characters (0: none).
//   Close_6KE()                   nonzero when an open connection was closed.
//
// A connection that drops makes writes return 0 and reads return empty replies, at once; no
// call ever waits longer than a few seconds. Waits are on the sockets, in real time.
//
// Threads: every call is safe from any thread; each holds the library's lock for its duration,
// so exchanges from different threads do not interleave within a call.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

short Open_6KE(const char* address);
short Initialize_6KE(void);
short Write_6KE(const char* command);
short Read_HS(char* reply);
short Close_6KE(void);

#ifdef __cplusplus
}
#endif
