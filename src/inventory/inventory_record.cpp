#include "inventory/inventory_record.h"

#include "core/inventory_format.h"
#include "core/json_text.h"
#include "probes/processor.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <vector>

namespace quill::inventory {
namespace {

constexpr std::size_t rawHeaderBytes = 8; // calling method, major, minor, DMI revision, length

std::uint8_t byteAt(std::string_view bytes, std::size_t at)
{
    return static_cast<std::uint8_t>(bytes[at]);
}

// The strings after a structure's formatted part, and the offset of the next structure.
std::vector<std::string_view> structureStrings(std::string_view table, std::size_t at, std::size_t& next)
{
    std::vector<std::string_view> strings;
    std::size_t position = at;
    while (position < table.size() && table[position] != '\0') {
        const std::size_t end = std::min(table.find('\0', position), table.size());
        strings.push_back(table.substr(position, end - position));
        position = end + 1;
    }
    // An empty set of strings still ends in two zero bytes.
    next = position + (strings.empty() ? 2 : 1);
    return strings;
}

std::string trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string()
                                           : std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::string stringAt(const std::vector<std::string_view>& strings, std::uint8_t index)
{
    return index == 0 || index > strings.size() ? std::string() : trimmed(strings[index - 1u]);
}

// One structure of the table: its formatted part (type and length first) and its strings.
struct Structure {
    std::string_view formatted;
    std::vector<std::string_view> strings;
};

// The structures of RawSMBIOSData in table order, up to the end marker (type 127) or the first
// one that is cut short or malformed.
std::vector<Structure> structures(std::string_view raw)
{
    std::vector<Structure> found;
    if (raw.size() < rawHeaderBytes) {
        return found;
    }
    std::string_view table = raw.substr(rawHeaderBytes);
    std::size_t length = 0; // the table's, little-endian in the header's second DWORD
    for (std::size_t i = 0; i < 4; ++i) {
        length |= std::size_t{byteAt(raw, 4 + i)} << (8 * i);
    }
    table = table.substr(0, std::min(length, table.size()));
    for (std::size_t at = 0; at + 4 <= table.size();) {
        const std::uint8_t formatted = byteAt(table, at + 1);
        if (formatted < 4 || at + formatted > table.size() || byteAt(table, at) == 127) {
            break;
        }
        std::size_t next = 0;
        std::vector<std::string_view> strings = structureStrings(table, at + formatted, next);
        found.push_back(Structure{table.substr(at, formatted), std::move(strings)});
        at = next;
    }
    return found;
}

// Whether words stand in text, compared without case, with no letter or digit right before or
// after them: "Xen" is in "Xen" and "Xen HVM", not in "Xenon Systems".
bool containsWords(std::string_view text, std::string_view words)
{
    const auto isWordCharacter = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
    for (std::size_t at = 0; at + words.size() <= text.size(); ++at) {
        const std::size_t end = at + words.size();
        if (sameAsciiLetters(text.substr(at, words.size()), words) && (at == 0 || !isWordCharacter(text[at - 1])) &&
            (end == text.size() || !isWordCharacter(text[end]))) {
            return true;
        }
    }
    return false;
}

enum class SystemString : std::uint8_t { manufacturer, product };

// How hypervisors name the machines they make in SMBIOS type 1 (manufacturer / product), as each
// one's documentation or default configuration sets it; one row per hypervisor.
struct HypervisorName {
    SystemString where;
    std::string_view words;
};
constexpr std::array<HypervisorName, 14> hypervisorNames = {{
    {SystemString::manufacturer, "VMware"},           // VMware: "VMware, Inc." / "VMware Virtual Platform"
    {SystemString::product, "VirtualBox"},            // VirtualBox: "innotek GmbH", "Oracle Corporation" / "VirtualBox"
    {SystemString::manufacturer, "QEMU"},             // QEMU, Proxmox: "QEMU" / "Standard PC (Q35 + ICH9, 2009)"
    {SystemString::product, "KVM"},                   // KVM with RHEL's machine types: "Red Hat" / "KVM"
    {SystemString::product, "Virtual Machine"},       // Hyper-V, Azure: "Microsoft Corporation" / "Virtual Machine"
    {SystemString::manufacturer, "Xen"},              // Xen, EC2 before Nitro: "Xen" / "HVM domU"
    {SystemString::manufacturer, "Amazon EC2"},       // EC2 on Nitro: "Amazon EC2" / the instance type, "m5.large"
    {SystemString::product, "Google Compute Engine"}, // Google Compute Engine: "Google" / "Google Compute Engine"
    {SystemString::product, "AHV"},                   // Nutanix AHV: "Nutanix" / "AHV"
    {SystemString::manufacturer, "oVirt"},            // oVirt: "oVirt" / "oVirt Node"
    {SystemString::product, "RHEV Hypervisor"},       // Red Hat Virtualization: "Red Hat" / "RHEV Hypervisor"
    {SystemString::manufacturer, "Parallels"},        // Parallels: "Parallels Software International Inc."
    {SystemString::manufacturer, "Bochs"},            // Bochs: "Bochs" / "Bochs"
    {SystemString::manufacturer, "BHYVE"},            // bhyve: "BHYVE" / "BHYVE"
}};

// Makers that keep the friendly model name in type 1's Version and their machine type as the
// product name (Lenovo: "ThinkPad T480" and "20L5S2JM00").
constexpr std::array<std::string_view, 1> friendlyNameInVersion = {"LENOVO"};

std::string localIsoTime(std::int64_t now, int offsetMinutes)
{
    using namespace std::chrono;
    const sys_seconds local = floor<seconds>(sys_time<nanoseconds>(nanoseconds(now))) + minutes(offsetMinutes);
    const sys_days day = floor<days>(local);
    const year_month_day date(day);
    const hh_mm_ss<seconds> clock(local - day);
    const int offset = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02ld:%02ld:%02ld%c%02d:%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<long>(clock.hours().count()), static_cast<long>(clock.minutes().count()),
                  static_cast<long>(clock.seconds().count()), offsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

std::string_view partitionStyleId(const std::optional<std::uint32_t>& style)
{
    if (!style || *style > 1) {
        return "unknown";
    }
    return *style == 0 ? "mbr" : "gpt";
}

std::string_view name(InventoryKey key)
{
    return inventoryField(key).name;
}

} // namespace

std::optional<SmbiosSystem> smbiosSystem(std::string_view raw)
{
    for (const Structure& s : structures(raw)) {
        // Type 1 from SMBIOS 2.0 on: manufacturer, product, version and serial at 4 to 7.
        if (byteAt(s.formatted, 0) == 1 && s.formatted.size() >= 8) {
            return SmbiosSystem{
                stringAt(s.strings, byteAt(s.formatted, 4)), stringAt(s.strings, byteAt(s.formatted, 5)),
                stringAt(s.strings, byteAt(s.formatted, 6)), stringAt(s.strings, byteAt(s.formatted, 7))};
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> smbiosMaxSpeedMhz(std::string_view raw)
{
    std::optional<std::uint32_t> fastest;
    for (const Structure& s : structures(raw)) {
        // Type 4 from SMBIOS 2.0 on: processor type at 5 (3: a central processor), Max Speed
        // as a little-endian WORD at 0x14 (0: unknown), status at 0x18 (bit 6: populated).
        if (byteAt(s.formatted, 0) != 4 || s.formatted.size() < 0x1A || byteAt(s.formatted, 5) != 3 ||
            (byteAt(s.formatted, 0x18) & 0x40) == 0) {
            continue;
        }
        const std::uint32_t mhz = byteAt(s.formatted, 0x14) | (std::uint32_t{byteAt(s.formatted, 0x15)} << 8);
        if (mhz != 0) {
            fastest = std::max(fastest.value_or(0), mhz);
        }
    }
    return fastest;
}

std::optional<bool> virtualMachine(const std::optional<SmbiosSystem>& system)
{
    if (!system) {
        return std::nullopt;
    }
    return std::any_of(hypervisorNames.begin(), hypervisorNames.end(), [&](const HypervisorName& hypervisor) {
        const std::string& text =
            hypervisor.where == SystemString::manufacturer ? system->manufacturer : system->product;
        return containsWords(text, hypervisor.words);
    });
}

ModelNames modelNames(const SmbiosSystem& system)
{
    const std::string product = knownHardwareText(system.product);
    const std::string version = knownHardwareText(system.version);
    const bool inVersion =
        std::any_of(friendlyNameInVersion.begin(), friendlyNameInVersion.end(),
                    [&](std::string_view maker) { return sameAsciiLetters(system.manufacturer, maker); });
    // A Version that only repeats the maker's name is no model name.
    if (inVersion && !version.empty() && !sameAsciiLetters(version, system.manufacturer)) {
        return {version, product};
    }
    return {product, {}};
}

CpuSignature cpuSignature(std::uint32_t leaf1Eax)
{
    const std::uint32_t stepping = leaf1Eax & 0xFu;
    const std::uint32_t model = (leaf1Eax >> 4) & 0xFu;
    const std::uint32_t family = (leaf1Eax >> 8) & 0xFu;
    const std::uint32_t extendedModel = (leaf1Eax >> 16) & 0xFu;
    const std::uint32_t extendedFamily = (leaf1Eax >> 20) & 0xFFu;
    // Intel's and AMD's manuals: the extended family counts only on top of family 0xF, the
    // extended model only for families 6 and 0xF and up.
    const std::uint32_t displayFamily = family == 0xF ? family + extendedFamily : family;
    const std::uint32_t displayModel = family == 6 || family == 0xF ? (extendedModel << 4) + model : model;
    return {displayFamily, displayModel, stepping};
}

std::string osText(const platform::InventoryAnswers& answers)
{
    std::string product = answers.productName;
    const bool eleven = answers.buildNumber.size() >= 5 && answers.buildNumber >= "22000";
    if (eleven && product.starts_with("Windows 10")) {
        product.replace(0, 10, "Windows 11");
    }
    std::string text = product;
    if (!answers.displayVersion.empty()) {
        text += (text.empty() ? "" : " ") + answers.displayVersion;
    }
    if (!answers.buildNumber.empty()) {
        text += (text.empty() ? "Build " : " (Build ") + answers.buildNumber;
        text += answers.ubr ? "." + std::to_string(*answers.ubr) : "";
        text += product.empty() && answers.displayVersion.empty() ? "" : ")";
    }
    return text;
}

std::string inventoryJson(const platform::InventoryAnswers& answers, std::string_view bitlocker)
{
    const std::optional<SmbiosSystem> system =
        answers.smbios ? smbiosSystem(*answers.smbios) : std::optional<SmbiosSystem>();
    const ModelNames model = system ? modelNames(*system) : ModelNames{};
    const std::optional<bool> vm = virtualMachine(system);
    const CpuSignature signature = cpuSignature(answers.cpuidLeaf1.eax);
    // Leaf 1 is there only where leaf 0 counts up to it.
    const bool hasLeaf1 = answers.cpuidLeaf0.eax >= 1;
    const auto part = [hasLeaf1](std::uint32_t value) {
        return hasLeaf1 ? std::optional<std::uint64_t>(value) : std::nullopt;
    };
    const auto number = [](const std::optional<std::uint32_t>& value) {
        return value ? std::optional<std::uint64_t>(*value) : std::nullopt;
    };
    std::string out;
    {
        JsonObject o(out);
        o.text(name(InventoryKey::computerName), answers.computerName);
        o.text(name(InventoryKey::collected), localIsoTime(answers.now, answers.utcOffsetMinutes));
        o.text(name(InventoryKey::manufacturer), system ? knownHardwareText(system->manufacturer) : "");
        o.text(name(InventoryKey::model), model.model);
        o.text(name(InventoryKey::modelNumber), model.modelNumber);
        o.text(name(InventoryKey::serial), system ? knownHardwareText(system->serial) : "");
        o.text(name(InventoryKey::os), osText(answers));
        o.text(name(InventoryKey::bitlocker), bitlocker);
        o.text(name(InventoryKey::partitionStyle), partitionStyleId(answers.partitionStyle));
        if (vm) {
            o.flag(name(InventoryKey::virtualMachine), *vm);
        } else {
            o.null(name(InventoryKey::virtualMachine));
        }
        o.text(name(InventoryKey::cpuVendor), decodeVendor(answers.cpuidLeaf0));
        o.number(name(InventoryKey::cpuFamily), part(signature.family));
        o.number(name(InventoryKey::cpuModel), part(signature.model));
        o.number(name(InventoryKey::cpuStepping), part(signature.stepping));
        o.number(name(InventoryKey::cpuCores), number(answers.cores));
        o.number(name(InventoryKey::cpuLogical), number(answers.logicalProcessors));
        o.number(name(InventoryKey::cpuMaxMhz),
                 number(answers.smbios ? smbiosMaxSpeedMhz(*answers.smbios) : std::nullopt));
    }
    out += '\n';
    return out;
}

} // namespace quill::inventory
