// Sound players are released when their sound ends, when they are replaced
// and at the end; the count is GStreamer's own (a player counts until its
// playbin is finalized).
#include "platform/sounds.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace tvx {
namespace {

using namespace std::chrono_literals;

// A short mono 8 kHz 16-bit WAV of silence.
QString WriteWav(const QString& path, int milliseconds) {
    const quint32 samples = quint32(8 * milliseconds);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return QString();
    QDataStream out(&f);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + samples * 2);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(8000) << quint32(16000) << quint16(2)
        << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(samples * 2);
    for (quint32 i = 0; i < samples; ++i)
        out << qint16(0);
    return path;
}

template <typename F> bool SpinUntil(F done) {
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

class Sounds : public ::testing::Test {
protected:
    void SetUp() override {
        qunsetenv("TAVOLUX_MUTE");
        ASSERT_TRUE(dir_.isValid());
        wav_ = WriteWav(dir_.filePath("click.wav"), 60);
        ASSERT_FALSE(wav_.isEmpty());
    }
    void TearDown() override {
        ReleaseSounds();
        qputenv("TAVOLUX_MUTE", "1");
    }
    QTemporaryDir dir_;
    QString wav_;
};

TEST_F(Sounds, AFinishedSoundReleasesItsPlayer) {
    const int before = SoundPlayersAlive();
    PlaySound(901, wav_);
    EXPECT_EQ(SoundPlayersAlive(), before + 1);
    // Ends (or fails where there is no audio output): either way it goes.
    EXPECT_TRUE(SpinUntil([&] { return SoundPlayersAlive() == before; }));
    EXPECT_EQ(SoundsRequested(901), 1);
}

TEST_F(Sounds, ASupersededPlayerIsReleasedAndTheRestGoAtTheEnd) {
    const int before = SoundPlayersAlive();
    for (int i = 0; i < 5; ++i)
        PlaySound(902, wav_);
    PlaySound(903, wav_);
    EXPECT_EQ(SoundPlayersAlive(), before + 2); // one player a sound
    ReleaseSounds();
    EXPECT_EQ(SoundPlayersAlive(), before);
}

TEST_F(Sounds, MissingFilesAndMutingMakeNoPlayer) {
    const int before = SoundPlayersAlive();
    PlaySound(904, dir_.filePath("absent.wav"));
    PlaySound(904, QStringLiteral(":/no/such/sound.wav"));
    qputenv("TAVOLUX_MUTE", "1");
    PlaySound(904, wav_);
    EXPECT_EQ(SoundPlayersAlive(), before);
    EXPECT_EQ(SoundsRequested(904), 3);
}

} // namespace
} // namespace tvx
