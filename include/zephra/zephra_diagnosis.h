/*
 * zephra_diagnosis.h: what libzephra.so can say about a file it refuses.
 * These exports are not among the dbs_ calls of zephra.h.
 */
#ifndef ZEPHRA_ZEPHRA_DIAGNOSIS_H
#define ZEPHRA_ZEPHRA_DIAGNOSIS_H

#include "zephra/zephra.h"

/* One sentence on what is wrong with the database file at `path` (its size
 * against its configuration, its configuration record, the first block that
 * does not match its checksum), NUL-terminated into `text` of `size` bytes;
 * an empty text when the file is sound as far as that goes. Reads the file
 * only: it may be open in a slot. Answers 0, or the platform's status when
 * the file cannot be read. */
DBS_API DbsStatus zephra_DescribeFile(DbsString path, char* text, uint32_t size);

#endif
