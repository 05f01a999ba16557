// Lookups in a slot's index: the walk over an AVL tree of cadrs (entry prefixes of "Main" or a
// "Tree.n" file) or of blocks of "_Storage", with the slot's comparison rule.
#include <cstring>

#include "bank/bank.h"
#include "bank/bank_data.h"
#include "bank/bank_format.h"

using bank::Block;
using bank::IndexNode;
using bank::Slot;
using bank::ValueBytes;

namespace {

constexpr int kDamaged = -2;
// No AVL tree that numbers its nodes with 32-bit links is taller than this.
constexpr int64_t kMaxHeight = 96;

}  // namespace

BankReader::BankReader(Bank& bank, int direction)
    : bank_(bank), direction_(direction < 0 ? -1 : 1) {}

BankReader::~BankReader() = default;

int BankReader::find(int slot, const char* key, int mode) {
    bank::BankData& d = bank_.data();
    result_ = -1;
    if (d.folder.empty()) return result_;
    path_ = bank::SlotPath::of(slot);
    if (slot < 1 || slot > static_cast<int>(d.slots.size())) return result_ = 0;
    Slot& s = d.slots[static_cast<size_t>(slot - 1)];
    if (d.open_index(s) <= 0) return result_ = 0;
    key_text_ = key != nullptr ? key : "";
    mode_ = mode;
    block_store_ = (s.kind.flags & bank::kFlagBlockStore) != 0;
    return result_ = block_store_ ? find_in_block_store(slot, key_text_, mode)
                                  : find_in_tree(slot, key_text_, mode);
}

namespace {

// The comparison length and stored form of a key for slot `s`; false when not convertible.
bool prepare_key(const Slot& s, const std::string& key, int mode, std::vector<uint8_t>& form,
                 size_t& n) {
    n = 0;
    if (mode == 1)
        n = key.size();
    else if (s.kind.type == 5 && key.find(':') == std::string::npos)
        n = s.kind.width;
    if (s.kind.type == bank::kTypeText) {
        form.assign(key.begin(), key.end());
        form.push_back(0);
        return true;
    }
    return bank::convert_key(s.kind, key.c_str(), form);
}

}  // namespace

int BankReader::find_in_tree(int slot, const std::string& key, int mode) {
    bank::BankData& d = bank_.data();
    Slot& s = d.slots[static_cast<size_t>(slot - 1)];
    int64_t height = 0, root = 0;
    d.read_node(s, 0, &height, &root);
    if (root == 0) return -1;
    if (mode == -1) return -1;
    if (height < 0 || root < 0 || height > kMaxHeight) return kDamaged;

    std::vector<uint8_t> form;
    size_t n = 0;
    if (!prepare_key(s, key, mode, form, n)) return -1;
    const ValueBytes k{form.data(), form.size() - 1};
    std::vector<uint8_t> value;
    auto compare = [&](int64_t cadr) {
        const uint8_t* bytes = nullptr;
        int64_t size = d.value_view(cadr, s, s.inline_position, bytes, value);
        ValueBytes v = size < 0 ? ValueBytes{} : ValueBytes{bytes, size_t(size)};
        return bank::compare_values(s.kind, k, v, n) * direction_;
    };

    stack_.clear();
    stack_.reserve(static_cast<size_t>(height + 3));
    int result = -1;
    int64_t h = root;
    int64_t visited = 0;
    for (;;) {
        // A walk longer than the stored height allows is a cycle or a damaged tree.
        if (h < 0 || ++visited > height + 2) return kDamaged;
        int c = compare(h);
        IndexNode node = d.read_node(s, h);
        if (node.state != 0) return kDamaged;
        int64_t next;
        if (c > 0) {
            if (mode == 2 && !stack_.empty()) h = stack_.back().cadr;
            if (static_cast<int64_t>(stack_.size()) > height + 1) return kDamaged;
            next = direction_ > 0 ? node.right : node.left;
            if (next == 0) break;
        } else {
            if (c == 0) result = static_cast<int>(h);
            if (static_cast<int64_t>(stack_.size()) > height + 1) return kDamaged;
            stack_.push_back({static_cast<int32_t>(h), static_cast<int32_t>(node.left),
                              static_cast<int32_t>(node.right), node.state});
            next = direction_ > 0 ? node.left : node.right;
            if (next == 0) break;
        }
        h = next;
    }
    if (mode == 2 && result < 0) {
        if (compare(h) < 0) {
            result = static_cast<int>(h);
            if (stack_.size() > 1) {
                const StackEntry& parent = stack_[stack_.size() - 2];
                int32_t child = direction_ > 0 ? parent.right : parent.left;
                if (child == h && compare(parent.cadr) < 0) result = parent.cadr;
            }
        }
    }
    return result;
}

