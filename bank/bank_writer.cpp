#include "bank/bank_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "bank/bank.h"
#include "bank/bank_data.h"
#include "bank/bank_format.h"
#include "bank/key_compare.h"

namespace bank {
namespace {

using Bytes = std::vector<uint8_t>;

bool is_byte_string(uint8_t type) {
    return type == 0 || type == 1 || (type >= 11 && type <= 16);
}

uint32_t spec_inline_width(const SlotLayout& s) {
    return inline_width(s.flags, s.width);
}

// Checks a table of slot slot_layouts and computes group widths; false with a reason.
bool check_table(std::vector<SlotLayout>& table, bool top, std::string& error) {
    for (SlotLayout& s : table) {
        const std::string what = "slot \"" + s.name + "\"";
        if (s.type < 1 || s.type > 16) return error = what + ": type must be 1 to 16", false;
        if (s.type == kTypeGroup && !is_array(s.flags)) {
            if (s.children.empty()) return error = what + ": a group needs children", false;
            if (s.flags & (kFlagOwnFile | kFlagBlockStore))
                return error = what + ": a group cannot be kept apart", false;
            if (!check_table(s.children, false, error)) return false;
            uint32_t sum = 0;
            for (const SlotLayout& c : s.children) sum += spec_inline_width(c);
            if (sum > 0xFFFF) return error = what + ": group too wide", false;
            s.width = static_cast<uint16_t>(sum);
            continue;
        }
        if (!top && (s.flags & (kFlagOwnFile | kFlagBlockStore)))
            return error = what + ": only top-level slots can be kept apart", false;
        if ((s.flags & kFlagOwnFile) && (s.flags & kFlagBlockStore))
            return error = what + ": flags 0x10 and 0x80 exclude each other", false;
        if (s.flags & kFlagBlockStore) {
            if (is_array(s.flags) || !(s.type <= 9 || s.type == kTypeText))
                return error = what + ": the block store keeps fixed-width types and type 11",
                       false;
            if (s.type != kTypeText && s.width == 0)
                return error = what + ": a width is needed", false;
            continue;
        }
        if (is_variable_length(s.type, s.flags)) {
            if (is_array(s.flags)) {
                if (s.width == 0) return error = what + ": arrays need an element width", false;
            } else {
                if (s.width == 0) s.width = 4;
                if (s.width > 4) return error = what + ": reference width above 4", false;
            }
            if (s.flags & kFlagOwnFile)
                return error = what + ": variable-length slots live in Bank.0", false;
            continue;
        }
        if (s.width == 0) return error = what + ": a width is needed", false;
        if (s.type == 5 && (s.flags & kFlagSmall) > s.width)
            return error = what + ": first part wider than the slot", false;
    }
    return true;
}

// Normalizes a value to its slot's stored form.
void normalize(const SlotLayout& s, Value& v) {
    if (!v.present) return;
    if (s.type == kTypeGroup && !is_array(s.flags)) {
        v.children.resize(s.children.size(), Value::none());
        for (size_t i = 0; i < s.children.size(); ++i) normalize(s.children[i], v.children[i]);
        return;
    }
    if (is_array(s.flags)) {
        v.bytes.resize(v.bytes.size() / s.width * s.width);
    } else if (!is_variable_length(s.type, s.flags) &&
               !(s.type == kTypeText && (s.flags & kFlagBlockStore))) {
        v.bytes.resize(s.width, 0);
    }
}

// A balanced AVL tree over nodes given in key order.
struct Avl {
    std::vector<int32_t> left, right;
    std::vector<int8_t> balance;
    int32_t root = 0;
    int32_t height = 0;

    explicit Avl(size_t ids) : left(ids, 0), right(ids, 0), balance(ids, 0) {}

