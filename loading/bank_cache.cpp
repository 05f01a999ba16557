#include "loading/bank_cache.h"

#include <exception>
#include <memory>

#include "bank/bank.h"
#include "loading/pixel_buffer.h"

namespace {

struct KeptBank {
    std::string folder;
    std::unique_ptr<Bank> bank;
};

constexpr int kKeptBanks = 4;

KeptBank& kept(loading::KeptBankId id) {
    static KeptBank banks[kKeptBanks];
    return banks[static_cast<int>(id)];
}

}  // namespace

Bank* loading::kept_bank(KeptBankId id, const std::string& folder) {
    KeptBank& k = kept(id);
    if (k.bank && k.folder == folder) return k.bank.get();
    k.bank.reset();
    try {
        k.bank = Bank::open(folder);
        k.folder = folder;
        if (k.bank) k.bank->set_largest_value(static_cast<int64_t>(kLargestDataFile));
    } catch (const std::exception&) {
        k.bank.reset();
    }
    return k.bank.get();
}

void loading::close_kept_banks() {
    for (int i = 0; i < kKeptBanks; ++i) kept(static_cast<KeptBankId>(i)).bank.reset();
}
