#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>

namespace tvx {

// The folder the program keeps its own files in (CalibrationIni.ini,
// CapConfig.dat, filepath.dat …): the executable's folder, or
// $XDG_DATA_HOME/tavolux when that folder is not writable or the copy is an
// installed one (its language files in ../share/tavolux, none beside it).
// No trailing separator.
QString ProgramFolder();
// Tests and the command line may point the program at another folder; an
// empty path returns to the default.
void SetProgramFolder(const QString& folder);

// Test seams for the installed-copy decision: the folder taken for the
// executable's, and the answer to "may files be written in this folder?".
// An empty folder or an empty function returns to the real one.
void SetExecutableFolderForTesting(const QString& folder);
using FolderWritableCheck = std::function<bool(const QString& folder)>;
void SetFolderWritableCheckForTesting(FolderWritableCheck check);

// Where the read-only files that ship with the program (language files,
// manuals, the calibration seed) are looked for, in order: the program
// folder, the executable's folder, the installed share/tavolux beside the
// executable's ../share.
QStringList ShippedFileFolders();
// The first of those folders that holds the language files.
QString ShippedFileFolder();
// The first regular file of that name in those folders; when none has it,
// the name in ShippedFileFolder().
QString ShippedFile(const QString& name);

// program folder + "/CalibrationIni.ini". When the program folder has no
// calibration file yet (an installed copy's first run), the shipped one is
// copied there first; an existing file is never replaced.
QString CalibrationFilePath();
// The calibration file of a camera other than the microscope at one capture
// size, in the same format: program folder + "/Calibration/<identity>_<W>x<H>.ini",
// the identity's characters other than letters, digits, '.', '-' and '@'
// written as '_'. The file is not made here: its first calibration makes it.
// Empty without an identity or a size.
QString CameraCalibrationFilePath(const QString& identity, QSize size);

// An absolute path of an existing folder that files may be written to.
bool IsUsableFolder(const QString& path);

// The user's documents folder, created when missing.
QString DocumentsFolder();

struct StorageFolders {
    QString root;    // <documents>/Orvanti files
    QString video;   // …/Video
    QString picture; // …/Picture
    QString tempDir; // …/TempDir, or what filepath.dat says
};

// Builds the storage paths and creates them in the order root, Video,
// Picture, TempDir. Failures are not reported: later saves report them.
StorageFolders MakeStorageFolders();

} // namespace tvx
