// Every export with handles it must refuse, null pointers and extreme values: nothing crashes
// (the sanitizer build runs this too), a refused handle costs no register access and writes no
// status, a null status pointer is never written through, and null data sends zeros or nothing.
#include <climits>
#include <fstream>
#include <set>
#include <string>

#include "export_calls.h"
#include "simulated_card.h"

namespace {

// ---- Handles that exports must refuse ---------------------------------------------------------

enum class BadHandle { Null, OpenFailed, IoBaseFailed };

const char* name_of(BadHandle kind) {
    constexpr const char* kNames[] = {"Null", "OpenFailed", "IoBaseFailed"};
    return kNames[static_cast<int>(kind)];
}
void PrintTo(BadHandle kind, std::ostream* os) { *os << name_of(kind); }

// A record from a DioInitialize that failed at the bridge (open flag 0), or null.
DioMasterHandle* make_handle(BadHandle kind) {
    if (kind == BadHandle::Null) return nullptr;
    ch367sim_fail_open(kind == BadHandle::OpenFailed ? 1 : 0);
    ch367sim_fail_io_base(kind == BadHandle::IoBaseFailed ? 1 : 0);
    DioMasterHandle* handle = nullptr;
    std::int16_t status = 0;
    DioInitialize(nullptr, &handle, &status);
    ch367sim_clear_faults();
    EXPECT_EQ(status, kind == BadHandle::OpenFailed ? DIO_ERR_INVALID_CH367_HANDLE
                                                    : DIO_ERR_IO_BASE_ADDRESS);
    EXPECT_NE(handle, nullptr);
    return handle;
}

class RefusedHandle
    : public ::testing::TestWithParam<std::tuple<ExportCall, BadHandle>> {
protected:
    void SetUp() override { ch367sim_reset(); }
    void TearDown() override { ch367sim_reset(); }
};

TEST_P(RefusedHandle, NoRegisterAccessNoStatusFlagZero) {
    const auto& [row, kind] = GetParam();
    DioMasterHandle* handle = make_handle(kind);
    const ch367sim_counters before = ch367sim_get_counters();

    const Outcome outcome = run_export(row, handle);

    const ch367sim_counters after = ch367sim_get_counters();
    EXPECT_EQ(after.register_reads, before.register_reads);
    EXPECT_EQ(after.register_writes, before.register_writes);
    EXPECT_EQ(after.transactions, before.transactions);
    const int refused_flag = row.expected(false).flag == kNoFlag ? kNoFlag : 0;
    EXPECT_EQ(outcome, (Outcome{refused_flag, kUntouchedStatus}));

    DioClose(handle);
    EXPECT_EQ(ch367sim_get_counters().closes, after.closes) << "a refused handle was closed";
}

std::string refused_handle_name(
    const ::testing::TestParamInfo<std::tuple<ExportCall, BadHandle>>& info) {
    return export_call_name(std::get<0>(info.param)) + name_of(std::get<1>(info.param));
}

INSTANTIATE_TEST_SUITE_P(AllExports, RefusedHandle,
                         ::testing::Combine(::testing::ValuesIn(export_calls()),
                                            ::testing::Values(BadHandle::Null, BadHandle::OpenFailed,
                                                              BadHandle::IoBaseFailed)),
                         refused_handle_name);

// ---- A null status pointer ------------------------------------------------------------------

class NullStatus : public SimulatedCard, public ::testing::WithParamInterface<ExportCall> {};

TEST_P(NullStatus, IsNeverWrittenAndChangesNothingOnTheBus) {
    const ExportCall& row = GetParam();
    std::int16_t status = kUntouchedStatus;
    const std::uint64_t start = register_accesses();
    row.call(card, &status);
    const std::uint64_t with_status = register_accesses() - start;

    row.call(card, nullptr);
    EXPECT_EQ(register_accesses() - start - with_status, with_status);
}

INSTANTIATE_TEST_SUITE_P(AllExports, NullStatus, ::testing::ValuesIn(export_calls()),
                         [](const auto& info) { return export_call_name(info.param); });

// ---- Null data and extreme values on an open card --------------------------------------------

enum class Bus { None, Some, Zeros };  // Zeros: the last transaction sent only 0x00 bytes

struct BadInput {
    const char* name;
    std::function<int(DioMasterHandle*, std::int16_t*)> call;
    Outcome expected;
    Bus bus;
};
void PrintTo(const BadInput& row, std::ostream* os) { *os << row.name; }

std::uint8_t small_buffer[16];
std::uint8_t big_buffer[255 * 255];  // the largest area: 255 rows of 255 bytes

const std::uint8_t* const* columns_with_a_null_entry() {
    static const std::uint8_t levels[64] = {};
    static const std::uint8_t* columns[256];
    for (const std::uint8_t*& column : columns) column = levels;
    columns[255] = nullptr;
    return columns;
}

// Longer than the row, so the column wraps many times.
const char* long_text() {
    static const std::string text(1000, 'W');
    return text.c_str();
}

// Reported statuses, for the expectation column.
constexpr Outcome untouched{kNoFlag, kUntouchedStatus};
constexpr Outcome status_only(std::int16_t status) { return {kNoFlag, status}; }
constexpr Outcome flag_ok{1, kUntouchedStatus};

const std::vector<BadInput>& bad_inputs() {
    static const std::vector<BadInput> rows = {
        {"StreamSPIDevice6", [](auto c, auto s) { DioStreamSPI(c, 6, small_buffer, small_buffer, 4, s); return kNoFlag; },
         status_only(DIO_ERR_INVALID_SPI_DEVICE), Bus::None},
        {"WriteSPIDevice255", [](auto c, auto s) { DioWriteSPI(c, 255, small_buffer, 4, s); return kNoFlag; },
         status_only(DIO_ERR_INVALID_SPI_DEVICE), Bus::None},
        {"ReadSPIDevice255", [](auto c, auto s) { DioReadSPI(c, 255, small_buffer, 4, s); return kNoFlag; },
         status_only(DIO_ERR_INVALID_SPI_DEVICE), Bus::None},
        {"StreamSPINullBuffers", [](auto c, auto s) { DioStreamSPI(c, 4, nullptr, nullptr, 16, s); return kNoFlag; },
         untouched, Bus::Zeros},
        {"WriteSPINullData", [](auto c, auto s) { DioWriteSPI(c, 1, nullptr, 16, s); return kNoFlag; },
         untouched, Bus::Zeros},
        {"ReadSPINullBuffer", [](auto c, auto s) { DioReadSPI(c, 0, nullptr, 16, s); return kNoFlag; },
         untouched, Bus::Zeros},
        {"StreamSPICount0", [](auto c, auto s) { DioStreamSPI(c, 5, nullptr, nullptr, 0, s); return kNoFlag; },
         untouched, Bus::Some},
        {"SetADRSRLow255", [](auto c, auto) { DioSetADRSR_Low(c, 255); return kNoFlag; }, untouched, Bus::Some},
        {"SetADRSRHigh0", [](auto c, auto) { DioSetADRSR_High(c, 0); return kNoFlag; }, untouched, Bus::Some},
        {"StepInt32Min", [](auto c, auto s) { DioStep(c, INT32_MIN, s); return kNoFlag; },
         status_only(DIO_ERR_STEP_SIZE), Bus::None},
        {"Step0", [](auto c, auto s) { DioStep(c, 0, s); return kNoFlag; }, status_only(DIO_ERR_STEP_SIZE), Bus::None},
        {"StepInt32Max", [](auto c, auto s) { DioStep(c, INT32_MAX, s); return kNoFlag; }, untouched, Bus::Some},
        {"SetupTriggerMode255", [](auto c, auto) { return int{DioSetupTriggerMode(c, 255, 0)}; }, flag_ok, Bus::Some},
        {"ReadCtrlMemory0Words", [](auto c, auto s) { DioReadCtrlMemory(c, small_buffer, 0, 0, s); return kNoFlag; },
         status_only(DIO_ERR_READ_ZERO_WORDS), Bus::None},
        {"ReadOutMemory0WordsNullBuffer", [](auto c, auto s) { DioReadOutMemory(c, nullptr, 0, 0, s); return kNoFlag; },
         status_only(DIO_ERR_READ_ZERO_WORDS), Bus::None},
        {"WriteCtrlMemory0Words", [](auto c, auto s) { DioWriteCtrlMemory(c, small_buffer, 0, 0, s); return kNoFlag; },
         status_only(DIO_ERR_WRITE_ZERO_WORDS), Bus::None},
        {"WriteOutMemory0WordsNullBuffer", [](auto c, auto s) { DioWriteOutMemory(c, nullptr, 0, 0, s); return kNoFlag; },
         status_only(DIO_ERR_WRITE_ZERO_WORDS), Bus::None},
        {"ReadCtrlMemoryNullBufferLastAddress",
         [](auto c, auto s) { DioReadCtrlMemory(c, nullptr, 0xFFFFFFFF, 2, s); return kNoFlag; },
         status_only(8), Bus::Zeros},
        {"ReadOutMemoryNullBuffer", [](auto c, auto s) { DioReadOutMemory(c, nullptr, 0, 2, s); return kNoFlag; },
         status_only(8), Bus::Zeros},
        {"WriteCtrlMemoryNullBuffer", [](auto c, auto s) { DioWriteCtrlMemory(c, nullptr, 0, 2, s); return kNoFlag; },
         untouched, Bus::Zeros},
        {"WriteOutMemoryNullBufferLastAddress",
         [](auto c, auto s) { DioWriteOutMemory(c, nullptr, 0xFFFFFFFF, 2, s); return kNoFlag; },
         untouched, Bus::Zeros},
        {"ReadProgramCounterNullBuffer", [](auto c, auto s) { return int{DioReadProgramCounter(c, nullptr, s)}; },
         Outcome{1, 4}, Bus::Zeros},
        {"ReadCurrentIONullBuffer", [](auto c, auto s) { return int{DioReadCurrentIO(c, nullptr, s)}; },
         Outcome{1, 4}, Bus::Zeros},
        {"ReadMaxDataLinesNullBuffer", [](auto c, auto s) { return int{DioReadMaxDataLines(c, nullptr, s)}; },
         Outcome{1, 4}, Bus::Zeros},
        {"ReadStatusRegisterNullBuffer", [](auto c, auto s) { return int{DioReadStatusRegister(c, nullptr, s)}; },
         Outcome{1, 2}, Bus::Zeros},
        {"WriteProgramCounterAllOnes", [](auto c, auto) { return int{DioWriteProgramCounter(c, 0xFFFFFFFF)}; },
         flag_ok, Bus::Some},
        {"WriteCurrentIOAllOnes", [](auto c, auto) { return int{DioWriteCurrentIO(c, 0xFFFFFFFF)}; }, flag_ok,
         Bus::Some},
        // Display: null data, text, columns and bitmaps draw and send nothing.
        {"RowValImmRow255", [](auto c, auto) { DioWriteOLEDRowValImm(c, 255, 255); return kNoFlag; }, untouched, Bus::Some},
        {"PixelPairImmAll255", [](auto c, auto) { DioWriteOLEDPixelPairImm(c, 255, 255, 255); return kNoFlag; }, untouched, Bus::Some},
        {"PixelImmAll255", [](auto c, auto) { DioWriteOLEDPixelImm(c, 255, 255, 255); return kNoFlag; }, untouched, Bus::Some},
        {"ArrImmNullData", [](auto c, auto) { DioWriteOLEDArrImm(c, 1, 0, nullptr, 8192); return kNoFlag; }, untouched, Bus::None},
        {"ArrImmEvenLength0", [](auto c, auto) { DioWriteOLEDArrImm(c, 0, 0, big_buffer, 0); return kNoFlag; }, untouched, Bus::Some},
        {"ArrImmOddLength0", [](auto c, auto) { DioWriteOLEDArrImm(c, 255, 255, big_buffer, 0); return kNoFlag; }, untouched, Bus::None},
        {"ArrImmOddLength8193", [](auto c, auto) { DioWriteOLEDArrImm(c, 255, 63, big_buffer, 8193); return kNoFlag; }, untouched, Bus::Some},
        {"ArrImmEvenLength8193", [](auto c, auto) { DioWriteOLEDArrImm(c, 254, 255, big_buffer, 8193); return kNoFlag; }, untouched, Bus::Some},
        {"RowArrImmNullData", [](auto c, auto) { DioWriteOLEDRowArrImm(c, 0, nullptr); return kNoFlag; }, untouched, Bus::None},
        {"ScreenArrImmNullData", [](auto c, auto) { DioWriteOLEDScreenArrImm(c, nullptr); return kNoFlag; }, untouched, Bus::None},
        {"AreaArrImmNullData", [](auto c, auto) { DioWriteOLEDAreaArrImm(c, 1, 0, 4, 4, nullptr); return kNoFlag; }, untouched, Bus::None},
        {"AreaArrImmHeight0", [](auto c, auto) { DioWriteOLEDAreaArrImm(c, 1, 0, 4, 0, big_buffer); return kNoFlag; }, untouched, Bus::None},
        {"AreaArrImmWidth0OddX", [](auto c, auto) { DioWriteOLEDAreaArrImm(c, 1, 0, 0, 4, big_buffer); return kNoFlag; }, untouched, Bus::None},
        {"AreaArrImmAll255", [](auto c, auto) { DioWriteOLEDAreaArrImm(c, 255, 255, 255, 255, big_buffer); return kNoFlag; }, untouched, Bus::Some},
        {"UnpackedImmNullColumns", [](auto c, auto) { DioWriteOLED2DUnpackedArrImm(c, nullptr); return kNoFlag; }, untouched, Bus::None},
        {"UnpackedImmNullColumnEntry", [](auto c, auto) { DioWriteOLED2DUnpackedArrImm(c, columns_with_a_null_entry()); return kNoFlag; }, untouched, Bus::None},
        {"PixelPairBuffModeInt32Min", [](auto c, auto) { DioWriteOLEDPixelPairBuff(c, INT32_MIN, 255, 255, 255); return kNoFlag; }, untouched, Bus::None},
        {"PixelBuffMode5", [](auto c, auto) { DioWriteOLEDPixelBuff(c, 5, 255, 255, 255); return kNoFlag; }, untouched, Bus::None},
        {"ArrBuffNullData", [](auto c, auto) { DioWriteOLEDArrBuff(c, DIO_BLEND_OR, 1, 0, nullptr, 8192); return kNoFlag; }, untouched, Bus::None},
        {"ArrBuffReplaceWrapsPastTheEnd", [](auto c, auto) { DioWriteOLEDArrBuff(c, DIO_BLEND_REPLACE, 255, 63, big_buffer, 8193); return kNoFlag; }, untouched, Bus::None},
        {"ArrBuffOddLength8193ModeMinus1", [](auto c, auto) { DioWriteOLEDArrBuff(c, -1, 255, 255, big_buffer, 8193); return kNoFlag; }, untouched, Bus::None},
        {"ArrBuffOddLength0", [](auto c, auto) { DioWriteOLEDArrBuff(c, DIO_BLEND_XOR, 255, 255, big_buffer, 0); return kNoFlag; }, untouched, Bus::None},
        {"RowArrBuffNullData", [](auto c, auto) { DioWriteOLEDRowArrBuff(c, DIO_BLEND_REPLACE, 255, nullptr); return kNoFlag; }, untouched, Bus::None},
        {"ScreenArrBuffNullData", [](auto c, auto) { DioWriteOLEDScreenArrBuff(c, DIO_BLEND_MAX, nullptr); return kNoFlag; }, untouched, Bus::None},
        {"AreaArrBuffAll255", [](auto c, auto) { DioWriteOLEDAreaArrBuff(c, INT32_MAX, 255, 255, 255, 255, big_buffer); return kNoFlag; }, untouched, Bus::None},
        {"AreaArrBuffReplaceAll255", [](auto c, auto) { DioWriteOLEDAreaArrBuff(c, DIO_BLEND_REPLACE, 255, 255, 255, 255, big_buffer); return kNoFlag; }, untouched, Bus::None},
        {"LineImmOnePoint", [](auto c, auto) { DioWriteOLEDLineImm(c, 9, 9, 9, 9, 0, 255); return kNoFlag; }, untouched, Bus::None},
        {"LineImmAll255To0", [](auto c, auto) { DioWriteOLEDLineImm(c, 255, 255, 0, 0, 255, 0); return kNoFlag; }, untouched, Bus::Some},
        {"LineBuffAll255To0", [](auto c, auto) { DioWriteOLEDLineBuff(c, INT32_MIN, 255, 255, 0, 0, 255, 0); return kNoFlag; }, untouched, Bus::None},
        {"CharImmCodeMinus128", [](auto c, auto) { DioWriteOLEDCharImm(c, 255, 255, -128); return kNoFlag; }, untouched, Bus::None},
        {"CharImmCode0", [](auto c, auto) { DioWriteOLEDCharImm(c, 0, 0, 0); return kNoFlag; }, untouched, Bus::None},
        {"CharImmCode127", [](auto c, auto) { DioWriteOLEDCharImm(c, 255, 255, 127); return kNoFlag; }, untouched, Bus::Some},
        {"CharBuffCode127", [](auto c, auto) { DioWriteOLEDCharBuff(c, DIO_BLEND_REPLACE, 255, 255, 127); return kNoFlag; }, untouched, Bus::None},
        {"StrImmNullText", [](auto c, auto) { DioWriteOLEDStrImm(c, 0, 0, nullptr); return kNoFlag; }, untouched, Bus::None},
        {"StrImmEmptyText", [](auto c, auto) { DioWriteOLEDStrImm(c, 0, 0, ""); return kNoFlag; }, untouched, Bus::None},
        {"StrImmHighBytes", [](auto c, auto) { DioWriteOLEDStrImm(c, 255, 255, "\x80\xff\x01"); return kNoFlag; }, untouched, Bus::None},
        {"StrBuffNullText", [](auto c, auto) { DioWriteOLEDStrBuff(c, DIO_BLEND_OR, 0, 0, nullptr); return kNoFlag; }, untouched, Bus::None},
        {"AreaBMPImmNullBitmap", [](auto c, auto) { DioWriteOLEDAreaBMPImm(c, 1, 0, nullptr); return kNoFlag; }, untouched, Bus::None},
        {"AreaBMPBuffNullBitmap", [](auto c, auto) { DioWriteOLEDAreaBMPBuff(c, DIO_BLEND_OR, 255, 255, nullptr); return kNoFlag; }, untouched, Bus::None},
        {"StrBuffLongText", [](auto c, auto) { DioWriteOLEDStrBuff(c, DIO_BLEND_OR, 255, 255, long_text()); return kNoFlag; }, untouched, Bus::None},
    };
    return rows;
}

class BadInputMatrix : public SimulatedCard, public ::testing::WithParamInterface<BadInput> {};

TEST_P(BadInputMatrix, IsHandledSafely) {
    const BadInput& row = GetParam();
    const std::uint64_t start = register_accesses();
    Outcome outcome;
    outcome.flag = row.call(card, &outcome.status);
    EXPECT_EQ(outcome, row.expected);
    EXPECT_EQ(register_accesses() != start, row.bus != Bus::None);
    if (row.bus == Bus::Zeros) {
        const auto frames = sent_frames();
        ASSERT_FALSE(frames.empty());
        EXPECT_FALSE(frames.back().empty());
        EXPECT_EQ(frames.back(), std::vector<std::uint8_t>(frames.back().size(), 0x00));
    }
    // The same call without a status variable does not crash either.
    row.call(card, nullptr);
}

INSTANTIATE_TEST_SUITE_P(OpenCard, BadInputMatrix, ::testing::ValuesIn(bad_inputs()),
                         [](const auto& info) { return std::string(info.param.name); });

// A refused handle is refused before the arguments are looked at: the same bad inputs write no
// status and cost no register access.
TEST(RefusedHandleWithBadInput, IsRefusedBeforeTheArguments) {
    for (const BadHandle kind : {BadHandle::Null, BadHandle::OpenFailed, BadHandle::IoBaseFailed}) {
        ch367sim_reset();
        DioMasterHandle* handle = make_handle(kind);
        for (const BadInput& row : bad_inputs()) {
            SCOPED_TRACE(::testing::Message() << name_of(kind) << " " << row.name);
            const std::uint64_t start = register_accesses();
            Outcome outcome;
            outcome.flag = row.call(handle, &outcome.status);
            EXPECT_EQ(register_accesses(), start);
            const int refused_flag = row.expected.flag == kNoFlag ? kNoFlag : 0;
            EXPECT_EQ(outcome, (Outcome{refused_flag, kUntouchedStatus}));
        }
        DioClose(handle);
    }
    ch367sim_reset();
}

// ---- Exports without a master handle --------------------------------------------------------

TEST(BadInputWithoutHandle, InitializeWithoutHandleVariableOpensNothing) {
    ch367sim_reset();
    std::int16_t status = kUntouchedStatus;
    DioInitialize(nullptr, nullptr, &status);
    EXPECT_EQ(status, DIO_ERR_ALLOCATE_HANDLE);
    EXPECT_EQ(ch367sim_get_counters().opens, 0u);
    EXPECT_EQ(register_accesses(), 0u);
    DioInitialize(nullptr, nullptr, nullptr);
    EXPECT_EQ(ch367sim_get_counters().opens, 0u);
}

TEST(BadInputWithoutHandle, InitializeWithoutStatusStillOpens) {
    ch367sim_reset();
    DioMasterHandle* card = nullptr;
    DioInitialize(reinterpret_cast<void*>(~std::uintptr_t{0}), &card, nullptr);
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(ch367sim_is_open(), 1);
    EXPECT_EQ(DioArm(card), 1);
    DioClose(card);
    DioClose(nullptr);
    EXPECT_EQ(ch367sim_get_counters().closes, 1u);
    ch367sim_reset();
}

TEST(BadInputWithoutHandle, BitmapWithoutFileOrVariable) {
    std::int16_t status = kUntouchedStatus;
    EXPECT_EQ(DioOpenBMP(nullptr, nullptr, &status), nullptr);
    EXPECT_EQ(status, DIO_ERR_INVALID_BMP);
    status = kUntouchedStatus;
    EXPECT_EQ(DioOpenBMP(nullptr, "/nonexistent/quorvel.bmp", &status), nullptr);
    EXPECT_EQ(status, DIO_ERR_INVALID_BMP);
    EXPECT_EQ(DioOpenBMP(nullptr, "", nullptr), nullptr);
    DioCloseBMP(nullptr, nullptr);
    DioBitmap* none = nullptr;
    DioCloseBMP(nullptr, &none);
    EXPECT_EQ(none, nullptr);
}

TEST(BadInputWithoutHandle, EveryStatusCodeHasItsMessage) {
    struct Case { std::int16_t code; const char* message; };
    const Case cases[] = {
        {0, "OK"},
        {1, "OK"},
        {2, "OK"},
        {4, "OK"},
        {32767, "OK"},
        {-1, "Error: Cannot allocate lpnMasterHandle."},
        {-2, "Error: Invalid CH367 handle returned."},
        {-3, "Error: Cannot get io_reg address for the CH367."},
        {-4, "Error: Commanded step size is less than or equal to zero."},
        {-5, "Error: Number of bytes to write is larger than available memory."},
        {-6, "Error: Number of bytes to write is zero, needs to be at least 1."},
        {-7, "Error: Number of bytes to read is specified to be zero, needs to be at least 1."},
        {-8, "Error: Cannot read SPI."},
        {-9, "Error: Cannot stream SPI."},
        {-10, "Error: Cannot write to the SPI."},
        {-11, "Error: Tried to access an invalid SPI address."},
        {-12, "Error: Tried to open invalid BMP file."},
        {-13, "Error: Unknown status code."},
        {-32768, "Error: Unknown status code."},
    };
    int anything = 0;
    for (const Case& c : cases) {
        EXPECT_STREQ(DioGetErrorStr(nullptr, c.code), c.message) << c.code;
        EXPECT_EQ(DioGetErrorStr(&anything, c.code), DioGetErrorStr(nullptr, c.code)) << c.code;
    }
}

// ---- Coverage ---------------------------------------------------------------------------

// Every name of the export list is swept: by the table of exports that take a master handle, or
// by the tests above of the five that do not.
TEST(BadInputCoverage, EveryExportIsInTheMatrix) {
    std::set<std::string> covered = {"DioInitialize", "DioClose", "DioGetErrorStr", "DioOpenBMP",
                                     "DioCloseBMP"};
    for (const ExportCall& row : export_calls()) covered.insert(row.name);
    std::ifstream list(QUORVEL_EXPORT_LIST);
    std::size_t exports = 0;
    for (std::string name; list >> name; ++exports) EXPECT_EQ(covered.count(name), 1u) << name;
    EXPECT_EQ(exports, 56u);
    EXPECT_EQ(covered.size(), exports);
}

}  // namespace
