#include "memory_transfer.h"

#include <algorithm>
#include <functional>
#include <string>

#include "failure.h"
#include "progress_bar.h"
#include "word_files.h"

namespace dio {

namespace {

const char* name_of(Memory memory) { return memory == Memory::ctrl ? "ctrl" : "out"; }

// One memory call: words words from word offset offset of the transfer, at address start + offset.
using ChunkTransfer =
    std::function<void(std::uint64_t offset, std::uint32_t address, std::uint32_t words,
                       std::int16_t* status)>;

// Runs a transfer of words words chunk by chunk. A count of 0 still makes one call, so that the
// library reports it.
void in_chunks(const std::string& label, std::uint32_t start, std::uint64_t words,
               const ChunkTransfer& transfer) {
    check_memory_range(start, words, kExitFailure);
    ProgressBar progress(label, words);
    std::uint64_t done = 0;
    do {
        const auto chunk =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(kChunkWords, words - done));
        std::int16_t status = DIO_OK;
        transfer(done, static_cast<std::uint32_t>(start + done), chunk, &status);
        check_status(status);
        done += chunk;
        progress.show(done);
    } while (done < words);
}

}  // namespace

void check_memory_range(std::uint32_t start, std::uint64_t words, int exit_code) {
    if (std::uint64_t{start} + words > kMemoryWords) {
        throw Failure(std::to_string(words) + " words from word address " + std::to_string(start) +
                          " run past the end of the memory (" + std::to_string(kMemoryWords) +
                          " words)",
                      exit_code);
    }
}

void write_memory(DioMasterHandle* card, Memory memory, std::uint32_t start,
                  std::span<const std::uint8_t> image) {
    const auto write = memory == Memory::ctrl ? DioWriteCtrlMemory : DioWriteOutMemory;
    in_chunks(std::string("load ") + name_of(memory), start, image.size() / kWordBytes,
              [&](std::uint64_t offset, std::uint32_t address, std::uint32_t words,
                  std::int16_t* status) {
                  write(card, image.data() + offset * kWordBytes, address, words, status);
              });
}

std::vector<std::uint8_t> read_memory(DioMasterHandle* card, Memory memory, std::uint32_t start,
                                      std::uint32_t words) {
    const auto read = memory == Memory::ctrl ? DioReadCtrlMemory : DioReadOutMemory;
    std::vector<std::uint8_t> image(std::uint64_t{words} * kWordBytes);
    in_chunks(std::string("dump ") + name_of(memory), start, words,
              [&](std::uint64_t offset, std::uint32_t address, std::uint32_t chunk,
                  std::int16_t* status) {
                  read(card, image.data() + offset * kWordBytes, address, chunk, status);
              });
    return image;
}

}  // namespace dio
