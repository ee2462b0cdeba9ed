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

// Slot k = 1..4 (index 0 unused).
inline constexpr std::array<int, 5> kParamEditId = {0, IDC_PARAM_EDIT1, IDC_PARAM_EDIT2, IDC_PARAM_EDIT3,
                                                    IDC_PARAM_EDIT4};
inline constexpr std::array<int, 5> kParamComboId = {0, IDC_PARAM_COMBO1, IDC_PARAM_COMBO2, IDC_PARAM_COMBO3,
                                                     IDC_PARAM_COMBO4};
inline constexpr std::array<int, 5> kOptionListId = {0, IDC_OPTIONS1, IDC_OPTIONS2, IDC_OPTIONS3, IDC_OPTIONS4};
inline constexpr std::array<int, 5> kParmnId = {0, IDC_PARMN1, IDC_PARMN2, IDC_PARMN3, IDC_PARMN4};
// Separator shown before slot k (k = 2..4).
inline constexpr std::array<int, 5> kSeparatorId = {0, 0, IDC_SEP1, IDC_SEP2, IDC_SEP3};

// The About command's id.
inline constexpr int IDM_ABOUTBOX = 16;

} // namespace tovel
