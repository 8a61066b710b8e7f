// links: session
// Saving a still into a Picture folder that already holds 5,000 of them,
// beside the floor: writing and syncing the same bytes to a new file.
#include "session/still_saver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace tvx;

constexpr int kStills = 5000;

StillPicture Frame() {
    StillPicture s;
    s.width = 640;
    s.height = 480;
    s.stride = 640 * 3;
    s.pixels.assign(std::size_t(s.stride) * s.height, 90);
    return s;
}

void Fill(const QString& folder) {
    const QDateTime when(QDate(2026, 1, 2), QTime(3, 4, 5));
    for (int n = 1; n <= kStills; ++n) {
        QFile f(StillPictureName(folder, when, QStringLiteral("60.0"), n));
        if (f.open(QIODevice::WriteOnly)) f.write("x");
    }
}

void BM_WriteAndSync(benchmark::State& state) {
    QTemporaryDir dir;
    Fill(dir.path());
    const QByteArray bytes = EncodeStill(Frame(), nullptr);
    int n = 0;
    for (auto _ : state) {
        const QByteArray path =
            QFile::encodeName(dir.filePath(QStringLiteral("plain_%1.bmp").arg(++n)));
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) state.SkipWithError("open");
        if (::write(fd, bytes.constData(), std::size_t(bytes.size())) != bytes.size())
            state.SkipWithError("write");
        ::fsync(fd);
        ::close(fd);
    }
}
BENCHMARK(BM_WriteAndSync)->Unit(benchmark::kMicrosecond);

void BM_SaveStillIntoAFullFolder(benchmark::State& state) {
    QTemporaryDir dir;
    Fill(dir.path());
    StillSaver saver(dir.path());
    const StillPicture still = Frame();
    const QDateTime when = QDateTime::currentDateTime();
    for (auto _ : state)
        if (!saver.Save(still, QStringLiteral("60.0"), when, nullptr).saved())
            state.SkipWithError("save");
}
BENCHMARK(BM_SaveStillIntoAFullFolder)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
