#include "loading/data_root.h"

#include <exception>
#include <utility>

#include "bank/bank.h"
#include "loading/pixel_buffer.h"

namespace {

constexpr const char* kBankFolders[] = {"/data/Base3", "/data/Base1", "/data/Base2", "/data/Base4"};

}  // namespace

loading::DataRoot::DataRoot(std::string folder)
    : folder_(folder.empty() ? std::string(".") : std::move(folder)) {}

loading::DataRoot::~DataRoot() = default;
loading::DataRoot::DataRoot(DataRoot&&) noexcept = default;
loading::DataRoot& loading::DataRoot::operator=(DataRoot&&) noexcept = default;

Bank* loading::DataRoot::bank(KeptBankId id) {
    std::unique_ptr<Bank>& kept = banks_[static_cast<size_t>(id)];
    if (kept) return kept.get();
    try {
        kept = Bank::open(folder_ + kBankFolders[static_cast<size_t>(id)]);
        if (kept) kept->set_largest_value(static_cast<int64_t>(kLargestDataFile));
    } catch (const std::exception&) {
        kept.reset();
    }
    return kept.get();
}

void loading::DataRoot::close_banks() {
    for (std::unique_ptr<Bank>& kept : banks_) kept.reset();
}
