#include "loading/bank_packing.h"

#include "bank/bank_writer.h"
#include "loading/descramble_stream.h"

namespace {

constexpr uint8_t kTypeText = 11;   // variable-length text, compared whole
constexpr uint8_t kTypeBytes = 12;  // variable-length bytes, no terminator
constexpr uint16_t kReferenceWidth = 4;

std::vector<bank::SlotLayout> key_and_bytes_slots() {
    bank::SlotLayout key;
    key.type = kTypeText;
    key.width = kReferenceWidth;
    key.name = "name";
    bank::SlotLayout bytes;
    bytes.type = kTypeBytes;
    bytes.width = kReferenceWidth;
    bytes.name = "data";
    bytes.indexed = false;
    return {key, bytes};
}

bool write_bank(const std::string& folder, const std::vector<loading::PackedFile>& files,
                std::string& error) {
    bank::BankWriter writer(key_and_bytes_slots());
    for (const loading::PackedFile& file : files) {
        const int cadr = writer.count() + 1;
        bank::Value value = bank::Value::none();
        if (!file.empty_value) {
            value = bank::Value();
            value.bytes.assign(file.bytes.begin(), file.bytes.end());
            loading::scramble_record(cadr, value.bytes.data(), value.bytes.size());
        }
        if (writer.add({bank::Value::text(file.key), value}) != cadr) {
            error = "unexpected record number for \"" + file.key + "\"";
            return false;
        }
    }
    return writer.write(folder, error);
}

}  // namespace

bool loading::write_program_bank(const std::string& folder, const std::vector<PackedFile>& files,
                                 std::string& error) {
    return write_bank(folder, files, error);
}

bool loading::write_image_bank(const std::string& folder, const std::vector<PackedFile>& images,
                               std::string& error) {
    return write_bank(folder, images, error);
}
