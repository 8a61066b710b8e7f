// The thumbnail strip and the file commands on real files, answered by
// scripted prompts.
#include "imaging/cximage.h"
#include "platform/folders.h"
#include "platform/prompts.h"
#include "tests/support/test_env.h"
#include "tests/support/wait.h"
#include "ui/files/file_commands.h"
#include "ui/files/file_list_view.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStandardPaths>
#include <QThread>
#include <QWheelEvent>
#include <atomic>
#include <gtest/gtest.h>
#include <unistd.h>

namespace tvx {
namespace {

class FileListView : public ::testing::Test {
protected:
    void SetUp() override {
        folders_ = MakeStorageFolders();
        window_ = std::make_unique<QWidget>();
        window_->resize(200, 600);
        menu_ = new QMenu(window_.get());
        menu_->addAction(QStringLiteral("Open"));
    }
    void TearDown() override {
        commands_.reset();
        window_.reset();
    }

    // Makes the list over what the folders hold now.
    FileCommands& Make() {
        FileCommands::Options o;
        o.folders = {folders_.picture, folders_.video};
        o.tempDir = folders_.tempDir;
        o.windowTitle = [] { return QStringLiteral("Tavolux"); };
        o.messageTitle = [] { return QStringLiteral("Tavolux"); };
        o.askSaveAsTarget = [this](const QString& selected, bool) {
            if (selected.isEmpty()) {
                prompts_.Message("Tavolux", "Please select an image or video",
                                 Prompts::Icon::Warning, Prompts::Buttons::Ok);
                return QString();
            }
            return saveTarget_;
        };
        o.fileMenu = menu_;
        commands_ = std::make_unique<FileCommands>(window_.get(), prompts_, o);
        window_->show();
        return *commands_;
    }
    CFileListView* view() const { return commands_->view(); }
    FileListModel& model() const { return commands_->model(); }

