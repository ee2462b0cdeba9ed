// Control ids of the main dialog, and the slot tables of the parameter panel.
#pragma once

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
    IDC_PARAM_EDIT1 = 1041,
    IDC_PARMN1 = 1045,
    IDC_FUNCTION_LABEL = 1050,
    IDC_TYPE_LABEL = 1051,
    IDC_PARAMETERS_GROUP = 1056,
    IDC_INC = 1060,
    IDC_SHOW = 1061,
    IDC_TOVEL = 1180,
};

// Slot k = 1..4 (index 0 unused).
inline constexpr std::array<int, 5> kParamEditId = {0, 1041, 1042, 1043, 1044};
inline constexpr std::array<int, 5> kParamComboId = {0, 1037, 1038, 1039, 1040};
inline constexpr std::array<int, 5> kOptionListId = {0, 1054, 1053, 1049, 1052};
inline constexpr std::array<int, 5> kParmnId = {0, 1045, 1046, 1047, 1048};
// Separator shown before slot k (k = 2..4).
inline constexpr std::array<int, 5> kSeparatorId = {0, 0, 1033, 1034, 1035};

// The About command's id.
inline constexpr int IDM_ABOUTBOX = 16;

} // namespace tovel
