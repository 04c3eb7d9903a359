/* The scanner motion controller's communication library, as the system loads it at run time:
 * dlopen("libpcomm32.so"), then dlsym of each exported name below into a pointer of the
 * matching type. All texts are plain NUL-terminated ASCII.
 *
 * Text buffers: `maxchar` is the most characters the library writes before the NUL, so the
 * buffer must hold maxchar + 1 bytes (a reply cut at 255 characters needs 256 bytes).
 *
 * Failure: a device that is not open or has been lost makes every call fail at once (0, a
 * negative count, or a null pointer, with an empty text); a command that gets no reply fails
 * after the link's time-out.
 *
 * Threads: every entry point may be called from any thread; each command and its reply, and
 * each gathering call, is one whole exchange. */
#ifndef HELX_PLATFORM_PCOMM_PCOMM_H
#define HELX_PLATFORM_PCOMM_PCOMM_H

#include <stdint.h>

#if defined(__GNUC__)
#define HELX_PCOMM_API __attribute__((visibility("default")))
#else
#define HELX_PCOMM_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*PmacDownloadMsgProc)(char* message, int newline);
typedef int (*PmacDownloadGetProc)(int index, char* buffer, int maxchar);
typedef void (*PmacDownloadProgress)(int percent);

/* Nonzero when device `device` (only 0 exists) is open. */
typedef int (*PfnOpenPmacDevice)(uint32_t device);
/* Nonzero when the device closed. */
typedef int (*PfnClosePmacDevice)(uint32_t device);
/* Firmware version / date text into `text`; returns `text`, or NULL on failure. */
typedef char* (*PfnPmacGetRomVersionA)(uint32_t device, char* text, int maxchar);
typedef char* (*PfnPmacGetRomDateA)(uint32_t device, char* text, int maxchar);
/* Sends one command line; the reply (values each ended by CR, an error as BEL "ERRnnn" CR)
 * goes to `reply`. Returns the number of characters stored, or -1 on failure. */
typedef int (*PfnPmacGetResponseA)(uint32_t device, char* reply, unsigned maxchar,
                                   const char* command);
/* Downloads a program file; nonzero when every line was accepted. The callbacks may be NULL;
 * `get` is not used (the file is read from `path`); the four flags are accepted as given. */
typedef int (*PfnPmacDownloadA)(uint32_t device, PmacDownloadMsgProc message,
                                PmacDownloadGetProc get, PmacDownloadProgress progress,
                                const char* path, int macro, int map, int log, int download);
/* Unsolicited text the controller sent; the simulated one sends none. Returns the count. */
typedef int (*PfnPmacGetBufferA)(uint32_t device, char* text, unsigned maxchar);
/* Selects the gathered sources of motor 1 (bit 0 commanded position, bit 8 actual position,
 * bit 16 output) and defines the gather buffer; enable 0 deletes it. Nonzero on success. */
typedef int (*PfnPmacSetQuickGather)(uint32_t device, unsigned mask, int enable);
/* Stops gathering; gives the number of sources and of samples. Nonzero when there is data. */
typedef int (*PfnPmacCollectGatherData)(uint32_t device, long* sources, long* samples);
/* Copies up to min(*samples, max) samples of source `source` (0-based) into `values`, raw
 * controller units, and sets *samples to the number copied. Nonzero on success. */
typedef int (*PfnPmacGetGatherSamples)(uint32_t device, long source, long* samples, double* values,
                                       long max);
/* The I-variable's value, or `fallback` when it cannot be read. */
typedef long (*PfnPmacGetIVariableLong)(uint32_t device, unsigned number, long fallback);

HELX_PCOMM_API int OpenPmacDevice(uint32_t device);
HELX_PCOMM_API int ClosePmacDevice(uint32_t device);
HELX_PCOMM_API char* PmacGetRomVersionA(uint32_t device, char* text, int maxchar);
HELX_PCOMM_API char* PmacGetRomDateA(uint32_t device, char* text, int maxchar);
HELX_PCOMM_API int PmacGetResponseA(uint32_t device, char* reply, unsigned maxchar,
                                    const char* command);
HELX_PCOMM_API int PmacDownloadA(uint32_t device, PmacDownloadMsgProc message,
                                 PmacDownloadGetProc get, PmacDownloadProgress progress,
                                 const char* path, int macro, int map, int log, int download);
HELX_PCOMM_API int PmacGetBufferA(uint32_t device, char* text, unsigned maxchar);
HELX_PCOMM_API int PmacSetQuickGather(uint32_t device, unsigned mask, int enable);
HELX_PCOMM_API int PmacCollectGatherData(uint32_t device, long* sources, long* samples);
HELX_PCOMM_API int PmacGetGatherSamples(uint32_t device, long source, long* samples, double* values,
                                        long max);
HELX_PCOMM_API long PmacGetIVariableLong(uint32_t device, unsigned number, long fallback);

/* Not the vendor's: the simulated controller's fault plan, for tests that make a running
 * controller fail (dlsym "PmacSimInjectFault"). Fails `times` exchanges (-1: every one) from
 * instrument time `after` on; the names are those of sim.json's "faults" ("no_reply:#1P").
 * Nonzero when the device exists. The program never calls it. */
typedef int (*PfnPmacSimInjectFault)(uint32_t device, const char* name, int times, double after);
HELX_PCOMM_API int PmacSimInjectFault(uint32_t device, const char* name, int times, double after);

#ifdef __cplusplus
}
#endif

#endif
