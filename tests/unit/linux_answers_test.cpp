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
                                                disk("fd0", huge),
                                                disk("nbd0", huge)};
    struct Case {
        const char* situation;
        std::vector<BlockDisk> disks;
        std::optional<std::uint64_t> expected;
    };
    const Case cases[] = {
        {"nvme, stick, loop, optical, zram, ram, floppy, nbd", liveMachine, nvme * 512},
        {"only removable disks: never the RAM disk", {disk("sda", nvme, "1\n")}, std::nullopt},
        {"no disk", {}, std::nullopt},
        {"unreadable size", {BlockDisk{"sda", true, "0\n", std::nullopt}, disk("sdb", 8)}, 4096u},
        {"unreadable removable", {BlockDisk{"sda", true, std::nullopt, "4096\n"}}, std::nullopt},
        {"non-decimal size", {BlockDisk{"sda", true, "0\n", "0x100000\n"}}, std::nullopt},
        {"empty size", {BlockDisk{"sda", true, "0\n", ""}}, std::nullopt},
        {"size 0 passed over", {disk("sda", 0), disk("sdb", 8)}, 4096u},
        {"only size 0: not 0.0 GiB", {disk("sda", 0)}, std::nullopt},
        {"largest size in 64 bits", {disk("sda", (std::uint64_t{1} << 55) - 1)}, UINT64_MAX - 511},
        {"overflowing size", {disk("sda", std::uint64_t{1} << 55), disk("sdb", 8)}, 4096u},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(largestBuiltIn(c.disks), c.expected) << c.situation;
    }
}

TEST(SystemCapacity, AnEmmcBelow64GiBFailsTheLineBesideALargerUsbDisk)
{
    const std::vector<BlockDisk> disks = {disk("mmcblk0", 62521344), disk("mmcblk0boot0", 8192),
                                          disk("mmcblk0boot1", 8192), disk("sda", 250069680, "1\n")};
    const platform::SystemVolumeAnswer answer{true, largestBuiltIn(disks)};
    const CheckItem item = systemDriveCheck(platform::FirmwareVisibility::visible, answer);
    EXPECT_FALSE(item.passed);
    EXPECT_EQ(item.detail, "Kapazitaet 29.8 GiB");
}

// Files below a folder of the tree, "name/" a folder of its own and "->target" a link.
using Files = std::vector<std::pair<std::string, std::string>>;

void writeFiles(const fs::path& folder, const Files& files)
{
    for (const auto& [name, text] : files) {
        fs::create_directories((folder / name).parent_path());
        if (name.back() == '/') {
            fs::create_directories(folder / name);
        } else if (text.starts_with("->")) {
            fs::create_directory_symlink(text.substr(2), folder / name);
        } else {
            std::ofstream(folder / name) << text << "\n";
        }
    }
}

// A block device as the kernel lays it out: its folder below devices/, its number and files.
// stage() adds the links to it: class/block/ and dev/block/ for all, block/ and the device link
// of hardware for a disk. A partition's folder lies in its disk's.
struct Staged {
    std::string folder;
    std::string number;
    Files files;
    bool isPartition = false;
};

void stage(const fs::path& root, const std::vector<Staged>& devices)
{
    for (const Staged& device : devices) {
        const fs::path folder = root / "devices" / device.folder;
        writeFiles(folder, device.files);
        const auto link = [&root, &folder](const char* links, const std::string& name) {
            fs::create_directories(root / links);
            fs::create_directory_symlink(fs::relative(folder, root / links), root / links / name);
        };
        link("class/block", folder.filename());
        link("dev/block", device.number);
        if (!device.isPartition) {
            link("block", folder.filename());
        }
        const fs::path parent =
            folder.parent_path().filename() == "block" ? folder.parent_path().parent_path() : folder.parent_path();
        if (!device.isPartition && !device.folder.starts_with("virtual/block/")) {
            fs::create_directory_symlink(fs::relative(parent, folder), folder / "device");
        }
    }
}

constexpr std::uint64_t gib = 2097152; // sectors

