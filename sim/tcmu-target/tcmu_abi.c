#include "tcmu_abi.h"

#include <linux/target_core_user.h>
#include <string.h>

int tcmu_abi_mailbox_version(void) { return TCMU_MAILBOX_VERSION; }

void tcmu_abi_read_mailbox(void* base, struct tcmu_abi_mailbox* out) {
    struct tcmu_mailbox* mb = base;
    out->version = mb->version;
    out->flags = mb->flags;
    out->cmdr_off = mb->cmdr_off;
    out->cmdr_size = mb->cmdr_size;
    out->cmd_head = &mb->cmd_head;
    out->cmd_tail = &mb->cmd_tail;
    out->read_len_capable = (mb->flags & TCMU_MAILBOX_FLAG_CAP_READ_LEN) != 0;
}

enum tcmu_abi_kind tcmu_abi_entry_kind(const void* entry) {
    const struct tcmu_cmd_entry_hdr* hdr = entry;
    switch (tcmu_hdr_get_op(hdr->len_op)) {
        case TCMU_OP_PAD: return TCMU_ABI_PAD;
        case TCMU_OP_CMD: return TCMU_ABI_COMMAND;
        default: return TCMU_ABI_OTHER;
    }
}

uint32_t tcmu_abi_entry_length(const void* entry) {
    const struct tcmu_cmd_entry_hdr* hdr = entry;
    return tcmu_hdr_get_len(hdr->len_op);
}

void tcmu_abi_mark_unknown(void* entry) {
    struct tcmu_cmd_entry_hdr* hdr = entry;
    hdr->uflags |= TCMU_UFLAG_UNKNOWN_OP;
}

void tcmu_abi_read_request(const void* entry, struct tcmu_abi_request* out) {
    const struct tcmu_cmd_entry* e = entry;
    out->cdb_offset = e->req.cdb_off;
    out->iov_count = e->req.iov_cnt;
}

void tcmu_abi_read_iov(const void* entry, uint32_t index, uint64_t* offset, size_t* length) {
    const struct tcmu_cmd_entry* e = entry;
    struct iovec v;
    memcpy(&v, (const char*)e->req.iov + index * sizeof v, sizeof v);
    *offset = (uint64_t)(uintptr_t)v.iov_base;
    *length = v.iov_len;
}

void tcmu_abi_respond(void* entry, uint8_t status, const uint8_t* sense, size_t sense_length, int with_read_length,
                      uint32_t read_length) {
    struct tcmu_cmd_entry* e = entry;
    e->rsp.scsi_status = status;
    memset(e->rsp.sense_buffer, 0, sizeof e->rsp.sense_buffer);
    if (sense_length > sizeof e->rsp.sense_buffer) sense_length = sizeof e->rsp.sense_buffer;
    if (sense_length > 0) memcpy(e->rsp.sense_buffer, sense, sense_length);
    if (with_read_length) {
        e->hdr.uflags |= TCMU_UFLAG_READ_LEN;
        e->rsp.read_len = read_length;
    }
}
