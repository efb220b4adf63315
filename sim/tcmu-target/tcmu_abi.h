/* The TCM-User ring's records, read and written through functions compiled
 * as C: <linux/target_core_user.h> is a C header whose inline helpers
 * (an integer returned as an enum) do not compile as C++. */
#ifndef NORVEK_TCMU_ABI_H
#define NORVEK_TCMU_ABI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct tcmu_abi_mailbox {
    uint16_t version;
    uint16_t flags;
    uint32_t cmdr_off;  /* where the command ring starts in the mapping */
    uint32_t cmdr_size; /* its size: the head and tail wrap at it */
    uint32_t* cmd_head; /* written by the kernel */
    uint32_t* cmd_tail; /* written by user space */
    int read_len_capable; /* a data-in answer may say how much it moved */
};

enum tcmu_abi_kind { TCMU_ABI_PAD, TCMU_ABI_COMMAND, TCMU_ABI_OTHER };

struct tcmu_abi_request {
    uint64_t cdb_offset;     /* into the mapping */
    uint32_t iov_count;
};

int tcmu_abi_mailbox_version(void);
void tcmu_abi_read_mailbox(void* base, struct tcmu_abi_mailbox* out);
enum tcmu_abi_kind tcmu_abi_entry_kind(const void* entry);
uint32_t tcmu_abi_entry_length(const void* entry);
void tcmu_abi_mark_unknown(void* entry);
void tcmu_abi_read_request(const void* entry, struct tcmu_abi_request* out);
/* Data buffer `index` of a request: its offset into the mapping and length. */
void tcmu_abi_read_iov(const void* entry, uint32_t index, uint64_t* offset, size_t* length);
/* Overwrites the request: read everything it holds (the iovecs) first. */
void tcmu_abi_respond(void* entry, uint8_t status, const uint8_t* sense, size_t sense_length, int with_read_length,
                      uint32_t read_length);

#ifdef __cplusplus
}
#endif

#endif
