#include "loading/bank_cache.h"

#include <exception>

#include "bank/bank.h"

loading::KeptBank::KeptBank() = default;
loading::KeptBank::~KeptBank() = default;

Bank* loading::KeptBank::get(const std::string& folder) {
    if (bank_ && folder_ == folder) return bank_.get();
    bank_.reset();
    try {
        bank_ = Bank::open(folder);
        folder_ = folder;
    } catch (int) {
        bank_.reset();
    } catch (const std::exception&) {
        bank_.reset();
    }
    return bank_.get();
}