    QString Bmp(const QString& name, QColor colour = QColor(200, 60, 30)) {
        QImage img(40, 30, QImage::Format_RGB32);
        img.fill(colour);
        CxImage pic;
        EXPECT_TRUE(pic.CreateFromHBITMAP(img));
        const QString path = folders_.picture + "/" + name;
        EXPECT_TRUE(pic.Save(path, kImageTypeBmp));
        return path;
    }
    // The cell of the first `cell`-th grid square (row-major, two columns),
    // in viewport coordinates, whether or not a file is there.
    QRect Cell(int cell) const { return QRect(5 + 79 * (cell % 2), 4 + 80 * (cell / 2), 72, 73); }
    // A point of cell `cell` (offset inside it).
    QPoint CellPoint(int cell, QPoint offset = {10, 10}) const {
        return Cell(cell).topLeft() + offset;
    }
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QWidget* port = view()->viewport();
        QMouseEvent e(type, QPointF(at), QPointF(port->mapToGlobal(at)), button, button,
                      Qt::NoModifier);
        QApplication::sendEvent(port, &e);
    }
    void Wheel(int delta) {
        QWidget* port = view()->viewport();
        const QPointF at(port->rect().center());
        QWheelEvent e(at, QPointF(port->mapToGlobal(at.toPoint())), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(port, &e);
    }
    void Key(int key) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(view(), &e);
    }
    // The strip as it is on screen once the thumbnails it asks for are made.
    QImage Shot() {
        view()->viewport()->repaint();
        for (int i = 0; i < 1000 && !model().thumbnails().Idle(); ++i) {
            model().thumbnails().WaitForWorkers();
            QApplication::processEvents();
        }
        return view()->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    // Pixels of `area` (page coordinates) that differ between two pages,
    // as the XOR of their colours.
    static std::vector<QRgb> Changed(const QImage& a, const QImage& b, const QRect& area) {
        std::vector<QRgb> out;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (a.pixel(x, y) != b.pixel(x, y))
                    out.push_back((a.pixel(x, y) ^ b.pixel(x, y)) & 0xFFFFFF);
        return out;
    }
    // The left edge of the selection frame around a cell.
    QRect FrameEdge(int cell) const {
        const QRect c = Cell(cell);
        return QRect(c.left() - 3, c.top(), 2, c.height());
    }

    ScriptedPrompts prompts_;
    StorageFolders folders_;
    std::unique_ptr<QWidget> window_;
    QMenu* menu_ = nullptr;
    std::unique_ptr<FileCommands> commands_;
    QString saveTarget_;
};

TEST_F(FileListView, ANewStillIsDrawnSelectedAtTheTopAndABrokenFileByName) {
    Bmp("Still_N1.bmp", QColor(20, 20, 220));
    Make();
    // The skin's cells: two to a row, 7 pixels apart.
    EXPECT_EQ(view()->CellRect(0), QRect(5, 4, 72, 73));
    EXPECT_EQ(view()->CellRect(1), QRect()) << "no second file yet";
    const QImage before = Shot();

    commands_->AddStill(Bmp("Still_N2.bmp", QColor(30, 200, 40)));
    EXPECT_EQ(commands_->SelectedPath(), folders_.picture + "/Still_N2.bmp");
    EXPECT_EQ(view()->CellRect(1), Cell(1));
    EXPECT_EQ(view()->currentIndex().row(), 0);
    // The thumbnails are the pictures, the new one first.
    const QImage after = Shot();
    EXPECT_EQ(after.pixelColor(Cell(0).topLeft() + QPoint(36, 36)), QColor(30, 200, 40));
    EXPECT_EQ(after.pixelColor(Cell(1).topLeft() + QPoint(36, 36)), QColor(20, 20, 220));
    // The selection frame is XOR-ed around the first cell only.
    const std::vector<QRgb> frame = Changed(before, after, FrameEdge(0));
    EXPECT_GT(frame.size(), 10u);
    for (QRgb x : frame)
        ASSERT_EQ(x, QColor(12, 191, 0).rgb() & 0xFFFFFF);
    EXPECT_TRUE(Changed(before, after, FrameEdge(1)).empty());

    // A file with no picture in it: a plain cell with its name in light
    // letters, as selectable as the others.
    QFile broken(folders_.picture + "/Still_N3.bmp");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(QByteArray(100, 'x'));
    broken.close();
    commands_->AddStill(broken.fileName());
    const QImage named = Shot();
    const QRect cell = Cell(0);
    int letters = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            if (qGray(named.pixel(x, y)) > 150) ++letters;
    EXPECT_GT(letters, 20);
    EXPECT_EQ(named.pixelColor(cell.topLeft() + QPoint(cell.width() - 8, cell.height() - 12)),
              QColor(70, 76, 86));
    ASSERT_EQ(model().rowCount(), 3);
    EXPECT_EQ(model().index(0).data().toString(), "Still_N3.bmp");
}

TEST_F(FileListView, AClickSelectsAndAClickBetweenCellsClearsTheSelection) {
    Bmp("Still_1.bmp");
    Bmp("Still_2.bmp");
    Make();
    Mouse(QEvent::MouseButtonPress, CellPoint(1));
    EXPECT_EQ(model().SelectedIndex(ListMode::Pictures), 1);

    // The 7-pixel gap between the two columns.
    Mouse(QEvent::MouseButtonPress, CellPoint(0, {72 + 3, 10}));
    EXPECT_EQ(model().SelectedIndex(ListMode::Pictures), -1);
    EXPECT_TRUE(commands_->SelectedPath().isEmpty());
    commands_->SaveAs();
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_EQ(prompts_.shown()[0].text, "Please select an image or video");
}

TEST_F(FileListView, TheWheelScrollsOneRowPerNotch) {
    for (int i = 0; i < 30; ++i)
        Bmp(QStringLiteral("Still_%1.bmp").arg(i, 2, 10, QLatin1Char('0')));
    Make();
    QScrollBar* bar = view()->verticalScrollBar();
    EXPECT_EQ(view()->TopRow(), 0); // the newest first
    EXPECT_TRUE(bar->isEnabled());

    Wheel(-120); // towards the user: down the list
    Wheel(-120);
    EXPECT_EQ(view()->TopRow(), 2);
    EXPECT_EQ(view()->RowAt(CellPoint(0)), 4);
    Wheel(120);
    EXPECT_EQ(view()->TopRow(), 1);
    // A touchpad's half steps add up to one row.
    Wheel(-60);
    EXPECT_EQ(view()->TopRow(), 1);
    Wheel(-60);
    EXPECT_EQ(view()->TopRow(), 2);
    // At the bottom the last two pictures are on the last row shown, whole:
    // 15 rows, of which 6 are shown.
    bar->setValue(bar->maximum());
    EXPECT_EQ(bar->maximum(), 9);
    EXPECT_EQ(bar->pageStep(), 6);
    EXPECT_TRUE(view()->viewport()->rect().contains(view()->CellRect(29)));
    EXPECT_EQ(view()->CellRect(29).top(), view()->CellRect(28).top());
    EXPECT_FALSE(view()->viewport()->rect().intersects(view()->CellRect(0)));
    EXPECT_EQ(view()->RowAt(CellPoint(0)), 2 * bar->maximum());

    // A list that fits keeps its bar, disabled; the other list keeps its place.
    commands_->SetListMode(0);
    EXPECT_FALSE(bar->isEnabled());
    EXPECT_EQ(view()->TopRow(), 0);
    commands_->SetListMode(1);
    EXPECT_EQ(view()->TopRow(), bar->maximum());
}

// More rows when the strip is taller, and fewer when shorter: a layout may
// give it any size.
TEST_F(FileListView, TheStripShowsAsManyRowsAsItsHeightHolds) {
    for (int i = 0; i < 40; ++i)
        Bmp(QStringLiteral("Still_%1.bmp").arg(i, 2, 10, QLatin1Char('0')));
    Make();
    const auto wholeRows = [this] {
        int n = 0;
        for (int row = 0; row < model().rowCount(); row += 2)
            if (view()->viewport()->rect().contains(view()->CellRect(row))) ++n;
        return n;
    };
    EXPECT_EQ(wholeRows(), 6);
    view()->resize(179, 900);
    QApplication::processEvents();
    EXPECT_EQ(wholeRows(), 11);
    view()->resize(179, 200);
    QApplication::processEvents();
    EXPECT_EQ(wholeRows(), 2);
}

TEST_F(FileListView, TheFileMenuOpensOnlyOverAFile) {
    Bmp("Still_1.bmp");
    Make();
    Mouse(QEvent::MouseButtonPress, CellPoint(5), Qt::RightButton); // an empty cell
    EXPECT_FALSE(menu_->isVisible());
    EXPECT_TRUE(commands_->SelectedPath().isEmpty());

    Mouse(QEvent::MouseButtonPress, CellPoint(0), Qt::RightButton);
    EXPECT_TRUE(menu_->isVisible());
    EXPECT_EQ(commands_->SelectedPath(), folders_.picture + "/Still_1.bmp");
    menu_->hide();
}

TEST_F(FileListView, SaveAsToJpgWritesAJpegAndDropsTheUnsavedMark) {
    Bmp("Still_1.bmp");
    Make();
    Mouse(QEvent::MouseButtonPress, CellPoint(0));
    ASSERT_EQ(model().SelectedIndex(ListMode::Pictures), 0);
    const QRect cell = Cell(0);
    // The lower right corner, where the unsaved mark is.
    const QRect corner(cell.left() + cell.width() / 2, cell.top() + cell.height() / 2,
                       cell.width() / 2 + 4, cell.height() / 2 + 4);
    const QImage marked = Shot();

    const QString out = test::homeDir() + "/out/copy.JPG";
    QDir().mkpath(test::homeDir() + "/out");
    saveTarget_ = out;
    commands_->SaveAs();
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(3).startsWith("\xFF\xD8\xFF"));
    f.close();
    QImage back(out, "JPG");
    EXPECT_EQ(back.size(), QSize(40, 30));
    EXPECT_FALSE(model().Entries(ListMode::Pictures)[0]->flags & EntryUnsaved);
    EXPECT_GT(Changed(marked, Shot(), corner).size(), 10u);

