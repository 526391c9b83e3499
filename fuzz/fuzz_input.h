#pragma once

// What the fuzz targets share: decoding their input into values and failing loudly.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// A violated property stops the run at once; libFuzzer then keeps the input that led here.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);                         \
            __builtin_trap();                                                                                          \
        }                                                                                                              \
    } while (false)

namespace quill::fuzz {

// Reads the input front to back. Past its end every read yields zero bytes, so any input,
// the empty one included, decodes to some value and no input is wasted on a rejection.
class ByteReader {
  public:
    ByteReader(const std::uint8_t* data, std::size_t size) : input(data), inputSize(size) {}

    std::uint8_t byte() { return offset < inputSize ? input[offset++] : 0; }

    // Little-endian, as the registers' bytes and the seeds are laid out.
    std::uint32_t u32()
    {
        std::uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            value |= static_cast<std::uint32_t>(byte()) << shift;
        }
        return value;
    }

    std::uint64_t u64()
    {
        const std::uint64_t low = u32();
        return low | (static_cast<std::uint64_t>(u32()) << 32);
    }

    // One length byte, then up to that many bytes of any value, zero and newline included.
    std::string text()
    {
        const std::size_t wanted = byte();
        const std::size_t length = wanted < inputSize - offset ? wanted : inputSize - offset;
        std::string bytes(reinterpret_cast<const char*>(input) + offset, length);
        offset += length;
        return bytes;
    }

    // Everything not read yet.
    std::string rest()
    {
        std::string bytes(reinterpret_cast<const char*>(input) + offset, inputSize - offset);
        offset = inputSize;
        return bytes;
    }

    [[nodiscard]] bool atEnd() const { return offset == inputSize; }

  private:
    const std::uint8_t* input;
    std::size_t inputSize;
    std::size_t offset = 0;
};

} // namespace quill::fuzz
