#include "bank/bank.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "bank/bank_data.h"
#include "bank/bank_format.h"
#include "bank/value_text.h"

namespace bank {
namespace {

constexpr int64_t kMaxHeaderBytes = int64_t(64) << 20;
constexpr int kMaxGroupDepth = SlotPath::kPairs;
constexpr int64_t kMaxDescriptorVisits = 1 << 16;
constexpr int64_t kMaxEntryWidth = int64_t(1) << 30;

std::string cut_at_newline(const std::string& s) {
    return s.substr(0, s.find('\n'));
}

std::string last_component(const std::string& s) {
    size_t slash = s.rfind('/');
    return slash == std::string::npos ? s : s.substr(slash + 1);
}

// Reads the first four bytes of a file as a magic number; false when that is not possible.
bool read_magic(const std::string& path, uint32_t& magic) {
    if (!path_is_readable(path)) return false;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    uint8_t b[4];
    bool ok = std::fread(b, 1, 4, f) == 4;
    std::fclose(f);
    if (ok) magic = load_u32(b);
    return ok;
}

struct HeaderParser {
    const std::vector<uint8_t>& header;
    int64_t visits = 0;

    // Parses `count` descriptors from table index `first`; false when the header is damaged.
    bool parse_table(int64_t first, int64_t count, int depth, std::vector<Slot>& out) {
        if (first < 0 || count < 0 || depth > kMaxGroupDepth) return false;
        const int64_t size = static_cast<int64_t>(header.size());
        if (int64_t(kHeaderDescriptorsOffset) + (first + count) * int64_t(kDescriptorBytes) > size)
            return false;
        out.resize(static_cast<size_t>(count));
        uint32_t position = 0;
        for (int64_t i = 0; i < count; ++i) {
            if (++visits > kMaxDescriptorVisits) return false;
            const uint8_t* d = header.data() + kHeaderDescriptorsOffset +
                               static_cast<size_t>(first + i) * kDescriptorBytes;
            Slot& s = out[static_cast<size_t>(i)];
            s.number = static_cast<int>(i + 1);
            s.kind.type = d[0];
            s.kind.flags = d[1];
            s.kind.width = load_u16(d + 2);
            s.child_count = load_i32(d + 4);
            s.first_child = load_i32(d + 8);
            uint32_t name_offset = load_u32(d + 12);
            if (name_offset < header.size()) {
                const char* name = reinterpret_cast<const char*>(header.data() + name_offset);
                s.name.assign(name, strnlen(name, header.size() - name_offset));
            }
            s.inline_width = inline_width(s.kind.flags, s.kind.width);
            s.inline_position = position;
            position += s.inline_width;
            if (s.kind.type == kTypeGroup && !is_array(s.kind.flags)) {
                if (!parse_table(s.first_child, s.child_count, depth + 1, s.children)) return false;
            }
        }
        return true;
    }
};

// Sums the record-image length of a table and gives each slot its image position.
void place_in_image(std::vector<Slot>& table, uint32_t& length) {
    constexpr uint32_t kImageLimit = 1u << 24;
    for (Slot& s : table) {
        s.image_position = length;
        uint32_t add = 0;
        if (s.kind.type == kTypeGroup && !s.children.empty())
            place_in_image(s.children, length);
        else if (s.kind.flags & kFlagBlockStore)
            add = s.kind.type == kTypeText ? 256 : s.kind.width;
        else
            add = s.inline_width;
        length = length + add > kImageLimit ? kImageLimit : length + add;
    }
}

void add_own_files(BankData& d, std::vector<Slot>& table) {
    for (Slot& s : table) {
        if (s.kind.flags & kFlagOwnFile) {
            s.own_file = static_cast<int>(d.files.size());
            d.files.push_back(std::make_unique<StorageFile>(
                join_path(d.folder, "Bank." + std::to_string(s.number)), s.number));
        }
        add_own_files(d, s.children);
    }
}

void append_trimmed_number(double v, std::string& out) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%f", v);
    std::string s = buf;
    if (s.find('.') != std::string::npos)
        while (!s.empty() && s.back() == '0') s.pop_back();
    out += s;
}

char* empty_string() {
    char* p = static_cast<char*>(std::malloc(1));
    if (p) p[0] = '\0';
    return p;
}

int give(char** buffer, const void* bytes, size_t size, int result) {
    char* p = static_cast<char*>(std::malloc(size + 1));
    if (p == nullptr) {
        *buffer = empty_string();
        return -1;
    }
    if (size) std::memcpy(p, bytes, size);
    p[size] = '\0';
    *buffer = p;
    return result;
}

const char* open_failure_text(OpenFailure reason) {
    switch (reason) {
        case OpenFailure::NotABank:
            return "not a bank";
        case OpenFailure::HeaderUnreadable:
            return "header file unreadable";
        case OpenFailure::UnknownMagic:
            return "bank kind not accepted";
    }
    return "cannot open";
}

}  // namespace

