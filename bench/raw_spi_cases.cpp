// Raw SPI and address-register exports against their minimal loops.
#include <array>
#include <cstdint>

#include "bus_case.h"
#include "cases.h"
#include "link/bridge.h"
#include "link/registers.h"

namespace bench {

namespace {

using minimal::Bus;

constexpr std::uint8_t kDevice = 3;
constexpr std::size_t kBytes = 256;
std::array<std::uint8_t, kBytes> out_bytes{};
std::array<std::uint8_t, kBytes> in_bytes{};

}  // namespace

void register_raw_spi_cases() {
    const auto stream_spi = [] {
        std::int16_t status = 0;
        DioStreamSPI(bench_card(), kDevice, out_bytes.data(), in_bytes.data(), kBytes, &status);
    };
    const auto write_spi = [] {
        std::int16_t status = 0;
        DioWriteSPI(bench_card(), kDevice, out_bytes.data(), kBytes, &status);
    };
    register_bus_case({"DioStreamSPI/bytes:256", stream_spi, [](Bus& bus) {
                           minimal::transaction(bus, kDevice, out_bytes.data(), in_bytes.data(),
                                                kBytes);
                       }});
    register_bus_case({"DioWriteSPI/bytes:256", write_spi, [](Bus& bus) {
                           minimal::transaction(bus, kDevice, out_bytes.data(), nullptr, kBytes);
                       }});
    register_bus_case({"DioReadSPI/bytes:256",
                       [] {
                           std::int16_t status = 0;
                           DioReadSPI(bench_card(), kDevice, in_bytes.data(), kBytes, &status);
                       },
                       [](Bus& bus) {
                           minimal::transaction(bus, kDevice, nullptr, in_bytes.data(), kBytes);
                       }});
    // The same two exports against the transaction compiled into this program: what the calls
    // through the dynamic linker's tables cost the library and the floor above.
    register_bus_case({"DioWriteSPI/bytes:256/in_executable", write_spi, [](Bus& bus) {
                           in_executable::transaction(bus, kDevice, out_bytes.data(), nullptr, kBytes);
                       }});
    register_bus_case({"DioStreamSPI/bytes:256/in_executable", stream_spi, [](Bus& bus) {
                           in_executable::transaction(bus, kDevice, out_bytes.data(), in_bytes.data(),
                                                      kBytes);
                       }});
    register_bus_case({"DioSetADRSR_Low", [] { DioSetADRSR_Low(bench_card(), 0x5A); },
                       [](Bus& bus) {
                           CH367WriteIoByte(
                               bus.io_base +
                                   static_cast<std::uint8_t>(quorvel::link::Register::AddressLow),
                               0x5A);
                       }});
}

}  // namespace bench
