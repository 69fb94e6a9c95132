#include "vcd_writer.h"

#include <array>
#include <cstdio>

#include "bus_timeline.h"
#include "text_file.h"

namespace ch367bus {

namespace {

// Signal order; the VCD identifier of signal i is the character '!' + i. The one-bit signals
// come first, then the vector io_lines, then its wires io0..io31.
enum Signal : unsigned {
    Cs0 = 0, Dc = 6, Rst = 7, Sclk = 8, Mosi = 9, Miso = 10, kSignalCount,
    IoLines = kSignalCount, Io0, kAllSignals = Io0 + 32
};
constexpr std::array<const char*, kSignalCount> kSignalNames = {
    "cs0", "cs1", "cs2", "cs3", "cs4", "cs5", "dc", "rst", "sclk", "mosi", "miso"};
constexpr unsigned kIoLines = 32;
constexpr unsigned kChipSelects = 6;
constexpr unsigned kDcBit = 6;
constexpr unsigned kRstBit = 7;
constexpr std::size_t kFlushSize = 1 << 16;

char identifier(unsigned signal) { return static_cast<char>('!' + signal); }

// Writes value changes in time order, leaving out those that change nothing, and puts out a
// time stamp only when the time moves.
class ChangeWriter {
public:
    ChangeWriter(TextFile& file, bool vector) : file_(file), vector_(vector) {}

    void set(std::uint64_t time, unsigned signal, bool value) {
        if (values_[signal] == value) return;
        values_[signal] = value;
        stamp(time);
        text_ += value ? '1' : '0';
        text_ += identifier(signal);
        text_ += '\n';
    }

    // The vector as the shortest binary number, then each wire that changed.
    void set_io(std::uint64_t time, std::uint32_t value) {
        if (value == io_) return;
        const std::uint32_t changed = value ^ io_;
        io_ = value;
        stamp(time);
        if (vector_) {
            text_ += 'b';
            text_ += binary(value);
            text_ += ' ';
            text_ += identifier(IoLines);
            text_ += '\n';
        }
        for (unsigned i = 0; i < kIoLines; ++i) {
            if (!((changed >> i) & 1u)) continue;
            text_ += ((value >> i) & 1u) ? '1' : '0';
            text_ += identifier(Io0 + i);
            text_ += '\n';
        }
    }

    void set_lines(std::uint64_t time, std::uint8_t lines) {
        for (unsigned i = 0; i < kChipSelects; ++i) set(time, Cs0 + i, (lines >> i) & 1u);
        set(time, Dc, (lines >> kDcBit) & 1u);
        set(time, Rst, (lines >> kRstBit) & 1u);
    }

    // The initial values of every signal, at time 0.
    void dump_initial(std::uint8_t lines, std::uint32_t io_lines) {
        text_ += "#0\n$dumpvars\n";
        for (unsigned i = 0; i < kSignalCount; ++i) {
            const bool value = i < Sclk && ((lines >> i) & 1u);
            values_[i] = value;
            text_ += value ? '1' : '0';
            text_ += identifier(i);
            text_ += '\n';
        }
        io_ = io_lines;
        if (vector_) text_ += 'b' + binary(io_lines) + ' ' + identifier(IoLines) + '\n';
        for (unsigned i = 0; i < kIoLines; ++i) {
            text_ += ((io_lines >> i) & 1u) ? '1' : '0';
            text_ += identifier(Io0 + i);
            text_ += '\n';
        }
        text_ += "$end\n";
        last_time_ = 0;
    }

    void stamp(std::uint64_t time) {
        if (time == last_time_) return;
        last_time_ = time;
        text_ += '#';
        text_ += std::to_string(time);
        text_ += '\n';
    }

    void flush() {
        file_.write(text_);
        written_ += text_.size();
        text_.clear();
    }

    void add(const std::string& text) { text_ += text; }

    // Between events: the text so far, and where an event that must not be kept began.
    std::uint64_t size() const { return written_ + text_.size(); }
    std::uint64_t time() const { return last_time_; }
    void mark() {
        if (text_.size() >= kFlushSize) flush();
        marked_ = text_.size();
        marked_time_ = last_time_;
    }
    void drop_since_mark() {
        text_.resize(marked_);
        last_time_ = marked_time_;
    }

private:
    TextFile& file_;
    bool vector_;
    std::string text_;
    std::uint64_t written_ = 0;
    std::size_t marked_ = 0;
    std::uint64_t marked_time_ = 0;
    static std::string binary(std::uint32_t value) {
        std::string digits;
        do {
            digits.insert(digits.begin(), (value & 1u) ? '1' : '0');
            value >>= 1;
        } while (value != 0);
        return digits;
    }

