#pragma once
// The in-memory state of an open bank, shared by the files of the bank library.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bank/bank.h"
#include "bank/key_compare.h"
#include "bank/method_library.h"
#include "bank/storage_file.h"

namespace bank {

enum class IndexState { kNotOpened, kInUse, kFailed };

// A slot descriptor with its companion record.
struct Slot {
    int number = 0;  // within its table, from 1
    SlotKind kind;
    int32_t child_count = 0;
    int32_t first_child = 0;
    std::string name;
    uint32_t inline_position = 0;  // within the entry after the prefix, or within its group
    uint32_t inline_width = 0;
    uint32_t image_position = 0;  // in the record image
    int own_file = -1;            // index into BankData::files for a slot kept in Bank.n
    int store_index = -1;         // k among the top-level block-store slots
    IndexState index = IndexState::kNotOpened;
    std::unique_ptr<StorageFile> tree;  // "Tree.n"
    std::vector<Slot> children;
};

// A node as read from an index: links, balance and state (0 present, 1 absent or unreadable,
// 2 cadr number beyond the count).
struct IndexNode {
    int64_t left = 0;
    int64_t right = 0;
    int balance = 0;
    int state = 0;
};

// A block of a block-store index, copied out of "_Storage" with its items located.
struct Block {
    std::vector<uint8_t> bytes;
    int count = 0;
    uint16_t key_width = 0;
    uint8_t type = 0;
    uint32_t length_width = 4;
    std::vector<uint32_t> items;  // offset of each item in `bytes`

    int32_t cadr(int i) const;
    ValueBytes key(int i) const;  // type 11: the bare text
};

inline constexpr int kFileMain = 0;
inline constexpr int kFileValues = 1;   // Bank.0
inline constexpr int kFileStorage = 2;  // _Storage

struct BankData {
    Bank* owner = nullptr;
    std::string folder;
    std::vector<uint8_t> header;
    int kind = 5;
    bool masked = false;
    std::vector<Slot> slots;
    uint32_t prefix = 8;
    int64_t entry_width = 0;
    int64_t cadr_count = 0;
    int64_t largest_value = INT32_MAX - 1;  // longer stored values are not read
    std::vector<std::unique_ptr<StorageFile>> files;
    std::vector<int> block_store_slots;
    int64_t main_head = 32;
    uint32_t record_image_length = 0;
    int32_t block_size = 4096;
    bool block_size_valid = true;
    bool storage_opened = false;

    // Masked tree links: 0 not yet looked for, 1 found (mask), -1 none.
    int mask_state = 0;
    uint32_t mask = 0;

    // Method library.
    int methods_state = 0;  // 0 not tried, 1 loaded, -1 failed
    void* methods_handle = nullptr;
    bank::MethodEntries methods;  // of this bank's own library
    int32_t current_cadr = -1;
    std::string exchange_name;
    std::vector<uint8_t> exchange;
    BankMethodHost host{};

    StorageFile& file(int i) { return *files[static_cast<size_t>(i)]; }

    // Data-file access; null when the range cannot be read.
    const uint8_t* read(int file_index, int64_t offset, int64_t length);
    const uint8_t* read_storage(int64_t offset, int64_t length);
    void mark_windows_empty();
    int64_t refresh_count();

    // Index access.
    int open_index(Slot& slot);  // 1 usable, <= 0 no index
    // Node i of a slot's index; `first` and `second` get the two stored numbers (unmasked).
    IndexNode read_node(Slot& slot, int64_t i, int64_t* first = nullptr, int64_t* second = nullptr);
    // Reads and checks block `number` of a block-store slot; false when it is damaged.
    bool read_block(const Slot& slot, int64_t number, Block& out);
    bool find_mask(StorageFile& tree);

    // Value access: the stored bytes of a slot's value in cadr `cadr` (no text forms), the
    // slot's entry field lying `position` bytes into the cadr's entry area. Returns the
    // value's length, -1 when missing or unreadable; `out` gets the bytes and a NUL.
    int64_t stored_value(int64_t cadr, const Slot& slot, std::vector<uint8_t>& out);
    int64_t stored_value_at(int64_t cadr, const Slot& slot, uint32_t position,
                            std::vector<uint8_t>& out);
    // The same without copying: `bytes` points into a file window (valid until the next read)
    // or into `scratch`.
    int64_t value_view(int64_t cadr, const Slot& slot, uint32_t position, const uint8_t*& bytes,
                       std::vector<uint8_t>& scratch);
    // `width` bytes of a cadr's entry, `position` bytes after its prefix; null when outside.
    const uint8_t* entry_field(int64_t cadr, uint32_t position, uint32_t width);
    // The content of the Bank.0 record at reference `ref`: its start and byte count.
    bool values_record(uint64_t ref, const Slot& slot, int64_t& start, int64_t& count);
    // The key stored for a cadr in a block-store slot (type 11: the bare text).
    int64_t block_store_value(int64_t cadr, const Slot& slot, uint32_t position,
                              std::vector<uint8_t>& out);
    // "{" children ";" ... "}".
    bool group_text(int64_t cadr, const Slot& group, uint32_t position, std::string& out);

    // Virtual slots.
    int read_virtual(int cadr, const SlotPath& path, char** buffer);
};

// The value text of one stored value of a slot, as read_slot gives it: byte strings their bytes
// (stopping at a NUL for texts inside groups and arrays), other types their text form.
// Unloads the method library's handle of this bank and removes its exchange name.
void release_methods(BankData& bank);

bool slot_text(const BankData& bank, const SlotKind& kind, const uint8_t* bytes, size_t size,
               std::string& out);

}  // namespace bank
