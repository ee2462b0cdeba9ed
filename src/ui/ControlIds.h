// Control ids of the main dialog, and the slot tables of the parameter panel.
#pragma once

#include "composer/PanelLayout.h" // kMaxSlots

#include <array>

namespace tovel {

enum ControlId : int {
    IDC_STATIC = -1,
    IDC_EXIT = 1,
    IDC_CANCEL = 2,
    IDC_COPY = 3,
    IDC_FUNCTION = 1000,
    IDC_SETUP = 1003,
    IDC_HELP_BUTTON = 1004,
    IDC_LIBRARY = 1005,
    IDC_UNLIST = 1006,
    IDC_ADD = 1007,
    IDC_SOURCE = 1014,
    IDC_SEP1 = 1033,
    IDC_SEP2 = 1034,
    IDC_SEP3 = 1035,
    IDC_CLOSING = 1036,
    IDC_PARAM_COMBO1 = 1037,
    IDC_PARAM_COMBO2 = 1038,
    IDC_PARAM_COMBO3 = 1039,
    IDC_PARAM_COMBO4 = 1040,
    IDC_PARAM_EDIT1 = 1041,
    IDC_PARAM_EDIT2 = 1042,
    IDC_PARAM_EDIT3 = 1043,
    IDC_PARAM_EDIT4 = 1044,
    IDC_PARMN1 = 1045,
    IDC_PARMN2 = 1046,
    IDC_PARMN3 = 1047,
    IDC_PARMN4 = 1048,
    IDC_OPTIONS3 = 1049,
    IDC_FUNCTION_LABEL = 1050,
    IDC_TYPE_LABEL = 1051,
    IDC_OPTIONS4 = 1052,
    IDC_OPTIONS2 = 1053,
    IDC_OPTIONS1 = 1054,
    IDC_PARAMETERS_GROUP = 1056,
    IDC_INC = 1060,
    IDC_SHOW = 1061,
    IDC_TOVEL = 1180,
};

// Slots past the fourth have ids of their own: base + k for slot k.
inline constexpr int kExtraParamEditBase = 1200;
inline constexpr int kExtraParamComboBase = 1220;
inline constexpr int kExtraOptionListBase = 1240;
inline constexpr int kExtraParmnBase = 1260;
inline constexpr int kExtraSeparatorBase = 1280;

// The ids of slots 1..kMaxSlots (index 0 unused): the template's four, then base + k.
constexpr std::array<int, kMaxSlots + 1> SlotIds(int first, int second, int third, int fourth, int base)
{
    std::array<int, kMaxSlots + 1> ids{0, first, second, third, fourth};
    for (int k = 5; k <= kMaxSlots; ++k)
        ids[static_cast<size_t>(k)] = base + k;
    return ids;
}

inline constexpr auto kParamEditId =
    SlotIds(IDC_PARAM_EDIT1, IDC_PARAM_EDIT2, IDC_PARAM_EDIT3, IDC_PARAM_EDIT4, kExtraParamEditBase);
inline constexpr auto kParamComboId =
    SlotIds(IDC_PARAM_COMBO1, IDC_PARAM_COMBO2, IDC_PARAM_COMBO3, IDC_PARAM_COMBO4, kExtraParamComboBase);
inline constexpr auto kOptionListId =
    SlotIds(IDC_OPTIONS1, IDC_OPTIONS2, IDC_OPTIONS3, IDC_OPTIONS4, kExtraOptionListBase);
inline constexpr auto kParmnId = SlotIds(IDC_PARMN1, IDC_PARMN2, IDC_PARMN3, IDC_PARMN4, kExtraParmnBase);
// Separator shown before slot k (k = 2..kMaxSlots).
inline constexpr auto kSeparatorId = SlotIds(0, IDC_SEP1, IDC_SEP2, IDC_SEP3, kExtraSeparatorBase);

// The About command's id.
inline constexpr int IDM_ABOUTBOX = 16;

} // namespace tovel
