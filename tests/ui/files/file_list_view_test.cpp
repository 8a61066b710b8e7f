// The thumbnail strip and the file commands on real files, answered by
// scripted prompts.
#include "imaging/cximage.h"
#include "platform/folders.h"
#include "platform/prompts.h"
#include "tests/support/test_env.h"
#include "ui/files/file_commands.h"
#include "ui/files/file_list_view.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStandardPaths>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace tvx {
namespace {

template <class F> bool Until(F done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class FileListView : public ::testing::Test {
protected:
    void SetUp() override {
        SetPrompts(&prompts_);
        folders_ = MakeStorageFolders();
        window_ = std::make_unique<QWidget>();
        window_->resize(200, 600);
        menu_ = new QMenu(window_.get());
        menu_->addAction(QStringLiteral("Open"));
    }
    void TearDown() override {
        commands_.reset();
        window_.reset();
        SetPrompts(nullptr);
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
                prompts().Message("Tavolux", "Please select an image or video",
                                  Prompts::Icon::Warning);
                return QString();
            }
            return saveTarget_;
        };
        o.fileMenu = menu_;
        o.asyncVideoFrames = false;
        commands_ = std::make_unique<FileCommands>(window_.get(), o);
        window_->show();
        view()->RenderList();
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
    // A point of the view's cell `cell` (client offset inside it).
    QPoint CellPoint(int cell, QPoint offset = {10, 10}) const {
        return view()->clientRect().topLeft() +
               view()->pageGeometry().cells[size_t(cell)].topLeft() + offset;
    }
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QMouseEvent e(type, QPointF(at), QPointF(view()->mapToGlobal(at)), button, button,
                      Qt::NoModifier);
        QApplication::sendEvent(view(), &e);
    }
    void Wheel(int delta) {
        const QPointF at(view()->clientRect().center());
        QWheelEvent e(at, QPointF(view()->mapToGlobal(at.toPoint())), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view(), &e);
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
        const QRect c = view()->pageGeometry().cells[size_t(cell)];
        return QRect(c.left() - 3, c.top(), 2, c.height());
    }
    // The page pixel at a client point of a cell.
    QColor PagePixel(int cell, QPoint offset) const {
        return view()->page().pixelColor(view()->pageGeometry().cells[size_t(cell)].topLeft() +
                                         offset);
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
    EXPECT_EQ(view()->pageGeometry().cellWidth, 72);
    EXPECT_EQ(view()->pageGeometry().cellHeight, 73);
    const QImage before = view()->page();

    commands_->AddStill(Bmp("Still_N2.bmp", QColor(30, 200, 40)));
    EXPECT_EQ(commands_->SelectedPath(), folders_.picture + "/Still_N2.bmp");
    EXPECT_EQ(model().SelectedCell(), 0);
    // The thumbnails are the pictures, the new one first.
    EXPECT_EQ(PagePixel(0, {36, 36}), QColor(30, 200, 40));
    EXPECT_EQ(PagePixel(1, {36, 36}), QColor(20, 20, 220));
    // The selection frame is XOR-ed around the first cell only.
    const std::vector<QRgb> frame = Changed(before, view()->page(), FrameEdge(0));
    EXPECT_GT(frame.size(), 10u);
    for (QRgb x : frame)
        ASSERT_EQ(x, QColor(12, 191, 0).rgb() & 0xFFFFFF);
    EXPECT_TRUE(Changed(before, view()->page(), FrameEdge(1)).empty());

    // A file with no picture in it: a plain cell with its name in light
    // letters, as selectable as the others.
    QFile broken(folders_.picture + "/Still_N3.bmp");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(QByteArray(100, 'x'));
    broken.close();
    commands_->AddStill(broken.fileName());
    const QRect cell = view()->pageGeometry().cells[0];
    int letters = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            if (qGray(view()->page().pixel(x, y)) > 150) ++letters;
    EXPECT_GT(letters, 20);
    EXPECT_EQ(PagePixel(0, {cell.width() - 8, cell.height() - 12}), QColor(70, 76, 86));
    ASSERT_EQ(view()->cells().size(), 3u);
    EXPECT_EQ(view()->cells()[0].name, "Still_N3.bmp");
}

TEST_F(FileListView, AClickSelectsAndAClickBetweenCellsClearsTheSelection) {
    Bmp("Still_1.bmp");
    Bmp("Still_2.bmp");
    Make();
    Mouse(QEvent::MouseButtonPress, CellPoint(1));
    EXPECT_EQ(model().SelectedIndex(ListMode::Pictures), 1);

    // The 7-pixel gap between the two columns.
    Mouse(QEvent::MouseButtonPress, CellPoint(0, {view()->pageGeometry().cellWidth + 3, 10}));
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
    EXPECT_EQ(model().TopRow(ListMode::Pictures), 0); // the newest page
    EXPECT_EQ(view()->scrollBar()->maximum(), 14);
    EXPECT_TRUE(view()->scrollBar()->isEnabled());

    Wheel(-120); // towards the user: down the list
    Wheel(-120);
    EXPECT_EQ(model().TopRow(ListMode::Pictures), 2);
    EXPECT_EQ(view()->scrollBar()->value(), 2);
    Wheel(120);
    EXPECT_EQ(model().TopRow(ListMode::Pictures), 1);
    // A touchpad's half steps add up to one row.
    Wheel(-60);
    EXPECT_EQ(model().TopRow(ListMode::Pictures), 1);
    Wheel(-60);
    EXPECT_EQ(model().TopRow(ListMode::Pictures), 2);
    // The scroll bar moves the list as well.
    view()->scrollBar()->setValue(9);
    EXPECT_EQ(model().TopRow(ListMode::Pictures), 9);
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
    ASSERT_EQ(model().SelectedCell(), 0);
    const QRect cell = view()->pageGeometry().cells[0];
    // The lower right corner, where the unsaved mark is.
    const QRect corner(cell.left() + cell.width() / 2, cell.top() + cell.height() / 2,
                       cell.width() / 2 + 4, cell.height() / 2 + 4);
    const QImage marked = view()->page();

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
    EXPECT_GT(Changed(marked, view()->page(), corner).size(), 10u);

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
    EXPECT_EQ(prompts_.shown().back().text, "Are you sure to delete?");
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
    ASSERT_TRUE(Until([&] { return done; }));
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
        ASSERT_TRUE(Until([&] { return pictures.size() == cell + 1; }));
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
    ASSERT_TRUE(Until([&] { return videos.size() == 1; }));
    EXPECT_EQ(videos[0], folders_.video + "/Video_1.avi");
}

} // namespace
} // namespace tvx
