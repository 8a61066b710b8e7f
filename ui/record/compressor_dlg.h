#pragma once

#include "media/avi_writer.h"
#include "media/compressors.h"

#include <QDialog>
#include <optional>
#include <vector>

class QListWidget;
class QSlider;
class QSpinBox;

namespace tvx {

// The compressor chooser: the encoders that open at the frame size, with a
// quality for those that have one.
class CompressorDialog : public QDialog {
    Q_OBJECT
public:
    CompressorDialog(int width, int height, const CompressorChoice& current,
                     QWidget* parent = nullptr);

    CompressorChoice choice() const;

    // Shows the chooser modally; nothing when cancelled or when no encoder
    // opens at this size.
    static std::optional<CompressorChoice> Choose(QWidget* parent, int width, int height,
                                                  const CompressorChoice& current);

private:
    void onRowChanged(int row);

    std::vector<CompressorInfo> list_;
    QListWidget* encoders_ = nullptr;
    QSlider* quality_ = nullptr;
    QSpinBox* qualityBox_ = nullptr;
};

} // namespace tvx
