/* Korvalind: where was a mainland-China mobile number issued?
 *
 * The C interface of libkorvalind. A directory is opened once and then answers look-ups from
 * any number of threads at once: an opened directory never changes, and every text the library
 * hands out lives as long as the directory it came from. Nothing here prints, exits or throws;
 * every failure comes back as a status, and an open failure also as a message.
 *
 * Texts are NUL-terminated UTF-8 unless KORVALIND_GBK asks for code page 936 (GBK). */
#ifndef KORVALIND_KORVALIND_H_
#define KORVALIND_KORVALIND_H_

#include <stddef.h>
#include <stdint.h>

#include "korvalind_version.h"

/* MAJOR * 10000 + MINOR * 100 + PATCH: compare with korvalind_version_number(). */
#define KORVALIND_VERSION \
  (KORVALIND_VERSION_MAJOR * 10000 + KORVALIND_VERSION_MINOR * 100 + KORVALIND_VERSION_PATCH)

#if defined(KORVALIND_BUILDING_LIBRARY)
#define KORVALIND_API __attribute__((visibility("default")))
#else
#define KORVALIND_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef enum korvalind_status {
  KORVALIND_OK = 0,
  /* Look-ups: the text is not an accepted segment. */
  KORVALIND_INVALID = 1,
  /* Look-ups: the text is accepted, the directory holds no such segment. */
  KORVALIND_NOT_FOUND = 2,
  /* A NULL handle or output, an unknown flag, a code outside the answer table. */
  KORVALIND_BAD_ARGUMENT = 3,
  /* The directory file is missing, unreadable, not a regular file or too large. */
  KORVALIND_CANNOT_READ = 4,
  /* The directory file was read but is not a directory. */
  KORVALIND_DAMAGED = 5,
  KORVALIND_NO_MEMORY = 6
} korvalind_status;

/* Flags of the look-ups. */
/* Accept "1" and any six digits, after preparing the text as the command line's --any-prefix
 * does: blanks (also U+00A0 and U+3000), hyphens, dots and parentheses dropped, full-width digits
 * read as digits, then a leading "+86" or "0086" dropped, or a leading "86" when exactly 13 digits
 * are left. Without it a text is accepted when its first seven bytes are digits forming a segment
 * of the mainland mobile number plan, or a segment of a three-digit prefix the directory holds.
 * Numbers of korvalind_lookup_numbers follow the same two rules. */
#define KORVALIND_ANY_PREFIX 1u
/* Hand out texts in code page 936 (GBK) instead of UTF-8. */
#define KORVALIND_GBK 2u

/* Reserved answer codes of korvalind_lookup_numbers. */
#define KORVALIND_CODE_INVALID 0xFFFFFFFFu
#define KORVALIND_CODE_NOT_FOUND 0xFFFFFFFEu

/* The carrier a segment was allotted to in the number plan (a number moved to another carrier
 * keeps its segment's carrier). */
typedef enum korvalind_carrier {
  KORVALIND_CARRIER_NONE = 0, /* refused, or a segment the plan names no carrier for (1349) */
  KORVALIND_CARRIER_CHINA_MOBILE = 1,
  KORVALIND_CARRIER_CHINA_UNICOM = 2,
  KORVALIND_CARRIER_CHINA_TELECOM = 3,
  KORVALIND_CARRIER_CHINA_BROADNET = 4
} korvalind_carrier;

typedef struct korvalind_directory korvalind_directory;

/* Why an open failed. message is NUL-terminated UTF-8 naming the file, cut at a character
 * boundary when longer than the buffer. */
typedef struct korvalind_error {
  korvalind_status status;
  char message[1024];
} korvalind_error;

/* The five answer fields. For KORVALIND_INVALID and KORVALIND_NOT_FOUND every field is "". The
 * pointers stay valid until the directory is closed. city is the province for a segment
 * without a city. */
