// Scores a stacked still and the frames it was made from against the
// simulated slide's truth, each aligned to the truth first (the stack lies
// where the hand held its middle frame, the truth at rest).
//
//   tavolux_stack_score <truth.png> <stacked picture> [frame files...]
//
// prints "stacked <PSNR dB> <SSIM>" and, with frames, "best <PSNR dB> <SSIM>"
// for the frame that scores best; exits 1 when a picture does not match.
#include "stack/image_qt.h"
#include "stack/cv/score.h"

#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstring>

namespace {

std::optional<tvx::Image8> Load(const char* path) {
    tvx::Image8 out = tvx::BgrFromQImage(QImage(QString::fromLocal8Bit(path)));
    if (out.empty()) return std::nullopt;
    return out;
}

struct Score {
    double psnr = 0, ssim = 0;
};

std::optional<Score> ScoreOf(const tvx::Image8& truth, const char* path) {
    const std::optional<tvx::Image8> picture = Load(path);
    if (!picture || picture->width != truth.width || picture->height != truth.height)
        return std::nullopt;
    const std::optional<tvx::Image8> aligned = tvx::AlignedTo(truth, *picture);
    if (!aligned) return std::nullopt;
    // The edges of an aligned picture repeat its border.
    const int border = std::max(8, truth.width / 40);
    return Score{tvx::Psnr(*aligned, truth, border).value_or(0),
                 tvx::Ssim(*aligned, truth, border).value_or(0)};
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s truth.png stacked [frames...]\n", argv[0]);
        return 2;
    }
    const std::optional<tvx::Image8> truth = Load(argv[1]);
    if (!truth) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    const std::optional<Score> stacked = ScoreOf(*truth, argv[2]);
    if (!stacked) {
        std::fprintf(stderr, "%s does not match the truth\n", argv[2]);
        return 1;
    }
    std::printf("stacked %.2f %.4f\n", stacked->psnr, stacked->ssim);
    std::optional<Score> best;
    for (int i = 3; i < argc; ++i)
        if (const std::optional<Score> s = ScoreOf(*truth, argv[i]);
            s && (!best || s->psnr > best->psnr))
            best = s;
    if (argc > 3) {
        if (!best) {
            std::fprintf(stderr, "no frame matches the truth\n");
            return 1;
        }
        std::printf("best %.2f %.4f\n", best->psnr, best->ssim);
    }
    return 0;
}
