#pragma once
// The banks the loaders keep open for the rest of the run: the program bank and the three image
// banks. Each is opened at its first use and kept; a failed opening is tried again at the next
// use, and a bank is opened anew when it is asked for with another folder (the data folder
// changed).
#include <string>

class Bank;

namespace loading {

enum class KeptBankId { kProgram, kColourImages, kFormImages, kFactureImages };

// The kept bank over `folder`, opening it when needed; null when it cannot be opened.
Bank* kept_bank(KeptBankId id, const std::string& folder);

// Closes every kept bank; the next use opens it again (tools and tests that rewrite banks).
void close_kept_banks();

}  // namespace loading
