#include "platform/linux_answers.h"
#include "platform/linux_disks.h"
#include "probes/system_drive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <tuple>
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

BlockDisk disk(std::string name, std::uint64_t sectors, const char* removable = "0\n", bool hasDevice = true)
{
    return BlockDisk{std::move(name), hasDevice, removable, std::to_string(sectors) + "\n"};
}

TEST(SystemCapacity, LiveRootTakesTheLargestBuiltInDisk)
{
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
        std::optional<std::uint64_t> rootType;
        std::vector<BlockDisk> disks;
        std::optional<std::uint64_t> expected;
    };
    const Case cases[] = {
        {"nvme, stick, loop, optical, zram, ram, floppy", tmpfs, liveMachine, nvme * 512},
        {"only removable disks: never the RAM disk", tmpfs, {disk("sda", nvme, "1\n")}, std::nullopt},
        {"no disk", tmpfs, {}, std::nullopt},
        {"root on no block device (ZFS, NFS): the disk", ext4, {disk("sdb", 3907029168)}, 3907029168 * 512},
        {"root type unknown", std::nullopt, {disk("sdb", 3907029168)}, 3907029168 * 512},
        {"unreadable size", tmpfs, {BlockDisk{"sda", true, "0\n", std::nullopt}, disk("sdb", 8)}, 4096u},
        {"unreadable removable", tmpfs, {BlockDisk{"sda", true, std::nullopt, "4096\n"}}, std::nullopt},
        {"non-decimal size", tmpfs, {BlockDisk{"sda", true, "0\n", "0x100000\n"}}, std::nullopt},
        {"empty size", tmpfs, {BlockDisk{"sda", true, "0\n", ""}}, std::nullopt},
        {"largest size in 64 bits", tmpfs, {disk("sda", (std::uint64_t{1} << 55) - 1)}, UINT64_MAX - 511},
        {"overflowing size", tmpfs, {disk("sda", std::uint64_t{1} << 55), disk("sdb", 8)}, 4096u},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(systemCapacity(RootFileSystem{c.rootType, {}}, c.disks), c.expected) << c.situation;
    }
}

TEST(SystemCapacity, AnEmmcBelow64GiBFailsTheLineBesideALargerUsbDisk)
{
    const std::vector<BlockDisk> disks = {disk("mmcblk0", 62521344), disk("mmcblk0boot0", 8192),
                                          disk("mmcblk0boot1", 8192), disk("sda", 250069680, "1\n")};
    const platform::SystemVolumeAnswer answer{true, systemCapacity(RootFileSystem{tmpfs, {}}, disks)};
    const CheckItem item = systemDriveCheck(platform::FirmwareVisibility::visible, answer);
    EXPECT_FALSE(item.passed);
    EXPECT_EQ(item.detail, "Kapazitaet 29.8 GiB");
}

BlockDisk stacked(std::string name, std::string number, std::vector<std::string> slaves, std::string backing = "")
{
    BlockDisk device{std::move(name), false, "0\n", "8\n", std::move(number), {}, std::move(slaves)};
    device.backingDevice = backing.empty() ? std::nullopt : std::optional<std::string>(backing);
    return device;
}

BlockDisk withSlaves(BlockDisk device, std::vector<std::string> slaves)
{
    device.slaves = std::move(slaves);
    return device;
}

