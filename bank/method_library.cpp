// A bank's method library "Methods.dll": loading, the exchange block and virtual slots.
#include "bank/method_library.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bank/bank_data.h"
#include "bank/os.h"

namespace bank {
namespace {

constexpr size_t kRecordImageLimit = size_t(1) << 20;

template <typename F>
F as_function(void* p) {
    F f;
    static_assert(sizeof f == sizeof p);
    std::memcpy(&f, &p, sizeof f);
    return f;
}

int32_t word(const std::vector<uint8_t>& block, size_t i) {
    int32_t v;
    std::memcpy(&v, block.data() + 4 * i, 4);
    return v;
}
void set_word(std::vector<uint8_t>& block, size_t i, int32_t v) {
    std::memcpy(block.data() + 4 * i, &v, 4);
}

// A library is code run inside the saver: a data folder copied from elsewhere must not be a
// way to run it. Only a library that the running user or root (on Windows also the
// administrators or the system) owns, in a folder they own, with neither writable by anyone
// else, is loaded.
bool library_is_trusted(const std::string& folder, const std::string& path) {
    const std::string dir = folder.empty() ? "." : folder;
    if (os::library_and_folder_closed(dir, path)) return true;
    std::fprintf(stderr,
                 "Bank: \"%s\" is not loaded: it or its folder belongs to another user or may be "
                 "written by others\n",
                 path.c_str());
    return false;
}

bool load_methods(BankData& d) {
    const std::string path = d.folder + "/" + kMethodLibraryName;
    if (!path_is_readable(path)) return false;
    if (!library_is_trusted(d.folder, path)) return false;
    void* library = os::load_library(path);
    if (library == nullptr) return false;
    auto create = as_function<BankMethodCreate>(os::library_entry(library, "Create"));
    if (create == nullptr) return false;

    size_t image =
        d.record_image_length < kRecordImageLimit ? d.record_image_length : kRecordImageLimit;
    d.exchange.assign(kExchangeHeadBytes + image, 0);
    d.exchange_name = os::make_exchange_name();
    d.host.bank = d.owner;
    d.host.exchange = d.exchange.data();
    d.host.exchange_size = static_cast<uint32_t>(d.exchange.size());
    d.host.folder = d.folder.c_str();
    d.host.exchange_name = d.exchange_name.c_str();

    void* handle = create(&d.host);
    if (handle == nullptr) return false;
    d.methods_handle = handle;
    d.methods.virtual_slot = as_function<BankMethodVirtual>(os::library_entry(library, "Virtual"));
    d.methods.action = as_function<BankMethodAction>(os::library_entry(library, "Action"));
    d.methods.write_cadr =
        as_function<BankMethodWriteCadr>(os::library_entry(library, "Write_Cadr"));
    d.methods.write_slot =
        as_function<BankMethodWriteSlot>(os::library_entry(library, "Write_Slot"));
    return true;
}

// Serves the request in word 3 of the exchange block.
void serve_request(BankData& d, const SlotPath& path) {
    d.mark_windows_empty();  // the library may have changed the files
    d.current_cadr = word(d.exchange, 2);
    const int32_t request = word(d.exchange, 3);
    set_word(d.exchange, 3, 0);
    uint8_t* text = d.exchange.data() + kExchangeTextOffset;
    switch (request) {
        case kRequestVirtual:
            if (d.methods.virtual_slot) {
                BankSlotPathCopy copy;
                static_assert(sizeof copy == sizeof path);
                std::memcpy(&copy, &path, sizeof copy);
                d.methods.virtual_slot(d.methods_handle, word(d.exchange, 0), copy);
            }
            break;
        case kRequestSlotWritten:
            if (d.methods.write_slot) {
                BankTextCopy copy;
                std::memcpy(copy.text, text, kExchangeTextBytes);
                int32_t r = d.methods.write_slot(d.methods_handle, copy);
                set_word(d.exchange, 4, r);
                if (r == 0 || std::memcmp(copy.text, text, kExchangeTextBytes) == 0)
                    std::memset(text, 0, kExchangeTextBytes);
            }
            break;
        case kRequestCadrWritten:
            if (d.methods.write_cadr)
                set_word(d.exchange, 4, d.methods.write_cadr(d.methods_handle));
            break;
        case kRequestAction:
            if (d.methods.action) {
                int32_t number;
                std::memcpy(&number, text, 4);
                set_word(d.exchange, 4, d.methods.action(d.methods_handle, number));
            }
            break;
        default:
            break;
    }
}

}  // namespace

int BankData::read_virtual(int cadr, const SlotPath& path, char** buffer) {
    if (methods_state < 0) return -1;
    if (methods_state == 0) {
        methods_state = load_methods(*this) ? 1 : -1;
        if (methods_state < 0) return -1;
    }
    uint8_t saved_text[kExchangeTextBytes];
    uint8_t saved_bytes[kExchangeSavedBytes];
    std::memcpy(saved_text, exchange.data() + kExchangeTextOffset, sizeof saved_text);
    std::memcpy(saved_bytes, exchange.data() + kExchangeSavedOffset, sizeof saved_bytes);

    set_word(exchange, 0, cadr);
    std::memcpy(exchange.data() + kExchangePathOffset, &path, kExchangePathBytes);
    std::memset(exchange.data() + kExchangeTextOffset, 0, kExchangeTextBytes);
    set_word(exchange, 2, current_cadr);
    set_word(exchange, 3, kRequestVirtual);
    serve_request(*this, path);

    // The text ends at its NUL, or at the end of the area if the library left none.
    const char* text = reinterpret_cast<const char*>(exchange.data() + kExchangeTextOffset);
    size_t length = strnlen(text, kExchangeTextBytes - 1);
    char* out = static_cast<char*>(std::malloc(length + 1));
    int result = -1;
    if (out != nullptr) {
        std::memcpy(out, text, length);
        out[length] = '\0';
        *buffer = out;
        result = static_cast<int>(length + 1);
    }
    std::memcpy(exchange.data() + kExchangeTextOffset, saved_text, sizeof saved_text);
    std::memcpy(exchange.data() + kExchangeSavedOffset, saved_bytes, sizeof saved_bytes);
    return result;
}

void release_methods(BankData& d) {
    if (!d.exchange_name.empty()) std::remove(d.exchange_name.c_str());
    d.exchange_name.clear();
}

}  // namespace bank
