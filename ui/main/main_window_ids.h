#pragma once

#include "measure/tool_registry.h"

// Control, command, timer and picture numbers of the main window. The
// numbers stay as they were so language files, tests and notes can name them.
namespace tvx::ids {

// controls
constexpr int kPictureArea = 1000;
constexpr int kFileList = 1002;
constexpr int kMagnificationBox = 1112;
constexpr int kCalibrationBox = 1205;

// toolbar buttons and the commands of the same number
constexpr int kCamera = 1005;
constexpr int kVideo = 1006;
constexpr int kClock = 1007;
constexpr int kSave = 1008;
constexpr int kEMail = 1009;
constexpr int kPreview = 1014;
constexpr int kDeviceSetting = 1016;

// effect buttons
constexpr int kHorMirror = 1185;
constexpr int kVerMirror = 1186;
constexpr int kNegative = 1187;
constexpr int kBinary = 1188;
constexpr int kRed = 1189;
constexpr int kGreen = 1190;
constexpr int kBlue = 1191;

// measuring buttons: the tools' own come from the tool registry; these are
// named because the window's tests press them
constexpr int kLine = ToolCommand(ToolId::Line);
constexpr int kCalibrate = ToolCommand(ToolId::CalibrationLine);
constexpr int kMeasureOther = 1182;
constexpr int kUndo = 1201;
constexpr int kRedo = 1202;
constexpr int kDeleteAllMeasures = 1203;

// menu commands
constexpr int kOpen = 32776;
constexpr int kSaveAs = 32777;
constexpr int kDelete = 32778;
constexpr int kDeleteAll = 32792;
constexpr int kMenuEMail = 32787;
constexpr int kRes640 = 32811;
constexpr int kRes720 = 1172;
constexpr int kPenSettings = 32791;
constexpr int kCrossLine = 32798;
constexpr int kScale = 32789;
constexpr int kCircle = 32790;
constexpr int kManual = 32784;
constexpr int kUpdate = 32785;
constexpr int kAbout = 32786;

// commands of this program's own features
constexpr int kFocusMeter = 33001;
constexpr int kSharpestStill = 33002;
constexpr int kExportMeasures = 33003;
constexpr int kCopyMeasures = 33004;
constexpr int kScaleBar = 33005;
constexpr int kStillTiff = 33006;
constexpr int kQuit = 33007;
constexpr int kFullScreen = 33008;
constexpr int kStack = 33010;
constexpr int kStackDepthMap = 33011;
constexpr int kStackKeepFrames = 33012;

// hot-key commands without a button or menu item of their own
constexpr int kStartRecording = 32900; // F3
constexpr int kStopRecording = 32901;  // F4

// timers
constexpr int kButtonPollTimer = 366;
constexpr int kConnectionTimer = 367;
constexpr int kStartupTimer = 376;

} // namespace tvx::ids