// A hardware disk at folder, of so many GiB, with its number and more files.
Staged hardware(std::string folder, std::uint64_t gibs, std::string number, Files more = {})
{
    more.insert(more.begin(), {{"size", std::to_string(gibs * gib)}, {"removable", "0"}, {"dev", number}});
    return Staged{std::move(folder), std::move(number), std::move(more)};
}

Staged partition(const Staged& disk, const std::string& name, const std::string& number)
{
    return Staged{disk.folder + "/" + name, number, {{"partition", "1"}, {"dev", number}}, true};
}

// A device the kernel builds over slaves, with its id (dm/uuid or md/metadata_version).
Staged built(const std::string& name, const std::string& number, const std::vector<std::string>& slaves, std::string id,
             std::uint64_t gibs = 40)
{
    Staged device{"virtual/block/" + name, number, {{"size", std::to_string(gibs * gib)}, {"dev", number}}};
    device.files.emplace_back(name.starts_with("md") ? "md/metadata_version" : "dm/uuid", std::move(id));
    for (const std::string& slave : slaves) {
        device.files.emplace_back("slaves/" + slave, "->../../../../" + slave); // its target is not asked
    }
    return device;
}

TEST_F(SysfsTree, TheDiskWindowsSetupWouldSeeUnderEachLayout)
{
    const std::string pci = "pci0000:00/0000:00:";
    const Staged nvme = hardware(pci + "1d.0/nvme/nvme0/nvme0n1", 512, "259:0");
    const Staged sda = hardware(pci + "17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda", 128, "8:0");
    const Staged sdb = hardware(pci + "17.0/ata2/host1/target1:0:0/1:0:0:0/block/sdb", 500, "8:16");
    const Staged sdc = hardware(pci + "17.0/ata3/host2/target2:0:0/2:0:0:0/block/sdc", 300, "8:32");
    const Staged sdb2 = partition(sdb, "sdb2", "8:18");
    const Staged sdc2 = partition(sdc, "sdc2", "8:34");
    const Staged data = hardware(pci + "17.0/ata6/host5/target5:0:0/5:0:0:0/block/sdf", 2000, "8:80");
    const Staged usb = hardware(pci + "14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdd", 29, "8:48");
    const std::string tunnel = "07.0/0000:05:00.0/nvme/nvme1/nvme1n1";
    const Staged thunderbolt = hardware(pci + tunnel, 2000, "259:4", {{"../../../removable", "removable"}});
    const Staged discreteTunnel =
        hardware(pci + "1c.4/0000:03:00.0/0000:04:01.0/0000:06:00.0/nvme/nvme1/nvme1n1", 2000, "259:4");
    const Files discreteController = {
        {"bus/thunderbolt/devices/domain0",
         "->../../../devices/" + pci + "1c.4/0000:03:00.0/0000:04:00.0/0000:05:00.0/domain0"},
        {"devices/" + pci + "1c.4/0000:03:00.0/0000:04:00.0/0000:05:00.0/domain0/", ""}};
    const Files integratedController = {
        {"bus/thunderbolt/devices/domain0", "->../../../devices/" + pci + "0d.2/domain0"},
        {"devices/" + pci + "0d.2/domain0/", ""},
        {"devices/" + pci + "0d.2/consumer:pci:0000:00:07.0", "->../devlink"}};
    const Staged fabric = hardware("virtual/nvme-fabrics/ctl/nvme1/nvme1n1", 40, "259:5");
    const Staged head = hardware("virtual/nvme-subsystem/nvme-subsys1/nvme1n1", 40, "259:5",
                                 {{"../nvme1", "->../../nvme-fabrics/ctl/nvme1"}});
    const Staged localHead = hardware("virtual/nvme-subsystem/nvme-subsys0/nvme0n1", 500, "259:0",
                                      {{"../nvme0", "->../../../" + pci + "1d.0/nvme/nvme0"}});
    const Staged iscsi = hardware("platform/host3/session1/target3:0:0/3:0:0:0/block/sdb", 40, "8:16");
    const Staged firewire =
        hardware(pci + "1e.0/0000:05:00.0/fw1/fw1.0/host8/target8:0:0/8:0:0:0/block/sdb", 1000, "8:16");
    const Staged sdCard = hardware("platform/80860F14:01/mmc_host/mmc1/mmc1:aaaa/block/mmcblk1", 1000, "179:0",
                                   {{"../../type", "SDcombo"}});
    const Staged rbd = hardware("rbd/0/block/rbd0", 1000, "252:0");
    const Staged rst = built("md126", "9:126", {"sda", "sdb"}, "external:/md127/0", 256);
    const Files btrfsRaid1 = {{"fs/btrfs/0f2d5c7e-8a4b-4c1e-9d3f-6b7a8c9d0e1f/devices/sdc2", "->../../../../dev/x"},
                              {"fs/btrfs/0f2d5c7e-8a4b-4c1e-9d3f-6b7a8c9d0e1f/devices/sdb2", "->../../../../dev/x"},
                              {"fs/btrfs/features/", ""}};
    const Staged nvme3 = partition(nvme, "nvme0n1p3", "259:3");
    const Staged usb1 = partition(usb, "sdd1", "8:49");
    const Staged sde = hardware(pci + "17.0/ata5/host4/target4:0:0/4:0:0:0/block/sde", 500, "8:64");
    const Staged mpath = built("dm-0", "253:0", {"sdb", "sde"}, "mpath-3600508b4000156d7", 500);
    const Staged mpath1 = built("dm-1", "253:1", {"dm-0"}, "part1-mpath-3600508b4000156d7");
    const Staged dmraid = built("dm-0", "253:0", {"sda", "sdb"}, "DMRAID-isw_bdcfjhhi_Volume0", 256);
    const Staged raid5 = built("md0", "9:0", {"sda", "sdb", "sdc"}, "1.2", 256);
    const Staged lvOverDisks = built("dm-0", "253:0", {"sda", "sdb"}, "LVM-Qx3");
    const Staged lvOverUsb = built("dm-0", "253:0", {"nvme0n1p3", "sdd1"}, "LVM-Qx3");
    const Staged tunnelled = hardware(pci + tunnel, 2000, "259:4");
    const Staged zram = built("zram0", "252:0", {}, "");
    const Staged luks = built("dm-0", "253:0", {"nvme0n1p3"}, "CRYPT-LUKS2-0f2d");
    const Staged rst2 = partition(rst, "md126p2", "259:9");
    const Staged rstUsb = built("md126", "9:126", {"sda", "sdd"}, "external:/md127/0", 256);
    const Staged fedoraLive = built("dm-1", "253:1", {"loop1", "loop2"}, "");
    struct Case {
        const char* situation;
        std::optional<std::uint64_t> type;
        const char* number;
        std::vector<Staged> devices;
        std::optional<std::uint64_t> gibs;
        Files more{};
    };
    const auto btrfs = btrfsFileSystem;
    const auto none = std::nullopt;
    const Case cases[] = {
        {"btrfs: the source's disk", btrfs, "259:3", {nvme, nvme3, data}, 512},
        {"btrfs over two disks: the larger", btrfs, "8:34", {sdc, sdc2, sdb, sdb2, data}, 500, btrfsRaid1},
        {"root on ZFS or NFS: the disk", 0x2fc12fc1, "", {sdb}, 500},
        {"statfs failed", none, "8:16", {sdb}, 500},
        {"LUKS on a partition", ext4, "253:0", {nvme, nvme3, luks, data}, 512},
        {"LV over two whole disks", ext4, "253:0", {sda, sdb, lvOverDisks, data}, 500},
        {"LV over a built-in and a USB partition", ext4, "253:0", {nvme, nvme3, usb, usb1, sda, lvOverUsb}, 512},
        {"installed on a USB stick", ext4, "8:49", {usb, usb1, nvme}, 512},
        {"installed on the only, USB disk", ext4, "8:49", {usb, usb1}, none},
        {"LVM over a USB stick", ext4, "253:0", {usb, usb1, built("dm-0", "253:0", {"sdd1"}, "LVM-Qx3"), sda}, 128},
        {"md RAID5 of three disks: each", ext4, "9:0", {sda, sdb, sdc, raid5, data}, 500},
        {"RST RAID0 volume of two disks", ext4, "259:9", {sda, sdb, rst, rst2, data}, 256},
        {"RST volume with a USB member: the built-in one", ext4, "9:126", {sda, usb, rstUsb}, 128},
        {"dmraid's RST volume, not its members", tmpfs, "", {sda, sdb, dmraid}, 256},
        {"multipath, a partition of it", ext4, "253:1", {sdb, sde, mpath, mpath1, data}, 500},
        {"iSCSI LUN beside the local disk", ext4, "8:17", {iscsi, partition(iscsi, "sdb1", "8:17"), nvme}, 512},
        {"NVMe over TCP", ext4, "259:6", {fabric, partition(fabric, "nvme1n1p1", "259:6"), sda}, 128},
        {"NVMe over TCP, multipath", ext4, "259:6", {head, partition(head, "nvme1n1p1", "259:6"), localHead, sda}, 500},
        {"RBD", ext4, "252:0", {rbd, sda}, 128},
        {"Thunderbolt disk beside SATA", tmpfs, "", {thunderbolt, sda}, 128},
        {"installed on Thunderbolt", ext4, "259:4", {thunderbolt}, none},
        {"Thunderbolt 3 card, no removable file", tmpfs, "", {discreteTunnel, sda}, 128, discreteController},
        {"USB4, integrated, no removable file", tmpfs, "", {tunnelled, sda}, 128, integratedController},
        {"FireWire", tmpfs, "", {firewire, sda}, 128},
        {"SDcombo card", tmpfs, "", {sdCard, sda}, 128},
        {"zram root", ext4, "252:0", {zram, sda}, 128},
        {"Fedora live, its image on the internal disk", ext4, "253:1", {nvme, sda, fedoraLive}, 512},
        {"a loop file on the only internal disk", tmpfs, "", {built("loop0", "7:0", {}, ""), sda}, 128},
        {"a loop over its own file", ext4, "7:3", {built("loop3", "7:3", {}, ""), sda}, 128},
    };
    for (const Case& c : cases) {
        fs::remove_all(root);
        stage(root, c.devices);
        writeFiles(root, c.more);
        const std::optional<std::uint64_t> expected = c.gibs ? std::optional(*c.gibs << 30) : std::nullopt;
        EXPECT_EQ(systemCapacity(root.string(), RootFileSystem{c.type, c.number}), expected) << c.situation;
    }
}

