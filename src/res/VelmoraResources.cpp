#include "res/Resources.h"

#include "res/ResourceData.h"

const ResourceTables& VelmoraResources() {
    static constexpr const DialogTemplate* dialogs[] = {
        &resource_data::aboutDialog,
        &resource_data::mainDialog,
        &resource_data::telnetDialog,
    };
    static constexpr const IconResource* icons[] = {&resource_data::appIcon};
    static const ResourceTables tables{
        .englishStrings = resource_data::englishStrings,
        .koreanStrings = resource_data::koreanStrings,
        .dialogs = dialogs,
        .icons = icons,
    };
    return tables;
}
