#pragma once
// Banks kept open for the rest of the run: each is opened at its first use and kept, and a
// failed opening is tried again at the next use. A bank is opened anew when the folder it is
// asked for differs from the one it was opened from (the data folder changed).
#include <memory>
#include <string>

class Bank;

namespace loading {

class KeptBank {
  public:
    KeptBank();
    ~KeptBank();
    KeptBank(const KeptBank&) = delete;
    KeptBank& operator=(const KeptBank&) = delete;

    // The bank over `folder`, opening it when needed; null when it cannot be opened.
    Bank* get(const std::string& folder);

  private:
    std::string folder_;
    std::unique_ptr<Bank> bank_;
};

}  // namespace loading
