#include "capture/cap_config.h"
#include "capture/capture_engine.h"
#include "measure/calibration.h"
#include "platform/language.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "tests/ui/main/app_test_util.h"
#include "tests/ui/main/window_parts.h"
#include "ui/main/command_table.h"
#include "ui/main/main_window.h"
#include "ui/main/toolbar_row.h"
#include "ui/skin/bitmap_button.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QShortcut>
#include <QTextDocument>
#include <gtest/gtest.h>
#include <set>

namespace tvx {
namespace {

class CommandTable : public ::testing::Test {
protected:
    void SetUp() override {
        settings_.CreateFirstRun();
        settings_.WriteSysDate(0);
        engine_ = test::EngineWithoutCamera();
        window_ = std::make_unique<MainWindow>(
            MainWindow::Options{false, engine_.get(), &calibration_, &prompts_, &settings_});
        window_->InitDialog();
    }
    void TearDown() override {
        window_.reset();
        // F11 and F12 leave the capture size they chose in CapConfig.dat:
        // the next test of the program must not measure at it.
        QFile::remove(CapConfigPath());
    }
    QShortcut* hotKey(int key) {
        for (QShortcut* s : window_->findChildren<QShortcut*>())
            if (s->key() == QKeySequence(key)) return s;
        return nullptr;
    }