    std::array<bool, kSignalCount> values_{};
    std::uint32_t io_ = 0;
    std::uint64_t last_time_ = 0;
};

// The longest closing time stamp: '#', 20 digits, newline.
constexpr std::uint64_t kClosingStampBytes = 22;

std::string vcd_header(bool vector) {
    std::string header =
        "$version CH367 bridge simulator, QuorvelWCHDLL card $end\n"
        "$comment Virtual time: idle time between bus events is left out, a playing pattern's "
        "samples take their periods; 10 MHz SPI clock, mode 0, MSB first. $end\n"
        "$timescale 1 ns $end\n"
        "$scope module card $end\n";
    for (unsigned i = 0; i < kSignalCount; ++i) {
        header += "$var wire 1 ";
        header += identifier(i);
        header += ' ';
        header += kSignalNames[i];
        header += " $end\n";
    }
    if (vector) {
        header += "$var wire 32 ";
        header += identifier(IoLines);
        header += " io_lines $end\n";
    }
    for (unsigned i = 0; i < kIoLines; ++i) {
        header += "$var wire 1 ";
        header += identifier(Io0 + i);
        header += " io" + std::to_string(i) + " $end\n";
    }
    header += "$upscope $end\n$enddefinitions $end\n";
    return header;
}

// One byte in SPI mode 0: for each bit, the data lines change while the clock is low and the
// clock rises half a period later; the clock falls at the end of the period.
void write_byte(ChangeWriter& out, std::uint64_t start, std::uint8_t mosi, std::uint8_t miso) {
    constexpr std::uint64_t kPeriod = BusTimeline::kClockPeriod;
    for (unsigned bit = 0; bit < 8; ++bit) {
        const std::uint64_t t = start + bit * kPeriod;
        out.set(t, Sclk, false);
        out.set(t, Mosi, (mosi >> (7 - bit)) & 1u);
        out.set(t, Miso, (miso >> (7 - bit)) & 1u);
        out.set(t + kPeriod / 2, Sclk, true);
    }
    out.set(start + BusTimeline::kByteTime, Sclk, false);
}

}  // namespace

void VcdRecorder::restart(std::uint8_t lines, std::uint32_t io_lines) {
    initial_lines_ = lines;
    initial_io_lines_ = io_lines;
    events_.clear();
    io_.clear();
    least_size_ = 0;
    full_ = false;
    cap_reported_ = false;
}

bool VcdRecorder::keeps(std::uint64_t least_bytes) {
    if (full_) return false;
    least_size_ += least_bytes;
    full_ = least_size_ > limit_;
    if (least_size_ > kWarnedSize && !size_reported_) {
        size_reported_ = true;
        std::fprintf(stderr,
                     "%s: the bus recording has passed 100 MB; it is kept up to its cap of %s "
                     "bytes (%s)\n",
                     teller_.program.c_str(), std::to_string(limit_).c_str(),
                     teller_.cap_setting.c_str());
    }
    return !full_;
}

bool VcdRecorder::write(const std::string& path) {
    TextFile file(path);
    if (!file.is_open()) return false;
    ChangeWriter out(file, vector_);
    out.add(vcd_header(vector_));
    out.dump_initial(initial_lines_, initial_io_lines_);
    BusTimeline timeline;
    bool cut = false;
    auto io = io_.begin();
    for (const Event& event : events_) {
        out.mark();
        switch (event.kind) {
            case Kind::Gate: timeline.gate_event(); break;
            case Kind::Lines: out.set_lines(timeline.line_event(), event.first); break;
            case Kind::Byte: write_byte(out, timeline.byte_event(), event.first, event.second); break;
            case Kind::Io:
                out.set_io(timeline.now() + io->time, io->value);
                ++io;
                break;
            case Kind::Passed:
                timeline.pass(io->time);
                ++io;
                break;
        }
        if (out.size() + kClosingStampBytes > limit_) {
            out.drop_since_mark();
            cut = true;
            break;
        }
    }
    out.stamp(cut ? out.time() : timeline.now());
    out.flush();
    if (cut && !cap_reported_) {
        cap_reported_ = true;
        std::fprintf(stderr,
                     "%s: the bus recording reached its cap of %s bytes "
                     "(%s): %s ends at t=%s ns, the traffic after it is left out\n",
                     teller_.program.c_str(), std::to_string(limit_).c_str(),
                     teller_.cap_setting.c_str(), path.c_str(), std::to_string(out.time()).c_str());
    }
    return file.close();
}

}  // namespace ch367bus
