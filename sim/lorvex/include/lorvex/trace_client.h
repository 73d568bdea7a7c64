#ifndef LORVEX_TRACE_CLIENT_H
#define LORVEX_TRACE_CLIENT_H
/*
 * The trace-client library "LORVEX.DLL": the six entries that trace clients
 * look up by name, and their pointer types for those who bind them at run time.
 *
 * Every entry returns at once: a message goes to the viewer's socket without
 * waiting, or is dropped (no viewer, its queue full). All entries may be called
 * from any number of threads at once.
 *
 * Lorvex files the record "process#~date#~time#~text" on a channel: process is
 * the calling program's file name without extension, date and time are the
 * local clock's as "10.12.2026" and "14:03:07.123" (day.month.year,
 * hours:minutes:seconds.milliseconds, zero-padded); the record is cut to the
 * 254 characters an atom holds (never inside a UTF-8 sequence). The text is
 * taken as it stands, never as a format; a null text sends an empty text.
 *
 * Output is on from the moment the library is loaded, so traces sent before
 * StartTraceOutput are not lost. StopTraceOutput stops everything this process
 * sends; StartTraceOutput turns it on again and returns 1 whether or not a
 * viewer runs. StopTraceOutput returns 1.
 *
 * SetTraceIDColor sends the channel's colour (0x00BBGGRR), SetTraceIDMedium its
 * media bits (1 window, 2 printer, 4 file), SetTraceIDFile its trace file path.
 * A null path, or one longer than 254 characters, is not sent: a cut path would
 * name another file.
 */
#include <stdint.h>

#if defined(__GNUC__)
#define LORVEX_API __attribute__((visibility("default")))
#else
#define LORVEX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

LORVEX_API void Lorvex(int32_t channel, const char* text);
LORVEX_API int32_t StartTraceOutput(void);
LORVEX_API int32_t StopTraceOutput(void);
LORVEX_API void SetTraceIDColor(int32_t channel, int32_t color);
LORVEX_API void SetTraceIDMedium(int32_t channel, int32_t medium);
LORVEX_API void SetTraceIDFile(int32_t channel, const char* file);

typedef void (*LorvexProc)(int32_t channel, const char* text);
typedef int32_t (*StartTraceOutputProc)(void);
typedef int32_t (*StopTraceOutputProc)(void);
typedef void (*SetTraceIDColorProc)(int32_t channel, int32_t color);
typedef void (*SetTraceIDMediumProc)(int32_t channel, int32_t medium);
typedef void (*SetTraceIDFileProc)(int32_t channel, const char* file);

#ifdef __cplusplus
}
#endif

#endif
