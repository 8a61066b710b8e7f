#pragma once

#include "platform/prompts.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

namespace tvx {

// The one way a message that asks the user nothing (an error, a warning, a
// notice) reaches the screen: it is logged, then shown in a box through the
// prompts. The folders below ui/ show nothing; they hand their reasons up
// and the window that acted shows them here. Questions, whose answers the
// caller needs, go to the prompts directly. UI thread.
void ShowMessage(Prompts& prompts, const QString& title, const QString& text, Prompts::Icon icon);

// Errors that can come in storms (the capture's): each is logged, and shown
// through ShowMessage unless another box was shown a moment ago or is still
// open, so a storm of errors gives one box. UI thread.
class ErrorReporter : public QObject {
    Q_OBJECT
public:
    explicit ErrorReporter(Prompts& prompts, QObject* parent = nullptr)
        : QObject(parent), prompts_(prompts) {}
    // Answers whether a box was shown.
    bool Report(const QString& title, const QString& reason);
    void SetQuietMilliseconds(int ms) { quietMs_ = ms; }
    int boxesShown() const { return boxes_; }
    int reported() const { return reported_; }

private:
    Prompts& prompts_;
    QElapsedTimer sinceLastBox_;
    int quietMs_ = 10000;
    int boxes_ = 0;
    int reported_ = 0;
    bool showing_ = false;
};

} // namespace tvx
