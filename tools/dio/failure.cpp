#include "failure.h"

#include "QuorvelWCHDLL.h"

namespace dio {

void fail_with_status(std::int16_t status) { throw Failure(DioGetErrorStr(nullptr, status)); }

void check_status(std::int16_t status) {
    if (status < 0) fail_with_status(status);
}

void check_flag(std::uint8_t success_flag) {
    if (success_flag == 0) fail_with_status(DIO_ERR_WRITE_SPI);
}

}  // namespace dio
