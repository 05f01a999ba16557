// The bank's system calls on Windows.
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <share.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <windows.h>
// After windows.h:
#include <aclapi.h>
#include <sddl.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "bank/os.h"
#include "bank/storage_file.h"

namespace bank {

bool path_is_readable(const std::string& path) {
    struct _stat64 st;
    if (::_stat64(path.c_str(), &st) != 0) return false;
    return (st.st_mode & _S_IFMT) == _S_IFREG && (st.st_mode & _S_IREAD) != 0;
}

namespace {

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

}  // namespace

namespace os {

int open_read_only(const std::string& path) {
    return ::_open(path.c_str(), _O_RDONLY | _O_BINARY);
}

void close_file(int fd) {
    ::_close(fd);
}

int64_t file_size(int fd) {
    struct _stat64 st;
    if (::_fstat64(fd, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

int64_t read_at(int fd, uint8_t* buffer, int64_t size, int64_t offset) {
    int64_t done = 0;
    while (done < size) {
        if (::_lseeki64(fd, offset + done, SEEK_SET) != offset + done) return -1;
        int got = ::_read(fd, buffer + done, static_cast<unsigned>(size - done));
        if (got < 0) return done > 0 ? done : -1;
        if (got == 0) break;
        done += got;
    }
    return done;
}

void* load_library(const std::string& path) {
    return reinterpret_cast<void*>(::LoadLibraryA(path.c_str()));
}

void* library_entry(void* library, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
}

std::string make_exchange_name() {
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
}

bool library_and_folder_closed(const std::string& dir, const std::string& path) {
    std::vector<uint8_t> user = current_user_sid();
    return owned_and_closed(path, user) && owned_and_closed(dir, user);
}

}  // namespace os
}  // namespace bank
