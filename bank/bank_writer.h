#pragma once
// Writes kind-5 bank folders: the header with its slot table, "Main" with the slot-1 index in
// the entry prefixes, "Bank.0" values, "Bank.n" slots, "Tree.n" indexes and block-store indexes
// in "_Storage". Indexes are balanced AVL trees ordered by the reader's comparison rules.
// Used by brushwright-kit and the tests; the reader does not depend on it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace bank {

struct SlotLayout {
    uint8_t type = 1;
    uint8_t flags = 0;
    uint16_t width = 0;  // groups: computed from the children
    std::string name;
    std::vector<SlotLayout> children;  // groups (type 10)
    bool indexed = true;               // top-level, non-array slots: write an index
};

// One slot value of one cadr in its stored form: fixed-width types their width bytes (padded
// or cut), variable-length types and arrays their bytes (arrays: the elements one after the
// other), block-store type-11 slots the text, groups one value per child.
struct Value {
    bool present = true;
    std::vector<uint8_t> bytes;
    std::vector<Value> children;

    static Value none() {
        Value v;
        v.present = false;
        return v;
    }
    static Value text(const std::string& s) {
        Value v;
        v.bytes.assign(s.begin(), s.end());
        return v;
    }
    static Value number(uint64_t n, unsigned width) {
        Value v;
        for (unsigned i = 0; i < width; ++i)
            v.bytes.push_back(static_cast<uint8_t>(i < 8 ? n >> (8 * i) : 0));
        return v;
    }
    static Value group(std::vector<Value> children) {
        Value v;
        v.children = std::move(children);
        return v;
    }
};

struct WriterOptions {
    bool masked_links = false;    // mark byte 15 and XOR every "Tree.n" node with `mask`
    uint32_t mask = 0x2B5C7000u;  // must not be 1
    int32_t block_size = 4096;    // "_Storage" block size
};

class BankWriter {
  public:
    explicit BankWriter(std::vector<SlotLayout> slots, WriterOptions options = {});

    // Reads a whole bank back (slot table and every cadr's stored values), to add to it.
    static std::unique_ptr<BankWriter> load(const std::string& folder, std::string& error);

    const std::vector<SlotLayout>& slots() const { return slots_; }
    WriterOptions& options() { return options_; }

    // Adds a cadr with one value per top-level slot (missing ones are none); returns its number.
    int add(std::vector<Value> values);
    int count() const { return static_cast<int>(cadrs_.size()); }

    // Writes the bank into `folder` (created when missing). False with a reason on failure.
    bool write(const std::string& folder, std::string& error) const;

  private:
    std::vector<SlotLayout> slots_;
    WriterOptions options_;
    std::vector<std::vector<Value>> cadrs_;
};

// The stored value of a slot from a text: numbers, dates and references as the lookup key
// conversion reads them, byte strings as the text itself or, with a leading "@", the bytes of
// the named file; arrays as elements separated by ",". An empty text is no value.
bool value_from_text(const SlotLayout& slot, const std::string& text, Value& out,
                     std::string& error);

}  // namespace bank