OpenError::OpenError(OpenFailure reason)
    : std::runtime_error(open_failure_text(reason)), reason_(reason) {}

std::string join_path(const std::string& a, const std::string& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    if (a == b) return a + "/" + last_component(a);
    if (b[0] == '/') return b;
    std::string result = cut_at_newline(a);
    if (result.empty() || result.back() != '/') result += '/';
    return result + cut_at_newline(b);
}

// ---- BankData -------------------------------------------------------------------------------

const uint8_t* BankData::read(int file_index, int64_t offset, int64_t length) {
    if (file_index == kFileStorage) return read_storage(offset, length);
    return file(file_index).read(offset, length);
}

const uint8_t* BankData::read_storage(int64_t offset, int64_t length) {
    StorageFile& f = file(kFileStorage);
    if (!storage_opened) {
        if (!f.ensure_open()) return nullptr;
        storage_opened = true;
        const uint8_t* p = f.read(0, 4);
        int32_t size = p ? load_i32(p) : 0;
        block_size_valid = size >= kMinBlockSize && size <= kMaxBlockSize;
        if (block_size_valid) {
            block_size = size;
            for (auto& file_ptr : files) file_ptr->set_block_size(block_size);
        }
    }
    return f.read(offset, length);
}

void BankData::mark_windows_empty() {
    for (auto& f : files) f->mark_empty();
    auto mark_trees = [](auto& self, std::vector<Slot>& table) -> void {
        for (Slot& s : table) {
            if (s.tree) s.tree->mark_empty();
            self(self, s.children);
        }
    };
    mark_trees(mark_trees, slots);
}

int64_t BankData::refresh_count() {
    StorageFile& main = file(kFileMain);
    int64_t size = main.ensure_open() ? main.refresh_length() : 0;
    cadr_count = size >= main_head ? (size - main_head) / entry_width : 0;
    if (cadr_count > INT32_MAX) cadr_count = INT32_MAX;
    mark_windows_empty();
    return cadr_count;
}

const uint8_t* BankData::entry_field(int64_t cadr, uint32_t position, uint32_t width) {
    if (cadr < 1) return nullptr;
    if (cadr > cadr_count && cadr > refresh_count()) return nullptr;
    if (int64_t(position) + width > entry_width - prefix) return nullptr;
    return read(kFileMain, main_head + (cadr - 1) * entry_width + prefix + position, width);
}

bool BankData::values_record(uint64_t ref, const Slot& slot, int64_t& start, int64_t& count) {
    if (ref == 0) return false;
    const uint32_t w = record_length_width(slot.kind.flags);
    const int64_t at = static_cast<int64_t>(ref) - 1;
    const uint8_t* p = read(kFileValues, at, 2 * int64_t(w));
    if (p == nullptr) return false;
    uint64_t f1 = load_uint(p, w), f2 = load_uint(p + w, w);
    if (f2 < w) return false;
    if (is_array(slot.kind.flags) && f1 < f2) return false;
    start = at + 2 * int64_t(w);
    count = static_cast<int64_t>(f2 - w);
    if (count > largest_value) return false;
    // The value must lie inside the file: checked before anything is allocated for it.
    StorageFile& values = file(kFileValues);
    if (count > values.length() - start && count > values.refresh_length() - start) return false;
    return true;
}

int64_t BankData::stored_value(int64_t cadr, const Slot& slot, std::vector<uint8_t>& out) {
    return stored_value_at(cadr, slot, slot.inline_position, out);
}

