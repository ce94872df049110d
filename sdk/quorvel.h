/* SPDX-License-Identifier: MIT */
/**
 * @file quorvel.h
 * @brief The C interface of the tag-access SDK, libQuorvel.so.
 *
 * Every word-sized type here is uintptr_t: 32 bits on the armhf gateway,
 * 64 bits on a 64-bit build host, so one header serves both.
 */
#ifndef QUORVEL_H
#define QUORVEL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/**
 * @brief An open tag, as returned by quorvel_open().
 *
 * Opaque to the caller. Zero means "no tag"; an open tag's handle is never zero.
 */
typedef uintptr_t quorvel_tag;

/**
 * @brief The update callback the SDK calls on its own threads.
 * @param tag      the open tag the call is about; never zero.
 * @param reserved1 a word whose meaning is the SDK's.
 * @param record   the tag's value record, owned by the SDK for the length of
 *                 the call. Its first 8 bytes are the value, 8-byte aligned.
 *                 For a tag being read the SDK has filled them in; for a tag
 *                 being written the SDK writes whatever the callback leaves in
 *                 them once the callback returns.
 * @param reserved2 a word whose meaning is the SDK's.
 * @return 0.
 */
typedef int (*quorvel_update_fn)(quorvel_tag tag, uintptr_t reserved1,
                                 void *record, uintptr_t reserved2);

/**
 * @brief The configuration record handed to quorvel_init().
 *
 * The SDK may keep the record's address while it runs, so the record must
 * outlive the SDK.
 */
typedef struct quorvel_config {
    uintptr_t options;           /**< SDK-defined; tag-mirror passes 16. */
    uintptr_t reserved1;         /**< SDK-defined; tag-mirror passes 0. */
    uintptr_t reserved2;         /**< SDK-defined; tag-mirror passes 0. */
    quorvel_update_fn on_update; /**< called for every tag opened later. */
} quorvel_config;

/**
 * @brief Starts the SDK.
 * @param mode     SDK-defined; tag-mirror passes 2.
 * @param config   the configuration record; must stay valid while the SDK runs.
 * @param reserved SDK-defined; tag-mirror passes 0.
 * @return 0 when the SDK is running, any other value is an error code.
 */
int quorvel_init(int mode, const quorvel_config *config, uintptr_t reserved);

/**
 * @brief Opens a tag by name.
 * @param name     NUL-terminated tag name; the SDK may keep the pointer.
 * @param reserved SDK-defined; tag-mirror passes 0.
 * @return the tag's non-zero handle, or 0 when the tag cannot be opened.
 *         From the moment of a successful open the SDK may call the update
 *         callback with the handle, possibly before this call has returned.
 */
quorvel_tag quorvel_open(const char *name, uintptr_t reserved);

/**
 * @brief Stops the SDK; no callback runs once it has returned.
 * @return an SDK-defined status.
 */
int quorvel_uninit(void);

#ifdef __cplusplus
}
#endif

#endif /* QUORVEL_H */
