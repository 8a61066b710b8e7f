#include "media/avi_writer.h"

#include "media/codec_module.h"
#include "platform/language.h"

#include <algorithm>
#include <cerrno>

namespace tvx {

CompressorChoice DefaultCompressor() {
    return CompressorChoice{};
}

QString AviErrorTitle() {
    return Text("AviCapture", "AVI Capture");
}

QString AviErrorText(const AviError& error) {
    struct Message {
        const char* key;
        const char* text;
        bool hasCode;
    };
    static const Message kMessages[] = {
        {"OpenAviFail", "Open avi file failed(0x%08X:%d)", true},
        {"CreateStreamFail", "Create stream failed(0x%08X:%d)", true},
        {"MakeCompressFail", "Make compress stream failed(0x%08X:%d)", true},
        {"UnsupportFormat", "Unsupport compressed format", false},
        {"BadFormat", "Bad compresse format", false},
        {"SetFormatFail", "Set stream format failed(0x%08X:%d)", true},
        {"WriteAviFail", "Write avi file failed(0x%08X:%d)", true},
    };
    const Message& m = kMessages[int(error.step)];
    QString text = Text(m.key, m.text);
    if (m.hasCode) text = QString::asprintf(text.toUtf8().constData(), uint32_t(error.code), 0);
    if (!error.reason.empty()) text += QLatin1Char('\n') + QString::fromStdString(error.reason);
    return text;
}

int DefaultFrameRateForWidth(int width) {
    switch (width) {
    case 320:
        return 25;
    case 640:
        return 12;
    case 720:
        return 10;
    default:
        return 0;
    }
}

int EffectiveFrameRate(int requested, int width) {
    if (requested >= 1) return std::min(requested, 30);
    const int byWidth = DefaultFrameRateForWidth(width);
    return byWidth > 0 ? byWidth : 10;
}

AviWriter::AviWriter(std::unique_ptr<AviEncoder> encoder, const QString& path, int width,
                     int height, int frameRate)
    : encoder_(std::move(encoder)), path_(path), width_(width), height_(height),
      frameRate_(frameRate) {}

AviWriter::~AviWriter() {
    Close();
}

std::unique_ptr<AviWriter> AviWriter::Open(const QString& path, int width, int height,
                                           int frameRate, const CompressorChoice& compressor,
                                           AviError* error) {
    AviError dummy;
    AviError& err = error ? *error : dummy;
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        err = AviError{AviStep::UnsupportedFormat, 0,
                       "no picture of a usable size (" + std::to_string(width) + "x" +
                           std::to_string(height) + ")"};
        return nullptr;
    }
    if (frameRate < 1) frameRate = EffectiveFrameRate(frameRate, width);
    std::string why;
    CodecModule* module = LoadCodecModule(&why);
    if (!module) {
        err = AviError{AviStep::MakeCompressor, ErrnoCode(ELIBACC),
                       "the recording module could not be loaded: " + why};
        return nullptr;
    }
    std::unique_ptr<AviEncoder> encoder = module->OpenAvi(path.toLocal8Bit().toStdString(), width,
                                                          height, frameRate, compressor, &err);
    if (!encoder) return nullptr;
    return std::unique_ptr<AviWriter>(
        new AviWriter(std::move(encoder), path, width, height, frameRate));
}

bool AviWriter::WriteFrame(const uint8_t* bottomUpBgr, int stride, AviError* error) {
    return encoder_->WriteFrameAt(encoder_->length(), bottomUpBgr, stride, error);
}

bool AviWriter::WriteFrameAt(int64_t sample, const uint8_t* bottomUpBgr, int stride,
                             AviError* error) {
    return encoder_->WriteFrameAt(sample, bottomUpBgr, stride, error);
}

bool AviWriter::HoldUntil(int64_t sample, AviError* error) {
    return encoder_->HoldUntil(sample, error);
}

bool AviWriter::Close(AviError* error) {
    return encoder_->Close(error);
}

int AviWriter::width() const {
    return width_;
}
int AviWriter::height() const {
    return height_;
}
int AviWriter::frameRate() const {
    return frameRate_;
}
int64_t AviWriter::framesWritten() const {
    return encoder_->framesWritten();
}
int64_t AviWriter::length() const {
    return encoder_->length();
}
const QString& AviWriter::path() const {
    return path_;
}

} // namespace tvx