typedef struct korvalind_answer {
  const char* province;
  const char* city;
  const char* sim_type;
  const char* area_code;
  const char* post_code;
} korvalind_answer;

/* An answer with every field, for korvalind_lookup_ex and korvalind_answer_at_ex. The caller
 * sets size to sizeof(korvalind_answer_ex) before the call; the library writes only the fields
 * that lie within size, so that later versions can add fields at the end. Texts are "" where
 * there is nothing to say and stay valid until the directory is closed. */
typedef struct korvalind_answer_ex {
  size_t size;
  /* The five fields of korvalind_answer: KORVALIND_OK only. */
  const char* province;
  const char* city;
  const char* sim_type;
  const char* area_code;
  const char* post_code;
  /* The number plan's carrier of the segment: for KORVALIND_OK and KORVALIND_NOT_FOUND alike
   * ("中国电信", "china-telecom"; "" where the plan names none, and for refused texts). */
  const char* carrier;
  const char* carrier_id;
  /* "mobile", "virtual" (virtual-operator segments) or "satellite"; "" as for carrier. */
  const char* service;
  korvalind_carrier carrier_code;
  /* The record's SIM card kind 0 to 7 (the kind sim_type names): KORVALIND_OK only, else 0. */
  int kind;
  /* The seven-digit segment looked up (1000000 to 1999999); 0 for refused texts. */
  uint32_t segment;
} korvalind_answer_ex;

/* KORVALIND_VERSION_STRING of the library that is loaded, such as "1.0.0.1". */
KORVALIND_API const char* korvalind_version(void);
/* KORVALIND_VERSION of the library that is loaded. */
KORVALIND_API int korvalind_version_number(void);
/* "ok", "invalid", "not-found", "bad-argument", "cannot-read", "damaged", "no-memory"; "unknown"
 * for anything else. */
KORVALIND_API const char* korvalind_status_name(korvalind_status status);

/* Opens the enciphered directory file at path. With path NULL the command line's search order
 * applies: KORVALIND_DIRECTORY, then "Korvalind.dat" beside the running program, then the
 * installed copy. On success *out is the directory; on failure *out is NULL and error (when not
 * NULL) says why. */
KORVALIND_API korvalind_status korvalind_open(const char* path, korvalind_directory** out,
                                              korvalind_error* error);
/* The same from the bytes of an enciphered directory file in memory (copied: the caller keeps
 * its buffer). name stands for the file in messages and korvalind_path; NULL gives "(memory)". */
KORVALIND_API korvalind_status korvalind_open_bytes(const void* bytes, size_t size,
                                                    const char* name, korvalind_directory** out,
                                                    korvalind_error* error);
/* Frees the directory and every text it handed out. NULL is allowed. */
KORVALIND_API void korvalind_close(korvalind_directory* directory);

/* Looks up one text of length bytes (bytes after the seventh digit are not used, as in the
 * command line). flags: KORVALIND_ANY_PREFIX, KORVALIND_GBK. Returns KORVALIND_OK,
 * KORVALIND_INVALID, KORVALIND_NOT_FOUND, or KORVALIND_BAD_ARGUMENT (answer is then not
 * written). */
KORVALIND_API korvalind_status korvalind_lookup(const korvalind_directory* directory,
                                                const char* text, size_t length, unsigned flags,
                                                korvalind_answer* answer);

/* The same acceptance and look-up as korvalind_lookup, giving the answer code instead of the
 * fields: *code becomes an index into the answer table, KORVALIND_CODE_INVALID or
 * KORVALIND_CODE_NOT_FOUND, alongside the status; not written for KORVALIND_BAD_ARGUMENT.
 * flags: KORVALIND_ANY_PREFIX or 0. For batches of texts what korvalind_lookup_numbers is for
 * numbers. */
KORVALIND_API korvalind_status korvalind_lookup_code(const korvalind_directory* directory,
                                                     const char* text, size_t length,
                                                     unsigned flags, uint32_t* code);

