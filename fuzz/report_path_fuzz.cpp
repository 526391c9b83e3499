// Derives the report path from arbitrary executable-path answers.
// Input: one byte whose top bit marks the answer cut short and whose rest chooses how the
// reported length is made (0: the path's own length, as a successful query reports it;
// 1: two bytes, signed; 2: eight bytes, signed), those length bytes, then the path's bytes
// to the end.

#include "fuzz_input.h"
#include "report/report_path.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using quill::platform::NativePath;
    quill::fuzz::ByteReader in(data, size);
    const std::uint8_t first = in.byte();
    const int how = (first & 0x7F) % 3;
    long length = 0;
    if (how == 1) {
        const std::uint8_t low = in.byte();
        length = static_cast<std::int16_t>(low | (in.byte() << 8));
    } else if (how == 2) {
        length = static_cast<long>(in.u64());
    }
    quill::platform::ExecutablePathAnswer answer;
    answer.path = in.rest();
    answer.length = how == 0 ? static_cast<long>(answer.path.size()) : length;
    answer.cutShort = (first & 0x80) != 0;

    const NativePath result = quill::reportPathFromExecutable(answer);
    const NativePath name(quill::reportFileName.begin(), quill::reportFileName.end());

    FUZZ_CHECK(result.size() >= name.size());
    FUZZ_CHECK(result.compare(result.size() - name.size(), name.size(), name) == 0);
    // Only a complete answer's directory is used: the last separator and all before it.
    const bool complete = answer.length >= 1 && !answer.cutShort;
    const std::size_t separator = answer.path.find_last_of("\\/");
    if (complete && separator != NativePath::npos) {
        FUZZ_CHECK(result == answer.path.substr(0, separator + 1) + name);
    } else {
        FUZZ_CHECK(result == name);
    }
    return 0;
}