    int32_t build(const std::vector<int32_t>& order, int64_t lo, int64_t hi, int32_t& h) {
        if (lo > hi) {
            h = 0;
            return 0;
        }
        int64_t mid = (lo + hi) / 2;
        int32_t id = order[size_t(mid)];
        int32_t hl = 0, hr = 0;
        left[size_t(id)] = build(order, lo, mid - 1, hl);
        right[size_t(id)] = build(order, mid + 1, hi, hr);
        balance[size_t(id)] = static_cast<int8_t>(hr - hl);
        h = std::max(hl, hr) + 1;
        return id;
    }
    void build(const std::vector<int32_t>& order) {
        root = build(order, 0, int64_t(order.size()) - 1, height);
    }
    void encode(int32_t id, uint8_t* p) const {
        encode_node(p, left[size_t(id)], right[size_t(id)], balance[size_t(id)]);
    }
};

struct Files {
    Bytes header, main, values, storage;
    std::vector<std::pair<std::string, Bytes>> others;  // Bank.n, Tree.n
};

bool put_record(Bytes& values, const SlotLayout& s, const Bytes& content, uint32_t ref_width,
                uint8_t* field, std::string& error) {
    const uint32_t w = record_length_width(s.flags);
    const uint64_t total = uint64_t(content.size()) + w;
    if (w < 4 && total >= (uint64_t(1) << (8 * w)))
        return error = "value of slot \"" + s.name + "\" too long for its length field", false;
    const uint64_t ref = values.size() + 1;
    if (ref_width < 4 && ref >= (uint64_t(1) << (8 * ref_width)))
        return error = "Bank.0 too large for the reference width of \"" + s.name + "\"", false;
    if (ref > 0xFFFFFFFFu) return error = "Bank.0 too large", false;
    size_t at = values.size();
    values.resize(at + 2 * w);
    store_uint(values.data() + at, total, w);
    store_uint(values.data() + at + w, total, w);
    values.insert(values.end(), content.begin(), content.end());
    store_uint(field, ref, ref_width);
    return true;
}

// Writes the entry fields of a table into `area`.
bool put_fields(const std::vector<SlotLayout>& table, const std::vector<Value>& values,
                uint8_t* area, Bytes& bank0, std::string& error) {
    uint32_t position = 0;
    for (size_t i = 0; i < table.size(); ++i) {
        const SlotLayout& s = table[i];
        const Value& v = values[i];
        uint8_t* field = area + position;
        position += spec_inline_width(s);
        if (s.flags & (kFlagOwnFile | kFlagBlockStore)) continue;  // written elsewhere
        if (!v.present) continue;
        if (s.type == kTypeGroup && !is_array(s.flags)) {
            if (!put_fields(s.children, v.children, field, bank0, error)) return false;
        } else if (is_variable_length(s.type, s.flags)) {
            if (!put_record(bank0, s, v.bytes, spec_inline_width(s), field, error)) return false;
        } else {
            std::memcpy(field, v.bytes.data(), s.width);
        }
    }
    return true;
}

bool write_file(const std::filesystem::path& path, const Bytes& bytes, std::string& error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) return error = "cannot write \"" + path.string() + "\"", false;
    return true;
}

void mask_words(Bytes& bytes, uint32_t mask) {
    for (size_t i = 0; i + 4 <= bytes.size(); i += 4)
        store_u32(&bytes[i], load_u32(&bytes[i]) ^ mask);
}

// Sorts ids by the slot's comparison of their values, ties by id.
void sort_by_value(std::vector<int32_t>& ids, const SlotKind& kind,
                   const std::function<ValueBytes(int32_t)>& value_of) {
    std::stable_sort(ids.begin(), ids.end(), [&](int32_t a, int32_t b) {
        int c = compare_values(kind, value_of(a), value_of(b), 0);
        return c != 0 ? c < 0 : a < b;
    });
}

}  // namespace

BankWriter::BankWriter(std::vector<SlotLayout> slots, WriterOptions options)
    : slots_(std::move(slots)), options_(options) {}

int BankWriter::add(std::vector<Value> values) {
    values.resize(slots_.size(), Value::none());
    cadrs_.push_back(std::move(values));
    return static_cast<int>(cadrs_.size());
}

