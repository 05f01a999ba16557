#pragma once
// The data folder below which every data file and bank of a picture is read, with the banks the
// loaders keep open for as long as the root lives: the program bank "data/Base3" and the image
// banks "data/Base1" (colour images), "Base2" (forms) and "Base4" (factures). Each bank is opened
// at its first use and kept; a failed opening is tried again at the next use.
#include <array>
#include <memory>
#include <string>

class Bank;

namespace loading {

enum class KeptBankId { kProgram, kColourImages, kFormImages, kFactureImages };

class DataRoot {
  public:
    // An empty folder text stands for ".".
    explicit DataRoot(std::string folder = ".");
    ~DataRoot();
    DataRoot(DataRoot&&) noexcept;
    DataRoot& operator=(DataRoot&&) noexcept;

    const std::string& folder() const { return folder_; }

    // The kept bank, opened when needed; null when it cannot be opened.
    Bank* bank(KeptBankId id);

    // Closes every kept bank; the next use opens it again (tools and tests that rewrite banks).
    void close_banks();

  private:
    std::string folder_;
    std::array<std::unique_ptr<Bank>, 4> banks_;
};

}  // namespace loading
