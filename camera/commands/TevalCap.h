#pragma once

// The library's exported device commands. Each returns 1 (or the non-zero result of the
// transport call) for success and 0 for failure, never throws, writes outputs only on success,
// and accepts null pointers where noted (returning 0 where a pointer is required).
// Every function except Teval_ModifyStyle holds the device lock for its whole run.

#include <stdint.h>

#if defined(__GNUC__)
#define TEVAL_API __attribute__((visibility("default")))
#else
#define TEVAL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

// 1 if a transport is (or can be) open, else 0.
TEVAL_API int Teval_OpenDevice(void);
// Drops the current transport; the next command opens afresh.
TEVAL_API void Teval_CloseDevice(void);
// Parameter write (0x1200): id, value low word, value high word.
TEVAL_API int Teval_SetParamLong(uint16_t id, int32_t value);
// Parameter read (0x0300, wIndex = low 16 bits of id). value may be null.
TEVAL_API int Teval_GetParamLong(uint32_t id, int32_t *value);
// Free parameter block write: 0x0B00 + (count & 0xFF), bulk write of 2 * count bytes, 0x0100.
TEVAL_API int Teval_SetFreeParams(const uint16_t *words, uint16_t count, uint16_t selector);
// Free parameter block read: 0x0A00 + (count & 0xFF), bulk read of 2 * count bytes.
TEVAL_API int Teval_GetFreeParams(uint16_t *words, uint16_t count, uint16_t selector);
// Monitor command (0xEF00): text cut to 63 characters, terminated, in a zero-filled 64-byte field.
TEVAL_API int Teval_MonitorCmd(const char *text);
TEVAL_API int Teval_SetCurrentImage(uint16_t number);
// number may be null.
TEVAL_API int Teval_GetCurrentImage(uint16_t *number);
// Camera status (0xD000): two words; each pointer may be null.
TEVAL_API int Teval_QueryStatus(uint16_t *first, uint16_t *second);
// Sends a file to the camera: 0x9500 with the size (high word first), bulk write, 0x0100.
TEVAL_API int Teval_RCVFile(const uint8_t *data, uint32_t size);
// Fetches file number from the camera into buffer (up to size bytes); received may be null and
// is stored only when the read succeeds.
TEVAL_API int Teval_XMTFile(uint8_t number, uint8_t *buffer, uint32_t size, uint32_t *received);
// As Teval_XMTFile, for the thumbnail of the file.
TEVAL_API int Teval_XMTThumbnail(uint8_t number, uint8_t *buffer, uint32_t size,
                                 uint32_t *received);
TEVAL_API int Teval_SetFileType(uint16_t type);
// 0xB800, bulk write of the path (at most 256 characters looked at; none or an unterminated
// one is sent empty), 0x0100.
TEVAL_API int Teval_SetCurrentPath(const char *path);
// 0xB100: name cut to 13 characters, terminated, in a 14-byte field.
TEVAL_API int Teval_SetFileName(const char *name);
// DCF information (0xAD00, wIndex = index): four words; each pointer may be null.
TEVAL_API int Teval_GetDCFInfo(uint16_t index, uint16_t *w0, uint16_t *w1, uint16_t *w2,
                               uint16_t *w3);
// Attributes of file number (0xB900 + number, 28 bytes); fails on a non-zero status word.
// record (24 bytes) may be null.
TEVAL_API int Teval_GetFileAttributes(uint8_t number, uint8_t *record);
// style = (style & ~clear) | set; returns the new style word. No lock, no device access.
TEVAL_API uint32_t Teval_ModifyStyle(uint32_t clear, uint32_t set);

#ifdef __cplusplus
}
#endif