TEST(SystemCapacity, UnderTheRootThroughItsOwnStackOnly)
{
    constexpr std::uint64_t btrfs = 0x9123683e;
    BlockDisk nvme{"nvme0n1", true, "0\n", "1000215216\n", "259:0", {{"nvme0n1p3", "259:3"}}};
    BlockDisk sda{"sda", true, "0\n", "250069680\n", "8:0", {{"sda1", "8:1"}}}; // 128 GB
    BlockDisk sdb{"sdb", true, "0\n", "250069680\n", "8:16"};
    BlockDisk usb{"sdc", true, "0\n", "60088320\n", "8:32", {{"sdc1", "8:33"}}}; // a 30.8 GB stick
    usb.isUsb = true;
    BlockDisk thunderbolt{"nvme1n1", true, "0\n", "1953525168\n", "259:4"};
    thunderbolt.hasRemovableParent = true;
    const std::uint64_t nvmeBytes = 1000215216 * std::uint64_t{512};
    const BlockDisk fedoraLive = stacked("dm-1", "253:1", {"loop1", "loop2"});
    const std::vector<BlockDisk> loops = {stacked("loop0", "7:0", {}, "8:1"), stacked("loop1", "7:1", {}, "7:0"),
                                          stacked("loop2", "7:2", {}, "0:40"), stacked("loop3", "7:3", {}, "7:3")};
    BlockDisk raid = stacked("md126", "9:126", {"sda", "sdb"});
    raid.size = "500137984\n";
    raid.partitions = {{"md126p2", "259:9"}};
    struct Case {
        const char* situation;
        RootFileSystem root;
        std::vector<BlockDisk> disks;
        std::optional<std::uint64_t> expected;
    };
    const Case cases[] = {
        {"btrfs: only the source leads to the disk", {btrfs, {"0:35", "0:35", "259:3"}}, {nvme, sda}, nvmeBytes},
        {"LUKS on a partition", {ext4, {"253:0"}}, {nvme, stacked("dm-0", "253:0", {"nvme0n1p3"}), sdb}, nvmeBytes},
        {"installed on a USB stick", {ext4, {"8:33"}}, {usb, nvme}, nvmeBytes},
        {"installed on the only, USB disk", {ext4, {"8:33"}}, {usb}, std::nullopt},
        {"LVM over a USB stick", {ext4, {"253:0"}}, {usb, stacked("dm-0", "253:0", {"sdc1"}), sda}, 128035676160u},
        {"Thunderbolt disk beside eMMC-sized SATA", {tmpfs, {}}, {thunderbolt, sda}, 128035676160u},
        {"installed on Thunderbolt", {ext4, {"259:4"}}, {thunderbolt}, std::nullopt},
        {"RST RAID0 volume of two disks", {ext4, {"259:9"}}, {sda, sdb, raid}, 256070647808u},
        {"RAID with a USB member: no other disk",
         {ext4, {"259:9"}},
         {sda, usb, withSlaves(raid, {"sda", "sdc"})},
         std::nullopt},
        {"zram root", {ext4, {"252:0"}}, {stacked("zram0", "252:0", {}), sda}, 128035676160u},
        {"Fedora live, its image on the internal disk",
         {ext4, {"253:1"}},
         [&] {
             std::vector<BlockDisk> all = {nvme, sda, fedoraLive};
             all.insert(all.end(), loops.begin(), loops.end());
             return all;
         }(),
         nvmeBytes},
        {"a loop file on the only internal disk", {tmpfs, {"0:30"}}, {sda, loops[0]}, 128035676160u},
        {"a loop over its own file", {ext4, {"7:3"}}, {sda, loops[3]}, 128035676160u},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(systemCapacity(c.root, c.disks), c.expected) << c.situation;
    }
}

TEST(RootMount, TheLastMountOnRootWithItsSource)
{
    const std::string mountinfo = "26 1 254:0 / / rw - ext4 /dev/vda rw\n22 26 0:21 / /sys rw - sysfs sysfs rw\n"
                                  "30 1 0:35 /@ / rw shared:1 master:2 - btrfs /dev/my\\040disk rw\n31 1 0:9 / / rw -";
    const std::optional<MountedDevice> mount = rootMount(mountinfo);
    EXPECT_EQ(mount ? mount->number + " " + mount->source : "", "0:35 /dev/my disk");
    EXPECT_FALSE(rootMount("22 26 0:21 / /sys rw - sysfs sysfs rw\n"));
}

