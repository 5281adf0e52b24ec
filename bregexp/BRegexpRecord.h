/*
 * BRegexpRecord.h - the record libbregexp.so hands back for a match, and the
 * signatures of its exported entries.
 *
 * Plain C so that both the library and its callers (which load it at run
 * time) can include it. Strings are byte strings; with the "k" option they
 * are Shift-JIS (code page 932).
 */
#ifndef BREGEXP_RECORD_H
#define BREGEXP_RECORD_H

#ifdef __cplusplus
extern "C" {
#endif

/* The message buffer the caller passes must hold at least this many bytes.
 * Messages are zero-terminated and cut to fit. */
#define BREGEXP_MSG_SIZE 80

/* Results of BMatch / BMatchEx. Any negative value is an error and msg says
 * why; the codes only tell the kinds apart. */
#define BREGEXP_NO_MATCH       0
#define BREGEXP_MATCH          1
#define BREGEXP_ERR_PATTERN   (-1) /* malformed pattern string or regex does not compile */
#define BREGEXP_ERR_MATCH     (-2) /* this text was too costly to search (limits hit) */
#define BREGEXP_ERR_ARGUMENT  (-3) /* null or out-of-order pointers, out of memory */
#define BREGEXP_ERR_STOPPED   (-4) /* the caller's stop function asked to stop */

struct bregexp_private;

/* One match. startp[0]/endp[0] are the start and the exclusive end of the
 * whole match; startp[i]/endp[i] for 1 <= i <= nparens are capture group i,
 * both NULL when the group took no part in the match. All pointers point into
 * the caller's text. The arrays hold nparens + 1 entries. */
typedef struct bregexp {
    char **startp;
    char **endp;
    int nparens;
    struct bregexp_private *priv; /* owned by the library, do not touch */
} BREGEXP;

/* pattern_string: "m" + delimiter + regex + the same delimiter + options,
 * e.g. "m/abc/k" or "m#a/b#ki". The closing delimiter is the last occurrence
 * of the delimiter character. Options: k = Shift-JIS text and regex,
 * i = ignore case, m = "^" and "$" also match at embedded line breaks.
 *
 * Searches [text_start, text_end) for the first match starting at or after
 * text_start. Returns 1 and sets *handle to a new record on a match,
 * 0 on no match, a negative code (and msg) on errors; *handle is NULL unless
 * the result is 1. Release the record with BRegfree. If *handle is not NULL
 * on entry it is taken as an earlier record and released first. handle may
 * be NULL when only the result is wanted, msg may be NULL to skip messages. */
typedef int (*BMatchFn)(const char *pattern_string, char *text_start, char *text_end,
                        BREGEXP **handle, char *msg);

/* Like BMatch, but the line begins at line_start and the search for a match
 * start begins at search_start (line_start <= search_start <= text_end), so
 * "^", "\b" and look-behind see the text before search_start.
 * BMatch(p, s, e, h, m) is BMatchEx(p, s, s, e, h, m). */
typedef int (*BMatchExFn)(const char *pattern_string, char *line_start, char *search_start,
                          char *text_end, BREGEXP **handle, char *msg);

/* Releases a record; NULL is allowed. */
typedef void (*BRegfreeFn)(BREGEXP *handle);

/* Asked now and then while a search runs; nonzero ends it. */
typedef int (*BStopFn)(void *user);

/* Bounds every later BMatch / BMatchEx made on the calling thread: a search
 * that runs longer than time_limit_ms milliseconds (0: no time limit) ends
 * with BREGEXP_ERR_MATCH, one during which stop(user) returns nonzero with
 * BREGEXP_ERR_STOPPED. stop may be NULL. Until a thread calls this, its
 * searches have the time limit BREGEXP_DEFAULT_TIME_LIMIT_MS. */
#define BREGEXP_DEFAULT_TIME_LIMIT_MS 5000
typedef void (*BSetLimitsFn)(unsigned long time_limit_ms, BStopFn stop, void *user);

#ifndef BREGEXP_API
#  ifdef BREGEXP_BUILDING_LIBRARY
#    define BREGEXP_API __attribute__((visibility("default")))
#  else
#    define BREGEXP_API
#  endif
#endif

/* The entries themselves, for code that links the library directly. */
BREGEXP_API int BMatch(const char *pattern_string, char *text_start, char *text_end,
                       BREGEXP **handle, char *msg);
BREGEXP_API int BMatchEx(const char *pattern_string, char *line_start, char *search_start,
                         char *text_end, BREGEXP **handle, char *msg);
BREGEXP_API void BRegfree(BREGEXP *handle);
BREGEXP_API void BSetLimits(unsigned long time_limit_ms, BStopFn stop, void *user);

#ifdef __cplusplus
}
#endif

#endif /* BREGEXP_RECORD_H */
