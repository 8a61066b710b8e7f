#pragma once

// Control ids of the Video Setting dialog (template 360); each control
// carries its id as its object name ("1055" …) so tests find it.
namespace tvx::device_ids {

inline constexpr int kDeviceTemplate = 360;
inline constexpr int kCaptureDeviceGroup = 1100;
inline constexpr int kDeviceSettingGroup = 1095;
inline constexpr int kPropertiesGroup = 1092;
inline constexpr int kDeviceLabel = 1101;
inline constexpr int kDeviceList = 1102;
inline constexpr int kResolutionLabel = 1097;
inline constexpr int kResolutionList = 1096;
inline constexpr int kNormLabel = 1098;
inline constexpr int kNormList = 1099;
inline constexpr int kDefault = 1079;
inline constexpr int kOk = 1;
inline constexpr int kExit = 2;

// One row of picture controls: the device property and its four controls.
struct PropertyRowIds {
    int property;
    const char* key; // language key, also the default text
    int slider, label, edit, spin;
};
inline constexpr int kPropertyRows = 6;
inline constexpr PropertyRowIds kRows[kPropertyRows] = {
    {0, "Brightness", 1055, 1062, 1063, 1086}, {1, "Contrast", 1064, 1065, 1066, 1087},
    {3, "Saturation", 1067, 1068, 1069, 1088}, {4, "Sharpness", 1070, 1071, 1072, 1089},
    {5, "Gamma", 1073, 1074, 1075, 1090},      {2, "Hue", 1076, 1077, 1078, 1091},
};
inline constexpr int kGammaRow = 4;
inline constexpr int kHueRow = 5;

} // namespace tvx::device_ids
