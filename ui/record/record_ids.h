#pragma once

// Control ids of the recording dialogs; each control carries its id as its
// object name ("1104" …) so tests and the skin find it.
namespace tvx::record_ids {

// Recorder Video Setting dialog (template 361).
inline constexpr int kRecorderTemplate = 361;
inline constexpr int kFrameRateLabel = 1103;
inline constexpr int kFrameRate = 1104;
inline constexpr int kTimeLimitCheck = 1105;
inline constexpr int kSeconds = 1106;
inline constexpr int kSecondLabel = 1038;
inline constexpr int kCompress = 3;
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;

// Time-lapse dialog (template 145).
inline constexpr int kTimerTemplate = 145;
inline constexpr int kStartYear = 1017;
inline constexpr int kStartMonth = 1018;
inline constexpr int kStartDay = 1019;
inline constexpr int kStartHour = 1020;
inline constexpr int kStartMinute = 1021;
inline constexpr int kStartSecond = 1022;
inline constexpr int kIntervalMinutes = 1023;
inline constexpr int kIntervalSeconds = 1024;
inline constexpr int kPictureCount = 1025;
inline constexpr int kCompleted = 1026;
inline constexpr int kSizeEstimate = 1080;
inline constexpr int kStartStop = 1015;
inline constexpr int kStartTimeLabel = 1030;
inline constexpr int kIntervalLabel = 1031;
inline constexpr int kCaptureLabel = 1032;
inline constexpr int kCompletedLabel = 1033;
inline constexpr int kFrameLabel1 = 1034;
inline constexpr int kFrameLabel2 = 1035;
inline constexpr int kFileSizeLabel = 1081;
// Not in the template: starting at once, and the series' progress line.
inline constexpr int kStartNow = 1082;
inline constexpr int kProgress = 1083;

} // namespace tvx::record_ids