    // Any other ending gets the bytes as they are.
    saveTarget_ = test::homeDir() + "/out/copy.bmp";
    commands_->SaveAs();
    QFile a(folders_.picture + "/Still_1.bmp"), b(saveTarget_);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());

    // A copy that cannot be made is told.
    saveTarget_ = test::homeDir() + "/no/such/folder/copy.bmp";
    commands_->SaveAs();
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_EQ(prompts_.shown()[0].title, "Tavolux");
    EXPECT_EQ(prompts_.shown()[0].icon, Prompts::Icon::Warning);
}

TEST_F(FileListView, DeleteAsksFirstAndThenMovesTheFileToTheTrash) {
    const QString keep = Bmp("Still_N1.bmp");
    const QString gone = Bmp("Still_N2.bmp");
    Make();
    commands_->Delete();
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_EQ(prompts_.shown()[0].text, "Please select an image or video");

    Mouse(QEvent::MouseButtonPress, CellPoint(0)); // the newest
    prompts_.Clear();
    prompts_.Push(Prompts::Answer::Cancel);
    commands_->Delete();
    EXPECT_EQ(prompts_.shown().back().text, "Delete Still_N2.bmp?");
    EXPECT_TRUE(QFile::exists(gone));

    prompts_.Push(Prompts::Answer::Ok);
    commands_->Delete();
    EXPECT_FALSE(QFile::exists(gone));
    EXPECT_TRUE(QFile::exists(keep));
    const QString trash =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files";
    EXPECT_TRUE(QFile::exists(trash + "/Still_N2.bmp"));
    EXPECT_EQ(model().Count(ListMode::Pictures), 1);
    EXPECT_TRUE(commands_->SelectedPath().isEmpty());

    // A file that will not go: the system's reason, as the capture's error.
    Mouse(QEvent::MouseButtonPress, CellPoint(0));
    ASSERT_TRUE(QFile::remove(keep));
    prompts_.Clear();
    prompts_.Push(Prompts::Answer::Ok);
    commands_->Delete();
    ASSERT_EQ(prompts_.shown().size(), 2u);
    EXPECT_EQ(prompts_.shown()[1].title, "Capture");
    EXPECT_EQ(prompts_.shown()[1].icon, Prompts::Icon::Error);

    // Delete All asks as well.
    Bmp("Still_N3.bmp");
    model().ScanFolders();
    model().SelectIndex(0);
    prompts_.Push(Prompts::Answer::Cancel);
    commands_->DeleteAll();
    EXPECT_EQ(prompts_.shown().back().text, "Are you sure to delete all?");
    EXPECT_EQ(model().Count(ListMode::Pictures), 1);
    prompts_.Push(Prompts::Answer::Ok);
    commands_->DeleteAll();
    EXPECT_EQ(model().Count(ListMode::Pictures), 0);
}

