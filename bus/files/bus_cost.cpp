#include "bus_cost.h"

#include <vector>

#include "text_file.h"

namespace ch367bus {

namespace {

constexpr std::size_t kColumnWidth = 14;

struct Totals {
    std::string name;
    std::uint64_t calls = 0;
    std::uint64_t transactions = 0;
    std::uint64_t accesses = 0;
    std::uint64_t bytes = 0;

    void add(const ExportCall& call) {
        ++calls;
        transactions += call.transactions;
        accesses += call.accesses;
        bytes += call.bytes;
    }
};

std::string right_aligned(std::uint64_t value) {
    const std::string text = std::to_string(value);
    return std::string(text.size() < kColumnWidth ? kColumnWidth - text.size() : 1, ' ') + text;
}

std::string row(const Totals& totals) {
    return right_aligned(totals.calls) + right_aligned(totals.transactions) +
           right_aligned(totals.accesses) + right_aligned(totals.bytes) + "  " + totals.name + "\n";
}

}  // namespace

std::string bus_cost_text(const CommandDecoder& decoder, std::uint64_t unattributed,
                          const std::string& card) {
    std::vector<Totals> by_name;
    Totals total{"total"};
    for (const ExportCall& call : decoder.calls()) {
        Totals* entry = nullptr;
        for (Totals& t : by_name) {
            if (t.name == call.name) entry = &t;
        }
        if (entry == nullptr) entry = &by_name.emplace_back(Totals{call.name});
        entry->add(call);
        total.add(call);
    }
    total.accesses += unattributed;

    std::string text =
        "# Bus cost of the host program on " + card + ", by export, in order of first use.\n"
        "# calls: export calls recognised from their command pattern on the bus (an immediate\n"
        "# display write counts once per address command); transactions: SPI transactions;\n"
        "# accesses: CH367ReadIoByte/CH367WriteIoByte calls; bytes: bytes shifted on the bus.\n"
        "# Names joined by \"/\" are exports whose bus traffic is the same. Exports without bus\n"
        "# traffic (frame-buffer drawing, DioGetErrorStr, bitmap loading) do not appear.\n";
    text += std::string(kColumnWidth - 5, ' ') + "calls" + std::string(kColumnWidth - 12, ' ') +
            "transactions" + std::string(kColumnWidth - 8, ' ') + "accesses" +
            std::string(kColumnWidth - 5, ' ') + "bytes  export\n";
    for (const Totals& t : by_name) text += row(t);
    if (unattributed != 0) {
        text += right_aligned(0) + right_aligned(0) + right_aligned(unattributed) +
                right_aligned(0) + "  (accesses outside any recognised export)\n";
    }
    return text + row(total);
}

bool write_bus_cost(const std::string& path, const CommandDecoder& decoder,
                    std::uint64_t unattributed) {
    TextFile file(path);
    file.write(bus_cost_text(decoder, unattributed, "the simulated card"));
    return file.close();
}

}  // namespace ch367bus
