// Stands in for TPM Base Services (tbs.dll) so the end-to-end tests can hand the real program
// any device answer. The tests put this DLL into the prefix's system directory and name the
// answer in QUILLBROOK_FAKE_TBS as "<result> <version>", both unsigned decimals. Only this
// DLL reads it.

#include <windows.h>

namespace {

// TBS_E_INTERNAL_ERROR: the test forgot to say what to answer, or said it badly.
constexpr UINT32 unusableInstruction = 0x80284001u;
// TBS_E_BAD_PARAMETER: the program's request was not the 16-byte record, version 2, zeroed.
constexpr UINT32 malformedRequest = 0x80284002u;

struct TpmDeviceInfo {
    UINT32 structVersion;
    UINT32 tpmVersion;
    UINT32 tpmInterfaceType;
    UINT32 tpmImpRevision;
};

// Reads one unsigned 32-bit decimal at text and moves past it; false on anything else.
bool readNumber(const char*& text, UINT32& value)
{
    while (*text == ' ') {
        ++text;
    }
    if (*text < '0' || *text > '9') {
        return false;
    }
    unsigned long long number = 0;
    while (*text >= '0' && *text <= '9') {
        number = number * 10 + static_cast<unsigned>(*text - '0');
        if (number > 0xFFFFFFFFull) {
            return false;
        }
        ++text;
    }
    value = static_cast<UINT32>(number);
    return true;
}

bool readInstruction(UINT32& result, UINT32& version)
{
    char text[64] = {};
    const DWORD length = GetEnvironmentVariableA("QUILLBROOK_FAKE_TBS", text, sizeof text);
    if (length == 0 || length >= sizeof text) {
        return false;
    }
    const char* cursor = text;
    return readNumber(cursor, result) && readNumber(cursor, version) && *cursor == '\0';
}

} // namespace

extern "C" __attribute__((dllexport)) UINT32 WINAPI Tbsi_GetDeviceInfo(UINT32 size, PVOID info)
{
    auto* record = static_cast<TpmDeviceInfo*>(info);
    if (size != sizeof(TpmDeviceInfo) || record == nullptr || record->structVersion != 2 || record->tpmVersion != 0 ||
        record->tpmInterfaceType != 0 || record->tpmImpRevision != 0) {
        return malformedRequest;
    }
    UINT32 result = 0;
    UINT32 version = 0;
    if (!readInstruction(result, version)) {
        return unusableInstruction;
    }
    // The record is filled even with an error result: a caller must not trust it then.
    record->tpmVersion = version;
    record->tpmInterfaceType = 1;
    record->tpmImpRevision = 0x0102;
    return result;
}