TEST_F(FileListView, EMailHandsTheMailProgramAJpegCopyOfABmp) {
    Bmp("Still_1.bmp");
    Make();
    const QString received = test::homeDir() + "/received.jpg";
    const QString email = test::homeDir() + "/fake-email";
    const QString mime = test::homeDir() + "/fake-mime";
    for (const auto& [path, body] :
         {std::pair{email, "for a in \"$@\"; do last=\"$a\"; done\ncp \"$last\" '" +
                               received.toUtf8() + "'\necho \"$last\" > '" + received.toUtf8() +
                               ".name'\nexit 0\n"},
          std::pair{mime, QByteArray("echo thunderbird.desktop\n")}}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n" + body);
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }
    commands_->mailer().SetPrograms(email, mime);

    Mouse(QEvent::MouseButtonPress, CellPoint(0));
    bool done = false;
    QObject::connect(&commands_->mail(), &MailCommand::finished, [&] { done = true; });
    commands_->EMail();
    ASSERT_TRUE(test::WaitFor([&] { return done; }));
    QFile f(received);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(3).startsWith("\xFF\xD8\xFF"));
    QFile name(received + ".name");
    ASSERT_TRUE(name.open(QIODevice::ReadOnly));
    EXPECT_TRUE(name.readAll().trimmed().endsWith("/Still_1.jpg"));
    EXPECT_EQ(prompts_.shown().back().text, "The picture was handed to your mail program.");
}

TEST_F(FileListView, OpenSendsEveryPictureToPhotoMeasureWhateverItsLetterCase) {
    Bmp("Still_N1.bmp");
    QFile::copy(folders_.picture + "/Still_N1.bmp", folders_.picture + "/Still_N2.Bmp");
    QImage jpeg(8, 8, QImage::Format_RGB32);
    jpeg.fill(Qt::red);
    ASSERT_TRUE(jpeg.save(folders_.picture + "/Still_N3.JPG", "JPG"));
    Make();
    QStringList pictures, videos;
    QObject::connect(commands_.get(), &FileCommands::openPictureRequested,
                     [&](const QString& p) { pictures << p; });
    QObject::connect(commands_.get(), &FileCommands::openVideoRequested,
                     [&](const QString& p) { videos << p; });
    commands_->Open();
    EXPECT_EQ(prompts_.shown().size(), 1u); // nothing selected
    for (int cell = 0; cell < 3; ++cell) {
        Mouse(QEvent::MouseButtonDblClick, CellPoint(cell));
        ASSERT_TRUE(test::WaitFor([&] { return pictures.size() == cell + 1; }));
    }
    EXPECT_EQ(pictures,
              QStringList({folders_.picture + "/Still_N3.JPG", folders_.picture + "/Still_N2.Bmp",
                           folders_.picture + "/Still_N1.bmp"}));
    EXPECT_TRUE(videos.isEmpty());

    // A video in the video list goes to the player.
    QFile::copy(folders_.picture + "/Still_N1.bmp", folders_.video + "/Video_1.avi");
    commands_->AddRecording(folders_.video + "/Video_1.avi");
    commands_->SetListMode(0);
    commands_->Open();
    ASSERT_TRUE(test::WaitFor([&] { return videos.size() == 1; }));
    EXPECT_EQ(videos[0], folders_.video + "/Video_1.avi");
}