int64_t BankData::stored_value_at(int64_t cadr, const Slot& slot, uint32_t position,
                                  std::vector<uint8_t>& out) {
    out.clear();
    const uint8_t* bytes = nullptr;
    const int64_t count = value_view(cadr, slot, position, bytes, out);
    if (count < 0) return -1;
    if (bytes != out.data()) {
        out.assign(bytes, bytes + count);
        out.push_back(0);
    }
    return count;
}

int64_t BankData::value_view(int64_t cadr, const Slot& slot, uint32_t position,
                             const uint8_t*& bytes, std::vector<uint8_t>& scratch) {
    const SlotKind& k = slot.kind;
    static const uint8_t kNothing[1] = {0};
    bytes = kNothing;
    int64_t count = 0;
    if (cadr < 1 || (cadr > cadr_count && cadr > refresh_count())) return -1;
    if (k.flags & kFlagOwnFile) {
        if (slot.own_file < 0) return -1;
        count = k.width;
        bytes = read(slot.own_file, (cadr - 1) * int64_t(k.width), count);
    } else if (is_variable_length(k.type, k.flags)) {
        uint32_t ref_width = slot.inline_width < 4 ? slot.inline_width : 4;
        if (ref_width == 0) return -1;
        const uint8_t* field = entry_field(cadr, position, ref_width);
        if (field == nullptr) return -1;
        int64_t start = 0;
        if (!values_record(load_uint(field, ref_width), slot, start, count)) return -1;
        if (count > 0) bytes = read(kFileValues, start, count);
    } else if (k.flags & kFlagBlockStore) {
        count = block_store_value(cadr, slot, position, scratch);
        bytes = scratch.data();
    } else {
        count = k.width;
        bytes = entry_field(cadr, position, k.width);
    }
    if (bytes == nullptr || count < 0) return -1;
    return count;
}

// ---- Text forms ---------------------------------------------------------------------------

bool slot_text(const BankData& bank, const SlotKind& kind, const uint8_t* bytes, size_t size,
               std::string& out) {
    if (kind.type == 0 || kind.type == 1 || (kind.type >= 11 && kind.type <= 20) ||
        kind.type == kTypeGroup) {
        out.assign(reinterpret_cast<const char*>(bytes),
                   strnlen(reinterpret_cast<const char*>(bytes), size));
        return true;
    }
    // Number forms read only the `size` bytes given; the rest of the width reads as zero.
    return value_text(kind.type, kind.flags, kind.width, bytes, size, bank.kind == 4, out);
}

}  // namespace bank

using bank::BankData;
using bank::Slot;

// ---- Bank -------------------------------------------------------------------------------------

Bank::Bank() : data_(std::make_unique<BankData>()) {}
Bank::~Bank() {
    bank::release_methods(*data_);
}

int Bank::probe_kind(const std::string& folder, const std::string& name) {
    if (name.empty()) return 0;
    std::string path;
    if (folder.empty() || folder == ".") {
        path = bank::join_path(name, name);
    } else {
        size_t slash = name.rfind('/');
        path = folder + "/" + name + "/" + (slash == std::string::npos ? name : name.substr(slash));
    }
    uint32_t magic = 0;
    if (!bank::read_magic(path, magic)) return 0;
    return bank::kind_of_magic(magic);
}

