#include "fleet/outputs/inventory_cells.h"

#include "core/inventory_format.h"
#include "fleet/plan/machine_names.h"

namespace quill::fleet {
namespace {

std::string word(const std::string& id)
{
    if (id == "on" || id == "off") {
        return id == "on" ? "an" : "aus";
    }
    if (id == "gpt" || id == "mbr") {
        return id == "gpt" ? "GPT" : "MBR";
    }
    return "unbekannt";
}

} // namespace

std::array<std::string, 5> inventoryCells(const MachineReport& machine)
{
    if (!machine.inventory) {
        return {};
    }
    const Inventory& i = *machine.inventory;
    // What the inventory does not know is shown as such, not as a blank that looks like a gap. The
    // machine writes the rest as it likes: a bidi override or an invisible character must not make
    // one device look like another, so they are shown as names are.
    const auto known = [](const std::string& text) { return text.empty() ? std::string("–") : shownText(text); };
    std::string model = makerAndModel(i.manufacturer, i.model.empty() ? i.modelNumber : i.model);
    if (!i.model.empty() && !i.modelNumber.empty()) {
        model += " (" + i.modelNumber + ")";
    }
    return {known(model), known(i.serial), known(i.os), word(i.bitlocker), word(i.partitionStyle)};
}

std::string machineMarks(const MachineReport& machine)
{
    std::string marks;
    const std::pair<bool, const char*> all[] = {{machine.conflict, "Namenskonflikt"},
                                                {machine.future, "Zeit nach dem Lauf"},
                                                {machine.unusualName, "ungewöhnlicher Name"}};
    for (const auto& [set, text] : all) {
        if (set) {
            marks += (marks.empty() ? "" : ", ") + std::string(text);
        }
    }
    if (!machine.inventoryMismatch.empty()) {
        marks += marks.empty() ? "" : ", ";
        marks += "Inventar eines anderen Rechners (" + shownName(machine.inventoryMismatch) + ") übergangen";
    }
    return marks;
}

} // namespace quill::fleet