bool BankWriter::write(const std::string& folder, std::string& error) const {
    std::vector<SlotLayout> slots = slots_;
    if (!check_table(slots, true, error)) return false;
    if (options_.masked_links && options_.mask == 1)
        return error = "a mask of 1 means no masking", false;
    const int32_t block_size = options_.block_size;
    if (block_size < kMinBlockSize || block_size > kMaxBlockSize)
        return error = "block size out of range", false;
    std::vector<std::vector<Value>> cadrs = cadrs_;
    for (auto& c : cadrs)
        for (size_t i = 0; i < slots.size(); ++i) normalize(slots[i], c[i]);
    const int64_t count = static_cast<int64_t>(cadrs.size());
    if (count > 0x7FFFFFF0) return error = "too many cadrs", false;

    Files f;
    // Header: top-level descriptors, then the children of each group in turn.
    struct Flat {
        const SlotLayout* slot_layout;
        int32_t first_child = 0;
    };
    std::vector<Flat> flat;
    for (const SlotLayout& s : slots) flat.push_back({&s});
    for (size_t i = 0; i < flat.size(); ++i) {
        const SlotLayout& s = *flat[i].slot_layout;
        if (s.type == kTypeGroup && !is_array(s.flags)) {
            flat[i].first_child = static_cast<int32_t>(flat.size());
            for (const SlotLayout& c : s.children) flat.push_back({&c});
        }
    }
    f.header.assign(kHeaderDescriptorsOffset + flat.size() * kDescriptorBytes, 0);
    store_u32(f.header.data(), kMagicKind5);
    store_u32(f.header.data() + kHeaderSlotCountOffset, static_cast<uint32_t>(slots.size()));
    if (options_.masked_links) f.header[kHeaderMaskedOffset] = kMaskedLinksMark;
    for (size_t i = 0; i < flat.size(); ++i) {
        const SlotLayout& s = *flat[i].slot_layout;
        uint8_t* d = f.header.data() + kHeaderDescriptorsOffset + i * kDescriptorBytes;
        d[0] = s.type;
        d[1] = s.flags;
        store_u16(d + 2, s.width);
        store_u32(d + 4, static_cast<uint32_t>(s.children.size()));
        store_u32(d + 8, static_cast<uint32_t>(flat[i].first_child));
        store_u32(d + 12, static_cast<uint32_t>(f.header.size()));
        f.header.insert(f.header.end(), s.name.begin(), s.name.end());
        f.header.push_back(0);
    }

    // "Main" entries and "Bank.0" values.
    const bool slot1_block = !slots.empty() && (slots[0].flags & kFlagBlockStore);
    const uint32_t prefix = slot1_block ? kPrefixBlockStore : kPrefixTree;
    std::vector<uint32_t> positions;
    uint64_t width = prefix;
    for (const SlotLayout& s : slots) {
        positions.push_back(static_cast<uint32_t>(width - prefix));
        width += spec_inline_width(s);
    }
    if (width * uint64_t(count) > (uint64_t(1) << 40)) return error = "bank too large", false;
    f.main.assign(size_t(kMainHeadBytes + width * uint64_t(count)), 0);
    auto entry = [&](int64_t cadr) {
        return f.main.data() + kMainHeadBytes + (cadr - 1) * int64_t(width);
    };
    for (int64_t c = 1; c <= count; ++c)
        if (!put_fields(slots, cadrs[size_t(c - 1)], entry(c) + prefix, f.values, error))
            return false;

    // Slots in files of their own.
    for (size_t i = 0; i < slots.size(); ++i) {
        const SlotLayout& s = slots[i];
        if (!(s.flags & kFlagOwnFile)) continue;
        Bytes file(size_t(count) * s.width, 0);
        for (int64_t c = 0; c < count; ++c) {
            const Value& v = cadrs[size_t(c)][i];
            if (v.present) std::memcpy(file.data() + c * s.width, v.bytes.data(), s.width);
        }
        f.others.emplace_back("Bank." + std::to_string(i + 1), std::move(file));
    }

    // The stored bytes of a slot in a cadr, as the reader compares them.
    auto stored = [&](size_t slot, int32_t cadr) -> ValueBytes {
        const SlotLayout& s = slots[slot];
        const Value& v = cadrs[size_t(cadr - 1)][slot];
        if (is_variable_length(s.type, s.flags) || (s.flags & (kFlagOwnFile | kFlagBlockStore))) {
            if (!v.present) return {};
            return {v.bytes.data(), v.bytes.size()};
        }
        return {entry(cadr) + prefix + positions[slot], s.width};
    };

    // Tree indexes.
    std::vector<int32_t> all(static_cast<size_t>(count));
    for (int64_t c = 0; c < count; ++c) all[size_t(c)] = static_cast<int32_t>(c + 1);
    for (size_t i = 0; i < slots.size(); ++i) {
        const SlotLayout& s = slots[i];
        if (!s.indexed || is_array(s.flags) || (s.flags & kFlagBlockStore)) continue;
        std::vector<int32_t> order = all;
        SlotKind kind{s.type, s.flags, s.width};
        sort_by_value(order, kind, [&](int32_t c) { return stored(i, c); });
        Avl avl(size_t(count) + 1);
        avl.build(order);
        if (i == 0) {
            store_u32(f.main.data(), static_cast<uint32_t>(avl.height));
            store_u32(f.main.data() + 4, static_cast<uint32_t>(avl.root));
            for (int64_t c = 1; c <= count; ++c) avl.encode(static_cast<int32_t>(c), entry(c));
        } else {
            Bytes tree(size_t(count + 1) * 8, 0);
            store_u32(tree.data(), static_cast<uint32_t>(avl.height));
            store_u32(tree.data() + 4, static_cast<uint32_t>(avl.root));
            for (int64_t c = 1; c <= count; ++c)
                avl.encode(static_cast<int32_t>(c), tree.data() + 8 * c);
            if (options_.masked_links) mask_words(tree, options_.mask);
            f.others.emplace_back("Tree." + std::to_string(i + 1), std::move(tree));
        }
    }

    // Block-store indexes.
    int store_k = 0;
    int32_t next_block = 1;
    for (size_t i = 0; i < slots.size(); ++i) {
        const SlotLayout& s = slots[i];
        if (!(s.flags & kFlagBlockStore)) continue;
        if (f.storage.empty()) {
            f.storage.assign(size_t(block_size), 0);
            store_u32(f.storage.data(), static_cast<uint32_t>(block_size));
        }
        if (4 + 8 * (store_k + 1) > block_size) return error = "too many block-store slots", false;
        const uint32_t lw = key_length_width(s.flags);
        SlotKind kind{s.type, s.flags, s.width};
        std::vector<int32_t> order;
        for (int32_t c : all)
            if (cadrs[size_t(c - 1)][i].present) order.push_back(c);
        sort_by_value(order, kind, [&](int32_t c) { return stored(i, c); });
        // Pack the items into blocks in key order.
        std::vector<std::vector<Bytes>> blocks;
        std::vector<std::vector<int32_t>> block_cadrs;
        size_t used = kBlockHeadBytes;
        for (int32_t c : order) {
            const Value& v = cadrs[size_t(c - 1)][i];
            Bytes item(4);
            store_u32(item.data(), static_cast<uint32_t>(c));
            if (s.type == kTypeText) {
                Bytes form;
                if (!length_form(v.bytes.data(), v.bytes.size(), lw, form))
                    return error = "text too long for its length field in \"" + s.name + "\"",
                           false;
                item.insert(item.end(), form.begin(), form.end());
            } else {
                item.insert(item.end(), v.bytes.begin(), v.bytes.end());
            }
            if (item.size() > size_t(block_size) - kBlockHeadBytes)
                return error = "an item of \"" + s.name + "\" does not fit in a block", false;
            if (blocks.empty() || used + item.size() > size_t(block_size) ||
                blocks.back().size() >= 0x7FFF) {
                blocks.emplace_back();
                block_cadrs.emplace_back();
                used = kBlockHeadBytes;
            }
            used += item.size();
            blocks.back().push_back(std::move(item));
            block_cadrs.back().push_back(c);
        }
        std::vector<int32_t> numbers;
        for (size_t b = 0; b < blocks.size(); ++b) numbers.push_back(next_block + int32_t(b));
        Avl avl(size_t(next_block) + blocks.size());
        avl.build(numbers);
        uint8_t* anchor = f.storage.data() + 4 + 8 * store_k;
        store_u32(anchor, static_cast<uint32_t>(avl.height));
        store_u32(anchor + 4, static_cast<uint32_t>(avl.root));
        for (size_t b = 0; b < blocks.size(); ++b) {
            const int32_t number = numbers[b];
            size_t at = size_t(number) * size_t(block_size);
            f.storage.resize(at + size_t(block_size), 0);
            uint8_t* head = f.storage.data() + at;
            avl.encode(number, head);
            store_u16(head + kBlockCountOffset, static_cast<uint16_t>(blocks[b].size()));
            store_u16(head + kBlockKeyWidthOffset, s.type == kTypeText ? 0 : s.width);
            head[kBlockKeyTypeOffset] = s.type;
            head[kBlockLengthWidthOffset] = static_cast<uint8_t>(s.type == kTypeText ? lw : 0);
            size_t p = kBlockHeadBytes;
            for (const Bytes& item : blocks[b]) {
                std::memcpy(f.storage.data() + at + p, item.data(), item.size());
                p += item.size();
            }
            for (int32_t c : block_cadrs[b])
                store_u32(entry(c) + prefix + positions[i], static_cast<uint32_t>(number));
        }
        next_block += static_cast<int32_t>(blocks.size());
        ++store_k;
    }

    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) return error = "cannot create \"" + folder + "\": " + ec.message(), false;
    const std::string header_path = join_path(folder, folder);
    if (!write_file(header_path, f.header, error)) return false;
    if (!write_file(join_path(folder, "Main"), f.main, error)) return false;
    if (!write_file(join_path(folder, "Bank.0"), f.values, error)) return false;
    if (!f.storage.empty() && !write_file(join_path(folder, "_Storage"), f.storage, error))
        return false;
    for (const auto& [name, bytes] : f.others)
        if (!write_file(join_path(folder, name), bytes, error)) return false;
    return true;
}