std::unique_ptr<Bank> Bank::open(const std::string& folder) {
    using namespace bank;
    const std::string header_path = join_path(folder, folder);
    uint32_t probed = 0;
    if (folder.empty() || !read_magic(header_path, probed) || kind_of_magic(probed) == 0)
        throw OpenError(OpenFailure::NotABank);

    std::unique_ptr<Bank> b(new Bank());
    BankData& d = *b->data_;
    d.owner = b.get();

    if (!path_is_readable(header_path)) throw OpenError(OpenFailure::HeaderUnreadable);
    FILE* f = std::fopen(header_path.c_str(), "rb");
    if (f == nullptr) throw OpenError(OpenFailure::HeaderUnreadable);
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    if (size < 0 || size > kMaxHeaderBytes) {
        std::fclose(f);
        throw OpenError(OpenFailure::HeaderUnreadable);
    }
    d.header.resize(static_cast<size_t>(size));
    size_t got = size > 0 ? std::fread(d.header.data(), 1, d.header.size(), f) : 0;
    std::fclose(f);
    if (got != d.header.size() || d.header.size() < 4)
        throw OpenError(OpenFailure::HeaderUnreadable);
    d.block_size = kDefaultBlockSize;

    // Only the current layout is read; the older kinds are refused.
    if (load_u32(d.header.data()) != kMagicKind5) throw OpenError(OpenFailure::UnknownMagic);
    d.kind = 5;
    if (d.header.size() < kHeaderDescriptorsOffset) throw OpenError(OpenFailure::HeaderUnreadable);
    d.folder = folder;
    d.masked = d.header[kHeaderMaskedOffset] == kMaskedLinksMark;

    const int32_t n = load_i32(d.header.data() + kHeaderSlotCountOffset);
    HeaderParser parser{d.header};
    if (n < 0 || !parser.parse_table(0, n, 0, d.slots))
        throw OpenError(OpenFailure::HeaderUnreadable);
    d.prefix = (!d.slots.empty() && (d.slots[0].kind.flags & kFlagBlockStore)) ? kPrefixBlockStore
                                                                               : kPrefixTree;

    d.files.push_back(std::make_unique<StorageFile>(join_path(folder, "Main"), -1));
    d.files.push_back(std::make_unique<StorageFile>(join_path(folder, "Bank.0"), 0));
    d.files.push_back(std::make_unique<StorageFile>(join_path(folder, "_Storage"), -2));
    d.file(kFileMain).ensure_open();
    add_own_files(d, d.slots);
    for (auto& file : d.files) file->enable_block_cache(true);

    int64_t width = d.prefix;
    for (const Slot& s : d.slots) width += s.inline_width;
    if (width > kMaxEntryWidth) throw OpenError(OpenFailure::HeaderUnreadable);
    d.entry_width = width;
    place_in_image(d.slots, d.record_image_length);
    d.main_head = kMainHeadBytes;

    for (size_t i = 0; i < d.slots.size(); ++i) {
        if (d.slots[i].kind.flags & kFlagBlockStore) {
            d.slots[i].store_index = static_cast<int>(d.block_store_slots.size());
            d.block_store_slots.push_back(static_cast<int>(i + 1));
        }
    }
    d.refresh_count();
    return b;
}

int Bank::record_count() {
    return static_cast<int>(data_->refresh_count());
}

void Bank::set_largest_value(int64_t bytes) {
    data_->largest_value = bytes;
}

const std::string& Bank::folder() const {
    return data_->folder;
}
int Bank::slot_count() const {
    return static_cast<int>(data_->slots.size());
}

int Bank::read_slot(int cadr, int slot, char** buffer) {
    return read_slot(cadr, bank::SlotPath::of(slot), buffer);
}

