#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace tvx {

// The Photo Measure dialog's pictures, drawn by the program: toolbar faces
// (normal and latched), the menu icons of the tools, the two backgrounds
// and the caption plate of the magnification box.
namespace MeasurePicture {
enum : int {
    OpenNormal = 262,
    OpenLatched = 261,
    SaveNormal = 214,
    SaveLatched = 215,
    DrawNormal = 227,
    DrawLatched = 226,
    MeasureNormal = 224,
    MeasureLatched = 225,
    PenNormal = 220,
    PenLatched = 221,
    TextNormal = 231,
    TextLatched = 230,
    DeleteNormal = 232,
    DeleteLatched = 233,
    ResumeNormal = 270,
    ResumeLatched = 269,
    CalibrationNormal = 274,
    CalibrationLatched = 273,
    Background640 = 213, // 649 × 525
    Background720 = 281, // 729 × 525
    RatePlate = 236,     // 55 × 20
    IconThreePointCircle = 247,
    IconAngle = 248,
    IconContinuousDraw = 251,
    IconContinuousMeasure = 252,
    IconDiameterCircle = 254,
    IconFourPointAngle = 255,
    IconLine = 256,
    IconPolygon = 257,
    IconRadiusCircle = 258,
    IconRectangle = 259,
    IconUnits = 260,
};
}

QSize MeasurePictureSize(int number);
// A null pixmap for numbers the dialog does not use.
QPixmap MeasurePixmap(int number);
// The dialog's background at any size: the toolbar band across the top and
// the dark well around `well`, where the canvas sits.
QPixmap MeasureBackground(QSize size, const QRect& well);
// A menu icon: the one drawn here, else the skin picture of that number.
QIcon MeasureMenuIcon(int number);
// The canvas's measuring cursor: a thin cross with an open centre.
QCursor MeasuringCursor();

} // namespace tvx