std::unique_ptr<BankWriter> BankWriter::load(const std::string& folder, std::string& error) {
    std::unique_ptr<Bank> bank;
    try {
        bank = Bank::open(folder);
    } catch (const bank::OpenError& e) {
        error = "cannot open bank \"" + folder + "\" (code " + std::to_string(e.code()) + ")";
        return nullptr;
    }
    BankData& d = bank->data();
    std::function<SlotLayout(Slot&)> spec_of = [&](Slot& s) {
        SlotLayout slot_layout;
        slot_layout.type = s.kind.type;
        slot_layout.flags = s.kind.flags;
        slot_layout.width = s.kind.width;
        slot_layout.name = s.name;
        for (Slot& c : s.children) slot_layout.children.push_back(spec_of(c));
        slot_layout.indexed = s.number == 1 || d.open_index(s) > 0;
        return slot_layout;
    };
    std::vector<SlotLayout> slot_layouts;
    for (Slot& s : d.slots) slot_layouts.push_back(spec_of(s));
    WriterOptions options;
    options.masked_links = d.masked;
    if (d.read_storage(0, 4) != nullptr && d.block_size_valid) options.block_size = d.block_size;
    auto writer = std::make_unique<BankWriter>(std::move(slot_layouts), options);

    Bytes bytes;
    std::function<Value(const Slot&, int64_t, uint32_t)> value_of = [&](const Slot& s, int64_t cadr,
                                                                        uint32_t position) {
        if (s.kind.type == kTypeGroup && !s.children.empty()) {
            std::vector<Value> children;
            for (const Slot& c : s.children)
                children.push_back(value_of(c, cadr, position + c.inline_position));
            return Value::group(std::move(children));
        }
        int64_t n = d.stored_value_at(cadr, s, position, bytes);
        if (n < 0) return Value::none();
        Value v;
        v.bytes.assign(bytes.begin(), bytes.begin() + n);
        return v;
    };
    const int64_t count = d.refresh_count();
    for (int64_t c = 1; c <= count; ++c) {
        std::vector<Value> values;
        for (const Slot& s : d.slots) values.push_back(value_of(s, c, s.inline_position));
        writer->add(std::move(values));
    }
    return writer;
}

