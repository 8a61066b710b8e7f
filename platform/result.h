#pragma once

#include <QString>
#include <utility>

namespace tvx {

// Success, or failure with the reason, kept until it reaches the log or the
// user.
class Status {
public:
    Status() = default; // success
    static Status Ok() { return Status(); }
    static Status Fail(QString reason) {
        Status s;
        s.ok_ = false;
        s.reason_ = reason.isEmpty() ? QStringLiteral("unknown failure") : std::move(reason);
        return s;
    }

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    // Empty on success.
    const QString& reason() const { return reason_; }

private:
    bool ok_ = true;
    QString reason_;
};

} // namespace tvx
