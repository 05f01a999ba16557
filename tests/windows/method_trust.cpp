// Opens the bank folder given and prints what cadr 1, slot 2 reads: the test method library's
// "abc" when the bank loaded its library, nothing when it did not. Built by the method-library
// test with the mingw-w64 compiler against the Windows build's bank library.
#include <cstdio>
#include <cstdlib>

#include "bank/bank.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    try {
        std::unique_ptr<Bank> bank = Bank::open(argv[1]);
        char* text = nullptr;
        const int n = bank->read_slot(1, 2, &text);
        std::printf("%s\n", n > 0 && text != nullptr ? text : "");
        std::free(text);
    } catch (...) {
        return 3;
    }
    return 0;
}