TEST_F(SysfsTree, FirmwareVisibilityWordSizeAndATpmWithoutDriver)
{
    EXPECT_EQ(firmwareVisibility(root.string(), true, std::nullopt), FirmwareVisibility::container);
    writeFile("firmware/efi/fw_platform_size", "32\n");
    EXPECT_EQ(uefiWordSize(root.string()), 32u);
    EXPECT_EQ(firmwareVisibility(root.string(), true, "6.8.0-45-generic\n"), FirmwareVisibility::visible);
    EXPECT_EQ(firmwareVisibility(root.string(), false, std::nullopt), FirmwareVisibility::container);
    EXPECT_EQ(firmwareVisibility(root.string(), true, "4.4.0-19041-Microsoft\n"), FirmwareVisibility::wsl);
    const std::string first = "bus/acpi/devices/MSFT0101:00/";
    const std::string second = "bus/acpi/devices/MSFT0101:01/status";
    const std::tuple<std::string, std::string, bool> devices[] = {
        {first + "hid", "", true},        // no status: present and enabled
        {first + "status", "0\n", false}, // present, disabled
        {second, "15\n", true},           // beside a disabled first
    };
    for (const auto& [file, text, described] : devices) {
        writeFile(file, text);
        EXPECT_EQ(tpmDeviceInfo(root.string()).isDescribedWithoutDriver, described) << file;
    }
}

TEST_F(SysfsTree, BlockDisksAsTheKernelLaysThemOut)
{
    EXPECT_TRUE(blockDisks(root.string()).empty()) << "no block folder";
    // Block entries link into /sys/devices; hardware has a device link beside size.
    const std::string nvme = "devices/pci0000:00/0000:00:1d.0/nvme/nvme0/nvme0n1";
    const std::string loop = "devices/virtual/block/loop0";
    for (const std::string& folder : {nvme, loop}) {
        writeFile(folder + "/size", "1000215216\n");
        writeFile(folder + "/removable", "0\n");
        fs::create_directories(root / "block");
        fs::create_directory_symlink("../" + folder, root / "block" / fs::path(folder).filename());
    }
    fs::create_directory_symlink("../../nvme0", root / nvme / "device");
    fs::remove(root / loop / "size");
    fs::create_directories(root / loop / "size"); // cannot be read

    std::vector<BlockDisk> disks = blockDisks(root.string());
    std::sort(disks.begin(), disks.end(), [](const BlockDisk& a, const BlockDisk& b) { return a.name < b.name; });
    ASSERT_EQ(disks.size(), 2u);
    EXPECT_EQ(disks[0].name, "loop0");
    EXPECT_FALSE(disks[0].hasDevice);
    EXPECT_EQ(disks[0].size, std::nullopt);
    EXPECT_EQ(disks[1].name, "nvme0n1");
    EXPECT_TRUE(disks[1].hasDevice);
    EXPECT_EQ(disks[1].removable, std::optional<std::string>("0\n"));
    EXPECT_EQ(disks[1].size, std::optional<std::string>("1000215216\n"));

    // LUKS on the NVMe disk's third partition: only the root's stack is read, not loop0.
    const std::string dm = "devices/virtual/block/dm-0";
    for (const auto& [file, text] : {std::pair{dm + "/size", "8\n"},
                                     {dm + "/dev", "253:0\n"},
                                     {nvme + "/nvme0n1p3/partition", "3\n"},
                                     {nvme + "/nvme0n1p3/dev", "259:3\n"}}) {
        writeFile(file, text);
    }
    fs::create_directories(root / dm / "slaves" / "nvme0n1p3");
    fs::create_directories(root / "class" / "block");
    fs::create_directories(root / "dev" / "block");
    fs::create_directory_symlink("../" + dm, root / "block" / "dm-0");
    fs::create_directory_symlink("../../" + nvme + "/nvme0n1p3", root / "class" / "block" / "nvme0n1p3");
    fs::create_directory_symlink("../../" + dm, root / "dev" / "block" / "253:0");
    std::vector<std::string> read;
    for (const BlockDisk& device : blockDisksFor(root.string(), RootFileSystem{ext4, {"0:35", "253:0"}})) {
        read.push_back(device.name);
    }
    EXPECT_EQ(read, (std::vector<std::string>{"dm-0", "nvme0n1"}));
}

} // namespace
} // namespace quill::platform::linux_answers
