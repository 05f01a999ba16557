// Index trees of a bank: opening a slot's index, reading nodes (entry prefixes of "Main",
// "Tree.n" files with optional masked links, blocks of "_Storage") and block-store items.
#include <cstring>

#include "bank/bank_data.h"
#include "bank/bank_format.h"

namespace bank {

int32_t Block::cadr(int i) const {
    return load_i32(bytes.data() + items[size_t(i)]);
}

ValueBytes Block::key(int i) const {
    const uint8_t* item = bytes.data() + items[size_t(i)] + 4;
    if (type == kTypeText) {
        uint32_t total = static_cast<uint32_t>(load_uint(item, length_width));
        return {item + length_width, total - length_width};
    }
    return {item, key_width};
}

int BankData::open_index(Slot& slot) {
    if (is_array(slot.kind.flags)) return 0;
    if (slot.index == IndexState::kInUse || (slot.kind.flags & kFlagBlockStore)) return 1;
    if (slot.index == IndexState::kFailed) return 0;
    if (slot.number == 1) {
        IndexNode anchor = read_node(slot, 0);
        if (anchor.state != 0 || anchor.balance != 0) {
            slot.index = IndexState::kFailed;
            return 0;
        }
        slot.index = IndexState::kInUse;
        return 1;
    }
    auto tree = std::make_unique<StorageFile>(folder + "/Tree." + std::to_string(slot.number),
                                              1000 + slot.number);
    if (!tree->ensure_open()) {
        slot.index = IndexState::kFailed;
        return 0;
    }
    tree->set_block_size(block_size);
    tree->enable_block_cache(true);
    slot.tree = std::move(tree);
    slot.index = IndexState::kInUse;
    return 1;
}

bool BankData::find_mask(StorageFile& tree) {
    mask_state = -1;
    const uint8_t* ref_bytes = tree.read(0, 4);
    if (ref_bytes == nullptr) return false;
    const uint32_t reference = load_u32(ref_bytes);
    const int64_t length = tree.length();
    for (int64_t at = 8; at + 8 <= length; at += 512) {
        int64_t piece = length - at < 512 ? (length - at) / 8 * 8 : 512;
        const uint8_t* p = tree.read(at, piece);
        if (p == nullptr) return false;
        for (int64_t i = 0; i + 8 <= piece; i += 8) {
            uint32_t a = load_u32(p + i), b = load_u32(p + i + 4);
            if (a == b && a != reference && (a ^ reference) < 1000) {
                mask_state = 1;
                mask = a == 1 ? 0 : a;
                return true;
            }
        }
    }
    return false;
}

IndexNode BankData::read_node(Slot& slot, int64_t i, int64_t* first, int64_t* second) {
    IndexNode node;
    auto unreadable = [&](int state) {
        node.state = state;
        node.left = node.right = 0;
        if (first) *first = 0;
        if (second) *second = 0;
        return node;
    };
    if (i < 0) {
        node.left = node.right = -1;
        return unreadable(1);
    }
    const uint8_t* p = nullptr;
    uint32_t xor_mask = 0;
    if (slot.kind.flags & kFlagBlockStore) {
        p = i == 0 ? read_storage(4 + 8 * int64_t(slot.store_index), 8)
                   : (block_size_valid ? read_storage(i * block_size, 8) : nullptr);
    } else if (slot.number > 1) {
        if (!slot.tree) return unreadable(1);
        if (masked && mask_state == 0) find_mask(*slot.tree);
        if (masked && mask_state == 1) xor_mask = mask;
        p = slot.tree->read(8 * i, 8);
    } else {
        if (i > cadr_count && i > refresh_count()) return unreadable(2);
        p = read(kFileMain, i == 0 ? 0 : main_head + (i - 1) * entry_width, 8);
    }
    if (p == nullptr) {
        // A short anchor reads as an empty index; the file itself is left as it is.
        return unreadable(i == 0 ? 0 : 2);
    }
    const int32_t a = static_cast<int32_t>(load_u32(p) ^ xor_mask);
    const int32_t b = static_cast<int32_t>(load_u32(p + 4) ^ xor_mask);
    if (first) *first = a;
    if (second) *second = b;
    TreeNode t = decode_node(a, b);
    node.left = t.left;
    node.right = t.right;
    node.balance = t.balance;
    node.state = t.absent ? 1 : 0;
    return node;
}

bool BankData::read_block(const Slot& slot, int64_t number, Block& out) {
    if (!block_size_valid || number < 1) return false;
    const uint8_t* p = read_storage(number * block_size, block_size);
    if (p == nullptr) return false;
    out.bytes.assign(p, p + block_size);
    const uint8_t* head = out.bytes.data();
    out.count = load_i16(head + kBlockCountOffset);
    out.key_width = load_u16(head + kBlockKeyWidthOffset);
    out.type = head[kBlockKeyTypeOffset];
    out.length_width = block_length_width(head[kBlockLengthWidthOffset]);
    if (out.count < 0 || out.type != slot.kind.type) return false;
    if (out.type != kTypeText && out.key_width != slot.kind.width) return false;
    out.items.clear();
    size_t at = kBlockHeadBytes;
    const size_t end = out.bytes.size();
    for (int i = 0; i < out.count; ++i) {
        size_t size = 4;
        if (out.type == kTypeText) {
            if (at + 4 + out.length_width > end) return false;
            uint64_t total = load_uint(head + at + 4, out.length_width);
            if (total < out.length_width || total > end - at - 4) return false;
            size += static_cast<size_t>(total);
        } else {
            size += out.key_width;
        }
        if (at + size > end) return false;
        out.items.push_back(static_cast<uint32_t>(at));
        at += size;
    }
    return true;
}

int64_t BankData::block_store_value(int64_t cadr, const Slot& slot, uint32_t position,
                                    std::vector<uint8_t>& out) {
    // The entry field names the block that holds the cadr's item.
    const uint8_t* field = entry_field(cadr, position, 4);
    if (field == nullptr) return -1;
    const int64_t number = load_u32(field);
    if (number == 0) return -1;
    Block block;
    if (!read_block(slot, number, block)) return -1;
    for (int i = 0; i < block.count; ++i) {
        if (block.cadr(i) != cadr) continue;
        ValueBytes key = block.key(i);
        out.assign(key.data, key.data + key.size);
        out.push_back(0);
        return static_cast<int64_t>(key.size);
    }
    return -1;
}

}  // namespace bank
