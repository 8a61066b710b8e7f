// Every test runs in a fresh home, config, data and program folder, so no
// test sees another's settings or files and none touches the real user's.
#include "platform/folders.h"
#include "platform/prompts.h"
#include "tests/support/test_env.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

class FreshHome : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override {
        dir_ = std::make_unique<QTemporaryDir>();
        const QString home = dir_->path();
        qputenv("HOME", home.toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (home + "/.config").toLocal8Bit());
        qputenv("XDG_DATA_HOME", (home + "/.local/share").toLocal8Bit());
        qputenv("XDG_CACHE_HOME", (home + "/.cache").toLocal8Bit());
        QDir().mkpath(home + "/Documents");
        QDir().mkpath(tvx::test::programDir());
        tvx::SetProgramFolder(tvx::test::programDir());
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        tvx::SetProgramFolder(QString());
        dir_.reset();
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Tests never make noise; they count the sounds asked for instead.
    qputenv("TAVOLUX_MUTE", "1");
    // The documents folder follows HOME only when no user-dirs file says otherwise.
    qunsetenv("XDG_DOCUMENTS_DIR");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshHome);
    return RUN_ALL_TESTS();
}