/* Looks up count numbers: a 7-digit segment (1000000 to 9999999) or an 11-digit number
 * (10000000000 to 99999999999, its first seven digits); anything else is invalid. flags:
 * KORVALIND_ANY_PREFIX or 0. codes[i] becomes the answer code of numbers[i]: an index into the
 * answer table (below korvalind_answer_count), KORVALIND_CODE_INVALID or
 * KORVALIND_CODE_NOT_FOUND. Allocates nothing. */
KORVALIND_API korvalind_status korvalind_lookup_numbers(const korvalind_directory* directory,
                                                        const int64_t* numbers, size_t count,
                                                        unsigned flags, uint32_t* codes);

/* korvalind_lookup with every field: the carrier of a not-found segment too. answer->size must be
 * set (KORVALIND_BAD_ARGUMENT when it is smaller than the fields up to post_code). */
KORVALIND_API korvalind_status korvalind_lookup_ex(const korvalind_directory* directory,
                                                   const char* text, size_t length, unsigned flags,
                                                   korvalind_answer_ex* answer);

/* korvalind_lookup_numbers that also writes carriers[i], the korvalind_carrier of numbers[i]
 * (KORVALIND_CARRIER_NONE for a refused number, a carrier for a not-found one too). carriers may
 * be NULL. Allocates nothing. */
KORVALIND_API korvalind_status korvalind_lookup_numbers_ex(const korvalind_directory* directory,
                                                           const int64_t* numbers, size_t count,
                                                           unsigned flags, uint32_t* codes,
                                                           uint8_t* carriers);

/* The carrier's Chinese name ("中国电信"; UTF-8, or GBK with KORVALIND_GBK), its id
 * ("china-telecom"), and its English name ("China Telecom"); "" for KORVALIND_CARRIER_NONE and
 * unknown codes. */
KORVALIND_API const char* korvalind_carrier_name(int carrier, unsigned flags);
KORVALIND_API const char* korvalind_carrier_id(int carrier);
KORVALIND_API const char* korvalind_carrier_english_name(int carrier);

/* The number of distinct answers (place, kind, zone) the directory gives. */
KORVALIND_API uint32_t korvalind_answer_count(const korvalind_directory* directory);
/* The fields of answer code. flags: KORVALIND_GBK or 0. KORVALIND_BAD_ARGUMENT for a code at or
 * past korvalind_answer_count (the reserved codes included). */
KORVALIND_API korvalind_status korvalind_answer_at(const korvalind_directory* directory,
                                                   uint32_t code, unsigned flags,
                                                   korvalind_answer* answer);

/* korvalind_answer_at with the record's kind as well; the carrier fields are "" and segment 0 (a
 * code stands for many segments). */
KORVALIND_API korvalind_status korvalind_answer_at_ex(const korvalind_directory* directory,
                                                      uint32_t code, unsigned flags,
                                                      korvalind_answer_ex* answer);

/* The path the directory was opened from (the name given to korvalind_open_bytes). */
KORVALIND_API const char* korvalind_path(const korvalind_directory* directory);
/* The number of segment records. */
KORVALIND_API uint32_t korvalind_segment_count(const korvalind_directory* directory);
/* "手机号码段共计:N [2002-11-08]". flags: KORVALIND_GBK or 0. */
KORVALIND_API const char* korvalind_count_line(const korvalind_directory* directory,
                                               unsigned flags);
/* The three-digit prefixes (100 to 199) of the segments the directory holds, in increasing
 * order: writes at most capacity of them to prefixes (which may be NULL when capacity is 0) and
 * returns how many there are (at most 100). */
KORVALIND_API size_t korvalind_held_prefixes(const korvalind_directory* directory, int* prefixes,
                                             size_t capacity);

#ifdef __cplusplus
}
#endif

#endif /* KORVALIND_KORVALIND_H_ */
