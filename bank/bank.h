#pragma once
// A bank: the system's own record store. A bank is a folder of files holding a table of records
// (cadrs, numbered from 1), each made of numbered fields (slots, numbered from 1), with an index
// tree per indexed slot. The folder's header file (named like the folder's last component) holds
// the slot table; "Main" holds one fixed-width entry per cadr; "Bank.0", "Bank.n", "Tree.n" and
// "_Storage" hold variable values, values of slots kept apart, indexes and the block store.
//
// Banks are only read here (see bank_writer.h for the tool-side writer). Every count, offset and
// length read from a bank file is checked against the bytes actually present: a damaged bank
// gives the documented failure results, never an out-of-bounds read or an endless walk.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace bank {

struct BankData;  // the open bank's state (bank_data.h)

// Why Bank::open refused a folder; the numbers are the codes the tools print.
enum class OpenFailure : int {
    NotABank = 1,          // header file missing, or its magic unknown
    HeaderUnreadable = 2,  // header file not readable or not openable
    UnknownMagic = 3,      // magic not accepted at open (older kinds too)
};

// Thrown by Bank::open; reason() says why, what() says it in words.
class OpenError : public std::runtime_error {
  public:
    explicit OpenError(OpenFailure reason);
    OpenFailure reason() const { return reason_; }
    int code() const { return static_cast<int>(reason_); }

  private:
    OpenFailure reason_;
};

// Joins two parts of a bank file path:
//   empty a -> b; empty b -> a; a == b -> a + "/" + (a's part after its last "/", or all of a);
//   b beginning with "/" -> b; otherwise a cut at its first newline, "/" unless a already ends
//   with one, then b cut at its first newline.
// The header file of folder F is join_path(F, F): "/a/b" gives "/a/b/b".
std::string join_path(const std::string& a, const std::string& b);

// One step of a slot path: a slot number (from 1) of the current table and an array element
// index (0 = the whole value).
struct SlotPair {
    int16_t slot = 0;
    int16_t index = 0;
};

// Up to 16 pairs, ended by a pair whose slot is 0. A following pair names a child slot of the
// group named by the pair before it. 64 bytes, the layout handed to a bank's method library.
struct SlotPath {
    static constexpr int kPairs = 16;
    SlotPair pairs[kPairs] = {};

    static SlotPath of(int slot, int index = 0) {
        SlotPath p;
        p.pairs[0].slot = static_cast<int16_t>(slot);
        p.pairs[0].index = static_cast<int16_t>(index);
        return p;
    }
};
static_assert(sizeof(SlotPath) == 64);

}  // namespace bank

class Bank {
  public:
    // Opens the bank in `folder`. Throws bank::OpenError when it cannot. Only the header file
    // must exist; a bank without "Main" has no cadrs.
    static std::unique_ptr<Bank> open(const std::string& folder);

    // The kind of the bank `name` below `folder` (5 current, 4 and 3 older, 0 not a bank),
    // found from the header magic without opening the bank. An empty `folder` or "." means
    // that `name` is the folder itself.
    static int probe_kind(const std::string& folder, const std::string& name);

    ~Bank();
    Bank(const Bank&) = delete;
    Bank& operator=(const Bank&) = delete;

    // Refreshes the cadr count from the current size of "Main" and returns it.
    int record_count();

    // Reads slot `slot` of cadr `cadr`. Frees *buffer (std::free) first, then stores a newly
    // std::malloc'ed buffer that the caller releases with std::free. Returns the value's length:
    // byte strings give their bytes (a NUL follows all but types 12 and 15), other types their
    // text form. On failure *buffer is an empty string and the result is 0 or -1.
    // Slots above the header's count are virtual slots served by the bank's "Methods.dll".
    int read_slot(int cadr, int slot, char** buffer);
    int read_slot(int cadr, const bank::SlotPath& path, char** buffer);

    // Values longer than `bytes` are not read: read_slot gives -1 for them, before allocating.
    void set_largest_value(int64_t bytes);

    const std::string& folder() const;
    int slot_count() const;  // number of top-level slots in the header

    bank::BankData& data() { return *data_; }

  private:
    Bank();
    std::unique_ptr<bank::BankData> data_;
};

// A lookup cursor over one bank's index trees. Direction +1 walks in key order, -1 in reverse
// (0 is taken as +1). Holds no files; the bank must outlive it.
class BankReader {
  public:
    BankReader(Bank& bank, int direction);
    ~BankReader();
    BankReader(const BankReader&) = delete;
    BankReader& operator=(const BankReader&) = delete;

    // Looks `key` up in the index of top-level slot `slot`.
    // mode 0: whole-value match; 1: `key` is a prefix; 2: nearest (the first value after the
    // key in walk order when nothing matches); -1: no search (block-store indexes: the end item
    // of the index; others -1).
    // Result: the cadr number (>= 1) of the first matching cadr in walk order; -1 not found,
    // empty index or key not convertible; 0 the slot has no usable index; -2 damaged index.
    int find(int slot, const char* key, int mode);

    int result() const { return result_; }

  private:
    struct StackEntry {
        int32_t cadr;
        int32_t left;
        int32_t right;
        int32_t state;
    };
    int find_in_tree(int slot, const std::string& key, int mode);
    int find_in_block_store(int slot, const std::string& key, int mode);

    Bank& bank_;
    int direction_;
    std::vector<StackEntry> stack_;
    std::string key_text_;
    int mode_ = 0;
    int last_block_ = 0;
    int last_position_ = -1;
    int result_ = 0;
    bank::SlotPath path_{};
    bool block_store_ = false;
};
