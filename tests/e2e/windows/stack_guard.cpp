// Prints the stack protector's guard as our exes' start-up left it, so that two runs can be
// compared: linked with that start-up object and nothing else of the programs.
#include <cstdint>
#include <cstdio>

extern "C" std::uintptr_t __stack_chk_guard; // NOLINT(bugprone-reserved-identifier)

int main()
{
    std::printf("%016llx\n", static_cast<unsigned long long>(__stack_chk_guard));
    return 0;
}
