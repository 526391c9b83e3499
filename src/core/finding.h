#pragma once

#include <cstdint>

namespace quill {

// What an admin has to do with a machine, worst first: the order is the order of progress.
enum class Category : std::uint8_t {
    replace,      // a processor feature or the 64-bit architecture is missing
    cpuNotListed, // runs, but the processor is not on the vendor's list: Windows Update offers nothing
    upgrade,      // only memory and/or the system volume stand in the way technically
    tpmHardware,  // the TPM is only 1.2, or the platform is older than firmware TPMs
    firmware,     // what fails is settings in the firmware setup: nothing to buy
    vmSettings,   // a virtual machine: what fails is set in its hypervisor, never bought
    check,        // something that could make it worse than known is not known: look at the machine
    ready,        // officially compatible, with a processor on the list or one the rules don't know
};

// One step for a failed check, in the order the page explains them.
enum class Action : std::uint8_t {
    suspendBitlocker, // before any firmware change, so the recovery key is not asked for at the next start
    checkBitlocker,   // the same where nobody could ask whether BitLocker is on
    convertToGpt,     // the system disk is MBR: converted before the switch to UEFI
    enableUefi,
    enableSecureBoot,
    enableTpm,
    tpmUpgrade,
    vmSettings,       // a virtual machine: vTPM, Secure Boot, UEFI and processor model are the hypervisor's
    addVcpus,         // a virtual machine with fewer than two processors
    newVmGeneration2, // a Hyper-V VM of generation 1, which has no UEFI to switch to
    addMemory,
    largerDisk,
    replacePc,
    checkProcessor, // neither the signature nor the brand tells whether the processor is listed
    check,          // the finding names no setting (a value that could not be read): look at the machine
};

// What a check found, as the probes set it and the fleet reads it back out of a report. Its
// words are the table's alone; everything else tells findings apart by this value.
enum class Finding : std::uint8_t {
    present,          // the processor has it
    presentArm64,     // the 64-bit processor is an ARM64 one
    presentEmulated,  // the x64 emulator of an ARM64 machine offers it
    missing,          // the processor lacks it
    missingEmulated,  // the x64 emulator of an ARM64 machine lacks it
    otherProcessor,   // a processor line in words no version of the program wrote
    memoryInstalled,  // value: the installed memory in bytes
    memoryUnreadable, // the memory query failed
    otherMemory,      // a memory line in words no version of the program wrote
    driveCapacity,    // value: the system volume's size in bytes
    noWindowsFolder,  // the system directory was not found
    driveUnreadable,  // the capacity query failed
    driveInContainer, // the disks the process sees are a container's
    driveInWsl,       // ... or WSL's virtual ones
    otherDrive,       // a system drive line in words no version of the program wrote
    uefiActive,       // booted through UEFI
    legacyBios,       // booted through a legacy BIOS or the CSM
    uefi32Bit,        // a 32-bit UEFI, which starts no 64-bit Windows
    uefiUnreadable,   // the firmware type could not be asked
    uefiInContainer,  // the firmware the process sees is not the machine's own
    uefiInWsl,
    otherUefi, // a UEFI line in words no version of the program wrote
    secureBootOn,
    secureBootOff,
    secureBootLegacy, // a legacy BIOS has no Secure Boot to switch on: UEFI first
    secureBootUnread, // the state could not be read on a UEFI (or an unknown) firmware
    secureBootInContainer,
    secureBootInWsl,
    otherSecureBoot, // a Secure Boot line in words no version of the program wrote
    tpm20,
    tpm12,             // a TPM 1.2, which no setting turns into 2.0
    tpmVersionUnknown, // value: the version number the TPM reported
    tpmNotFound,       // TBS_E_TPM_NOT_FOUND: no TPM, or one switched off in the firmware
    tbsError,          // value: any other TBS result, which says only that the TPM could not be asked
    tpmWithoutDriver,  // the firmware describes a TPM 2.0 that no driver serves
    tpmNotAskedInPe,   // Windows PE without TPM Base Services
    tpmInContainer,
    tpmInWsl,
    otherTpm, // a TPM line in words no version of the program wrote
};

} // namespace quill