    SettingsStore settings_;
    ScriptedPrompts prompts_;
    CalibrationState calibration_;
    std::unique_ptr<CaptureEngine> engine_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(CommandTable, EveryRowIsOneActionWithItsButtonAndHotKey) {
    window_->show(); // lays the toolbar out
    QCoreApplication::processEvents();
    std::set<int> seen;
    for (const CommandRow& row : CommandRows()) {
        SCOPED_TRACE(row.id);
        EXPECT_TRUE(seen.insert(row.id).second) << "a command is described twice";
        QAction* a = Parts(*window_).commands().action(row.id);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(CommandOf(a), row.id);
        EXPECT_EQ(a->isCheckable(), row.checkable);
        CBitmapButton* b = Parts(*window_).commands().button(row.id);
        EXPECT_EQ(b != nullptr, row.up != 0);
        if (b && !row.hidden) {
            // On the smallest window the buttons sit where the skin places them.
            EXPECT_EQ(b->mapTo(window_->centralWidget(), QPoint(0, 0)), QPoint(row.x, row.y));
        }
        if (row.menuKey) {
            EXPECT_EQ(a->text(), QString::fromUtf8(row.menuDefault));
        }
        if (row.hotKey) {
            QShortcut* key = hotKey(row.hotKey);
            ASSERT_NE(key, nullptr);
            int fired = 0;
            QObject::connect(a, &QAction::triggered, [&] { ++fired; });
            emit key->activated();
            EXPECT_EQ(fired, 1);
        }
    }
    for (int key : {Qt::Key_F2, Qt::Key_F3, Qt::Key_F4, Qt::Key_F11, Qt::Key_F12})
        EXPECT_NE(hotKey(key), nullptr) << key;
}

TEST_F(CommandTable, F2WorksWhileItsButtonIsDisabled) {
    ASSERT_FALSE(Parts(*window_).commands().button(ids::kCamera)->isEnabled());
    emit hotKey(Qt::Key_F2)->activated();
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_EQ(prompts_.shown()[0].text, "Please return to the preview state");
}

TEST_F(CommandTable, AButtonTriggersItsActionAndShowsItsCheckState) {
    Parts(*window_).commands().enableButtons(true);
    int fired = 0;
    QObject::connect(Parts(*window_).commands().action(ids::kClock), &QAction::triggered,
                     [&] { ++fired; });
    Parts(*window_).commands().button(ids::kClock)->click();
    EXPECT_EQ(fired, 1);
    // A checkable command's button follows its action.
    Parts(*window_).commands().setSelected(ids::kNegative, true);
    EXPECT_TRUE(Parts(*window_).commands().action(ids::kNegative)->isChecked());
    EXPECT_TRUE(Parts(*window_).commands().button(ids::kNegative)->IsSelected());
    Parts(*window_).commands().action(ids::kNegative)->setChecked(false);
    EXPECT_FALSE(Parts(*window_).commands().button(ids::kNegative)->IsSelected());
}

TEST_F(CommandTable, FullScreenRelabelsWithoutToolTipsAndBack) {
    CommandActions& c = Parts(*window_).commands();
    EXPECT_EQ(c.toolTipCount(), 26);
    c.relabel(false);
    EXPECT_EQ(c.toolTipCount(), 0);
    c.relabel(true);
    QTextDocument tip; // shown as text, whatever the language file holds
    tip.setHtml(c.button(ids::kCamera)->toolTip());
    EXPECT_EQ(tip.toPlainText(), "Camera (F2)"); // with the key that does the same
    tip.setHtml(c.button(ids::kVideo)->toolTip());
    EXPECT_EQ(tip.toPlainText(), "Recording Video (F3 / F4)");
    // The menus hold the table's actions themselves, not copies.
    QMenu* capture = window_->menuBar()->actions()[2]->menu();
    EXPECT_TRUE(capture->actions().contains(c.action(ids::kCamera)));
}

TEST_F(CommandTable, ToolbarMirrorsAndOffersWhatDoesNotFitInItsMenu) {
    window_->show();
    QCoreApplication::processEvents();
    auto* toolbar = window_->findChild<ToolbarRow*>();
    ASSERT_NE(toolbar, nullptr);
    CommandActions& c = Parts(*window_).commands();
    const auto at = [&](const QWidget* w) { return w->mapTo(window_->centralWidget(), QPoint()); };
    EXPECT_FALSE(toolbar->overflowButton()->isVisible());

    // Right to left, the row is the mirror image of the skin's: the camera
    // leads from the right edge, the gap between the effects and the tools
    // stays between them, the tools come before the boxes.
    window_->setLayoutDirection(Qt::RightToLeft);
    QCoreApplication::processEvents();
    EXPECT_EQ(at(c.button(ids::kCamera)), QPoint(860 - 3 - 32, 2));
    EXPECT_EQ(at(c.button(ids::kBlue)).x() - at(c.button(ids::kLine)).x(), 423 - 390);
    EXPECT_GT(at(c.button(ids::kLine)).x(), at(Parts(*window_).magnificationBox()).x());
    window_->setLayoutDirection(Qt::LeftToRight);

    // A desktop narrower than the skin makes the window 300 wide: room for
    // the buttons up to the vertical mirror only, the rest go to the menu.
    const auto windowWidth = [&](int width) {
        QResizeEvent resized(QSize(width, window_->height()), window_->size());
        QCoreApplication::sendEvent(window_.get(), &resized);
        QCoreApplication::processEvents();
    };
    windowWidth(300);
    ASSERT_TRUE(toolbar->overflowButton()->isVisible());
    EXPECT_LE(at(toolbar->overflowButton()).x() + toolbar->overflowButton()->width(), 300);
    EXPECT_TRUE(c.button(ids::kVerMirror)->isVisible());
    EXPECT_FALSE(c.button(ids::kNegative)->isVisible());
    EXPECT_TRUE(toolbar->overflowed().contains(Parts(*window_).magnificationBox()->parentWidget()));
    const auto entry = [&](int id) -> QAction* {
        toolbar->overflowButton()->click();
        for (QAction* a : toolbar->overflowMenu()->actions())
            if (CommandOf(a) == id) return a;
        return nullptr;
    };
    QAction* negative = entry(ids::kNegative);
    ASSERT_NE(negative, nullptr);
    EXPECT_EQ(negative->text(), "Negative");
    EXPECT_FALSE(negative->isEnabled()); // as its button, with no picture to act on
    EXPECT_EQ(entry(ids::kVerMirror), nullptr);
    c.enableButtons(true);
    c.setSelected(ids::kNegative, true);
    negative = entry(ids::kNegative);
    EXPECT_TRUE(negative->isEnabled());
    EXPECT_TRUE(negative->isChecked());
    int fired = 0;
    QObject::connect(c.action(ids::kNegative), &QAction::triggered, [&] { ++fired; });
    negative->trigger();
    EXPECT_EQ(fired, 1);
    toolbar->overflowMenu()->hide();

    windowWidth(window_->width());
    EXPECT_FALSE(toolbar->overflowButton()->isVisible());
    EXPECT_TRUE(c.button(ids::kNegative)->isVisible());
}

} // namespace
} // namespace tvx
