#include "export_calls.h"

#include <array>

#include "bmp_file.h"

namespace {

// Buffers big enough for every call below; their contents do not matter.
std::array<std::uint8_t, 16 * 1024> buffer{};
constexpr std::uint64_t kScreenBytes = 8192;

// One pointer per pixel column into 64 levels each, for the unpacked screen writer.
const std::uint8_t* const* unpacked_columns() {
    static std::array<std::uint8_t, 256 * 64> levels{};
    static std::array<const std::uint8_t*, 256> columns = [] {
        std::array<const std::uint8_t*, 256> c{};
        for (std::size_t x = 0; x < c.size(); ++x) c[x] = &levels[x * 64];
        return c;
    }();
    return columns.data();
}

constexpr std::uint32_t kWords = 4;  // memory transfers: 16 bytes
constexpr std::uint64_t kSpiBytes = 3;

// A whole-screen bitmap (256 x 64 at 4 bits per pixel), loaded once: loading is the one thing
// besides the open that may allocate, so it happens while the table is built.
const DioBitmap* screen_bitmap() {
    static const TempFile file("export-calls.bmp", BmpFile(256, 64, counting_bytes(kScreenBytes)).bytes());
    static DioBitmap* bitmap = [] {
        std::int16_t status = 0;
        return DioOpenBMP(nullptr, file.path().c_str(), &status);
    }();
    return bitmap;
}

// Exports that return a success flag (their last transaction's, where they run any) and have no
// status.
Outcome flag_only(bool last_failed) { return {last_failed ? 0 : 1, kUntouchedStatus}; }
// Exports that report nothing at all.
Outcome nothing(bool) { return {}; }
// Register reads: flag, and the byte count or -8 as status.
auto register_read(std::int16_t bytes) {
    return [bytes](bool last_failed) {
        return Outcome{last_failed ? 0 : 1,
                       last_failed ? std::int16_t{DIO_ERR_READ_SPI} : bytes};
    };
}
// Memory reads: the byte count or -8, no flag.
Outcome memory_read(bool last_failed) {
    return {kNoFlag, last_failed ? std::int16_t{DIO_ERR_READ_SPI} : std::int16_t{4 * kWords}};
}
// DioSetupOLED: its last transaction's flag, and status 0 whatever happened.
Outcome setup(bool last_failed) { return {last_failed ? 0 : 1, DIO_OK}; }
// Raw SPI: the export's failure code, status untouched on success.
auto raw_spi(std::int16_t failure) {
    return [failure](bool last_failed) {
        return Outcome{kNoFlag, last_failed ? failure : kUntouchedStatus};
    };
}

using Call = std::function<int(DioMasterHandle*, std::int16_t*)>;

// Adapters for the common signatures.
Call returning(std::uint8_t (*export_fn)(DioMasterHandle*)) {
    return [export_fn](DioMasterHandle* card, std::int16_t*) { return int{export_fn(card)}; };
}
// Memory transfers of kWords words from word 8, into or out of the buffer: status only.
template <auto transfer>
int memory_transfer(DioMasterHandle* card, std::int16_t* status) {
    transfer(card, buffer.data(), 8, kWords, status);
    return kNoFlag;
}
// Register reads into the buffer: flag and status.
template <auto read>
int register_into_buffer(DioMasterHandle* card, std::int16_t* status) {
    return int{read(card, buffer.data(), status)};
}

std::vector<ExportCall> build() {
    std::vector<ExportCall> rows = {
        // Raw SPI and address registers.
        {"DioStreamSPI",
         [](DioMasterHandle* c, std::int16_t* s) {
             DioStreamSPI(c, 2, buffer.data(), buffer.data(), kSpiBytes, s);
             return kNoFlag;
         },
         raw_spi(DIO_ERR_STREAM_SPI), true},
        {"DioWriteSPI",
         [](DioMasterHandle* c, std::int16_t* s) {
             DioWriteSPI(c, 5, buffer.data(), kSpiBytes, s);
             return kNoFlag;
         },
         raw_spi(DIO_ERR_WRITE_SPI), true},
        {"DioReadSPI",
         [](DioMasterHandle* c, std::int16_t* s) {
             DioReadSPI(c, 0, buffer.data(), kSpiBytes, s);
             return kNoFlag;
         },
         raw_spi(DIO_ERR_READ_SPI), true},
        {"DioSetADRSR_Low",
         [](DioMasterHandle* c, std::int16_t*) { return int{DioSetADRSR_Low(c, 0x12)}; },
         flag_only, false},
        {"DioSetADRSR_High",
         [](DioMasterHandle* c, std::int16_t*) { return int{DioSetADRSR_High(c, 0xFF)}; },
         flag_only, false},
        // Pattern generator run control.
        {"DioArm", returning(DioArm), flag_only, true},
        {"DioHalt", returning(DioHalt), flag_only, true},
        {"DioReset", returning(DioReset), flag_only, true},
        {"DioPause", returning(DioPause), flag_only, true},
        {"DioTrig", returning(DioTrig), flag_only, true},
        {"DioResetDDS", returning(DioResetDDS), flag_only, true},
        {"DioClearCtrlMemory", returning(DioClearCtrlMemory), flag_only, true},
        {"DioClearOutMemory", returning(DioClearOutMemory), flag_only, true},
        {"DioStep",
         [](DioMasterHandle* c, std::int16_t* s) {
             DioStep(c, 3, s);
             return kNoFlag;
         },
         nothing, true},
        {"DioSetupTriggerMode",
         [](DioMasterHandle* c, std::int16_t*) { return int{DioSetupTriggerMode(c, 1, 2)}; },
         flag_only, true},
        // Pattern generator transfers.
        {"DioReadCtrlMemory", memory_transfer<DioReadCtrlMemory>, memory_read, true},
        {"DioReadOutMemory", memory_transfer<DioReadOutMemory>, memory_read, true},
        {"DioWriteCtrlMemory", memory_transfer<DioWriteCtrlMemory>, nothing, true},
        {"DioWriteOutMemory", memory_transfer<DioWriteOutMemory>, nothing, true},
        {"DioReadProgramCounter", register_into_buffer<DioReadProgramCounter>,
         register_read(4), true},
        {"DioReadCurrentIO", register_into_buffer<DioReadCurrentIO>,
         register_read(4), true},
        {"DioReadMaxDataLines", register_into_buffer<DioReadMaxDataLines>,
         register_read(4), true},
        {"DioReadStatusRegister", register_into_buffer<DioReadStatusRegister>,
         register_read(2), true},
        {"DioWriteProgramCounter",
         [](DioMasterHandle* c, std::int16_t*) { return int{DioWriteProgramCounter(c, 300)}; },
         flag_only, true},
        {"DioWriteCurrentIO",
         [](DioMasterHandle* c, std::int16_t*) { return int{DioWriteCurrentIO(c, 5)}; },
         flag_only, true},
        // Display set-up and row fill.
        {"DioSetupOLED", [](DioMasterHandle* c, std::int16_t* s) { return int{DioSetupOLED(c, s)}; },
         setup, true},
        {"DioWriteOLEDRowValImm",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDRowValImm(c, 5, 0x5A);
             return kNoFlag;
         },
         nothing, true},
        {"DIOClearOLEDImm",
         [](DioMasterHandle* c, std::int16_t*) {
             DIOClearOLEDImm(c);
             return kNoFlag;
         },
         nothing, true},
        // Immediate drawing: odd columns and the longest runs where the export takes them.
        {"DioWriteOLEDPixelPairImm",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDPixelPairImm(c, 200, 3, 0x5A);
             return kNoFlag;
         },
         nothing, true},
        {"DioWriteOLEDPixelImm",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDPixelImm(c, 11, 3, 7);
             return kNoFlag;
         },
         nothing, true},
        {"DioWriteOLEDArrImm",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDArrImm(c, 1, 0, buffer.data(), kScreenBytes);
             return kNoFlag;
         },
         nothing, true},
        {"DioWriteOLEDRowArrImm",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDRowArrImm(c, 63, buffer.data());
             return kNoFlag;
         },
         nothing, true},
        {"DioWriteOLEDScreenArrImm",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDScreenArrImm(c, buffer.data());
             return kNoFlag;
         },
         nothing, true},
        {"DioWriteOLEDAreaArrImm",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDAreaArrImm(c, 255, 60, 128, 8, buffer.data());
             return kNoFlag;
         },
         nothing, true},
        {"DioWriteOLED2DUnpackedArrImm",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLED2DUnpackedArrImm(c, unpacked_columns());
             return kNoFlag;
         },
         nothing, true},
        // Frame buffer.
        {"DioWriteOLEDPixelPairBuff",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDPixelPairBuff(c, DIO_BLEND_MAX, 130, 64, 0x5A);
             return kNoFlag;
         },
         nothing, false},
        {"DioWriteOLEDPixelBuff",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDPixelBuff(c, DIO_BLEND_NONZERO_REPLACE, 3, 200, 9);
             return kNoFlag;
         },
         nothing, false},
        {"DioWriteOLEDArrBuff",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDArrBuff(c, DIO_BLEND_OR, 1, 0, buffer.data(), kScreenBytes);
             return kNoFlag;
         },
         nothing, false},
        {"DioWriteOLEDRowArrBuff",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDRowArrBuff(c, DIO_BLEND_XOR, 63, buffer.data());
             return kNoFlag;
         },
         nothing, false},
        {"DioWriteOLEDScreenArrBuff",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDScreenArrBuff(c, DIO_BLEND_REPLACE, buffer.data());
             return kNoFlag;
         },
         nothing, false},
        {"DioWriteOLEDAreaArrBuff",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDAreaArrBuff(c, DIO_BLEND_MAX, 255, 60, 128, 8, buffer.data());
             return kNoFlag;
         },
         nothing, false},
        {"DioSendOLEDBuff",
         [](DioMasterHandle* c, std::int16_t*) {
             DioSendOLEDBuff(c);
             return kNoFlag;
         },
         nothing, true},
        {"DioClearOLEDBuff",
         [](DioMasterHandle* c, std::int16_t*) {
             DioClearOLEDBuff(c);
             return kNoFlag;
         },
         nothing, false},
        // Lines, text and bitmaps.
        {"DioWriteOLEDLineImm",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDLineImm(c, 0, 0, 255, 63, 0, 15);
             return kNoFlag;
         },
         nothing, true},
        {"DioWriteOLEDLineBuff",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDLineBuff(c, DIO_BLEND_XOR, 255, 63, 0, 0, 15, 0);
             return kNoFlag;
         },
         nothing, false},
        {"DioWriteOLEDCharImm",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDCharImm(c, 251, 56, 'A');
             return kNoFlag;
         },
         nothing, true},
        {"DioWriteOLEDCharBuff",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDCharBuff(c, DIO_BLEND_OR, 3, 60, 'g');
             return kNoFlag;
         },
         nothing, false},
        {"DioWriteOLEDStrImm",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDStrImm(c, 1, 8, "Hello, world");
             return kNoFlag;
         },
         nothing, true},
        {"DioWriteOLEDStrBuff",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDStrBuff(c, DIO_BLEND_NONZERO_REPLACE, 249, 50,
                                 "0123456789 abcdefghijklmnopqrstuvwxyz");
             return kNoFlag;
         },
         nothing, false},
        {"DioWriteOLEDAreaBMPImm",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDAreaBMPImm(c, 1, 0, screen_bitmap());
             return kNoFlag;
         },
         nothing, true},
        {"DioWriteOLEDAreaBMPBuff",
         [](DioMasterHandle* c, std::int16_t*) {
             DioWriteOLEDAreaBMPBuff(c, DIO_BLEND_MAX, 1, 0, screen_bitmap());
             return kNoFlag;
         },
         nothing, false},
    };
    // Loaded now, outside every measured call.
    if (screen_bitmap() == nullptr) ADD_FAILURE() << "the table's bitmap did not load";
    return rows;
}

}  // namespace

std::ostream& operator<<(std::ostream& os, const Outcome& outcome) {
    return os << "{flag " << outcome.flag << ", status " << outcome.status << "}";
}

const std::vector<ExportCall>& export_calls() {
    static const std::vector<ExportCall> rows = build();
    return rows;
}

Outcome run_export(const ExportCall& row, DioMasterHandle* card) {
    Outcome outcome;
    outcome.flag = row.call(card, &outcome.status);
    return outcome;
}

std::string export_call_name(const ExportCall& row) { return row.name; }

void PrintTo(const ExportCall& row, std::ostream* os) { *os << row.name; }
