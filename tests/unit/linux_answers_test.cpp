#include "platform/linux_answers.h"
#include "probes/system_drive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace quill::platform::linux_answers {
namespace {

namespace fs = std::filesystem;

// A fresh sysfs-like tree per test, removed afterwards.
class SysfsTree : public ::testing::Test {
  protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() /
               ("quillbrook-sysfs-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }

    void writeFile(const std::string& relative, const std::string& bytes)
    {
        const fs::path path = root / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }

    fs::path root;
};

const std::string secureBootVar = "firmware/efi/efivars/SecureBoot-8be4df61-93ca-11d2-aa0d-00e098032b8c";

TEST_F(SysfsTree, FirmwareIsUefiExactlyWhenTheEfiDirectoryExists)
{
    EXPECT_EQ(firmwareType(root.string()), 1u);
    writeFile("firmware/efi", "not a directory");
    EXPECT_EQ(firmwareType(root.string()), 1u);
    fs::remove(root / "firmware/efi");
    fs::create_directories(root / "firmware/efi");
    EXPECT_EQ(firmwareType(root.string()), 2u);
}

TEST_F(SysfsTree, SecureBootVariableNeedsFiveToEightBytes)
{
    struct Case {
        const char* situation;
        std::optional<std::string> bytes; // nullopt: no file
        std::optional<std::uint32_t> expected;
    };
    const std::string attributes("\x06\x00\x00\x00", 4);
    const Case cases[] = {
        {"enabled", attributes + std::string("\x01", 1), 1u},
        {"disabled", attributes + std::string("\x00", 1), 0u},
        {"eight bytes, little-endian", attributes + std::string("\x02\x01\x00\x80", 4), 0x80000102u},
        {"attributes only", attributes, std::nullopt},
        {"nine bytes", attributes + std::string("\x01\x00\x00\x00\x00", 5), std::nullopt},
        {"empty file", std::string(), std::nullopt},
        {"missing", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        fs::remove_all(root / "firmware");
        if (c.bytes) {
            writeFile(secureBootVar, *c.bytes);
        }
        EXPECT_EQ(secureBootValue(root.string()), c.expected) << c.situation;
    }
}

TEST_F(SysfsTree, SecureBootVariableThatCannotBeReadFails)
{
    fs::create_directories(root / secureBootVar);
    EXPECT_EQ(secureBootValue(root.string()), std::nullopt);
}

TEST_F(SysfsTree, TpmFromVersionMajor)
{
    struct Case {
        const char* situation;
        std::optional<std::string> versionFile; // nullopt: no tpm0 at all
        TpmDeviceAnswer expected;
    };
    const Case cases[] = {
        {"no tpm0", std::nullopt, {tbsTpmNotFound, 0}},
        {"version 2", "2\n", {0, 2}},
        {"version 1", "1\n", {0, 1}},
        {"garbage", "two\n", {tbsInternalError, 0}},
        {"empty", "", {tbsInternalError, 0}},
        {"sign", "-2\n", {tbsInternalError, 0}},
        {"too large", "4294967296\n", {tbsInternalError, 0}},
    };
    for (const Case& c : cases) {
        fs::remove_all(root / "class");
        if (c.versionFile) {
            writeFile("class/tpm/tpm0/tpm_version_major", *c.versionFile);
        }
        const TpmDeviceAnswer answer = tpmDeviceInfo(root.string());
        EXPECT_EQ(answer.result, c.expected.result) << c.situation;
        EXPECT_EQ(answer.tpmVersion, c.expected.tpmVersion) << c.situation;
    }
}

TEST_F(SysfsTree, TpmWithoutVersionFileTellsTheFamilyByItsDevices)
{
    // Kernels before 5.5 have no tpm_version_major. A path ending in '/' is made a folder.
    const std::string tpm0 = "class/tpm/tpm0/";
    const std::string tpmrm0 = "class/tpmrm/tpmrm0/dev";
    struct Case {
        const char* situation;
        std::vector<std::string> files;
        TpmDeviceAnswer expected;
    };
    const Case cases[] = {
        {"resource manager: 2.0", {tpm0 + "dev", tpmrm0}, {0, 2}},
        {"caps: 1.x", {tpm0 + "caps"}, {0, 1}},
        {"neither", {tpm0 + "dev"}, {tbsInternalError, 0}},
        {"a version file wins", {tpm0 + "tpm_version_major", tpmrm0}, {0, 1}},
        {"even one that cannot be read", {tpm0 + "tpm_version_major/", tpmrm0}, {tbsInternalError, 0}},
        {"no tpm0", {tpmrm0}, {tbsTpmNotFound, 0}},
    };
    for (const Case& c : cases) {
        fs::remove_all(root / "class");
        for (const std::string& file : c.files) {
            if (file.back() == '/') {
                fs::create_directories(root / file);
            } else {
                writeFile(file, "1\n");
            }
        }
        const TpmDeviceAnswer answer = tpmDeviceInfo(root.string());
        EXPECT_EQ(answer.result, c.expected.result) << c.situation;
        EXPECT_EQ(answer.tpmVersion, c.expected.tpmVersion) << c.situation;
    }
}

constexpr std::uint64_t tmpfs = 0x01021994; // statfs types as the kernel reports them
constexpr std::uint64_t ext4 = 0xef53;
constexpr std::uint64_t btrfs = 0x9123683e;
constexpr std::uint64_t nfs = 0x6969;
constexpr std::uint64_t overlay = 0x794c7630;
constexpr std::uint64_t gib = std::uint64_t{1} << 30;

BlockDisk disk(std::string name, std::optional<std::uint64_t> sectors, std::optional<std::string> removable = "0\n",
               bool hasDevice = true)
{
    BlockDisk made;
    made.name = std::move(name);
    made.hasDevice = hasDevice;
    made.removable = std::move(removable);
    made.size = sectors ? std::optional<std::string>(std::to_string(*sectors) + "\n") : std::nullopt;
    return made;
}

// A disk with its place among the others: its number, partitions, slaves, a loop's backing device.
BlockDisk placed(BlockDisk made, std::string number, std::vector<BlockPartition> partitions = {},
                 std::vector<std::string> slaves = {}, std::optional<std::string> backingDevice = std::nullopt)
{
    made.number = std::move(number);
    made.partitions = std::move(partitions);
    made.slaves = std::move(slaves);
    made.backingDevice = std::move(backingDevice);
    return made;
}

RootFileSystem rootOn(std::optional<std::uint64_t> type, std::optional<std::uint64_t> capacity,
                      std::vector<std::string> numbers = {})
{
    return RootFileSystem{type, capacity, std::move(numbers)};
}

TEST(SystemCapacity, LiveRootTakesTheLargestBuiltInDisk)
{
    const std::uint64_t live = 4 * gib;
    const std::uint64_t nvme = 1000215216; // sectors of a 512 GB SSD
    const std::uint64_t huge = 9000000000;
    const std::vector<BlockDisk> liveMachine = {disk("loop0", huge, "0\n", false),
                                                disk("nvme0n1", nvme),
                                                disk("sda", huge, "1\n"),
                                                disk("sr0", huge),
                                                disk("zram0", huge),
                                                disk("ram0", huge),
                                                disk("fd0", huge)};
    struct Case {
        const char* situation;
        RootFileSystem root;
        std::vector<BlockDisk> disks;
        std::optional<std::uint64_t> expected;
    };
    const Case cases[] = {
        {"nvme, stick, loop, optical, zram, ram, floppy", rootOn(tmpfs, live), liveMachine, nvme * 512},
        {"only removable disks: never the RAM disk", rootOn(tmpfs, live), {disk("sda", nvme, "1\n")}, std::nullopt},
        {"live root unmeasurable, a disk", rootOn(tmpfs, std::nullopt), {disk("sda", nvme)}, nvme * 512},
        {"installed, no disk behind the root", rootOn(ext4, 100 * gib), {disk("sdb", 3907029168)}, 100 * gib},
        {"root type unknown", rootOn(std::nullopt, 100 * gib), {disk("sdb", 3907029168)}, 100 * gib},
        {"unreadable size", rootOn(tmpfs, live), {disk("sda", std::nullopt), disk("sdb", 8)}, 4096u},
        {"unreadable removable", rootOn(tmpfs, live), {disk("sda", 4096, std::nullopt)}, std::nullopt},
        {"largest size in 64 bits", rootOn(tmpfs, live), {disk("sda", (std::uint64_t{1} << 55) - 1)}, UINT64_MAX - 511},
        {"overflowing size", rootOn(tmpfs, live), {disk("sda", std::uint64_t{1} << 55), disk("sdb", 8)}, 4096u},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(systemCapacity(c.root, c.disks), c.expected) << c.situation;
    }
}

TEST(SystemCapacity, TheDiskBehindTheRootOrBesideTheLiveMedium)
{
    const std::uint64_t nvme = 1000215216;
    const std::uint64_t sata = 1953525168; // 1 TB, holding the live medium's image
    BlockDisk usbSsd = placed(disk("sdb", 3907029168), "8:16");
    usbSsd.isUsb = true;
    BlockDisk sdCard = placed(disk("mmcblk1", 3907029168), "179:0");
    sdCard.isSdCard = true;
    const std::vector<BlockDisk> machine = {
        placed(disk("nvme0n1", nvme), "259:0", {{"nvme0n1p1", "259:1"}, {"nvme0n1p3", "259:3"}}),
        placed(disk("sda", sata), "8:0", {{"sda1", "8:1"}, {"sda2", "8:2"}}),
        usbSsd,
        sdCard,
        placed(disk("dm-0", 1000, "0\n", false), "253:0", {}, {"nvme0n1p3"}),
        placed(disk("dm-1", 1000, "0\n", false), "253:1", {}, {"loop1", "loop2"}), // Fedora's live-rw
        placed(disk("loop0", 1000, "0\n", false), "7:0", {}, {}, "8:1"),           // squashfs.img on sda1
        placed(disk("loop1", 1000, "0\n", false), "7:1", {}, {}, "7:0"),           // rootfs.img inside it
        placed(disk("loop2", 1000, "0\n", false), "7:2", {}, {}, "0:40"),          // an overlay file in RAM
        placed(disk("loop3", 1000, "0\n", false), "7:3", {}, {}, "7:3"),           // over its own file
    };
    const std::uint64_t root = 15 * gib;
    struct Case {
        const char* situation;
        RootFileSystem root;
        std::optional<std::uint64_t> expected;
    };
    const Case cases[] = {
        {"installed on a partition", rootOn(ext4, root, {"8:2"}), sata * 512},
        {"installed behind device-mapper", rootOn(ext4, root, {"253:0"}), nvme * 512},
        {"btrfs: only the source leads to the disk", rootOn(btrfs, root, {"0:35", "0:35", "259:3"}), nvme * 512},
        {"NFS: no disk behind the root", rootOn(nfs, root, {"0:50"}), root},
        {"overlay live root", rootOn(overlay, root, {"0:30"}), nvme * 512},
        {"ext4 live root on device-mapper over loops", rootOn(ext4, root, {"253:1"}), nvme * 512},
        {"ext4 live root on a loop", rootOn(ext4, root, {"7:1"}), nvme * 512},
        {"a loop over its own file", rootOn(ext4, root, {"7:3"}), nvme * 512},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(systemCapacity(c.root, machine), c.expected) << c.situation;
    }
    const std::vector<BlockDisk> noBuiltInDisk = {usbSsd, sdCard, machine[6]};
    EXPECT_EQ(systemCapacity(rootOn(overlay, root), noBuiltInDisk), std::nullopt);
}

TEST(SystemCapacity, AnEmmcBelow64GiBFailsTheLineBesideALargerUsbDisk)
{
    const std::vector<BlockDisk> disks = {disk("mmcblk0", 62521344), disk("mmcblk0boot0", 8192),
                                          disk("mmcblk0boot1", 8192), disk("sda", 250069680, "1\n")};
    const CheckItem item =
        systemDriveCheck(platform::FirmwareVisibility::visible,
                         platform::SystemVolumeAnswer{true, systemCapacity(rootOn(tmpfs, gib), disks)});
    EXPECT_FALSE(item.passed);
    EXPECT_EQ(item.detail, "Kapazitaet 29.8 GiB");
}

TEST(RootMount, TheLastMountOnRootWithItsSource)
{
    struct Case {
        const char* situation;
        std::string mountinfo;
        std::optional<std::string> number;
        std::string source;
    };
    const Case cases[] = {
        {"ext4", "26 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n22 26 0:21 / /sys rw - sysfs sysfs rw\n", "254:0",
         "/dev/vda"},
        {"optional fields, escapes, stacked",
         "1 0 0:2 / / rw - rootfs rootfs rw\n30 1 0:35 /@ / rw shared:1 master:2 - btrfs /dev/my\\040disk rw", "0:35",
         "/dev/my disk"},
        {"no line for /", "22 26 0:21 / /sys rw - sysfs sysfs rw\n", std::nullopt, ""},
        {"cut short", "26 1 254:0 / / rw -", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        const std::optional<MountedDevice> mount = rootMount(c.mountinfo);
        EXPECT_EQ(mount ? std::optional<std::string>(mount->number) : std::nullopt, c.number) << c.situation;
        EXPECT_EQ(mount ? mount->source : "", c.source) << c.situation;
    }
}

TEST_F(SysfsTree, BlockDisksAsTheKernelLaysThemOut)
{
    EXPECT_TRUE(blockDisks(root.string()).empty()) << "no block folder";
    // Block entries link into /sys/devices; hardware has a device link beside size.
    const std::string nvme = "devices/pci0000:00/0000:00:1d.0/nvme/nvme0/nvme0n1";
    const std::string loop = "devices/virtual/block/loop0";
    const std::string usb = "devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host0/target0:0:0/0:0:0:0/block/sda";
    const std::string sd = "devices/platform/mmc_host/mmc1/mmc1:0001/block/mmcblk1";
    const std::string dm = "devices/virtual/block/dm-0";
    for (const std::string& folder : {nvme, loop, usb, sd, dm}) {
        writeFile(folder + "/size", "1000215216\n");
        writeFile(folder + "/removable", "0\n");
        fs::create_directories(root / "block");
        fs::create_directory_symlink("../" + folder, root / "block" / fs::path(folder).filename());
    }
    fs::create_directory_symlink("../../nvme0", root / nvme / "device");
    fs::remove(root / loop / "size");
    fs::create_directories(root / loop / "size"); // cannot be read
    writeFile(nvme + "/dev", "259:0\n");
    writeFile(nvme + "/nvme0n1p1/partition", "1\n");
    writeFile(nvme + "/nvme0n1p1/dev", "259:1\n");
    writeFile(nvme + "/queue/rotational", "0\n"); // a folder, but no partition
    writeFile(loop + "/loop/backing_file", (root / nvme / "dev").string() + "\n");
    writeFile(sd + "/device/type", "SD\n");
    fs::create_directories(root / dm / "slaves/nvme0n1p1");

    std::vector<BlockDisk> disks = blockDisks(root.string());
    std::sort(disks.begin(), disks.end(), [](const BlockDisk& a, const BlockDisk& b) { return a.name < b.name; });
    ASSERT_EQ(disks.size(), 5u);
    const BlockDisk& dm0 = disks[0];
    const BlockDisk& loop0 = disks[1];
    const BlockDisk& mmcblk1 = disks[2];
    const BlockDisk& nvme0n1 = disks[3];
    const BlockDisk& sda = disks[4];
    EXPECT_EQ(loop0.name, "loop0");
    EXPECT_FALSE(loop0.hasDevice);
    EXPECT_EQ(loop0.size, std::nullopt);
    EXPECT_EQ(nvme0n1.name, "nvme0n1");
    EXPECT_TRUE(nvme0n1.hasDevice);
    EXPECT_EQ(nvme0n1.removable, std::optional<std::string>("0\n"));
    EXPECT_EQ(nvme0n1.size, std::optional<std::string>("1000215216\n"));
    EXPECT_EQ(nvme0n1.number, "259:0");
    ASSERT_EQ(nvme0n1.partitions.size(), 1u);
    EXPECT_EQ(nvme0n1.partitions[0].name + " " + nvme0n1.partitions[0].number, "nvme0n1p1 259:1");
    EXPECT_EQ(dm0.slaves, std::vector<std::string>{"nvme0n1p1"});
    // The backing file lies in the test's own temporary folder, whatever device that is.
    EXPECT_NE(loop0.backingDevice.value_or("").find(':'), std::string::npos);
    EXPECT_EQ(nvme0n1.backingDevice, std::nullopt);
    EXPECT_EQ(std::vector<bool>({sda.isUsb, nvme0n1.isUsb, mmcblk1.isSdCard, sda.isSdCard}),
              std::vector<bool>({true, false, true, false}));
    fs::remove(root / nvme / "dev");
    const std::vector<BlockDisk> again = blockDisks(root.string());
    EXPECT_TRUE(std::any_of(again.begin(), again.end(), [](const BlockDisk& d) { return d.backingDevice == ""; }))
        << "a backing file that is gone: a loop on nothing known";
}

TEST_F(SysfsTree, FirmwareVisibilityFromWhatCannotBeSeen)
{
    struct Case {
        const char* situation;
        bool rootIsSysfs;
        bool hasFirmware;
        std::optional<std::string> osRelease;
        FirmwareVisibility expected;
    };
    const Case cases[] = {
        {"a machine", true, true, "6.8.0-45-generic\n", FirmwareVisibility::visible},
        {"osrelease unreadable", true, true, std::nullopt, FirmwareVisibility::visible},
        {"firmware masked empty", true, false, "6.8.0\n", FirmwareVisibility::container},
        {"no sysfs at /sys", false, true, "6.8.0\n", FirmwareVisibility::container},
        {"WSL 2", true, true, "5.15.153.1-microsoft-standard-WSL2\n", FirmwareVisibility::wsl},
        {"WSL 1", false, false, "4.4.0-19041-Microsoft\n", FirmwareVisibility::wsl},
    };
    for (const Case& c : cases) {
        fs::remove_all(root / "firmware");
        fs::create_directories(root / (c.hasFirmware ? "firmware/acpi" : "firmware"));
        EXPECT_EQ(firmwareVisibility(root.string(), c.rootIsSysfs, c.osRelease), c.expected) << c.situation;
    }
    fs::remove_all(root / "firmware");
    EXPECT_EQ(firmwareVisibility(root.string(), true, std::nullopt), FirmwareVisibility::container) << "no firmware";
}

TEST_F(SysfsTree, UefiWordSizeAndATpmTheFirmwareDescribes)
{
    EXPECT_EQ(uefiWordSize(root.string()), std::nullopt);
    writeFile("firmware/efi/fw_platform_size", "32\n");
    EXPECT_EQ(uefiWordSize(root.string()), 32u);
    struct Case {
        const char* situation;
        std::optional<std::string> status; // nullopt: no _STA, so no status file
        bool expected;
    };
    const Case cases[] = {
        {"no status file", std::nullopt, true},
        {"present, enabled, functioning", "15\n", true},
        {"present only", "1\n", false},
        {"switched off", "0\n", false},
    };
    for (const Case& c : cases) {
        fs::remove_all(root / "bus");
        writeFile(c.status ? "bus/acpi/devices/MSFT0101:00/status" : "bus/acpi/devices/MSFT0101:00/hid",
                  c.status.value_or("MSFT0101\n"));
        writeFile("bus/acpi/devices/PNP0C31:00/hid", "PNP0C31\n");
        const TpmDeviceAnswer answer = tpmDeviceInfo(root.string());
        EXPECT_EQ(answer.result, tbsTpmNotFound) << c.situation;
        EXPECT_EQ(answer.isDescribedWithoutDriver, c.expected) << c.situation;
    }
    writeFile("class/tpm/tpm0/tpm_version_major", "2\n");
    EXPECT_FALSE(tpmDeviceInfo(root.string()).isDescribedWithoutDriver) << "a driver serves it";
}

TEST(ArchitectureFromCpuid, LongModeBitDecides)
{
    struct Case {
        std::uint32_t highestExtendedLeaf;
        std::uint32_t edx;
        std::uint16_t code;
    };
    const Case cases[] = {{0x80000008, 1u << 29, 9},
                          {0x80000001, 0xFFFFFFFF, 9},
                          {0x80000008, ~(1u << 29), 0},
                          {0x80000000, 1u << 29, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(architectureFromCpuid(c.highestExtendedLeaf, CpuidRegisters{0, 0, 0, c.edx}), c.code) << c.edx;
    }
}

} // namespace
} // namespace quill::platform::linux_answers
