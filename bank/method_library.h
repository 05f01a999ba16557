#pragma once
// The interface between a bank and its optional method library "Methods.dll", which computes
// virtual slots (slot numbers above the header's count). The library exports, with C linkage:
//
//   void*   Create(BankMethodHost* host);                         handle; null = refused
//   void    Virtual(void* handle, int32_t cadr, BankSlotPathCopy path);
//                                        writes the value's text into the exchange text area
//   int32_t Write_Slot(void* handle, BankTextCopy text);
//   int32_t Write_Cadr(void* handle);
//   int32_t Action(void* handle, int32_t number);
//
// The exchange block (host->exchange, host->exchange_size bytes) holds, as 32-bit words from
// its start: word 0 the cadr number, word 2 the current cadr, word 3 the request code (1 slot
// written, 2 cadr written, 3 action, 4 virtual slot, 5 file operation), word 4 the result of the
// entry called. Bytes 96 to 351 are the text area, bytes 632 to 695 the slot path, and the
// record image starts at byte 1024.
#include <cstddef>
#include <cstdint>

class Bank;

extern "C" {

struct BankMethodHost {
    Bank* bank;
    uint8_t* exchange;
    uint32_t exchange_size;
    const char* folder;
    const char* exchange_name;  // unique temporary name reserved for the library's use
};

struct BankSlotPathCopy {
    int16_t pairs[32];  // (slot, index) pairs
};

struct BankTextCopy {
    char text[256];
};

typedef void* (*BankMethodCreate)(BankMethodHost* host);
typedef void (*BankMethodVirtual)(void* handle, int32_t cadr, BankSlotPathCopy path);
typedef int32_t (*BankMethodWriteSlot)(void* handle, BankTextCopy text);
typedef int32_t (*BankMethodWriteCadr)(void* handle);
typedef int32_t (*BankMethodAction)(void* handle, int32_t number);
}

namespace bank {

inline constexpr const char* kMethodLibraryName = "Methods.dll";

inline constexpr size_t kExchangeHeadBytes = 1024;
inline constexpr size_t kExchangeTextOffset = 96;
inline constexpr size_t kExchangeTextBytes = 256;
inline constexpr size_t kExchangeSavedOffset = 608;
inline constexpr size_t kExchangeSavedBytes = 88;
inline constexpr size_t kExchangePathOffset = 632;
inline constexpr size_t kExchangePathBytes = 64;

// The entry points of a bank's own library, looked up when it loads.
struct MethodEntries {
    BankMethodVirtual virtual_slot = nullptr;
    BankMethodAction action = nullptr;
    BankMethodWriteCadr write_cadr = nullptr;
    BankMethodWriteSlot write_slot = nullptr;
};

enum MethodRequest : int32_t {
    kRequestSlotWritten = 1,
    kRequestCadrWritten = 2,
    kRequestAction = 3,
    kRequestVirtual = 4,
    kRequestFile = 5,
};

}  // namespace bank