int BankReader::find_in_block_store(int slot, const std::string& key, int mode) {
    bank::BankData& d = bank_.data();
    Slot& s = d.slots[static_cast<size_t>(slot - 1)];
    int64_t height = 0, root = 0;
    d.read_node(s, 0, &height, &root);
    if (root == 0) return -1;
    if (height < 0 || root < 0 || height > kMaxHeight || !d.block_size_valid) return kDamaged;

    Block block;
    int64_t h = root;
    int64_t visited = 0;
    if (mode == -1) {
        // The end item of the index: the first item in walk order.
        for (;;) {
            if (++visited > height + 2) return kDamaged;
            IndexNode node = d.read_node(s, h);
            if (node.state != 0) return kDamaged;
            int64_t next = direction_ > 0 ? node.left : node.right;
            if (next == 0) break;
            h = next;
        }
        if (!d.read_block(s, h, block) || block.count == 0) return kDamaged;
        last_block_ = static_cast<int>(h);
        last_position_ = direction_ > 0 ? 0 : block.count - 1;
        return block.cadr(last_position_);
    }

    std::vector<uint8_t> form;
    size_t n = 0;
    if (!prepare_key(s, key, mode, form, n)) return -1;
    const ValueBytes k{form.data(), form.size() - 1};
    auto compare = [&](int i) { return bank::compare_values(s.kind, k, block.key(i), n); };

    int result = -1;
    int nearest = -1;
    for (;;) {
        if (h < 1 || ++visited > height + 2) return kDamaged;
        IndexNode node = d.read_node(s, h);
        if (node.state != 0) return kDamaged;
        if (!d.read_block(s, h, block) || block.count == 0) return kDamaged;
        int c;  // in key order: -1 the key lies before this block, +1 after it
        if (compare(0) < 0) {
            c = -1;
            if (direction_ > 0) nearest = block.cadr(0);
        } else if (compare(block.count - 1) > 0) {
            c = 1;
            if (direction_ < 0) nearest = block.cadr(block.count - 1);
        } else {
            int lo = 0, hi = block.count - 1, hit = -1;
            while (hi >= lo) {
                int mid = (lo + hi) / 2;
                int m = compare(mid);
                if (m == 0) {
                    hit = mid;
                    while (hit > 0 && compare(hit - 1) == 0) --hit;
                    break;
                }
                if (m < 0)
                    hi = mid - 1;
                else
                    lo = mid + 1;
            }
            if (hit < 0) {
                // The key falls between two items of this block: it is in no other block.
                if (mode == 2) {
                    if (direction_ > 0 && lo < block.count) nearest = block.cadr(lo);
                    if (direction_ < 0 && lo > 0) nearest = block.cadr(lo - 1);
                    return nearest > 0 ? nearest : -1;
                }
                return result;
            }
            last_block_ = static_cast<int>(h);
            last_position_ = hit;
            // The smallest cadr number among the hits wins; equal keys may go on to the left.
            for (int i = hit; i < block.count && compare(i) == 0; ++i)
                if (result < 0 || block.cadr(i) < result) result = block.cadr(i);
            c = -1;
        }
        int64_t next = c < 0 ? node.left : node.right;
        if (next == 0) break;
        h = next;
    }
    if (mode == 2 && result < 0 && nearest > 0) return nearest;
    return result;
}
