#pragma once

#include <QString>
#include <utility>

namespace tvx {

// Success, or failure with the reason, kept until it reaches the log or the
// user. A failure of a system call keeps its errno beside the words, so a
// caller can tell a full disk from a missing folder without reading them.
class Status {
public:
    Status() = default; // success
    static Status Ok() { return Status(); }
    static Status Fail(QString reason, int systemError = 0) {
        Status s;
        s.ok_ = false;
        s.reason_ = reason.isEmpty() ? QStringLiteral("unknown failure") : std::move(reason);
        s.systemError_ = systemError;
        return s;
    }

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    // Empty on success.
    const QString& reason() const { return reason_; }
    // The errno of a failed system call; 0 on success and for other failures.
    int systemError() const { return systemError_; }

private:
    bool ok_ = true;
    QString reason_;
    int systemError_ = 0;
};

} // namespace tvx
