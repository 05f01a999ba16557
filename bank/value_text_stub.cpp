// Temporary stand-ins for the value text forms so that the library links; replaced by
// value_text.cpp.
#include "bank/value_text.h"

namespace bank {

int32_t day_number(int, int, int) {
    return 0;
}
std::string date_text(uint32_t) {
    return {};
}
std::string time_of_day_text(uint64_t) {
    return {};
}
std::string date_time_text(int64_t) {
    return {};
}
int32_t parse_date(const char*) {
    return 0;
}
int64_t parse_date_time(const char*) {
    return 0;
}
bool dates_month_first() {
    return false;
}
void reset_date_order_for_tests() {}
bool value_text(uint8_t, uint8_t, uint16_t, const uint8_t*, bool, std::string& out) {
    out.clear();
    return true;
}

}  // namespace bank
