#pragma once

#include "platform/result.h"

#include <QByteArray>
#include <QString>

namespace tvx {

// Files the user keeps (pictures, recordings, calibrations) are created under
// their final name only when that name is free: nothing here ever replaces
// an existing file, whoever made it (another instance of the program, the
// user, a slow save that finished in between).

enum class CreateOutcome {
    Created, // the file now exists under the name, made by us
    Exists,  // the name was taken; nothing was changed
    Failed,  // another error; see the Status given for it
};

// Creates an empty file under `path` (O_CREAT | O_EXCL).
// Every call that can fail takes an optional Status for why, with the errno.
CreateOutcome CreateEmptyFileExclusively(const QString& path, Status* why = nullptr);

// Bytes written to a temporary file in the folder of the final name and
// flushed to disk, then given their final name without replacing anything:
// link(2), or renameat2(RENAME_NOREPLACE) where the file system has no hard
// links, or a plain exclusive create where it has neither. The temporary
// goes away with the object, so one staged copy may be offered to several
// names in turn.
class StagedFile {
public:
    StagedFile() = default;
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Writes `bytes` to a fresh temporary in `folder`. False with the reason
    // when the folder cannot take it (missing, read-only, full).
    bool Stage(const QString& folder, const QByteArray& bytes, Status* why = nullptr);
    // Gives the staged bytes the name `finalPath` (in the staged folder).
    CreateOutcome Commit(const QString& finalPath, Status* why = nullptr);
    bool staged() const { return !tempPath_.isEmpty(); }

private:
    void Discard();

    QString tempPath_;
    QByteArray bytes_; // kept for the plain exclusive create fallback
};

// Stages and commits in one call.
CreateOutcome WriteFileExclusively(const QString& path, const QByteArray& bytes,
                                   Status* why = nullptr);

// A new, empty folder of our own inside `parent` named `prefix` followed by
// six random characters (mkdtemp): nobody else can have put anything in it,
// not even a link. Its path, or empty with the reason.
QString CreateFreshFolder(const QString& parent, const QString& prefix, Status* why = nullptr);

} // namespace tvx
