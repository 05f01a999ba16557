// brushwright-kit bank: look up, read, count, list, create and fill bank folders.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bank/bank.h"
#include "bank/bank_writer.h"
#include "tools/kit_commands.h"

namespace {

constexpr const char* kUsage =
    "bank find FOLDER SLOT KEY [--mode M] [--direction D] | read FOLDER CADR SLOT | "
    "count FOLDER | list FOLDER | create FOLDER [--masked] [--block-size N] "
    "--slot TYPE[:WIDTH[:FLAGS]]... | put FOLDER VALUE...";

bool parse_int(const std::string& text, long& out) {
    return kit::parse_int(text, LONG_MIN, LONG_MAX, out);
}

std::unique_ptr<Bank> open_bank(const std::string& folder) {
    try {
        return Bank::open(folder);
    } catch (const bank::OpenError& e) {
        std::fprintf(stderr, "bank: cannot open bank \"%s\" (raised code %d)\n", folder.c_str(),
                     e.code());
        return nullptr;
    }
}

int run_find(int argc, char** argv) {
    if (argc < 4) return kit::usage(kUsage);
    long slot = 0, mode = 0, direction = 1;
    if (!parse_int(argv[2], slot)) return kit::usage(kUsage);
    for (int i = 4; i < argc; i += 2) {
        if (i + 1 >= argc) return kit::usage(kUsage);
        long* target = std::strcmp(argv[i], "--mode") == 0        ? &mode
                       : std::strcmp(argv[i], "--direction") == 0 ? &direction
                                                                  : nullptr;
        if (target == nullptr || !parse_int(argv[i + 1], *target)) return kit::usage(kUsage);
    }
    if (mode < -1 || mode > 2) return kit::usage(kUsage);
    auto bank = open_bank(argv[1]);
    if (!bank) return 1;
    BankReader reader(*bank, static_cast<int>(direction));
    std::printf("%d\n", reader.find(static_cast<int>(slot), argv[3], static_cast<int>(mode)));
    return 0;
}

int run_read(int argc, char** argv) {
    long cadr = 0, slot = 0;
    if (argc != 4 || !parse_int(argv[2], cadr) || !parse_int(argv[3], slot))
        return kit::usage(kUsage);
    auto bank = open_bank(argv[1]);
    if (!bank) return 1;
    char* buffer = nullptr;
    int n = bank->read_slot(static_cast<int>(cadr), static_cast<int>(slot), &buffer);
    if (n > 0) std::fwrite(buffer, 1, static_cast<size_t>(n), stdout);
    std::free(buffer);
    if (n > 0) return 0;
    std::fprintf(stderr, "%d\n", n);
    return 3;
}

int run_count(int argc, char** argv) {
    if (argc != 2) return kit::usage(kUsage);
    auto bank = open_bank(argv[1]);
    if (!bank) return 1;
    std::printf("%d\n", bank->record_count());
    return 0;
}

int run_list(int argc, char** argv) {
    if (argc != 2) return kit::usage(kUsage);
    auto bank = open_bank(argv[1]);
    if (!bank) return 1;
    const int count = bank->record_count();
    char* buffer = nullptr;
    for (int c = 1; c <= count; ++c) {
        int n = bank->read_slot(c, 1, &buffer);
        std::printf("%d\t", c);
        if (n > 0) std::fwrite(buffer, 1, static_cast<size_t>(n), stdout);
        std::printf("\n");
    }
    std::free(buffer);
    return 0;
}

bool parse_slot(const char* text, bank::SlotLayout& slot_layout) {
    std::string s = text;
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t colon = s.find(':', start);
        parts.push_back(s.substr(start, colon - start));
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    if (parts.size() > 3) return false;
    long type = 0, width = 0, flags = 0;
    if (!parse_int(parts[0].c_str(), type) || type < 1 || type > 16) return false;
    if (parts.size() > 1 && !parse_int(parts[1].c_str(), width)) return false;
    if (parts.size() > 2 && !parse_int(parts[2].c_str(), flags)) return false;
    if (width < 0 || width > 0xFFFF || flags < 0 || flags > 0xFF) return false;
    slot_layout.type = static_cast<uint8_t>(type);
    slot_layout.width = static_cast<uint16_t>(width);
    slot_layout.flags = static_cast<uint8_t>(flags);
    return true;
}

int run_create(int argc, char** argv) {
    if (argc < 2) return kit::usage(kUsage);
    std::vector<bank::SlotLayout> slots;
    bank::WriterOptions options;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--masked") == 0) {
            options.masked_links = true;
        } else if (std::strcmp(argv[i], "--block-size") == 0 && i + 1 < argc) {
            long size = 0;
            if (!parse_int(argv[++i], size)) return kit::usage(kUsage);
            options.block_size = static_cast<int32_t>(size);
        } else if (std::strcmp(argv[i], "--slot") == 0 && i + 1 < argc) {
            bank::SlotLayout slot_layout;
            if (!parse_slot(argv[++i], slot_layout)) return kit::usage(kUsage);
            slot_layout.name = "slot" + std::to_string(slots.size() + 1);
            slots.push_back(slot_layout);
        } else {
            return kit::usage(kUsage);
        }
    }
    if (slots.empty()) return kit::usage(kUsage);
    bank::BankWriter writer(std::move(slots), options);
    std::string error;
    if (!writer.write(argv[1], error)) {
        std::fprintf(stderr, "bank create: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

int run_put(int argc, char** argv) {
    if (argc < 3) return kit::usage(kUsage);
    std::string error;
    auto writer = bank::BankWriter::load(argv[1], error);
    if (!writer) {
        std::fprintf(stderr, "bank put: %s\n", error.c_str());
        return 1;
    }
    const auto& slots = writer->slots();
    if (static_cast<size_t>(argc - 2) > slots.size()) {
        std::fprintf(stderr, "bank put: %d values for %zu slots\n", argc - 2, slots.size());
        return 2;
    }
    std::vector<bank::Value> values;
    for (int i = 2; i < argc; ++i) {
        bank::Value v;
        if (!bank::value_from_text(slots[size_t(i - 2)], argv[i], v, error)) {
            std::fprintf(stderr, "bank put: %s\n", error.c_str());
            return 1;
        }
        values.push_back(std::move(v));
    }
    int cadr = writer->add(std::move(values));
    if (!writer->write(argv[1], error)) {
        std::fprintf(stderr, "bank put: %s\n", error.c_str());
        return 1;
    }
    std::printf("%d\n", cadr);
    return 0;
}

}  // namespace

int kit::run_bank(int argc, char** argv) {
    if (argc < 2) return kit::usage(kUsage);
    const char* what = argv[1];
    argc -= 1;
    argv += 1;
    if (std::strcmp(what, "find") == 0) return run_find(argc, argv);
    if (std::strcmp(what, "read") == 0) return run_read(argc, argv);
    if (std::strcmp(what, "count") == 0) return run_count(argc, argv);
    if (std::strcmp(what, "list") == 0) return run_list(argc, argv);
    if (std::strcmp(what, "create") == 0) return run_create(argc, argv);
    if (std::strcmp(what, "put") == 0) return run_put(argc, argv);
    return kit::usage(kUsage);
}
