// A bank's method library "Methods.dll": loading, the exchange block and virtual slots.
#include "bank/method_library.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bank/bank_data.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
// After windows.h:
#include <aclapi.h>
#include <sddl.h>

#include <cerrno>
#else
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace bank {
namespace {

constexpr size_t kRecordImageLimit = size_t(1) << 20;

void* load_library(const std::string& path) {
#ifdef _WIN32
    return reinterpret_cast<void*>(::LoadLibraryA(path.c_str()));
#else
    return ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
}

void* entry(void* library, const char* name) {
#ifdef _WIN32
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
#else
    return ::dlsym(library, name);
#endif
}

template <typename F>
F as_function(void* p) {
    F f;
    static_assert(sizeof f == sizeof p);
    std::memcpy(&f, &p, sizeof f);
    return f;
}

// A unique name for the exchange area, reserved by creating the file exclusively, so that no
// other process can take the same name between choosing and using it.
std::string make_exchange_name() {
#ifdef _WIN32
    const std::string base =
        "C:/Program Files/Hollowmir/tmp/mem." + std::to_string(_getpid()) + ".XXXXXX";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::vector<char> name(base.begin(), base.end());
        name.push_back('\0');
        if (_mktemp_s(name.data(), name.size()) != 0) return {};
        int fd = -1;
        if (_sopen_s(&fd, name.data(), _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY, _SH_DENYNO,
                     _S_IREAD | _S_IWRITE) == 0) {
            _close(fd);
            return name.data();
        }
        if (errno != EEXIST) return {};
    }
    return {};
#else
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    std::string pattern = dir + "/mem." + std::to_string(::getpid()) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) return {};
    ::close(fd);
    return name.data();
#endif
}

int32_t word(const std::vector<uint8_t>& block, size_t i) {
    int32_t v;
    std::memcpy(&v, block.data() + 4 * i, 4);
    return v;
}
void set_word(std::vector<uint8_t>& block, size_t i, int32_t v) {
    std::memcpy(block.data() + 4 * i, &v, 4);
}

#ifdef _WIN32
// The running process's user SID, as bytes; empty when it cannot be had.
std::vector<uint8_t> current_user_sid() {
    std::vector<uint8_t> sid;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return sid;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<uint8_t> info(size);
    if (size > 0 && GetTokenInformation(token, TokenUser, info.data(), size, &size)) {
        const PSID user = reinterpret_cast<TOKEN_USER*>(info.data())->User.Sid;
        sid.assign(static_cast<uint8_t*>(user), static_cast<uint8_t*>(user) + GetLengthSid(user));
    }
    CloseHandle(token);
    return sid;
}

// Who may own a library or write to it: the running user, the administrators, the system and
// the installer service that owns what Windows installs.
bool sid_is_trusted(PSID sid, std::vector<uint8_t>& user) {
    if (sid == nullptr || !IsValidSid(sid)) return false;
    if (!user.empty() && EqualSid(sid, user.data())) return true;
    if (IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid))
        return true;
    PSID installer = nullptr;
    if (!ConvertStringSidToSidA("S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
                                &installer))
        return false;
    const bool is_installer = EqualSid(sid, installer) != 0;
    LocalFree(installer);
    return is_installer;
}

// True when `path` is owned by a trusted SID and its access list lets no one else write to it,
// change its permissions or replace what it holds.
bool owned_and_closed(const std::string& path, std::vector<uint8_t>& user) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    constexpr ACCESS_MASK kWrites = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD |
                                    DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
    bool ok = sid_is_trusted(owner, user) && dacl != nullptr;  // no list: anyone may write
    for (DWORD i = 0; ok && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) {
            ok = false;
            break;
        }
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE))
            continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        if ((allowed->Mask & kWrites) != 0 && !sid_is_trusted(&allowed->SidStart, user)) ok = false;
    }
    LocalFree(descriptor);
    return ok;
}
#else
// True when `path` is owned by the running user or by root and no one else may write to it.
bool owned_and_closed(const std::string& path, bool want_folder) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    if (want_folder ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode)) return false;
    if (st.st_uid != ::geteuid() && st.st_uid != 0) return false;
    return (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}
#endif

// A library is code run inside the saver: a data folder copied from elsewhere must not be a
// way to run it. Only a library that the running user or root (on Windows also the
// administrators or the system) owns, in a folder they own, with neither writable by anyone
// else, is loaded.
bool library_is_trusted(const std::string& folder, const std::string& path) {
    const std::string dir = folder.empty() ? "." : folder;
#ifdef _WIN32
    std::vector<uint8_t> user = current_user_sid();
    if (owned_and_closed(path, user) && owned_and_closed(dir, user)) return true;
#else
    if (owned_and_closed(path, false) && owned_and_closed(dir, true)) return true;
#endif
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
    void* library = load_library(path);
    if (library == nullptr) return false;
    auto create = as_function<BankMethodCreate>(entry(library, "Create"));
    if (create == nullptr) return false;

    size_t image =
        d.record_image_length < kRecordImageLimit ? d.record_image_length : kRecordImageLimit;
    d.exchange.assign(kExchangeHeadBytes + image, 0);
    d.exchange_name = make_exchange_name();
    d.host.bank = d.owner;
    d.host.exchange = d.exchange.data();
    d.host.exchange_size = static_cast<uint32_t>(d.exchange.size());
    d.host.folder = d.folder.c_str();
    d.host.exchange_name = d.exchange_name.c_str();

    void* handle = create(&d.host);
    if (handle == nullptr) return false;
    d.methods_handle = handle;
    d.methods.virtual_slot = as_function<BankMethodVirtual>(entry(library, "Virtual"));
    d.methods.action = as_function<BankMethodAction>(entry(library, "Action"));
    d.methods.write_cadr = as_function<BankMethodWriteCadr>(entry(library, "Write_Cadr"));
    d.methods.write_slot = as_function<BankMethodWriteSlot>(entry(library, "Write_Slot"));
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
