#pragma once

#include <QString>
#include <QStringList>

namespace tvx {

// The names that came into or left one folder since the last look, read
// from the kernel's file notifications without waiting. Owns its
// notification descriptor.
class FolderEvents {
public:
    FolderEvents() = default;
    ~FolderEvents();
    FolderEvents(const FolderEvents&) = delete;
    FolderEvents& operator=(const FolderEvents&) = delete;

    // Starts watching `folder` (after any earlier one); false when the
    // system cannot watch it.
    bool Watch(const QString& folder);
    bool watching() const { return fd_ >= 0; }

    struct Changes {
        QStringList added;   // created, or moved or linked in
        QStringList removed; // deleted, or moved away
        // The kernel lost events, or the folder itself went: what happened
        // since is unknown.
        bool lost = false;
    };
    Changes Drain();

private:
    void Close();
    int fd_ = -1;
};

} // namespace tvx
