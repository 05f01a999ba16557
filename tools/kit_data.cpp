// brushwright-kit data read DATAROOT PATH: the bytes the saver reads for a data file.
#include <cstdio>
#include <cstring>

#include "loading/data_file.h"
#include "loading/data_root.h"
#include "tools/kit_commands.h"

int kit::run_data(int argc, char** argv) {
    constexpr const char* kUsage = "data read DATAROOT PATH";
    if (argc != 4 || std::strcmp(argv[1], "read") != 0) return kit::usage(kUsage);
    loading::DataRoot data(argv[2]);
    int32_t size = 0;
    const loading::ByteBuffer bytes = loading::load_data_file(data, argv[3], size);
    if (!bytes) return 1;  // load_data_file wrote its message, if any
    if (size > 0 && std::fwrite(bytes.get(), 1, static_cast<size_t>(size), stdout) !=
                        static_cast<size_t>(size)) {
        std::fprintf(stderr, "brushwright-kit data: can't write standard output\n");
        return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
