// Scores a stacked still and the frames it was made from against the
// simulated slide's truth.
//
//   tavolux_stack_score <truth.png> <stacked picture> [frame files...]
//
// prints "stacked <PSNR dB> <SSIM>" and, with frames, "best <PSNR dB> <SSIM>"
// for the frame that scores best; exits 1 when a picture does not match.
//
// Every picture lies where the hand held it (the stack where it held its
// middle frame), the truth file where the slide rests: each picture is
// scored against the slide drawn sharp in its own place (see
// SimTruthInPlace), so a stack does not lose to its frames what resampling
// it would take. The truth file is the microscope's word for which slide it
// showed; it must match the slide drawn here.
#include "capture/sim_depth.h"
#include "capture/sim_render.h"
#include "stack/cv/score.h"
#include "stack/image_qt.h"

#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <optional>

namespace {

std::optional<tvx::Image8> Load(const char* path) {
    tvx::Image8 out = tvx::BgrFromQImage(QImage(QString::fromLocal8Bit(path)));
    if (out.empty()) return std::nullopt;
    return out;
}

struct Score {
    double psnr = 0, ssim = 0;
};

class Scorer {
public:
    explicit Scorer(const tvx::MicrometerPicture& picture) : scene_(picture) {}

    const tvx::SimDepthScene& scene() const { return scene_; }

    std::optional<Score> Of(const char* path) const {
        const std::optional<tvx::Image8> picture = Load(path);
        if (!picture) return std::nullopt;
        const std::optional<tvx::Image8> truth = tvx::SimTruthInPlace(scene_, *picture);
        if (!truth) return std::nullopt;
        // The stack's edges repeat the edges of the frames aligned into it.
        const int border = std::max(8, truth->width / 40);
        return Score{tvx::Psnr(*picture, *truth, border).value_or(0),
                     tvx::Ssim(*picture, *truth, border).value_or(0)};
    }

private:
    tvx::SimDepthScene scene_;
};

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
    const Scorer scorer(tvx::MicrometerPicture(truth->width, truth->height));
    tvx::Image8 rest(truth->width, truth->height, 3);
    scorer.scene().RenderSharp(tvx::SimView{}, rest.pixels.data(), int(rest.rowBytes()));
    if (rest.pixels != truth->pixels) {
        std::fprintf(stderr, "%s is not the simulated slide at rest\n", argv[1]);
        return 1;
    }
    const std::optional<Score> stacked = scorer.Of(argv[2]);
    if (!stacked) {
        std::fprintf(stderr, "%s does not match the truth\n", argv[2]);
        return 1;
    }
    std::printf("stacked %.2f %.4f\n", stacked->psnr, stacked->ssim);
    std::optional<Score> best;
    for (int i = 3; i < argc; ++i)
        if (const std::optional<Score> s = scorer.Of(argv[i]); s && (!best || s->psnr > best->psnr))
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
