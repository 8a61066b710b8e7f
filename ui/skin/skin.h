#pragma once

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <vector>

namespace tvx {

// Numbers of the window pictures that are not buttons.
inline constexpr int kPicAppIcon = 128;
inline constexpr int kPicBackground = 140;
inline constexpr int kPicListPictures = 144; // behind the picture thumbnails
inline constexpr int kPicTabVideos = 146;    // videos tab active
inline constexpr int kPicTabPictures = 147;  // pictures tab active
inline constexpr int kPicListVideos = 148;   // behind the video thumbnails
inline constexpr int kPicSecondsPlate = 149; // behind the recording seconds
inline constexpr int kPicResolutionPlate = 243;

// Numbers of the wave sounds.
inline constexpr int kSoundRecordStart = 180;
inline constexpr int kSoundShutter = 181;
inline constexpr int kSoundRecordStop = 182;

// Where the pictures and sounds are looked up: ":/" (the resources built into
// the program) unless set otherwise. A folder holding skin/, icons/ and
// sounds/ works as well, which lets a program without the built-in resources
// (the tests) use the files of the source tree. Clears the picture cache.
// Set it on the user-interface thread before any other thread asks for a
// picture; it is not guarded against concurrent readers.
void SetSkinRoot(const QString& root);
QString SkinRoot();

// The SVG file of picture `number` under the skin root; empty for a number
// the program has no picture for.
QString SkinPath(int number);
// The WAV file of sound `number`; empty for an unknown number.
QString SoundPath(int number);
// Plays sound `number` without waiting for it.
void PlaySkinSound(int number);
// Every picture number the program has, ascending.
std::vector<int> SkinNumbers();

// The picture's size in device-independent pixels; invalid when the number is
// unknown or its file cannot be read.
QSize SkinSize(int number);
// The picture rendered at `devicePixelRatio` (its pixel size is SkinSize
// times the ratio, its devicePixelRatio set), so it stays crisp on scaled
// screens. Null when the number is unknown or the file is missing or damaged.
// Safe on any thread; nothing is cached.
QImage SkinImage(int number, qreal devicePixelRatio = 1.0);
// As SkinImage, cached per number and ratio. User-interface thread only.
QPixmap SkinPixmap(int number, qreal devicePixelRatio = 1.0);
// Renders these pictures at `devicePixelRatio` on a thread of its own, for
// SkinPixmap to take when it is asked for them (it waits for one still to
// come): a window about to be built has its buttons' pictures drawn while it
// does the rest. User-interface thread only.
void PrepareSkinPixmaps(const std::vector<int>& numbers, qreal devicePixelRatio = 1.0);
// Draws the picture in its own size with its top left at `at`, straight from
// its SVG: for a large picture that costs less to draw than to keep (the
// window background, 2 MB as a pixmap). Only the painter's clip is filled.
// Nothing for an unknown number or a missing file. User-interface thread only.
void PaintSkin(QPainter& painter, int number, const QPoint& at);
void ClearSkinCache();

} // namespace tvx