TEST(MountSource, TheLastMountThere)
{
    const std::string mountinfo = "26 1 254:0 / / rw - ext4 /dev/vda rw\n22 26 0:21 / /sys rw - sysfs sysfs rw\n"
                                  "30 1 0:35 /@ / rw shared:1 master:2 - btrfs /dev/my\\040disk rw\n31 1 0:9 / / rw -\n"
                                  "40 1 0:36 / /sysroot ro - btrfs /dev/vda4 ro";
    EXPECT_EQ(mountSource(mountinfo, "/"), "/dev/my disk");
    EXPECT_EQ(mountSource(mountinfo, "/sysroot"), "/dev/vda4");
    EXPECT_FALSE(mountSource("22 26 0:21 / /sys rw - sysfs sysfs rw\n", "/"));
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

    // loop0 is set aside by its name, unread.
    const std::vector<BlockDisk> disks = blockDisks(root.string());
    ASSERT_EQ(disks.size(), 1u);
    EXPECT_EQ(disks[0].name, "nvme0n1");
    EXPECT_TRUE(disks[0].hasDevice);
    EXPECT_EQ(disks[0].removable, std::optional<std::string>("0\n"));
    EXPECT_EQ(disks[0].size, std::optional<std::string>("1000215216\n"));
}

} // namespace
} // namespace quill::platform::linux_answers