bool value_from_text(const SlotLayout& slot, const std::string& text, Value& out,
                     std::string& error) {
    out = Value();
    if (text.empty()) {
        out = Value::none();
        return true;
    }
    if (slot.type == kTypeGroup && !is_array(slot.flags)) {
        std::string body = text;
        if (body.size() >= 2 && body.front() == '{' && body.back() == '}')
            body = body.substr(1, body.size() - 2);
        std::vector<std::string> parts;
        size_t start = 0;
        for (;;) {
            size_t semi = body.find(';', start);
            parts.push_back(body.substr(start, semi - start));
            if (semi == std::string::npos) break;
            start = semi + 1;
        }
        if (parts.size() != slot.children.size())
            return error = "group \"" + slot.name + "\" needs " +
                           std::to_string(slot.children.size()) + " parts",
                   false;
        for (size_t i = 0; i < parts.size(); ++i) {
            Value child;
            if (!value_from_text(slot.children[i], parts[i], child, error)) return false;
            out.children.push_back(std::move(child));
        }
        return true;
    }
    if (is_array(slot.flags)) {
        SlotLayout element = slot;
        element.flags = static_cast<uint8_t>(slot.flags & ~kFlagArrayBits);
        size_t start = 0;
        for (;;) {
            size_t comma = text.find(',', start);
            Value e;
            if (!value_from_text(element, text.substr(start, comma - start), e, error))
                return false;
            e.bytes.resize(slot.width, 0);
            out.bytes.insert(out.bytes.end(), e.bytes.begin(), e.bytes.end());
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        return true;
    }
    if (is_byte_string(slot.type)) {
        if (text[0] == '@') {
            std::ifstream in(text.substr(1), std::ios::binary);
            if (!in) return error = "cannot read \"" + text.substr(1) + "\"", false;
            out.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            return true;
        }
        out.bytes.assign(text.begin(), text.end());
        return true;
    }
    Bytes form;
    if (!convert_key(SlotKind{slot.type, slot.flags, slot.width}, text.c_str(), form))
        return error = "\"" + text + "\" is not a value of slot \"" + slot.name + "\"", false;
    out.bytes.assign(form.begin(), form.end() - 1);
    return true;
}

}  // namespace bank
