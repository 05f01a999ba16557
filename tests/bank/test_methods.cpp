// A method library for the tests, exporting the five entries of "Methods.dll".
// Virtual slot texts: cadr 1 gives "abc" ("xyz" built as the other library); cadr 7 the exchange
// area's name; cadr 99 fills the whole text area without a NUL; others give "c<cadr>:<slot>". A
// folder whose name contains "refuse" is refused by Create.
#include <cstdio>
#include <cstring>

#include "bank/method_library.h"

#if defined(_WIN32)
#define EXPORT extern "C" __declspec(dllexport)
#else
#define EXPORT extern "C" __attribute__((visibility("default")))
#endif

EXPORT void* Create(BankMethodHost* host) {
    if (std::strstr(host->folder, "refuse") != nullptr) return nullptr;
    return host;
}

EXPORT void Virtual(void* handle, int32_t cadr, BankSlotPathCopy path) {
    auto* host = static_cast<BankMethodHost*>(handle);
    char* text = reinterpret_cast<char*>(host->exchange + bank::kExchangeTextOffset);
#ifdef OTHER_METHODS
    if (cadr == 1) {
        std::strcpy(text, "xyz");
        return;
    }
#endif
    if (cadr == 1)
        std::strcpy(text, "abc");
    else if (cadr == 7)
        std::snprintf(text, bank::kExchangeTextBytes, "%s", host->exchange_name);
    else if (cadr == 99)
        std::memset(text, 'x', bank::kExchangeTextBytes);
    else
        std::snprintf(text, bank::kExchangeTextBytes, "c%d:%d", cadr, path.pairs[0]);
}

EXPORT int32_t Write_Slot(void*, BankTextCopy) {
    return 0;
}
EXPORT int32_t Write_Cadr(void*) {
    return 0;
}
EXPORT int32_t Action(void*, int32_t number) {
    return number;
}