int Bank::read_slot(int cadr, const bank::SlotPath& path, char** buffer) {
    using namespace bank;
    if (buffer == nullptr) return -1;
    std::free(*buffer);
    *buffer = nullptr;
    BankData& d = *data_;

    const int top = path.pairs[0].slot;
    if (top > static_cast<int>(d.slots.size())) {
        int n = d.read_virtual(cadr, path, buffer);
        return n > 0 ? n : give(buffer, "", 0, -1);
    }
    if (top < 1) return give(buffer, "", 0, -1);

    // Resolve the path through groups and references to other cadrs.
    const Slot* slot = &d.slots[static_cast<size_t>(top - 1)];
    uint32_t position = slot->inline_position;
    int index = path.pairs[0].index;
    bool negative = index < 0;
    std::vector<uint8_t> bytes;
    for (int i = 1; i < SlotPath::kPairs && path.pairs[i].slot != 0; ++i) {
        const SlotPair& pair = path.pairs[i];
        if (pair.slot < 0 || pair.index < 0) negative = true;
        if (slot->kind.type == 4 && !is_array(slot->kind.flags)) {
            // A reference: the next pair names a top-level slot of the referenced cadr.
            const int64_t stored = d.stored_value_at(cadr, *slot, position, bytes);
            if (stored <= 0 || pair.slot < 1 || pair.slot > static_cast<int>(d.slots.size()))
                return give(buffer, "", 0, -1);
            // The number is read from the bytes stored, never past them.
            const int64_t target =
                load_int(bytes.data(), std::min<size_t>(size_t(stored), slot->kind.width));
            if (target < 1 || target > INT32_MAX) return give(buffer, "", 0, -1);
            cadr = static_cast<int>(target);
            slot = &d.slots[static_cast<size_t>(pair.slot - 1)];
            position = slot->inline_position;
            index = pair.index;
            continue;
        }
        if (slot->kind.type != kTypeGroup || slot->children.empty() || pair.slot < 1 ||
            pair.slot > static_cast<int>(slot->children.size()))
            return give(buffer, "", 0, -1);
        const Slot* child = &slot->children[static_cast<size_t>(pair.slot - 1)];
        if (child->inline_position + child->inline_width > slot->kind.width)
            return give(buffer, "", 0, -1);
        position += child->inline_position;
        slot = child;
        index = pair.index;
    }

    const SlotKind& k = slot->kind;
    const bool array = is_array(k.flags);
    if (negative) {
        // A computed number: the element count of an array; nothing else is computed here.
        if (!array || index >= 0) return give(buffer, "", 0, -1);
        int64_t count = d.stored_value_at(cadr, *slot, position, bytes);
        if (count < 0) return give(buffer, "", 0, -1);
        std::string text;
        append_trimmed_number(k.width ? double(count / k.width) : 0.0, text);
        return give(buffer, text.data(), text.size(), static_cast<int>(text.size()));
    }

    int64_t count = d.stored_value_at(cadr, *slot, position, bytes);
    if (count <= 0) return give(buffer, "", 0, count < 0 ? -1 : 0);
    if (count > INT32_MAX - 1) return give(buffer, "", 0, -1);

    if (array) {
        const int64_t elements = k.width ? count / k.width : 0;
        if (index > 0) {
            if (index > elements) return give(buffer, "", 0, -1);
            const uint8_t* e = bytes.data() + int64_t(index - 1) * k.width;
            if (k.type == 1 || (k.type >= 11 && k.type <= 16) || k.type == 0)
                return give(buffer, e, k.width, k.width);
            std::string text;
            if (!slot_text(d, k, e, k.width, text)) return give(buffer, "", 0, -1);
            return give(buffer, text.data(), text.size(), static_cast<int>(text.size()));
        }
        std::string text;
        for (int64_t e = 0; e < elements; ++e) {
            std::string one;
            if (!slot_text(d, k, bytes.data() + e * k.width, k.width, one))
                return give(buffer, "", 0, -1);
            text += "[" + one + "]";
        }
        return give(buffer, text.data(), text.size(), static_cast<int>(text.size()));
    }
    if ((k.type == kTypeText && (k.flags & kFlagBlockStore)) || k.type == 0)
        return give(buffer, bytes.data(), size_t(count), static_cast<int>(count));
    if (k.type == kTypeGroup && !slot->children.empty()) {
        std::string text;
        if (!d.group_text(cadr, *slot, position, text)) return give(buffer, "", 0, -1);
        return give(buffer, text.data(), text.size(), static_cast<int>(text.size()));
    }
    if (k.type == 1 || (k.type >= 10 && k.type <= 16))
        return give(buffer, bytes.data(), size_t(count), static_cast<int>(count));
    std::string text;
    if (!slot_text(d, k, bytes.data(), size_t(count), text)) return give(buffer, "", 0, -1);
    return give(buffer, text.data(), text.size(), static_cast<int>(text.size()));
}

namespace bank {

bool BankData::group_text(int64_t cadr, const Slot& group, uint32_t position, std::string& out) {
    out.assign(1, '{');
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < group.children.size(); ++i) {
        const Slot& child = group.children[i];
        if (i) out += ";";
        if (child.inline_position + child.inline_width > group.kind.width) return false;
        uint32_t at = position + child.inline_position;
        std::string one;
        if (child.kind.type == kTypeGroup && !child.children.empty()) {
            if (!group_text(cadr, child, at, one)) return false;
        } else {
            int64_t count = stored_value_at(cadr, child, at, bytes);
            if (count > 0) {
                if (is_array(child.kind.flags)) {
                    for (int64_t e = 0; child.kind.width && e < count / child.kind.width; ++e) {
                        std::string el;
                        if (!slot_text(*this, child.kind, bytes.data() + e * child.kind.width,
                                       child.kind.width, el))
                            return false;
                        one += "[" + el + "]";
                    }
                } else if (!slot_text(*this, child.kind, bytes.data(), size_t(count), one)) {
                    return false;
                }
            }
        }
        out += one;
    }
    out += "}";
    return true;
}

}  // namespace bank
