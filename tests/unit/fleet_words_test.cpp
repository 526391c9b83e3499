#include "fleet/files/option_file.h"
#include "fleet/files/report_search.h"
#include "fleet/outputs/fleet_output.h"
#include "fleet/outputs/inventory_cells.h"
#include "fleet/outputs/report_time.h"
#include "fleet/plan/earlier_collection.h"
#include "fleet/plan/machine_names.h"
#include "sample_assessments.h"

#include <filesystem>
#include <fstream>

namespace quill::fleet {
namespace {

constexpr std::int64_t second = 1'000'000'000;

// A machine booted through a legacy BIOS, all else passed.
Assessment firmwareLegacy()
{
    CheckList official = testing::officialChecks(true, true);
    official[0] = testing::failedItem("UEFI-Boot", "Legacy/BIOS");
    return deriveAssessment(testing::intelBrand, testing::intelVendor, testing::intelTechnicalChecks(), official);
}

TEST(FleetWords, TimesForToolsAndForPeople)
{
    struct Case {
        std::int64_t time;
        std::int64_t offset;
        const char* iso;
        const char* stand;
        const char* german;
        const char* clock;
    };
    const Case cases[] = {
        {1765276429 * second, 3600, "2025-12-09T10:33:49Z", "2025-12-09 11:33", "09.12.2025 11:33", "UTC+01:00"},
        {0, 0, "1970-01-01T00:00:00Z", "1970-01-01 00:00", "01.01.1970 00:00", "UTC"},
        {-1, -12600, "1969-12-31T23:59:59Z", "1969-12-31 20:29", "31.12.1969 20:29", "UTC-03:30"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isoUtc(c.time), c.iso);
        EXPECT_EQ(standText(c.time, c.offset), c.stand);
        EXPECT_EQ(germanTime(c.time, c.offset), c.german);
        EXPECT_EQ(offsetText(c.offset), c.clock);
    }
    EXPECT_EQ(previousCollectionTitle(0, 0), "Seit der früheren Sammlung");
    EXPECT_EQ(previousCollectionTitle(1765276429 * second, 3600), "Seit der Sammlung vom 09.12.2025 11:33");
}

TEST(FleetWords, MarksAndInventoryCells)
{
    MachineReport machine;
    EXPECT_EQ(machineMarks(machine), "");
    machine.conflict = machine.future = machine.unusualName = true;
    // NOLINTNEXTLINE(misc-misleading-bidirectional): written as an escape, which is the point
    machine.inventoryMismatch = "PC\xE2\x80\xAE-B";
    EXPECT_EQ(machineMarks(machine), "Namenskonflikt, Zeit nach dem Lauf, ungewöhnlicher Name, Inventar eines "
                                     "anderen Rechners (PC\\u202E-B) übergangen");
    EXPECT_EQ(inventoryCells(machine), (std::array<std::string, 5>{}));
    auto kept = std::make_shared<Inventory>();
    machine.inventory = kept;
    Inventory& inventory = *kept;
    inventory.manufacturer = "LENOVO";
    inventory.model = "ThinkPad T480";
    inventory.modelNumber = "20L5S2JM00";
    inventory.os = "Windows\xE2\x80\x8B 11";
    inventory.bitlocker = "on";
    EXPECT_EQ(inventoryCells(machine), (std::array<std::string, 5>{"LENOVO ThinkPad T480 (20L5S2JM00)", "–",
                                                                   "Windows\\u200B 11", "an", "unbekannt"}));
}

// The summary's lists after the counts, each under its title and only where it has entries.
TEST(FleetWords, SummaryListsTheirEntries)
{
    FleetPlan plan;
    plan.unreadable = {{"a.txt", {ReportFaultKind::cutShort, 4}}, {"b.txt", {ReportFaultKind::empty, 0}}};
    plan.superseded = {{"PC-1", "alt/PC-1.txt"}};
    plan.conflicts = {{"PC-2", {"x/PC-2.txt", "x/PC-2.1.txt"}}};
    plan.missing = {"PC-3"};
    plan.groupByKey = {{"pc-3", "K\xC3\xB6ln"}};
    const std::string text = fleetSummaryText(plan, {});
    const std::string tail = "\n[Nicht lesbare Dateien]\n - a.txt (Zeile 4): Bericht endet vorzeitig\n"
                             " - b.txt: leere Datei\n"
                             "\n[Erwartete Rechner ohne Bericht]\n - PC-3 (K\xC3\xB6ln)\n"
                             "\n[Durch neuere ersetzte Berichte]\n - alt/PC-1.txt (PC-1)\n"
                             "\n[Namenskonflikte]\n - PC-2:\n     x/PC-2.txt\n     x/PC-2.1.txt\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

// Against an earlier collection: its categories by today's rules where it kept the checks, else
// as it stored them; a machine whose category neither tells is left out.
TEST(FleetWords, ChangesAgainstAnEarlierCollection)
{
    const auto machine = [](const char* name, Category category) {
        MachineReport report;
        report.name = name;
        report.work.category = category;
        return report;
    };
    FleetPlan plan;
    plan.machines = {machine("PC-1", Category::ready), machine("PC-2", Category::firmware),
                     machine("pc-3.example.lan", Category::upgrade), machine("PC-4", Category::ready),
                     machine("PC-5", Category::ready)};
    const std::vector<EarlierMachine> earlier = {
        {"PC-1", "firmware", std::nullopt, 5 * second},
        {"PC-2", "replace", testing::onlyOfficialFailed(), 9 * second}, // its checks say firmware
        {"PC-3", "upgrade", std::nullopt, 0},
        {"PC-5", "vm_later", std::nullopt, 0},
        {"PC-GONE", "ready", std::nullopt, 0},
    };
    compareWithEarlier(plan, earlier);
    const std::optional<Change> changes[] = {Change::better, Change::same, Change::same, Change::added, Change::added};
    for (std::size_t i = 0; i < plan.machines.size(); ++i) {
        EXPECT_EQ(plan.machines[i].change, changes[i]) << plan.machines[i].name;
    }
    EXPECT_EQ(plan.gone, std::vector<std::string>{"PC-GONE"});
    EXPECT_EQ(plan.previousTime, 9 * second);
}

TEST(FleetFiles, OptionFilesTheAdminGives)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "quillbrook-option-file-test";
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "list.txt", std::ios::binary) << "PC-1\n";
    std::ofstream(dir / "huge.txt").close();
    fs::resize_file(dir / "huge.txt", maxOptionFileBytes + 1); // sparse: nothing is written
    const std::pair<fs::path, std::string> cases[] = {
        {dir / "list.txt", ""},
        {dir / "gone.txt", " konnte nicht gelesen werden"},
#ifndef _WIN32
        {dir, " ist keine normale Datei"}, // Windows opens no directory as a file at all
#endif
        {dir / "huge.txt", " ist größer als 64 MiB"},
    };
    for (const auto& [path, fault] : cases) {
        const auto read = readOptionFile(path);
        EXPECT_EQ(read ? std::string() : read.error(), fault.empty() ? "" : displayPath(path) + fault);
    }
    EXPECT_EQ(*readOptionFile(dir / "list.txt"), "PC-1\n");
    fs::remove_all(dir);
}

// A machine's facts come from its newest inventory, whichever route brought it; a file manager's
// copy of a report is no machine unless --expect names it.
TEST(FleetPlan, NewestInventoryAndCopies)
{
    const auto report = [](const char* name, const char* folder, std::int64_t time) {
        return CollectedReport{name, std::string(folder) + "/" + name + ".txt", folder, firmwareLegacy(), time};
    };
    Collection collection;
    collection.reports = {report("PC-1", "usb", 20 * second), report("PC-1", "share", 10 * second),
                          report("PC-2 - Kopie", "share", 10 * second), report("PC-3 (2)", "share", 10 * second)};
    auto kept = std::make_shared<Inventory>();
    collection.reports[1].inventory = kept;
    Inventory& older = *kept;
    older.computerName = "PC-1";
    older.bitlocker = "off";
    older.partitionStyle = "mbr";
    collection.expected = {{"PC-3 (2)", ""}};
    const FleetPlan plan = planFleet(std::move(collection), 30 * second);
    ASSERT_EQ(plan.machines.size(), 2u);
    EXPECT_EQ(plan.machines[0].file, "usb/PC-1.txt");
    EXPECT_EQ(plan.machines[0].work.actions, (std::vector<Action>{Action::convertToGpt, Action::enableUefi}));
    EXPECT_EQ(plan.machines[1].file, "share/PC-3 (2).txt");
    EXPECT_EQ(plan.copies, std::vector<std::string>{"share/PC-2 - Kopie.txt"});
    const std::pair<const char*, bool> names[] = {
        {"HH-VT-015 - Kopie", true}, {"HH-VT-015 - Copy (2)", true}, {"Kopie von HH-VT-015", true},
        {"HH-VT-015 (2)", true},     {"HH-VT-015 copy 2", true},     {"HH-VT-015", false},
        {"KOPIE-01", false},         {"PC (Empfang)", false},        {"HH-VT-015.copy", false}};
    for (const auto& [name, copy] : names) {
        EXPECT_EQ(looksLikeCopy(name), copy) << name;
    }
}

} // namespace
} // namespace quill::fleet
