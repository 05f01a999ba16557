#include "loading/bank_images.h"

#include <cstdint>
#include <exception>
#include <string>

#include "bank/bank.h"
#include "loading/data_root.h"
#include "loading/descramble_stream.h"
#include "loading/jpeg_decoder.h"

namespace {

constexpr int kImageSlot = 2;
constexpr loading::KeptBankId kBankIds[] = {loading::KeptBankId::kColourImages,
                                            loading::KeptBankId::kFormImages,
                                            loading::KeptBankId::kFactureImages};

}  // namespace

loading::ByteBuffer loading::load_bank_record(DataRoot& root, int n, int kind, size_t& size,
                                              int& image_count) {
    if (kind < kColourImages || kind > kFactureImages) return nullptr;
    Bank* bank = root.bank(kBankIds[kind]);
    if (bank == nullptr) return nullptr;

    char* record = nullptr;
    int length = 0;
    int64_t index = 0;
    try {
        const int count = bank->record_count();
        image_count = count;
        index = static_cast<int64_t>(n) % (static_cast<int64_t>(count) + 1);
        if (index == 0) index = 1;
        if (index < 0) return nullptr;
        length = bank->read_slot(static_cast<int>(index), kImageSlot, &record);
    } catch (const std::exception&) {
        length = 0;
    }
    ByteBuffer bytes(reinterpret_cast<unsigned char*>(record));
    if (length <= 0 || !bytes) return nullptr;

    descramble_record(static_cast<int>(index), bytes.get(), static_cast<size_t>(length));
    size = static_cast<size_t>(length);
    return bytes;
}

loading::PixelBuffer loading::load_bank_image(DataRoot& root, int n, int kind, int& width,
                                              int& height, int& image_count, int max_side) {
    size_t size = 0;
    const ByteBuffer bytes = load_bank_record(root, n, kind, size, image_count);
    if (!bytes) return nullptr;
    return decode_jpeg(bytes.get(), size, width, height, max_side);
}
