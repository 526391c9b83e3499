#include "fleet/outputs/fleet_output.h"
#include "fleet/fleet_run.h"
#include "fleet/files/inventory.h"
#include "fleet/outputs/cell_text.h"
#include "fleet/plan/expected_list.h"
#include "fleet/plan/machine_claims.h"
#include "fleet/plan/machine_names.h"
#include "fleet/files/report_search.h"
#include "core/utf8_text.h"
#include "inventory/inventory_record.h"
#include "sample_assessments.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <tuple>

namespace quill::fleet {
namespace {

MachineReport machine(const std::string& name, Assessment assessment)
{
    MachineReport report;
    report.work = machineWork(assessment);
    report.name = name;
    report.file = "reports/" + name + ".txt";
    report.assessment = std::move(assessment);
    return report;
}

Assessment firmwareAndTpmFailed()
{
    CheckList official = testing::officialChecks(false, false);
    official[0] = testing::failedItem("UEFI-Boot", "Legacy/BIOS");
    return deriveAssessment(testing::intelBrand, testing::intelVendor, testing::intelTechnicalChecks(), official);
}

TEST(FleetSummary, CountsEachCategoryPurchaseAndFailedCheck)
{
    FleetPlan reports;
    reports.machines = {machine("a", testing::allPassed()),          machine("b", testing::onlyOfficialFailed()),
                        machine("c", testing::onlyOfficialFailed()), machine("d", firmwareAndTpmFailed()),
                        machine("e", testing::bothFailed()),         machine("f", testing::technicalFailed())};
    reports.unreadable = {UnreadableReport{"x.txt", ReportFault{ReportFaultKind::cutShort, 4}}};
    const FleetSummary s = summariseFleet(reports);

    EXPECT_EQ(s.machines, 6u);
    EXPECT_EQ(s.byCategory, (std::array<std::size_t, 8>{2, 0, 0, 1, 2, 0, 0, 1}));
    // New PCs for the two to replace, whatever else they lack; a TPM module; firmware for two.
    EXPECT_EQ(s.purchases, (PurchaseCounts{2, 0, 0, 1, 2, 0}));
    EXPECT_EQ(s.unreadable, 1u);
    // SSE4.2, Systemlaufwerk, UEFI-Boot, Secure Boot, TPM 2.0; nothing else failed anywhere.
    const std::array<std::size_t, 13> failures = {0, 0, 2, 0, 0, 0, 0, 0, 0, 1, 1, 4, 2};
    EXPECT_EQ(s.failuresByCheck, failures);
    EXPECT_EQ(fleetExitCode(reports), 1);
    reports.unreadable.clear();
    EXPECT_EQ(fleetExitCode(reports), 0);
    reports.machines.clear();
    EXPECT_EQ(fleetExitCode(reports), 2);
}

// The purchase order and the plan by model read each machine's category and steps as the plan
// set them: group, category, steps, maker and model ("-" for no inventory).
TEST(FleetSummary, PurchasesPerGroupAndRowsPerModel)
{
    struct Case {
        const char* group;
        Category category;
        std::vector<Action> actions;
        const char* maker;
        const char* model;
    };
    using enum Action;
    const Case cases[] = {
        {"A", Category::replace, {replacePc}, "LENOVO", "ThinkPad T480"},
        {"A", Category::replace, {replacePc, largerDisk}, "LENOVO", "ThinkPad T480"}, // no disk for it
        {"B", Category::upgrade, {addMemory, tpmUpgrade}, "LENOVO", "ThinkPad T480"},
        {"B", Category::tpmHardware, {tpmUpgrade}, "-", ""},
        {"A", Category::firmware, {suspendBitlocker, enableUefi}, "LENOVO", "ThinkPad T480"},
        {"a", Category::firmware, {suspendBitlocker, enableUefi}, "Lenovo", "thinkpad t480"},
        {"", Category::vmSettings, {vmSettings}, "QEMU", ""},
        {"B", Category::ready, {}, "", ""},
    };
    FleetPlan plan;
    for (const Case& c : cases) {
        MachineReport& m = plan.machines.emplace_back(machine("PC-" + std::to_string(plan.machines.size()), {}));
        m.work.category = c.category;
        m.work.actions = c.actions;
        if (std::string_view(c.maker) != "-") {
            auto inventory = std::make_shared<Inventory>();
            inventory->manufacturer = c.maker;
            inventory->model = c.model;
            m.inventory = inventory;
        }
        if (*c.group != '\0') {
            plan.groupByKey[machineKey(m.name)] = c.group;
        }
    }
    plan.groups = {"A", "B"};
    const FleetSummary s = summariseFleet(plan);
    // new PCs, RAM, SSDs, TPM modules, firmware only, VMs; "a" is no group of the list.
    EXPECT_EQ(s.purchasesByGroup, (std::vector<PurchaseCounts>{{2, 0, 0, 0, 1, 0}, {0, 1, 0, 2, 0, 0}}));
    EXPECT_EQ(s.purchases, (PurchaseCounts{2, 1, 0, 2, 2, 1}));
    plan.summary = s;
    EXPECT_EQ(modelsCsv(plan), "\xEF\xBB\xBFModell;Anzahl;Kategorie;Maßnahmen\r\n"
                               "LENOVO ThinkPad T480;1;Ersetzen;Rechner ersetzen\r\n"
                               "LENOVO ThinkPad T480;1;Ersetzen;Rechner ersetzen / Größeres Systemlaufwerk\r\n"
                               "LENOVO ThinkPad T480;1;Aufrüsten;RAM erweitern / TPM 2.0 nachrüsten\r\n"
                               "LENOVO ThinkPad T480;2;Firmware-Einstellungen;BitLocker anhalten / UEFI einschalten\r\n"
                               "QEMU;1;VM-Einstellungen;VM-Einstellungen\r\n"
                               "Modell unbekannt;1;Bereit;\r\n"
                               "ohne Inventar;1;TPM-Hardware;TPM 2.0 nachrüsten\r\n");
}

// Machine-supplied text in each output: quoted, escaped, never taken for markup or a formula.
TEST(FleetOutputs, MachineTextIsQuotedForEachFormat)
{
    struct Case {
        const char* brand;
        const char* csvCell;
        const char* jsonString;
        const char* htmlText;
    };
    const Case cases[] = {
        {"Intel; \"Core\"", R"c("Intel; ""Core""")c", R"c("Intel; \"Core\"")c", "Intel; &quot;Core&quot;"},
        {"=HYPERLINK(\"x\")", R"c("'=HYPERLINK(""x"")")c", R"c("=HYPERLINK(\"x\")")c", "=HYPERLINK(&quot;x&quot;)"},
        {"-1+2", "'-1+2", "\"-1+2\"", "-1+2"},
        {"i5,=cmd|' /C calc'!A0", "\"i5,=cmd|' /C calc'!A0\"", "\"i5,=cmd|' /C calc'!A0\"",
         "i5,=cmd|&#39; /C calc&#39;!A0"},
        // Control characters, should any pass the reader, are replaced in CSV and HTML and escaped in JSON.
        {"<b>\\\x01\t", "<b>\\??", R"c("<b>\\\u0001\t")c", "&lt;b&gt;\\??"},
        {"\x1b]52;c;eA==\x07\xC2\x9B"
         "2J\x7F",
         "\"?]52;c;eA==??2J?\"",
         "\"\\u001b]52;c;eA==\\u0007\xC2\x9B"
         "2J\x7F\"",
         "?]52;c;eA==??2J?"},
        {"it's", "it's", "\"it's\"", "it&#39;s"},
        {"bad \xFF\xC3 byte", "bad \xEF\xBF\xBD\xEF\xBF\xBD byte", "\"bad \xEF\xBF\xBD\xEF\xBF\xBD byte\"",
         "bad \xEF\xBF\xBD\xEF\xBF\xBD byte"},
    };
    for (const Case& c : cases) {
        Assessment a = testing::allPassed();
        a.brand = c.brand;
        FleetPlan plan;
        plan.machines = {machine("pc", a)};
        plan.summary = summariseFleet(plan);
        EXPECT_NE(fleetCsv(plan, {}).find(std::string(";") + c.csvCell + ";GenuineIntel;"), std::string::npos)
            << c.brand;
        EXPECT_NE(fleetJson(plan).find(std::string("\"cpu\":") + c.jsonString), std::string::npos) << c.brand;
        EXPECT_NE(fleetHtml(plan, {}).find(std::string("<td class='mt'>") + c.htmlText + "</td>"), std::string::npos)
            << c.brand;
    }
}

TEST(FleetOutputs, Utf8IsKeptAndOnlyMalformedBytesReplaced)
{
    const std::string replacement = "\xEF\xBF\xBD";
    struct Case {
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        {"Pr\xC3\xBC"
         "fung \xE2\x9C\x93 \xF0\x9F\x92\xBB",
         "Pr\xC3\xBC"
         "fung \xE2\x9C\x93 \xF0\x9F\x92\xBB"},
        {"\xC0\xAF", replacement + replacement},                                     // overlong '/'
        {"\xED\xA0\x80", replacement + replacement + replacement},                   // surrogate
        {"\xF4\x90\x80\x80", replacement + replacement + replacement + replacement}, // above U+10FFFF
        {"\xE2\x9C", replacement + replacement},                                     // cut short
    };
    for (const Case& c : cases) {
        EXPECT_EQ(validUtf8(c.bytes), c.text);
    }
}

TEST(FleetArguments, OptionsAndPaths)
{
    using Args = std::vector<platform::NativePath>;
    const auto n = [](const char* text) { return platform::NativePath(text, text + std::strlen(text)); };
    struct Case {
        Args args;
        bool valid;
        std::size_t paths;
    };
    const Case cases[] = {
        {{n("reports")}, true, 1},
        {{n("--html"), n("a.html"), n("r1"), n("--csv"), n("a.csv"), n("r2")}, true, 2},
        {{n("--"), n("--csv"), n("-x")}, true, 2},
        {{}, false, 0},
        {{n("--csv"), n("a.csv")}, false, 0},
        {{n("--csv")}, false, 0},
        {{n("--csv"), n("a.csv"), n("--csv"), n("b.csv"), n("r")}, false, 0},
        {{n("--pdf"), n("a.pdf"), n("r")}, false, 0},
    };
    for (const Case& c : cases) {
        const ParsedArguments parsed = parseArguments(c.args);
        EXPECT_EQ(parsed.error.empty(), c.valid) << parsed.error;
        if (c.valid) {
            EXPECT_EQ(parsed.options.paths.size(), c.paths);
        }
    }
}

TEST(FleetNames, OneMachineWhateverTheCaseOrDomainAndNaturalOrder)
{
    const std::pair<const char*, const char*> sameMachine[] = {
        {"pc-0001.example.lan", "PC-0001"}, {"PC-0001", "pc-0001"}, {"Buero-7.corp", "BUERO-7"}};
    for (const auto& [a, b] : sameMachine) {
        EXPECT_EQ(machineKey(a), machineKey(b)) << a;
    }
    EXPECT_NE(machineKey("PC-0001"), machineKey("PC-001"));
    // Cyrillic Р and С, a zero-width space, a bidi override, a trailing space, full-width letters.
    // NOLINTNEXTLINE(misc-misleading-bidirectional): written as escapes, which is the point
    const char* const lookalikes[] = {"\xD0\xA0\xD0\xA1-0042", "PC-0042\xE2\x80\x8B", "\xE2\x80\xAEPC-0042", "PC-0042 ",
                                      "\xEF\xBC\xB0\xEF\xBC\xA3-0042.corp"};
    for (const char* name : lookalikes) {
        EXPECT_EQ(lookalikeKey(name), "pc-0042") << name;
        EXPECT_FALSE(isHostName(name)) << name;
    }
    EXPECT_EQ(shownName("PC-0042\xE2\x80\x8B "), "PC-0042\\u200B\\u0020");
    EXPECT_EQ(shownName("B\xC3\xBCro-1"), "B\xC3\xBCro-1");
    EXPECT_NE(lookalikeKey("B\xC3\xBCro-1"), lookalikeKey("Buro-1"));
    EXPECT_NE(machineKey("10.0.0.5"), machineKey("10.0.0.6"));
    const std::pair<const char*, const char*> ordered[] = {{"PC-2", "PC-10"}, {"pc-9", "PC-10"}, {"PC-9a", "PC-10"},
                                                           {"PC", "PC-1"},    {"PC-02", "PC-3"}, {"A-100", "b-2"}};
    for (const auto& [before, after] : ordered) {
        EXPECT_TRUE(naturalLess(before, after)) << before << " " << after;
        EXPECT_FALSE(naturalLess(after, before)) << before << " " << after;
    }
    // Written by PowerShell 5.1: UTF-16 with its mark, CR LF.
    const std::string utf16("\xFF\xFEP\0C\0-\0"
                            "1\0\r\0\n\0#\0x\0",
                            18);
    ASSERT_EQ(parseExpectedList(utf16)->machines.size(), 1u);
    EXPECT_EQ(parseExpectedList(utf16)->machines.front().name, "PC-1");
    EXPECT_TRUE(parseExpectedList("\xFF\xFE")->machines.empty());
    // Two lists joined: the second's mark would glue itself to a name. A quote left open would swallow the rest.
    EXPECT_EQ(parseExpectedList("PC-1\n\xEF\xBB\xBFPC-2\n").error().line, 2u);
    EXPECT_EQ(parseExpectedList("\"Name\",\"DistinguishedName\"\n\"PC-1\",\"CN=PC-1\n").error().line, 2u);
    // A second column after ';' or a tab is the group, never part of the name; from an AD export the OUs
    // from the top. Excel saves Windows-1252 with a header; a group is spelt as first given.
    struct ListCase {
        std::string_view file;
        bool isWindows1252;
        std::vector<std::pair<std::string, std::string>> machines;
    };
    const ListCase lists[] = {
        {"PC-1 ; Hamburg # Empfang\nPC-2\tK\xC3\xB6ln\nPC-3\n",
         false,
         {{"PC-1", "Hamburg"}, {"PC-2", "K\xC3\xB6ln"}, {"PC-3", ""}}},
        {"Computername;Standort\r\nPC-1;M\xFCnchen/Entwicklung\r\nPC-2;Werk \x96 Nord\r\n",
         true,
         {{"PC-1", "M\xC3\xBCnchen/Entwicklung"}, {"PC-2", "Werk \xE2\x80\x93 Nord"}}},
        {"# Bremen\nHOSTNAME\nPC-1\tBremen/werk\nPC-2\tBremen/Werk\nPC-3\tM\xC3\x9CNCHEN\nPC-4\tM\xC3\xBCnchen\n",
         false,
         {{"PC-1", "Bremen/werk"}, {"PC-2", "Bremen/werk"}, {"PC-3", "M\xC3\x9CNCHEN"}, {"PC-4", "M\xC3\x9CNCHEN"}}},
        {"\"Name\"\n\"PC-1\"\nName\n", false, {{"PC-1", ""}, {"Name", ""}}},
        {"#TYPE Microsoft.ActiveDirectory.Management.ADComputer\r\n\"DistinguishedName\",\"DNSHostName\",\"Name\"\r\n"
         "\"CN=PC-1,OU=Vertrieb,OU=Hamburg,DC=corp,DC=lan\",\"pc-1.corp.lan\",\"PC-1\"\r\n"
         "\"CN=PC-2,CN=Computers,DC=corp,DC=lan\",\"\",\"PC-2\"\r\n",
         false,
         {{"PC-1", "Hamburg/Vertrieb"}, {"PC-2", "Computers"}}},
        {"\"Name\";\"Description\";\"DistinguishedName\"\n\"PC-1\";\"Raum 3;\nneben \"\"Lager\"\"\";"
         "\"CN=PC-1,OU=Einkauf\\, Logistik,OU=K\\C3\\B6ln,DC=corp,DC=lan\"\n",
         false,
         {{"PC-1", "K\xC3\xB6ln/Einkauf, Logistik"}}},
    };
    for (const ListCase& list : lists) {
        const ExpectedList parsed = *parseExpectedList(list.file);
        std::vector<std::pair<std::string, std::string>> machines;
        for (const ExpectedMachine& listed : parsed.machines) {
            machines.emplace_back(listed.name, listed.group);
        }
        EXPECT_EQ(machines, list.machines) << list.file;
        EXPECT_EQ(parsed.isWindows1252, list.isWindows1252) << list.file;
    }
}

// Sizes a spreadsheet can sort, from the report's own "x.y GiB"; a TBS code in words.
TEST(FleetSummary, SizesInBytesAndTbsCodesInWords)
{
    // The check's cell has the figure with a decimal comma where the report gave one it could read.
    const std::tuple<const char*, std::optional<std::uint64_t>, const char*, const char*> memory[] = {
        {"3.9 GiB installiert", 4187593114u, "3,9 GiB", "NO - 3,9 GiB installiert"},
        {"16.0 GiB installiert", 17179869184u, "16,0 GiB", "NO - 16,0 GiB installiert"},
        {"konnte nicht gelesen werden", std::nullopt, "", "NO - konnte nicht gelesen werden"},
        {".5 GiB installiert", std::nullopt, "", "NO - .5 GiB installiert"}};
    for (const auto& [detail, bytes, text, cell] : memory) {
        CheckList technical = testing::intelTechnicalChecks();
        technical[7] = testing::failedItem("RAM >= 4 GiB", detail);
        const Assessment a = deriveAssessment(testing::intelBrand, testing::intelVendor, technical, {});
        EXPECT_EQ(memoryBytes(a), bytes) << detail;
        EXPECT_EQ(gibText(memoryBytes(a)), text) << detail;
        EXPECT_EQ(checkCell(technical[7]), cell) << detail;
    }
    EXPECT_EQ(checkCell(testing::allPassed().technicalChecks[8]), "OK - Kapazitaet 238,4 GiB");
    EXPECT_EQ(systemDriveBytes(testing::allPassed()), std::optional<std::uint64_t>(255980050842u));
    EXPECT_EQ(tbsErrorMeaning(testing::failedItem("TPM 2.0", "nicht verfuegbar (TBS Fehler 2150121487)")),
              "kein TPM gefunden");
    EXPECT_EQ(tbsErrorMeaning(testing::failedItem("TPM 2.0", "nicht verfuegbar (TBS Fehler 5)")), "");
}

// Reports claiming one machine, in the order found: name, folder, time (hours), the inventory's
// computer name ("" for none). The file kept is the one whose name and folder are given.
TEST(FleetNames, WhoKeepsAMachineAgainstOtherClaims)
{
    struct Claim {
        const char* name;
        const char* folder;
        int hours;
        const char* inventoryName;
    };
    struct Case {
        const char* situation;
        std::vector<Claim> claims;
        std::size_t kept;
        bool conflict;
        std::size_t superseded;
        std::size_t future;
    };
    const std::int64_t hour = 3'600'000'000'000;
    const std::int64_t now = 1000 * hour;
    const Case cases[] = {
        {"newer across folders", {{"PC-1", "share", 10, ""}, {"pc-1.corp", "ansible", 20, ""}}, 1, false, 1, 0},
        {"case only, one folder", {{"pc-1", "share", 20, ""}, {"PC-1", "share", 10, ""}}, 1, true, 0, 0},
        {"case only, the inventory spells it",
         {{"PC-1", "share", 20, ""}, {"pc-1", "share", 10, "pc-1"}},
         1,
         true,
         0,
         0},
        {"a domain in one folder", {{"PC-1", "share", 10, ""}, {"PC-1.evil", "share", 20, ""}}, 0, true, 0, 0},
        {"newer variants, one folder",
         {{"PC-1.1", "share", 20, "PC-1.1"},
          {"PC-1", "share", 10, ""},
          {"PC-1.", "share", 30, ""},
          {"PC-1._", "share", 40, ""},
          {"PC-1.corp.lan", "share", 50, ""}},
         1,
         true,
         0,
         0},
        {"its own file dated ahead", {{"PC-1", "share", 10000, ""}, {"PC-1.1", "share", 10, ""}}, 0, true, 0, 1},
        {"a variant after a newer route",
         {{"PC-1", "share", 10, ""}, {"pc-1.corp", "ansible", 20, ""}, {"PC-1.1", "share", 30, "PC-1.1"}},
         1,
         true,
         1,
         0},
        {"the inventory names it", {{"PC-1", "share", 10, "PC-1"}, {"PC-1.", "share", 20, "x"}}, 0, true, 0, 0},
        {"a lookalike elsewhere", {{"PC-1", "share", 10, ""}, {"\xD0\xA0\xD0\xA1-1", "usb", 20, ""}}, 0, true, 0, 0},
        {"dated ahead never wins", {{"PC-1", "share", 10, ""}, {"PC-1", "usb", 10000, ""}}, 0, false, 1, 1},
        {"within the clock skew", {{"PC-1", "share", 10, ""}, {"PC-1", "usb", 1000, ""}}, 1, false, 1, 0},
    };
    for (const Case& c : cases) {
        FleetPlan reports;
        ClaimIndex index;
        for (const Claim& claim : c.claims) {
            MachineReport report = machine(claim.name, testing::allPassed());
            report.file = std::string(claim.folder) + "/" + claim.name + ".txt";
            report.reportTime = claim.hours * hour;
            if (*claim.inventoryName != '\0') {
                auto inventory = std::make_shared<Inventory>();
                inventory->computerName = claim.inventoryName;
                report.inventory = inventory;
            }
            claimMachine(reports, index, MachineClaim{report, claim.folder, report.reportTime}, now);
        }
        ASSERT_EQ(reports.machines.size(), 1u) << c.situation;
        const Claim& kept = c.claims[c.kept];
        EXPECT_EQ(reports.machines[0].file, std::string(kept.folder) + "/" + kept.name + ".txt") << c.situation;
        EXPECT_EQ(reports.machines[0].conflict, c.conflict) << c.situation;
        EXPECT_EQ(reports.conflicts.size(), c.conflict ? 1u : 0u) << c.situation;
        EXPECT_EQ(reports.superseded.size(), c.superseded) << c.situation;
        EXPECT_EQ(reports.future.size(), c.future) << c.situation;
    }
}

TEST(FleetFiles, InventoryIsReadOnlyWhenWhole)
{
    const std::string base = R"({"computer_name":"PC-1","collected":"2026-12-09T11:33:49+01:00")";
    struct Case {
        std::string json;
        bool valid;
    };
    const Case cases[] = {
        {base + R"(,"bitlocker":"on","partition_style":"mbr","virtual_machine":true,"model":"M"})", true},
        {"\xEF\xBB\xBF" + base + R"(,"virtual_machine":null})", true},
        {base + R"(,"bitlocker":"maybe"})", false},
        {base + R"(,"partition_style":"GPT"})", false},
        {base + R"(,"virtual_machine":"no"})", false},
        {base + R"(,"model":42})", false},
        {base + R"(,"cpu_family":6,"cpu_model":158,"cpu_stepping":9,"cpu_cores":null,"extra":{"a":[{"a":1}]}})", true},
        {base + R"(,"computer_name":"PC-2"})", false}, // the second value would be hidden
        {base + R"(,"extra":1,"extra":2})", false},
        {base + R"(,"cpu_cores":-2})", false},
        {base + R"(,"cpu_max_mhz":2.5})", false},
        {base + R"(,"cpu_logical":4294967296})", false},
        {base + R"(,"serial":["S1"]})", false},
        {base + R"(,"model":{}})", false},
        {R"({"computer_name":"PC-1","collected":"2026-12-09T10:33:49"})", false}, // no offset: any zone
        {R"({"collected":"2026-12-09T10:33:49Z"})", false},
        {base, false},
        {"[]", false},
    };
    for (const Case& c : cases) {
        const std::optional<Inventory> inventory = parseInventory(c.json);
        EXPECT_EQ(inventory.has_value(), c.valid) << c.json;
        if (inventory) {
            EXPECT_EQ(inventory->collectedTime, *parseIsoTime("2026-12-09T10:33:49Z")) << c.json;
        }
    }
    const MachineFacts facts = machineFacts(*parseInventory(cases[0].json));
    EXPECT_TRUE(facts.bitlockerOn && facts.mbrSystemDisk && facts.virtualMachine == true);
    // An older inventory's and Ansible's placeholders read as unknown, as the helper now writes them.
    const Inventory blank =
        *parseInventory(base + R"(,"manufacturer":"To be filled by O.E.M.","model":"Default string","serial":"0"})");
    EXPECT_EQ(blank.manufacturer + blank.model + blank.serial, "");
    EXPECT_EQ(*parseIsoTime("1970-01-02T00:00:00.5-01:30"), (24 * 3600 + 5400) * 1'000'000'000LL);
    for (const char* bad : {"2026-02-30T10:00:00Z", "2026-12-09 10:33:49Z", "2026-12-09T24:00:00Z", "x",
                            "4052-12-09T10:33:49Z", "0001-01-01T00:00:00Z"}) { // beyond 64-bit nanoseconds
        EXPECT_FALSE(parseIsoTime(bad)) << bad;
    }
}

// What the Windows helper writes is what the fleet reads: SMBIOS type 1 after a type 0, a
// processor socket, a German local time, the registry's "Windows 10" on build 22631.
TEST(FleetFiles, InventoryHelperOutputIsReadBack)
{
    using namespace std::string_literals;
    const std::string processor = "\x04\x1A\2\0\x01\x03"s + std::string(14, '\0') + "\x10\x0E\0\0\x41\0"s + "CPU\0\0"s;
    const std::string raw = "\0\3\4\0\x5D\0\0\0"s + "\0\x05\0\0\x01"s + "AMI\0\0"s + "\x01\x1B\1\0\x01\x02\x00\x03"s +
                            std::string(19, '\0') + "QEMU\0Standard PC\0 SN-7 \0\0"s + processor;
    platform::InventoryAnswers answers{"PC-\"7\"", raw, "Windows 10 Pro", "23H2", "22631", 2861, 0, 0, 60, {}, {},
                                       4,          8};
    answers.now = *parseIsoTime("2026-12-09T10:33:49Z");
    answers.cpuidLeaf0 = {0x16, 0x756E6547, 0x6C65746E, 0x49656E69}; // "GenuineIntel"
    answers.cpuidLeaf1.eax = 0x000906EA;
    const std::optional<Inventory> read = parseInventory(inventory::inventoryJson(answers, "on"));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->collected, "2026-12-09T11:33:49+01:00");
    EXPECT_EQ(read->collectedTime, answers.now);
    EXPECT_EQ(std::tuple(read->computerName, read->manufacturer, read->model, read->serial, read->os),
              std::tuple("PC-\"7\""s, "QEMU"s, "Standard PC"s, "SN-7"s, "Windows 11 Pro 23H2 (Build 22631.2861)"s));
    EXPECT_TRUE(read->bitlocker == "on" && read->partitionStyle == "mbr" && read->virtualMachine == true);
    EXPECT_EQ(std::tuple(read->cpuVendor, read->cpuFamily, read->cpuModel, read->cpuStepping, read->cpuCores,
                         read->cpuLogical, read->cpuMaxMhz),
              std::tuple("GenuineIntel"s, 6u, 0x9Eu, 10u, 4u, 8u, 3600u));
    answers.smbios = raw.substr(0, 20); // cut inside the type 1 structure: nothing known
    answers.cpuidLeaf0.eax = 0;         // and no leaf 1 to take a signature from
    const std::optional<Inventory> blank = parseInventory(inventory::inventoryJson(answers, "unknown"));
    EXPECT_TRUE(blank->virtualMachine == std::nullopt && blank->cpuFamily == std::nullopt &&
                blank->cpuMaxMhz == std::nullopt && blank->model.empty());
}

TEST(FleetFiles, MachineNameFromTheFileOrItsDirectory)
{
    const std::pair<const char*, const char*> cases[] = {
        {"reports/PC-0042.txt", "PC-0042"},
        {"PC-0042.TXT", "PC-0042"},
        {"a/PC-7/quillbrook-report.txt", "PC-7"},
        {"a/PC-7/./Quillbrook-Report.TXT", "PC-7"},
        {"notes.log", "notes.log"},
        {"PC.1.txt", "PC.1"},
    };
    for (const auto& [path, name] : cases) {
        EXPECT_EQ(machineName(path), name) << path;
    }
}

#ifndef _WIN32
// A report listed in the walk and swapped for a FIFO or a link before it is read: the read
// neither waits for a writer nor follows the link, and the entry is listed.
TEST(FleetFiles, AFileSwappedAfterTheListingIsNeitherWaitedForNorFollowed)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quillbrook-swapped-test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::filesystem::create_symlink("/etc/hostname", dir / "link.txt");
    ASSERT_EQ(std::system(("mkfifo '" + (dir / "fifo.txt").string() + "'").c_str()), 0);
    ReportSearch search;
    search.files = {{dir / "fifo.txt", "fifo", false}, {dir / "link.txt", "link", false}};
    const Collection reports = readCollection(search);
    std::filesystem::remove_all(dir);
    ASSERT_EQ(reports.unreadable.size(), 2u);
    EXPECT_EQ(reports.unreadable[0].fault.kind, ReportFaultKind::notRegularFile);
    EXPECT_EQ(reports.unreadable[1].fault.kind, ReportFaultKind::linkSkipped);
}
#endif

} // namespace
} // namespace quill::fleet
