#pragma once

#include "media/avi_writer.h"

#include <QDialog>
#include <functional>
#include <optional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tvx {

class Prompts;

// The compressor chooser as the dialog sees it: the real one shows
// CompressorDialog, tests answer directly.
using CompressorChooser = std::function<std::optional<CompressorChoice>(
    QWidget* parent, int width, int height, const CompressorChoice& current)>;
CompressorChooser DefaultCompressorChooser();

// What the recorder dialog leaves behind; it lives as long as the recorder,
// so a chosen compressor and the last frame rate carry over between opens.
struct RecorderDialogState {
    CompressorChoice compressor; // the compression options in force
    // As read from the frame-rate box (text is 0); F3 before any dialog
    // records at the start value.
    int frameRate = 10;
};

// "Recorder Video Setting": frame rate, time limit, compressor.
class RecorderSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // captureWidth x captureHeight is the size being captured; it gives the
    // frame-rate box its start value and the compressor its trial size.
    RecorderSettingsDialog(int captureWidth, int captureHeight, RecorderDialogState& state,
                           Prompts& prompts, CompressorChooser chooser = DefaultCompressorChooser(),
                           QWidget* parent = nullptr);

    // Valid after OK: the limit in seconds, or kNoTimeLimit when unchecked.
    int timeLimit() const;

    // OK: takes the compressor (the default one unless Compress was used
    // during this opening) and the frame rate, then validates the seconds;
    // out of range, the range message is shown and the dialog stays open.
    void accept() override;

private:
    void onCompress();

    int width_, height_;
    RecorderDialogState& state_;
    Prompts& prompts_;
    CompressorChooser chooser_;
    bool compressorChosen_ = false; // the Compress button was used in this opening
    QLineEdit* frameRate_ = nullptr;
    QCheckBox* limit_ = nullptr;
    QLineEdit* seconds_ = nullptr;
};

// The range message of a number field: "Please enter an integer between
// low and high."
QString RangeMessage(int low, int high);

} // namespace tvx
