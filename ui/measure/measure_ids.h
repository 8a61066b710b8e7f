#pragma once

class QWidget;

namespace tvx {

// Control ids of the Photo Measure dialog and its pen and text dialogs, kept
// as the layouts of earlier releases numbered them (tests and language files
// refer to them).
namespace PhotoMeasureId {
enum : int {
    Open = 1140,
    Save = 1116,
    DrawingTools = 1120,
    MeasuringTools = 1161,
    PenSettings = 1127,
    TextTool = 1163,
    Delete = 1165,
    Resume = 1141,
    Calibration = 1170,
    Calibrated = 1171, // calibrated magnification, read-only, disabled
    ToolName = 1142,   // read-only
    Nominal = 1130,    // nominal magnification ("Rate")
    CanvasFrame = 1131,
};
}
// Commands of the measuring menu that are not tools (the tools' commands are
// in the tool registry).
namespace MeasureCommand {
enum : int {
    Units = 32828,
    ExportMeasurements = 32829,
    CopyMeasurements = 32830,
    ScaleBar = 32831,
};
}

namespace PenSettingId {
enum : int {
    TypeGroup = 1145,
    Solid = 1136,
    Dash = 1137,
    Dot = 1138,
    DashDot = 1168,
    DashDotDot = 1169,
    ColourGroup = 1144,
    Colour = 4,
    WidthGroup = 1143,
    Width = 1148,
    WidthSpin = 1147,
    Preview = 1135,
    UnitsGroup = 1151,
    Um = 1150,
    Mm = 1153,
    Cm = 1154,
    Mil = 1155,
    Inch = 1156,
    DecimalGroup = 1152,
    Decimals2 = 1157,
    Decimals3 = 1158,
    Decimals4 = 1159,
    Decimals5 = 1160,
    Font = 3,
    Ok = 1,
    Cancel = 2,
};
}

namespace TextDialogId {
enum : int {
    Prompt = 1166,
    Text = 1164,
    Font = 1163,
    Colour = 1167,
    Preview = 1139,
    Ok = 1,
    Cancel = 2,
};
}
constexpr int kMaxTextNoteLength = 254;

// Finds a control of these dialogs by its id (the "controlId" property).
QWidget* ControlById(QWidget* dialog, int id);

} // namespace tvx