// 5,000 pictures: scrolling paints placeholders at once and leaves every
// decoding to the worker, which makes only about what was shown; the keys
// move the selection, Enter opens and Delete asks first.
TEST_F(FileListView, FiveThousandPicturesScrollWithoutDecodingOnTheUiThreadAndTheKeysWork) {
    constexpr int kPictures = 5000;
    const QString first = Bmp("first.bmp", QColor(200, 60, 30));
    for (int i = 1; i <= kPictures; ++i) {
        const QString name =
            folders_.picture + QStringLiteral("/Still_N%1.bmp").arg(i, 4, 10, QLatin1Char('0'));
        ASSERT_EQ(::link(QFile::encodeName(first).constData(), QFile::encodeName(name).constData()),
                  0);
    }
    ASSERT_TRUE(QFile::remove(first));
    Make();
    ASSERT_EQ(model().rowCount(), kPictures);
    QThread* const ui = QThread::currentThread();
    std::atomic<int> made{0}, madeOnUi{0};
    model().thumbnails().SetMaker(
        [&](const QString&, ThumbnailCache::Kind, QSize cell, const std::atomic<bool>*) {
            ++made;
            if (QThread::currentThread() == ui) ++madeOnUi;
            ThumbnailCache::Made m;
            m.image = QImage(cell, QImage::Format_RGB32);
            m.image.fill(QColor(30, 200, 40));
            return m;
        });
    QScrollBar* bar = view()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 2400);
    int painted = 0;
    for (int value = 0; value <= bar->maximum(); value += 97) {
        bar->setValue(value);
        view()->viewport()->repaint();
        painted += 12;
        QApplication::processEvents();
    }
    EXPECT_EQ(madeOnUi, 0);
    EXPECT_GT(made, 0);
    EXPECT_LE(made, painted) << "only cells that were shown are made";
    // What is on screen once the worker is done: every cell a thumbnail.
    const QImage shown = Shot();
    for (int cell = 0; cell < 12; ++cell)
        EXPECT_EQ(shown.pixelColor(Cell(cell).center()), QColor(30, 200, 40)) << cell;

    const auto selected = [this] { return model().SelectedIndex(ListMode::Pictures); };
    bar->setValue(0);
    Mouse(QEvent::MouseButtonPress, CellPoint(0));
    Key(Qt::Key_Down);
    EXPECT_EQ(selected(), 2);
    Key(Qt::Key_Right);
    EXPECT_EQ(selected(), 3);
    Key(Qt::Key_End);
    EXPECT_EQ(selected(), kPictures - 1);
    EXPECT_TRUE(view()->viewport()->rect().contains(view()->CellRect(kPictures - 1)));
    Key(Qt::Key_Home);
    EXPECT_EQ(selected(), 0);
    EXPECT_EQ(view()->TopRow(), 0);

    QStringList opened;
    QObject::connect(commands_.get(), &FileCommands::openPictureRequested,
                     [&](const QString& p) { opened << p; });
    Key(Qt::Key_Return);
    ASSERT_TRUE(test::WaitFor([&] { return !opened.isEmpty(); }));
    EXPECT_EQ(opened[0], folders_.picture + "/Still_N5000.bmp");

    prompts_.Push(Prompts::Answer::Cancel);
    Key(Qt::Key_Delete);
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_EQ(prompts_.shown()[0].text, "Delete Still_N5000.bmp?");
    EXPECT_TRUE(QFile::exists(opened[0]));
    prompts_.Push(Prompts::Answer::Ok);
    Key(Qt::Key_Delete);
    EXPECT_FALSE(QFile::exists(opened[0]));
    EXPECT_EQ(model().rowCount(), kPictures - 1);
}

} // namespace
} // namespace tvx
