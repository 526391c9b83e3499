#include "probes/firmware.h"
#include "probes/memory.h"
#include "probes/system_drive.h"
#include "probes/tpm.h"
#include "test_helpers.h"

#include <optional>
#include <utility>

namespace quill {
namespace {

constexpr platform::FirmwareVisibility visible = platform::FirmwareVisibility::visible;

struct ItemCase {
    const char* situation;
    CheckItem actual;
    CheckItem expected;
};

void expectItems(const std::vector<ItemCase>& cases)
{
    for (const ItemCase& c : cases) {
        EXPECT_EQ(c.actual.name, c.expected.name) << c.situation;
        EXPECT_EQ(c.actual.passed, c.expected.passed) << c.situation;
        EXPECT_EQ(c.actual.detail, c.expected.detail) << c.situation;
    }
}

TEST(MemoryCheck, ThresholdOnRawBytesNotOnTheFigure)
{
    const char* ram = "RAM >= 4 GiB";
    expectItems({
        {"just below 4 GiB", memoryCheck(4294967295u), {ram, false, "4.0 GiB installiert"}},
        {"exactly 4 GiB", memoryCheck(4294967296u), {ram, true, "4.0 GiB installiert"}},
        {"reported a little short", memoryCheck(4143000000u), {ram, false, "3.9 GiB installiert"}},
        {"16 GiB", memoryCheck(std::uint64_t{1} << 34), {ram, true, "16.0 GiB installiert"}},
        {"query failed", memoryCheck(std::nullopt), {ram, false, "konnte nicht gelesen werden"}},
    });
}

TEST(SystemDriveCheck, ThresholdAndFailures)
{
    const char* drive = "Systemlaufwerk >= 64 GiB";
    using platform::SystemVolumeAnswer;
    expectItems({
        {"just below 64 GiB",
         systemDriveCheck(visible, SystemVolumeAnswer{true, 68719476735u}),
         {drive, false, "Kapazitaet 64.0 GiB"}},
        {"exactly 64 GiB",
         systemDriveCheck(visible, SystemVolumeAnswer{true, 68719476736u}),
         {drive, true, "Kapazitaet 64.0 GiB"}},
        {"256 GB volume",
         systemDriveCheck(visible, SystemVolumeAnswer{true, 256000000000u}),
         {drive, true, "Kapazitaet 238.4 GiB"}},
        {"no Windows directory",
         systemDriveCheck(visible, SystemVolumeAnswer{false, std::nullopt}),
         {drive, false, "Windows-Verzeichnis nicht gefunden"}},
        {"no directory wins over a capacity",
         systemDriveCheck(visible, SystemVolumeAnswer{false, 68719476736u}),
         {drive, false, "Windows-Verzeichnis nicht gefunden"}},
        {"capacity query failed",
         systemDriveCheck(visible, SystemVolumeAnswer{true, std::nullopt}),
         {drive, false, "Kapazitaet konnte nicht gelesen werden"}},
    });
}

TEST(UefiBoot, OnlyASuccessfulUefiAnswerPasses)
{
    struct Case {
        std::optional<std::uint32_t> firmwareType;
        bool isUefi;
    };
    const Case cases[] = {{2, true}, {1, false}, {0, false}, {3, false}, {std::nullopt, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(isUefiFirmwareType(c.firmwareType), c.isUefi) << c.firmwareType.value_or(999);
    }
    expectItems({
        {"UEFI", uefiBootCheck(visible, 2u, 64u), {"UEFI-Boot", true, "aktiv"}},
        {"32-bit UEFI",
         uefiBootCheck(visible, 2u, 32u),
         {"UEFI-Boot", false, "32-Bit-UEFI (startet kein 64-Bit-Windows)"}},
        {"BIOS", uefiBootCheck(visible, 1u, 32u), {"UEFI-Boot", false, "Legacy/BIOS"}},
        {"query failed, never a guess",
         uefiBootCheck(visible, std::nullopt, std::nullopt),
         {"UEFI-Boot", false, "Status konnte nicht ausgelesen werden"}},
    });
}

TEST(SecureBoot, ValueDecidesAndFirmwareOnlyPicksTheFailureText)
{
    struct Case {
        const char* situation;
        std::optional<std::uint32_t> value;
        std::optional<std::uint32_t> firmwareType;
        CheckItem expected;
    };
    const Case cases[] = {
        {"enabled", 1, 2, {"Secure Boot", true, "aktiviert"}},
        {"enabled although firmware says BIOS", 1, 1, {"Secure Boot", true, "aktiviert"}},
        {"disabled", 0, 2, {"Secure Boot", false, "deaktiviert"}},
        {"only exactly 1 counts", 2, 2, {"Secure Boot", false, "deaktiviert"}},
        {"all bits set", 0xFFFFFFFF, 2, {"Secure Boot", false, "deaktiviert"}},
        {"unreadable on UEFI", std::nullopt, 2, {"Secure Boot", false, "Status konnte nicht ausgelesen werden"}},
        {"unreadable on BIOS", std::nullopt, 1, {"Secure Boot", false, "nicht verfuegbar im Legacy/BIOS-Modus"}},
        {"unreadable, unknown firmware",
         std::nullopt,
         std::nullopt,
         {"Secure Boot", false, "Status konnte nicht ausgelesen werden"}},
    };
    for (const Case& c : cases) {
        expectItems({{c.situation, secureBootCheck(visible, c.value, c.firmwareType), c.expected}});
    }
}

TEST(Tpm, VersionAndResultCodes)
{
    struct Case {
        const char* situation;
        platform::TpmDeviceAnswer answer;
        bool isVersion20;
        const char* detail;
    };
    const Case cases[] = {
        {"TPM 2.0", {0, 2}, true, "TPM 2.0 erkannt"},
        {"TPM 1.2", {0, 1}, false, "nur TPM 1.2 erkannt"},
        {"version 0", {0, 0}, false, "unbekannte TPM-Version (0)"},
        {"version 3", {0, 3}, false, "unbekannte TPM-Version (3)"},
        {"largest version", {0, 0xFFFFFFFF}, false, "unbekannte TPM-Version (4294967295)"},
        {"result 5", {5, 0}, false, "nicht verfuegbar (TBS Fehler 5)"},
        {"TPM not found, full unsigned decimal", {0x8028400F, 0}, false, "nicht verfuegbar (TBS Fehler 2150121487)"},
        {"error wins over a filled version", {0x80284001, 2}, false, "nicht verfuegbar (TBS Fehler 2150121473)"},
        {"firmware describes one, no driver", {0x8028400F, 0, true}, false, "TPM vorhanden, kein Treiber"},
        {"a driver's answer wins", {0, 2, true}, true, "TPM 2.0 erkannt"},
        {"Windows PE without TBS", {0x80284001, 0, false, true}, false, "nicht ermittelbar (Windows PE ohne TBS)"},
    };
    for (const Case& c : cases) {
        const TpmStatus status = tpmStatusFrom(visible, c.answer);
        EXPECT_EQ(status.isVersion20, c.isVersion20) << c.situation;
        EXPECT_EQ(status.detail, c.detail) << c.situation;
        expectItems({{c.situation, tpmCheck(status), {"TPM 2.0", c.isVersion20, c.detail}}});
    }
}

TEST(UnseenMachine, FirmwareTpmAndDiskLinesSayWhyTheyCannotBeJudged)
{
    using platform::FirmwareVisibility;
    const std::pair<FirmwareVisibility, const char*> cases[] = {
        {FirmwareVisibility::container, "nicht ermittelbar (Container)"},
        {FirmwareVisibility::wsl, "nicht ermittelbar (WSL)"},
    };
    for (const auto& [visibility, detail] : cases) {
        expectItems({
            {detail, uefiBootCheck(visibility, 2u, 64u), {"UEFI-Boot", false, detail}},
            {detail, secureBootCheck(visibility, 1u, 2u), {"Secure Boot", false, detail}},
            {detail, tpmCheck(tpmStatusFrom(visibility, {0, 2})), {"TPM 2.0", false, detail}},
            {detail,
             systemDriveCheck(visibility, platform::SystemVolumeAnswer{true, std::uint64_t{1} << 40}),
             {"Systemlaufwerk >= 64 GiB", false, detail}},
        });
    }
}

} // namespace
} // namespace quill
